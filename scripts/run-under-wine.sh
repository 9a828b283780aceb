#!/bin/sh
# Runs one 64-bit Windows program under wine64 on a virtual display, in a
# fresh Wine prefix; exits with the program's status.
set -eu
if [ "${1:-}" != "--inner" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$@"
fi
shift
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix_start
status=0
"$WINE" "$@" || status=$?
exit "$status"
