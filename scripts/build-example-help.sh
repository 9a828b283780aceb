#!/bin/sh
# Compiles the example help project into a real .chm with Free Pascal's
# chmcmd, laid out as a help file ships: build/example-help/Help.chm with the
# docs folder beside it.
#   scripts/build-example-help.sh [OUTPUT_FOLDER]
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/example-help}
rm -rf "$out"
mkdir -p "$out"
# chmcmd writes beside the project: compile a copy.
cp -r examples/help "$out/project"
(cd "$out/project" && chmcmd Help.hhp >/dev/null)
mv "$out/project/Help.chm" "$out/Help.chm"
cp -r examples/help/docs "$out/docs"
rm -rf "$out/project"
echo "Compiled: $out/Help.chm ($(stat -c %s "$out/Help.chm") bytes)"
