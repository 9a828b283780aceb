#!/bin/sh
# Builds the shipped Tipstart.exe, tipstart-check.exe and the authors'
# package twice from the same sources, in two fresh folders with different
# paths, and checks that the bytes are the same.
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

for name in first second-build; do
    cmake -S "$source_dir" -B "$work/$name" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$work/$name" --target Tipstart tipstart-check >/dev/null
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

# The authors' package from each build: the same bytes, holding that exe.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/first/CMakeCache.txt")
for name in first second-build; do
    python3 "$source_dir/scripts/package.py" "$work/$name/Tipstart.exe" "$work/$name/checker/tipstart-check.exe" \
        "$version" "$source_dir/README.md" "$work/$name/Tipstart-$version.zip"
done
if ! cmp -s "$work/first/Tipstart-$version.zip" "$work/second-build/Tipstart-$version.zip"; then
    echo "The two builds' packages differ" >&2
    exit 1
fi
python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("Tipstart.exe"))' \
    "$work/first/Tipstart-$version.zip" > "$work/packaged.exe"
if ! cmp -s "$work/packaged.exe" "$first"; then
    echo "The package's Tipstart.exe is not the built one" >&2
    exit 1
fi
echo "Reproducible: Tipstart-$version.zip $(sha256sum < "$work/first/Tipstart-$version.zip" | cut -d' ' -f1) from both builds"
