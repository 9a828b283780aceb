#!/bin/sh
# The Debian package of tipstart-check: cpack makes it from the Linux build,
# lintian reports no error, a second build from another folder gives the
# same bytes, the program unpacked from it prints its version, and its manual
# renders without warnings and names every rule.
#   debian-package-test.sh BUILD_DIR
set -eu
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-deb-test.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$build" && cpack > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$build"/package/tipstart-check_*.deb)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends
dpkg-deb -f "$deb" Depends | grep -q 'libmspack0' || fail "no dependency on libmspack0"
dpkg-deb -f "$deb" Depends | grep -q 'libjemalloc2' || fail "no dependency on libjemalloc2"

lintian "$deb" > "$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then
    fail "lintian reports errors"
fi

# The same sources built in another folder: the same package.
cmake -S "$root" -B "$work/again" --preset linux > /dev/null
cmake --build "$work/again" > /dev/null
(cd "$work/again" && cpack > /dev/null 2>&1)
cmp -s "$deb" "$work/again/package/$(basename "$deb")" || fail "two builds give different packages"
echo "reproducible: $(sha256sum < "$deb" | cut -d' ' -f1)"

dpkg-deb -x "$deb" "$work/unpacked"
version=$("$work/unpacked/usr/bin/tipstart-check" --version)
[ "$version" = "tipstart-check $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
    fail "--version printed: $version"

manual="$work/unpacked/usr/share/man/man1/tipstart-check.1.gz"
MANWIDTH=80 man --warnings -l "$manual" > "$work/manual.txt" 2> "$work/manual.err" || fail "man -l failed"
[ ! -s "$work/manual.err" ] || { cat "$work/manual.err" >&2; fail "the manual renders with warnings"; }
# Every rule the checker reports, by the ids its SARIF log lists.
printf 'x' > "$work/page.htm"
"$work/unpacked/usr/bin/tipstart-check" --format sarif "$work/page.htm" 2> /dev/null |
    sed -n 's/^ *{"id": "\([a-z-]*\)".*/\1/p' > "$work/rules"
[ -s "$work/rules" ] || fail "no rules in the SARIF log"
while read -r rule; do
    grep -q "^       $rule\$" "$work/manual.txt" || fail "the manual does not explain $rule"
done < "$work/rules"
echo "PASS: the package, its program and its manual ($(grep -c '' "$work/rules") rules)"
