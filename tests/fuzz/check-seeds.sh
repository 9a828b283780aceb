#!/bin/sh
# The seeds of the checker's fuzzer: the committed pages and link lists, and
# the example help file compiled afresh (a compiled file is not committed).
#   check-seeds.sh OUTPUT_FOLDER
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$1
rm -rf "$out"
mkdir -p "$out"
cp "$here"/corpus/check/* "$out/"
"$here/../../scripts/build-example-help.sh" "$out/help" >/dev/null
{ printf '\002'; cat "$out/help/Help.chm"; } > "$out/example_chm"
rm -rf "$out/help"
