#!/bin/sh
# Runs two builds of tipstart-check on the same real help files and compares
# what they print and the exit statuses they give: a refactoring must keep its
# findings, its words and its exit statuses.
#
#   scripts/compare-checker.sh BEFORE_CHECKER AFTER_CHECKER [HELP_FILE_OR_FOLDER...]
#
# With no HELP_FILE_OR_FOLDER, three Debian packages with real compiled help
# files (lazarus-doc-2.2, libnini-doc, clamav-testfiles) are downloaded and
# extracted once into ${TMPDIR:-/tmp}/tipstart-real-help/<package>/; a help file
# or project that Debian stores gzipped (.chm.gz, .hhp.gz, ...) is unpacked
# beside it there. The checkers then run in that folder, on paths relative to it.
# Given files and folders are checked as given, from the current folder.
#
# Each compiled help file (.chm) and help project (.hhp) found, and each folder
# as a whole, is checked by both checkers four ways: no option, --list,
# --format sarif and --warnings-as-errors. Standard output, standard error and
# the exit status are compared; only the run time in the summary line
# ("(0.52 s)") is set to "(T s)" first.
#
# Prints one line per help file (links, files, errors and warnings from the
# summary line of BEFORE's plain run, its exit status, "same" or "DIFFERS"),
# then totals. Exit status: 0 all the same, 1 something differs (the first
# lines of the differences follow), 2 a usage error or a failed download.
#
# Environment:
#   COMPARE_KEEP=DIR     keep the outputs in DIR/before, DIR/after and
#                        DIR/differences.txt (DIR is emptied first)
#   COMPARE_TIMEOUT=N    seconds one run may take (default 600), where timeout(1)
#                        exists; a run stopped so has exit status 124
#   COMPARE_DIFF_LINES=N lines of differences shown (default 60)
set -eu

packages="lazarus-doc-2.2 libnini-doc clamav-testfiles"

usage() {
    echo "usage: $0 BEFORE_CHECKER AFTER_CHECKER [HELP_FILE_OR_FOLDER...]" >&2
    exit 2
}

[ $# -ge 2 ] || usage
case $1 in -h|--help) usage ;; esac

