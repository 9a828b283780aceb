#!/bin/sh
# The main job: builds the shipped Tipstart.exe (PE32) into dist/ with its
# checksum and the authors' package, then shows the shipped exe launching a
# stand-in tool under Wine.
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
# The authors' package, named for the project's one version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
python3 scripts/package.py dist/Tipstart.exe "$version" README.md "dist/Tipstart-$version.zip"
echo "For help-file authors: dist/Tipstart-$version.zip (Tipstart.exe, Tipstart-Guide.txt, SHA256SUMS)"
echo
scripts/demo.sh
