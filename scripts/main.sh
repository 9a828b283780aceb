#!/bin/sh
# The main job: builds the shipped Tipstart.exe (PE32) into dist/ with its
# checksum, then shows a real launch under Wine with the 64-bit build.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

mkdir -p dist
cp build/win32/Tipstart.exe dist/Tipstart.exe
(cd dist && sha256sum Tipstart.exe > SHA256SUMS)
echo "Shipped: dist/Tipstart.exe ($(stat -c %s dist/Tipstart.exe) bytes)"
cat dist/SHA256SUMS
echo
scripts/demo.sh
