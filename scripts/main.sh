#!/bin/sh
# The main job: builds the shipped Tipstart.exe (PE32) into dist/ with its
# checksum, the authors' package (with the link checker) and the checker's
# Debian package, shows the
# checker on the example help file compiled into a real .chm, then the
# shipped exe launching a stand-in tool under Wine.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in linux win32 win64; do
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
python3 scripts/package.py dist/Tipstart.exe build/win32/checker/tipstart-check.exe "$version" README.md \
    "dist/Tipstart-$version.zip"
echo "For help-file authors: dist/Tipstart-$version.zip (Tipstart.exe, tipstart-check.exe, Tipstart-Guide.txt, rules/, SHA256SUMS)"
# tipstart-check for Debian and Ubuntu CI runners, with its manual.
(cd build/linux && cpack > /dev/null)
cp build/linux/package/tipstart-check_"$version"_*.deb dist/
echo "For Linux CI: dist/$(basename build/linux/package/tipstart-check_"$version"_*.deb) ($(stat -c %s dist/tipstart-check_"$version"_*.deb) bytes)"
echo
scripts/build-example-help.sh
echo "\$ build/linux/checker/tipstart-check --list build/example-help/Help.chm"
build/linux/checker/tipstart-check --list build/example-help/Help.chm
echo
scripts/demo.sh
