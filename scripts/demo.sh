#!/bin/sh
# Shows the main job for real: in a throwaway Wine prefix, registers a
# stand-in OBX 3.5 tool, starts the shipped 32-bit dist/Tipstart.exe (or the
# exe given) the way a help-file link does, and prints what the tool received.
#   scripts/demo.sh [EXE]
set -eu
. "$(dirname "$0")/wine-prefix.sh"
cd "$(dirname "$0")/.."
exe=${1:-dist/Tipstart.exe}
wine_prefix_start

stage_version3_launch Help OBX/3.5 "$exe"
drive="$WINEPREFIX/drive_c"

printf '%s\n' 'Registered: HKCU\Software\Quistral\OBX\3.5  Path = C:\OBX\3.5'
printf 'Link runs:  %s %s  (%s)\n' 'C:\Help\Tipstart.exe' '^3docs\one.txt' "$exe"
export TIPSTART_PROBE='C:\launch.txt'
status=0
"$WINE" 'C:\Help\Tipstart.exe' '^3docs\one.txt' || status=$?
echo "Tipstart.exe exit status: $status"

waited=0
while [ ! -s "$drive/launch.txt" ] && [ "$waited" -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
if [ ! -s "$drive/launch.txt" ]; then
    echo "The tool was not started." >&2
    exit 1
fi
tr -d '\r' < "$drive/launch.txt" | while IFS="$(printf '\t')" read -r program show folder commandLine; do
    case "$show" in
        3) state="maximised (SW_SHOWMAXIMIZED)" ;;
        1) state="normal (SW_SHOWNORMAL)" ;;
        *) state="show command $show" ;;
    esac
    echo "The tool received:"
    printf '  %s\n' "program:        $program"
    printf '  %s\n' "command line:   $commandLine"
    printf '  %s\n' "working folder: $folder"
    printf '  %s\n' "window state:   $state"
done
