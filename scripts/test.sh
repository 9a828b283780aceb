#!/bin/sh
# Every test: installs what is missing, configures and builds the host, linux,
# win32 and win64 presets, and runs all their tests in one CTest run, in
# parallel. Arguments go on to ctest.
set -eu

usage() {
    cat <<'END'
usage: scripts/test.sh [CTEST_ARGUMENT...]

Installs what is missing (as root: apt-get, the 32-bit Wine ground, the npm
tools), builds the presets host, linux, win32 and win64 in build/<preset>, then
runs every test of the four in one CTest run. The arguments go on to ctest,
after the set-up:

  scripts/test.sh -L unit          the unit tier (labels: unit, fixture, fuzz,
                                   e2e, package; wine marks the tests that need Wine)
  scripts/test.sh -LE 'e2e|package'  all but the end-to-end and package tiers
  scripts/test.sh -R fixture_chm   tests by name
  scripts/test.sh -j 1             one test at a time (default: TIPSTART_TEST_JOBS,
                                   else one more than the cores)

The quick loop, once the host preset is built: ctest --preset quick (the host
tier without the fuzzers). See CONTRIBUTING.md.
END
}

for argument in "$@"; do
    case $argument in
    -h | --help)
        usage
        exit 0
        ;;
    esac
done

cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in host linux win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# One CTest run over the four build folders, so one summary closes it. The
# tests share no state (each has its own folders and Wine prefix); Wine's
# waits leave room for one more test than there are cores.
printf 'subdirs("host" "linux" "win32" "win64")\n' > build/CTestTestfile.cmake
jobs=${TIPSTART_TEST_JOBS:-$(($(nproc) + 1))}
ctest --test-dir build --output-on-failure -j "$jobs" "$@"
