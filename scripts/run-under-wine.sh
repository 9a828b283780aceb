#!/bin/sh
# Runs one 64-bit Windows program under wine64 on a virtual display, in a
# fresh Wine prefix; exits with the program's status.
set -eu
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix_start
status=0
"$WINE" "$@" || status=$?
exit "$status"
