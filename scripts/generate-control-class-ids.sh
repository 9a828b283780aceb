#!/bin/sh
# Generates checker/system/tables/ControlClassIds.inc: every class id that Windows
# registers for the HTML Help control (hhctrl.ocx), as a fresh Wine prefix's
# registry holds them. Run from anywhere; needs wine64. The win64 tier's
# test checker_control_class_ids holds the table against Wine's registry.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-prefix.sh"
wine_prefix_start
table=$root/checker/system/tables/ControlClassIds.inc
python3 "$root/scripts/tables/control-class-ids.py" "$WINEPREFIX/system.reg" > "$table.new"
mv "$table.new" "$table"
