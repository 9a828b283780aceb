#!/bin/sh
# Runs one libFuzzer harness for a bounded time, starting from the seed corpus
# in the repo (copied, so the repo is not changed); any finding fails.
#   run-fuzzer.sh FUZZER SEED_FOLDER SECONDS [libFuzzer options...]
# TIPSTART_FUZZ_SECONDS, when set, overrides SECONDS.
set -eu
fuzzer=$1 seeds=$2 seconds=${TIPSTART_FUZZ_SECONDS:-$3}
shift 3
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/corpus"
cp "$seeds"/* "$work/corpus/"
cd "$work"
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=70000 -timeout=20 -rss_limit_mb=4096 \
    -print_final_stats=1 "$@" corpus > log 2>&1 || status=$?
grep -E 'stat::number_of_executed_units|^Done|property broken|ERROR|SUMMARY' log || true
# libFuzzer leaves a crash-*, leak-*, timeout-* or oom-* file for every finding.
if [ "$status" -ne 0 ] || ls crash-* leak-* timeout-* oom-* >/dev/null 2>&1; then
    tail -60 log >&2
    echo "finding(s), exit status $status:" >&2
    ls crash-* leak-* timeout-* oom-* >&2 2>/dev/null || true
    exit 1
fi
