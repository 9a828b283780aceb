#!/bin/sh
# Start-to-exit time of a version-3 launch by the 64-bit Tipstart.exe under
# wine64, against a minimal program making the same unavoidable calls; both
# are run alternately in one Wine prefix and the medians compared.
#   bench/startup.sh [RUNS]   (default 31; needs the win64 build)
set -eu
runs=${1:-31}
. "$(dirname "$0")/../scripts/wine-prefix.sh"
cd "$(dirname "$0")/.."
wine_prefix_start

drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/bench/Ext/docs" "$drive/bench/Obx35"
cp build/win64/Tipstart.exe "$drive/bench/Ext/Tipstart.exe"
cp build/win64/bench/tipstart_minimal_launch.exe "$drive/bench/minimal.exe"
cp build/win64/tests/e2e/tipstart_stand_in.exe "$drive/bench/Obx35/obx.exe"
printf 'one\r\n' > "$drive/bench/Ext/docs/one.txt"
"$WINE" reg add 'HKCU\Software\Quistral\OBX\3.5' /v Path /t REG_SZ /d 'C:\bench\Obx35' /f >/dev/null 2>&1
unset TIPSTART_PROBE

"$WINE" build/win64/bench/tipstart_start_timer.exe "$runs" \
    'C:\bench\Ext\Tipstart.exe' '"C:\bench\Ext\Tipstart.exe" ^3docs\one.txt' \
    'C:\bench\minimal.exe' 'C:\bench\minimal.exe' | tr -d '\r'
