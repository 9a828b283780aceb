#!/bin/sh
# Installs the Debian packages the builds and tests need, then the ground for
# running 32-bit programs under Wine. As root it runs apt-get; otherwise it
# prints the exact command and stops.
set -eu

packages="cmake ninja-build g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 xvfb xauth python3 \
clang libclang-rt-14-dev llvm libmspack-dev libjemalloc-dev libtomlplusplus-dev fp-utils-3.2.2 \
scdoc dpkg-dev lintian pre-commit man-db git duktape-dev p7zip-full time"
# Node.js validates the checker's SARIF logs; any installed one will do.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    packages="$packages nodejs npm"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y$missing" >&2
        exit 1
    fi
    echo "Installing:$missing"
    # A mirror in the middle of a sync fails one index; the others serve.
    apt-get update -q || echo "apt-get update failed; installing from the indexes at hand" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi

# The shipped exe is 32-bit: its end-to-end tier needs 32-bit Wine.
"$(dirname "$0")/install-32bit-ground.sh"

# The SARIF 2.1.0 schema and its checker for the checker's tests, from npm.
sarif_tools="$(dirname "$0")/../tests/checker/sarif"
if [ ! -d "$sarif_tools/node_modules/ajv-formats" ] || [ ! -d "$sarif_tools/node_modules/@microsoft/sarif-multitool-linux" ]; then
    (cd "$sarif_tools" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
