#!/bin/sh
# Fixture tests of tipstart-check: its whole output, byte for byte, on the
# cases in tests/checker/fixtures/, one folder each.
#   fixtures.sh CHECKER [CASE...]            compares; exit status 1 if any differs
#   fixtures.sh --update CHECKER [CASE...]   rewrites the expected files
# Without CASE, every case. A case folder holds its input files and:
#   args             the checker's arguments, one per line (an empty line is an
#                    empty argument); @CASE@ stands for the absolute path of
#                    the case's copy
#   cwd              (optional) one line: the folder, relative to the case, that
#                    the checker runs in and the args are relative to; else the
#                    case's own folder
#   expected.txt     stdout, then stderr, of a run with args, then "exit N"
#   expected.sarif   the same with "--format sarif" added after args
# Each case runs in a copy of its folder, without these four files, with a
# .git file (a worktree's) at its top: the checker's upward searches stop
# there, as at a repository's root, and fingerprints name files from it. A
# case that holds its own .hg or .svn folder has a root below. Only what
# varies between runs is replaced: the summary's time by "(T s)", the absolute
# path of the copy (also as a file URI's path) by @CASE@.
set -eu
export LC_ALL=C

usage() {
    echo "usage: fixtures.sh [--update] CHECKER [CASE...]" >&2
    exit 2
}

update=0
if [ "${1:-}" = --update ]; then
    update=1
    shift
fi
[ $# -ge 1 ] || usage
if [ ! -f "$1" ] || [ ! -x "$1" ]; then
    echo "fixtures.sh: $1: no such program" >&2
    exit 2
fi
checker=$(cd "$(dirname "$1")" && pwd -P)/$(basename "$1")
shift
fixtures=$(cd "$(dirname "$0")" && pwd -P)/fixtures
if [ $# -eq 0 ]; then
    for dir in "$fixtures"/*/; do
        name=${dir%/}
        set -- "$@" "${name##*/}"
    done
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-fixtures.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A path as the checker writes it in a file URI: unreserved characters and
# "/" as they are, every other byte percent-encoded.
uri_of() {
    printf '%s' "$1" | od -An -v -tx1 | tr ' ' '\n' | while read -r byte; do
        case $byte in
        '') ;;
        2d | 2e | 2f | 3[0-9] | 4[1-9a-f] | 5[0-9a] | 5f | 6[1-9a-f] | 7[0-9a] | 7e)
            # shellcheck disable=SC2059
            printf "\\$(printf '%03o' "0x$byte")" ;;
        *) printf '%%%s' "$(printf '%s' "$byte" | tr a-f A-F)" ;;
        esac
    done
}

# Replaces what varies between runs (see above).
normalise() {
    FIXTURE_PATH=$1 FIXTURE_URI=$2 awk '
        function replace(text, from, to,    out, at) {
            out = ""
            while ((at = index(text, from)) > 0) {
                out = out substr(text, 1, at - 1) to
                text = substr(text, at + length(from))
            }
            return out text
        }
        {
            line = replace($0, ENVIRON["FIXTURE_PATH"], "@CASE@")
            if (ENVIRON["FIXTURE_URI"] != ENVIRON["FIXTURE_PATH"]) {
                line = replace(line, ENVIRON["FIXTURE_URI"], "@CASE@")
            }
            print line
        }' | sed 's/^\(tipstart-check: .*\) ([0-9][0-9]*\.[0-9][0-9] s)$/\1 (T s)/'
}

# Runs the checker in the copy $1 (in its folder $2) with the arguments that
# follow; writes stdout, stderr and "exit N" to $out.
run_checker() {
    run_copy=$1
    run_folder=$2
    shift 2
    status=0
    (cd "$run_copy/$run_folder" && exec "$checker" "$@") < /dev/null > "$work/stdout" 2> "$work/stderr" || status=$?
    { cat "$work/stdout" "$work/stderr"; echo "exit $status"; } | normalise "$run_copy" "$(uri_of "$run_copy")" > "$out"
}

# Runs one case, text and SARIF; compares, or with --update writes.
run_case() {
    name=$1
    source=$fixtures/$name
    if [ ! -f "$source/args" ]; then
        echo "FAIL: $name: no case $source (no args file)"
        return 1
    fi
    rm -rf "$work/case"
    mkdir "$work/case"
    cp -RP "$source" "$work/case/$name"
    copy=$(cd "$work/case/$name" && pwd -P)
    rm -f "$copy/args" "$copy/cwd" "$copy/expected.txt" "$copy/expected.sarif"
    echo "gitdir: elsewhere" > "$copy/.git"
    folder=.
    if [ -f "$source/cwd" ]; then
        folder=$(cat "$source/cwd")
    fi
    set --
    while IFS= read -r line || [ -n "$line" ]; do
        while :; do
            case $line in
            *@CASE@*) line=${line%%@CASE@*}$copy${line#*@CASE@} ;;
            *) break ;;
            esac
        done
        set -- "$@" "$line"
    done < "$source/args"
    result=0
    for kind in txt sarif; do
        out=$work/actual.$kind
        if [ "$kind" = txt ]; then
            run_checker "$copy" "$folder" "$@"
        else
            run_checker "$copy" "$folder" "$@" --format sarif
        fi
        expected=$source/expected.$kind
        if [ "$update" -eq 1 ]; then
            cmp -s "$out" "$expected" 2> /dev/null || { cp "$out" "$expected"; echo "updated: $name/expected.$kind"; }
        elif [ ! -f "$expected" ]; then
            echo "FAIL: $name: no expected.$kind (fixtures.sh --update CHECKER $name writes it)"
            result=1
        elif ! cmp -s "$expected" "$out"; then
            echo "FAIL: $name: the output differs from expected.$kind:"
            diff -u "$expected" "$out" | sed "s|^+++ $out|+++ actual.$kind|" || true
            result=1
        fi
    done
    rm -rf "$work/case"
    return "$result"
}

failed=0
count=0
for name in "$@"; do
    count=$((count + 1))
    if run_case "$name"; then
        [ "$update" -eq 1 ] || echo "PASS: $name"
    else
        failed=$((failed + 1))
    fi
done
if [ "$update" -eq 1 ]; then
    echo "fixtures.sh: $count case(s) run, expected files written where they differed"
    exit "$failed"
fi
echo "fixtures.sh: $((count - failed)) of $count case(s) pass"
[ "$failed" -eq 0 ]
