#!/bin/sh
# Generates checker/system/tables/UpperCase.inc, Windows' upper-case table, by which
# NTFS and the help viewer compare names, from the l_intl.nls of a fresh Wine
# prefix. Run from anywhere; needs wine64. The win64 tier's test
# checker_upper_case holds the table against Wine's RtlUpcaseUnicodeChar.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-prefix.sh"
wine_prefix_start
table=$root/checker/system/tables/UpperCase.inc
python3 "$root/scripts/tables/upper-case.py" "$WINEPREFIX/drive_c/windows/system32/l_intl.nls" > "$table.new"
mv "$table.new" "$table"
