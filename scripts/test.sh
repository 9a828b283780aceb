#!/bin/sh
# Every test: installs what is missing, configures and builds the host, linux,
# win32 and win64 presets, and runs all their tests in one CTest run.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in host linux win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# One CTest run over the four build folders, so one summary closes it.
printf 'subdirs("host" "linux" "win32" "win64")\n' > build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure "$@"
