#!/bin/sh
# The Windows build of tipstart-check on lcl.chm (Debian's lazarus-doc-2.2,
# 20,202 pages compressed), beside the reference bench/speed.sh holds the
# Linux build to: `7z t` on the same file, at most 3 times. The Windows build
# reads compiled files through the system's ITSS, here Wine's; Wine's own
# start, timed on `tipstart-check.exe --version`, is taken off each run.
#   bench/speed-windows.sh [RUNS] [CHECKER.EXE]
# (default 5 runs, build/win64/checker/tipstart-check.exe; needs 7z, Wine
# and the cache that bench/speed.sh fills). Medians after one warm-up run.
# Exit status: 0 measured, 2 something is missing.
set -eu
runs=${1:-5}
cd "$(dirname "$0")/.."
checker=${2:-$(pwd)/build/win64/checker/tipstart-check.exe}
lcl=$(find "${TMPDIR:-/tmp}/tipstart-real-help/lazarus-doc-2.2" -type f -name lcl.chm 2>/dev/null | head -n 1)
if [ ! -f "$checker" ] || [ -z "$lcl" ] || ! command -v 7z > /dev/null 2>&1; then
    echo "speed-windows: needs $checker, 7z and lcl.chm (run bench/speed.sh first)" >&2
    exit 2
fi
. scripts/wine-prefix.sh
wine_prefix_start
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-speed.XXXXXX")
trap 'rm -rf "$work"; wine_prefix_stop' EXIT

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f\n", b - a }'; }

"$WINE" "$checker" "$lcl" > "$work/check.out" 2>&1 || true
summary=$(tr -d '\r' < "$work/check.out" | grep '^tipstart-check: ' | tail -n 1)
i=0
while [ "$i" -lt "$runs" ]; do
    t0=$(now)
    7z t "$lcl" > /dev/null 2>&1
    t1=$(now)
    "$WINE" "$checker" --version > /dev/null 2>&1 || true
    t2=$(now)
    "$WINE" "$checker" "$lcl" > /dev/null 2>&1 || true
    t3=$(now)
    elapsed "$t0" "$t1" >> "$work/reference.times"
    elapsed "$t1" "$t2" >> "$work/start.times"
    elapsed "$t2" "$t3" >> "$work/check.times"
    i=$((i + 1))
done
awk -v r="$(median < "$work/reference.times")" -v s="$(median < "$work/start.times")" \
    -v k="$(median < "$work/check.times")" -v runs="$runs" -v exe="$(basename "$checker")" 'BEGIN {
    ratio = (k - s) / r
    printf "lcl.chm, Windows build (%s under Wine): 7z t %.3f s, tipstart-check %.3f s less Wine'"'"'s start %.3f s (medians of %d): ratio %.2f, goal <= 3: %s\n",
        exe, r, k, s, runs, ratio, (ratio <= 3) ? "met" : "NOT met" }'
echo "  $summary"
