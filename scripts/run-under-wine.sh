#!/bin/sh
# Runs one 64-bit Windows program under wine64 on a virtual display, in a
# fresh Wine prefix that is removed afterwards; exits with the program's status.
# Only this prefix's wineserver is stopped.
set -eu

if [ "${1:-}" != "--inner" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$@"
fi
shift

prefix=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-wine.XXXXXX")
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64
# No Mono or Gecko installers: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT INT TERM

/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w 2>/dev/null || true
status=0
/usr/lib/wine/wine64 "$@" || status=$?
exit "$status"