absolute() {
    case $1 in
        /*) printf '%s\n' "$1" ;;
        *) printf '%s/%s\n' "$(pwd)" "$1" ;;
    esac
}

before=$(absolute "$1")
after=$(absolute "$2")
shift 2
for checker in "$before" "$after"; do
    if [ ! -f "$checker" ] || [ ! -x "$checker" ]; then
        echo "compare-checker: not an executable file: $checker" >&2
        exit 2
    fi
done

timeout_seconds=${COMPARE_TIMEOUT:-600}
diff_lines=${COMPARE_DIFF_LINES:-60}

# Fills the cache folder with the extracted packages, each one only once: a
# package folder appears only when its extraction is complete.
fill_cache() {
    cache=$1
    mkdir -p "$cache" || exit 2
    for package in $packages; do
        [ -d "$cache/$package" ] && continue
        partial="$cache/$package.partial"
        rm -rf "$partial" "$cache/$package"_*.deb
        if ! (cd "$cache" && apt-get download "$package") > "$cache/download.log" 2>&1; then
            echo "compare-checker: apt-get download $package failed; running apt-get update" >&2
            if ! apt-get update > "$cache/download.log" 2>&1 ||
                ! (cd "$cache" && apt-get download "$package") > "$cache/download.log" 2>&1; then
                cat "$cache/download.log" >&2
                exit 2
            fi
        fi
        rm -f "$cache/download.log"
        mkdir "$partial" || exit 2
        for deb in "$cache/$package"_*.deb; do
            dpkg-deb -x "$deb" "$partial" || exit 2
        done
        # Debian gzips large documentation: unpack the help files among it.
        find "$partial" -type f \( -iname '*.chm.gz' -o -iname '*.hhp.gz' \
            -o -iname '*.hhc.gz' -o -iname '*.hhk.gz' -o -iname '*.htm.gz' \
            -o -iname '*.html.gz' \) > "$cache/packed.txt" || exit 2
        while IFS= read -r packed; do
            unpacked=${packed%.*}
            [ -e "$unpacked" ] || gzip -dc "$packed" > "$unpacked" || exit 2
        done < "$cache/packed.txt"
        rm -f "$cache/packed.txt"
        mv "$partial" "$cache/$package" || exit 2
    done
}

# The list of help files, one path a line: for each root, its .chm files and
# .hhp projects (sorted), then the root itself when it is a folder.
list_help_files() {
    for root in "$@"; do
        if [ -d "$root" ]; then
            find "$root" \( -type f -o -type l \) \( -iname '*.chm' -o -iname '*.hhp' \) -print |
                LC_ALL=C sort
        fi
        printf '%s\n' "$root"
    done
}

if [ $# -eq 0 ]; then
    cache=${TMPDIR:-/tmp}/tipstart-real-help
    fill_cache "$cache"
    cd "$cache"
    # shellcheck disable=SC2086 # one word a package
    set -- $packages
fi
for root in "$@"; do
    if [ ! -e "$root" ]; then
        echo "compare-checker: no such file or folder: $root" >&2
        exit 2
    fi
done
workdir=$(pwd)

if [ -n "${COMPARE_KEEP:-}" ]; then
    out=$(absolute "$COMPARE_KEEP")
    rm -rf "$out"
    mkdir -p "$out"
else
    out=$(mktemp -d "${TMPDIR:-/tmp}/compare-checker.XXXXXX")
    trap 'rm -rf "$out"' EXIT
    trap 'exit 2' INT TERM HUP
fi
mkdir -p "$out/before" "$out/after"
list_help_files "$@" > "$out/help-files.txt"

if command -v timeout > /dev/null 2>&1; then
    limit="timeout $timeout_seconds"
else
    limit=
fi

# Only the run time of the summary line varies from run to run.
normalise() {
    sed 's/^\(tipstart-check: [0-9]* links* in [0-9]* files*: .*\) ([0-9.]* s)$/\1 (T s)/' "$1" > "$1.tmp"
    mv "$1.tmp" "$1"
}

# run CHECKER FOLDER NAME PATH [OPTION...]: FOLDER/NAME.out, .err and .rc
run() {
    checker=$1 folder=$2 name=$3 path=$4
    shift 4
    status=0
    $limit "$checker" "$@" "$path" > "$folder/$name.out" 2> "$folder/$name.err" < /dev/null || status=$?
    echo "$status" > "$folder/$name.rc"
    normalise "$folder/$name.out"
    normalise "$folder/$name.err"
}

figures() {
    sed -n 's/^tipstart-check: \([0-9]*\) links* in \([0-9]*\) files*: \([0-9]*\) errors*, \([0-9]*\) warnings* (.*$/\1 \2 \3 \4/p' \
        "$1.out" "$1.err" | tail -n 1
}

: > "$out/differences.txt"
count=0 differing=0
total_links=0 total_files=0 total_errors=0 total_warnings=0
echo "working folder: $workdir"
echo "before: $before"
echo "after:  $after"
printf '%-6s %-6s %-6s %-8s %-4s %-7s %s\n' links files errors warnings exit result "help file"
while IFS= read -r path; do
    count=$((count + 1))
    id=$(printf '%03d-%s' "$count" "$path" | sed 's|[^A-Za-z0-9._-]|_|g')
    for side in before after; do
        if [ $side = before ]; then checker=$before; else checker=$after; fi
        folder="$out/$side/$id"
        mkdir -p "$folder"
        printf '%s\n' "$path" > "$folder/path"
        run "$checker" "$folder" plain "$path"
        run "$checker" "$folder" list "$path" --list
        run "$checker" "$folder" sarif "$path" --format sarif
        run "$checker" "$folder" warnings-as-errors "$path" --warnings-as-errors
    done
    # shellcheck disable=SC2046 # four numbers, or "?" for those missing
    set -- $(figures "$out/before/$id/plain") '?' '?' '?' '?'
    links=$1 files=$2 errors=$3 warnings=$4
    case $links$files$errors$warnings in
        *[!0-9]*) ;;
        *)
            total_links=$((total_links + links))
            total_files=$((total_files + files))
            total_errors=$((total_errors + errors))
            total_warnings=$((total_warnings + warnings))
            ;;
    esac
    if (cd "$out" && diff -r -u "before/$id" "after/$id") > "$out/$id.diff"; then
        result=same
    else
        result=DIFFERS
        differing=$((differing + 1))
        # Without the files' times, so that the same differences read the same.
        sed -e 's/^\(--- [^	]*\)	.*$/\1/' -e 's/^\(+++ [^	]*\)	.*$/\1/' \
            "$out/$id.diff" >> "$out/differences.txt"
    fi
    rm -f "$out/$id.diff"
    printf '%-6s %-6s %-6s %-8s %-4s %-7s %s\n' "$links" "$files" "$errors" "$warnings" \
        "$(cat "$out/before/$id/plain.rc")" "$result" "$path"
done < "$out/help-files.txt"

printf '%-6s %-6s %-6s %-8s %-4s %-7s %s\n' "$total_links" "$total_files" "$total_errors" "$total_warnings" \
    "" "" "total (a folder's row counts again the help files in it)"
echo "$count help files, 4 runs each by each checker: $((count - differing)) same, $differing differ"
if [ -n "${COMPARE_KEEP:-}" ]; then
    echo "outputs kept in $out"
fi
if [ "$differing" -gt 0 ]; then
    echo "first lines of the differences (before: ---, after: +++):"
    head -n "$diff_lines" "$out/differences.txt"
    exit 1
fi
exit 0
