#!/bin/sh
# Builds the shipped Tipstart.exe twice from the same sources, in two fresh
# folders with different paths, and checks that the bytes are the same.
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

for name in first second-build; do
    cmake -S "$source_dir" -B "$work/$name" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$work/$name" --target Tipstart >/dev/null
done

first="$work/first/Tipstart.exe"
second="$work/second-build/Tipstart.exe"
if cmp -s "$first" "$second"; then
    echo "Reproducible: $(sha256sum < "$first" | cut -d' ' -f1) ($(stat -c %s "$first") bytes) from both builds"
else
    echo "Two builds of the same sources differ:" >&2
    cmp -l "$first" "$second" | head -20 >&2
    exit 1
fi
