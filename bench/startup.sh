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

stage_version3_launch bench/Ext bench/Obx35
cp build/win64/bench/tipstart_minimal_launch.exe "$WINEPREFIX/drive_c/bench/minimal.exe"
unset TIPSTART_PROBE

"$WINE" build/win64/bench/tipstart_start_timer.exe "$runs" \
    'C:\bench\Ext\Tipstart.exe' '"C:\bench\Ext\Tipstart.exe" ^3docs\one.txt' \
    'C:\bench\minimal.exe' 'C:\bench\minimal.exe' | tr -d '\r'
