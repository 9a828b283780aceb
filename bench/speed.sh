#!/bin/sh
# tipstart-check's speed on two real help files, each beside a reference that
# reads the same bytes, with the goals they are held to:
#   - lcl.chm (Debian's lazarus-doc-2.2, 20,202 pages compressed) against
#     `7z t`, which decompresses and verifies every member: at most 3 times;
#   - the fp-docs-3.2.2 folder (Debian's fp-docs-3.2.2, 16,021 pages) against
#     cat reading its files: at most 1.5 times;
#   - peak memory of the checker on lcl.chm: at most 50 MiB.
# Times are medians of RUNS alternating runs, after one warm-up run of each
# command (warm cache). The packages are downloaded and extracted once into
# ${TMPDIR:-/tmp}/tipstart-real-help/<package>/, the cache
# scripts/compare-checker.sh uses.
#   bench/speed.sh [RUNS] [CHECKER]   (default 5 runs of the linux build; needs 7z)
# Exit status: 0 measured (whether or not a goal is met), 2 something is
# missing or the checker failed to read a help file.
set -eu
runs=${1:-5}
case $runs in
    '' | *[!0-9]* | 0)
        echo "usage: $0 [RUNS] [CHECKER]" >&2
        exit 2
        ;;
esac
cd "$(dirname "$0")/.."
checker=${2:-$(pwd)/build/linux/checker/tipstart-check}
if [ ! -x "$checker" ]; then
    echo "speed: no checker at $checker: build the linux preset first" >&2
    exit 2
fi
for tool in 7z apt-get dpkg-deb /usr/bin/time; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "speed: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 2
    fi
done

cache=${TMPDIR:-/tmp}/tipstart-real-help
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 2' INT TERM HUP

# fetch PACKAGE: extracts the package into the cache once; its folder appears
# only when the extraction is complete.
fetch() {
    [ -d "$cache/$1" ] && return 0
    mkdir -p "$cache"
    partial="$cache/$1.partial"
    rm -rf "$partial" "$cache/$1"_*.deb
    if ! (cd "$cache" && apt-get download "$1") > "$work/download.log" 2>&1; then
        if ! apt-get update > "$work/download.log" 2>&1 ||
            ! (cd "$cache" && apt-get download "$1") > "$work/download.log" 2>&1; then
            cat "$work/download.log" >&2
            echo "speed: apt-get download $1 failed" >&2
            exit 2
        fi
    fi
    mkdir "$partial"
    for deb in "$cache/$1"_*.deb; do
        dpkg-deb -x "$deb" "$partial"
    done
    mv "$partial" "$cache/$1"
}

fetch lazarus-doc-2.2
fetch fp-docs-3.2.2
lcl=$(find "$cache/lazarus-doc-2.2" -type f -name lcl.chm | head -n 1)
fpdocs=$(find "$cache/fp-docs-3.2.2" -type d -path '*/fp-docs/3.2.2' | head -n 1)
if [ -z "$lcl" ] || [ -z "$fpdocs" ]; then
    echo "speed: lcl.chm or the fp-docs/3.2.2 folder is not in $cache" >&2
    exit 2
fi

now() { date +%s.%N; }
# Median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f\n", b - a }'; }

# check_once PATH: a warm-up run of the checker, which must read PATH to its
# end (exit status 0 or 1); its summary line is kept.
check_once() {
    status=0
    "$checker" "$1" > "$work/check.out" 2> "$work/check.err" || status=$?
    if [ "$status" -gt 1 ]; then
        cat "$work/check.err" >&2
        echo "speed: tipstart-check $1 ended with status $status" >&2
        exit 2
    fi
    summary=$(grep '^tipstart-check: ' "$work/check.out" | tail -n 1)
}

# time_pair NAME GOAL REFERENCE_NAME REFERENCE_COMMAND PATH: the reference and
# the checker on PATH, alternating; prints both medians, the ratio and the goal.
time_pair() {
    if ! sh -c "$4" > /dev/null 2> "$work/reference.err"; then
        cat "$work/reference.err" >&2
        echo "speed: the reference failed: $4" >&2
        exit 2
    fi
    check_once "$5"
    : > "$work/reference.times"
    : > "$work/check.times"
    i=0
    while [ "$i" -lt "$runs" ]; do
        t0=$(now)
        sh -c "$4" > /dev/null 2>&1
        t1=$(now)
        "$checker" "$5" > /dev/null 2>&1 || true
        t2=$(now)
        elapsed "$t0" "$t1" >> "$work/reference.times"
        elapsed "$t1" "$t2" >> "$work/check.times"
        i=$((i + 1))
    done
    awk -v name="$1" -v goal="$2" -v ref="$3" -v runs="$runs" \
        -v r="$(median < "$work/reference.times")" -v k="$(median < "$work/check.times")" 'BEGIN {
        ratio = k / r
        printf "%s: %s %.3f s, tipstart-check %.3f s (medians of %d): ratio %.2f, goal <= %s: %s\n",
            name, ref, r, k, runs, ratio, goal, (ratio <= goal) ? "met" : "NOT met" }'
    echo "  $summary"
}

echo "tipstart-check: $checker"
time_pair "lcl.chm ($(stat -c %s "$lcl") bytes)" 3 "7z t" "7z t '$lcl'" "$lcl"
time_pair "fp-docs-3.2.2 ($(find "$fpdocs" -name '*.html' | wc -l) pages)" 1.5 "cat" \
    "find '$fpdocs' -type f -exec cat {} +" "$fpdocs"
peak=$(/usr/bin/time -f %M "$checker" "$lcl" 2>&1 > /dev/null | tail -n 1)
awk -v peak="$peak" 'BEGIN {
    printf "peak memory on lcl.chm: %d KiB (%.1f MiB), goal <= 51200 KiB (50 MiB): %s\n",
        peak, peak / 1024, (peak <= 51200) ? "met" : "NOT met" }'
