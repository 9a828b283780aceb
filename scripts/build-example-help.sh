#!/bin/sh
# Compiles the example help project into a real .chm with Free Pascal's
# chmcmd, laid out as a help file ships: build/example-help/Help.chm with the
# docs folder beside it.
#   scripts/build-example-help.sh [OUTPUT_FOLDER]
set -eu
out=$(realpath -m "${1:-$(dirname "$0")/../build/example-help}")
cd "$(dirname "$0")/.."
rm -rf "$out"
mkdir -p "$out"
# chmcmd writes beside the project: compile a copy.
cp -r examples/help "$out/project"
if ! (cd "$out/project" && chmcmd Help.hhp > ../chmcmd.log 2>&1); then
    cat "$out/chmcmd.log" >&2
    exit 1
fi
rm -f "$out/chmcmd.log"
mv "$out/project/Help.chm" "$out/Help.chm"
cp -r examples/help/docs "$out/docs"
rm -rf "$out/project"
echo "Compiled: $out/Help.chm ($(stat -c %s "$out/Help.chm") bytes)"
