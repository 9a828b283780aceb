#!/bin/sh
# Start-to-exit time of a version-3 launch by Tipstart.exe under wine64,
# against a minimal program making the same unavoidable calls; both are run
# alternately in one Wine prefix and the medians compared. First the 64-bit
# build against the 64-bit minimal program, then the shipped PE32 against the
# 32-bit one, where this machine runs 32-bit code itself.
#   bench/startup.sh [RUNS]   (default 31; needs the win64 and win32 builds)
set -eu
runs=${1:-31}
. "$(dirname "$0")/../scripts/wine-prefix.sh"
cd "$(dirname "$0")/.."
wine_prefix_start

stage_version3_launch bench/Ext bench/Obx35
unset TIPSTART_PROBE
bench="$WINEPREFIX/drive_c/bench"

time_pair() {
    echo "== $1"
    cp "$2" "$bench/Ext/Tipstart.exe"
    cp "$3" "$bench/minimal.exe"
    "$WINE" build/win64/bench/tipstart_start_timer.exe "$runs" \
        'C:\bench\Ext\Tipstart.exe' '"C:\bench\Ext\Tipstart.exe" ^3docs\one.txt' \
        'C:\bench\minimal.exe' 'C:\bench\minimal.exe' | tr -d '\r'
}

time_pair "PE32+ (build/win64)" build/win64/Tipstart.exe build/win64/bench/tipstart_minimal_launch.exe
# Under qemu-i386 the figure would time the emulator, not the program.
if [ -e /proc/sys/fs/binfmt_misc/tipstart-i386 ]; then
    echo "== shipped PE32 (build/win32): skipped, 32-bit code runs under qemu-i386 emulation on this machine"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "== shipped PE32 (build/win32): skipped, no 32-bit Wine (scripts/install-32bit-ground.sh)"
else
    time_pair "shipped PE32 (build/win32)" build/win32/Tipstart.exe build/win32/bench/tipstart_minimal_launch.exe
fi
