# Sourced by the scripts that run Windows programs: first re-runs the calling
# script on a virtual display (xvfb-run) unless it already runs on one of
# ours; wine_prefix_start then makes a fresh 64-bit Wine prefix in a temp
# folder, and on exit only that prefix's wineserver is stopped and the folder
# removed.
if [ "${TIPSTART_VIRTUAL_DISPLAY:-}" != "$$" ]; then
    # Marked with the child's own process id, so a nested script re-runs too.
    exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'TIPSTART_VIRTUAL_DISPLAY=$$ exec "$0" "$@"' "$0" "$@"
fi
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

wine_prefix_start() {
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-wine.XXXXXX")
    export WINEPREFIX WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
    # No Mono or Gecko installers: nothing here needs them.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    trap wine_prefix_stop EXIT INT TERM
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w 2>/dev/null || true
}

wine_prefix_stop() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
