#!/bin/sh
# The checker's two threads under ThreadSanitizer: tipstart-check built with
# -fsanitize=thread in BUILD_DIR, then run on every fixture with its own
# arguments (compiled help files, folders, pages with scripts), on a folder
# of many pages, and on a walk a configuration stops. Any data race it reports fails the test; what the
# checker reports is the fixtures' tests' concern.
#   race-check.sh SOURCE_DIR BUILD_DIR
set -eu
source_dir=$(realpath "$1")
build_dir=$2
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIPSTART_JEMALLOC=OFF \
    -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread > /dev/null
cmake --build "$build_dir" --target tipstart-check > "$build_dir/race-build.log" 2>&1 ||
    { tail -n 30 "$build_dir/race-build.log" >&2; exit 1; }
checker=$(realpath "$build_dir/checker/tipstart-check")
# glibc loads iconv's converters under a lock of its own that TSan does not see.
TSAN_OPTIONS="exitcode=66 suppressions=$source_dir/tests/checker/tsan.supp"
export TSAN_OPTIONS
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-races.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

races=0
# run NAME DIR ARG...: the checker in DIR; 0 and 1 are findings, 2 a usage
# error some fixtures ask for; 66 is a race.
run() {
    name=$1
    dir=$2
    shift 2
    status=0
    (cd "$dir" && "$checker" "$@") > /dev/null 2> "$work/err" || status=$?
    if [ "$status" -eq 66 ] || grep -q 'WARNING: ThreadSanitizer' "$work/err"; then
        echo "RACE: $name" >&2
        cat "$work/err" >&2
        races=$((races + 1))
    fi
}

for case_dir in "$source_dir"/tests/checker/fixtures/*/; do
    set --
    while IFS= read -r line || [ -n "$line" ]; do
        set -- "$@" "$line"
    done < "$case_dir/args"
    run "$(basename "$case_dir")" "$case_dir" "$@"
done
# A folder of many pages, each with links to the others and a script: the
# walk reads several ahead.
mkdir "$work/many"
i=0
while [ $i -lt 300 ]; do
    printf '<a href="p%d.htm">next</a><img src="gone%d.png"><script>document.write("<b>" + %d + "</b>")</script>\n' \
        $((i + 1)) $i $i > "$work/many/p$i.htm"
    i=$((i + 1))
done
run many "$work" many
# A configuration that stops the run in a folder whose pages were read
# ahead, their links to missing pages looked for on disk, while the walk
# goes on into folders after it.
mkdir -p "$work/stopped/b"
printf '<p>a</p>\n' > "$work/stopped/a.htm"
printf 'disable = [\n' > "$work/stopped/b/tipstart-check.toml"
i=1
while [ $i -le 20 ]; do
    j=1
    while [ $j -le 400 ]; do
        printf '<a href="../c%d/Miss%d_%d.htm">x</a><a href="NoSuch%d_%d/f.htm">y</a>' $j $i $j $i $j
        j=$((j + 1))
    done > "$work/stopped/b/p$i.htm"
    i=$((i + 1))
done
i=0
while [ $i -lt 200 ]; do
    mkdir -p "$work/stopped/c$i/s"
    printf '<p>q</p>\n' > "$work/stopped/c$i/q.htm"
    cp "$work/stopped/c$i/q.htm" "$work/stopped/c$i/s/q.htm"
    i=$((i + 1))
done
run stopped "$work" stopped
[ "$races" -eq 0 ] || { echo "FAIL: $races runs with data races" >&2; exit 1; }
echo "no data race in $(ls -d "$source_dir"/tests/checker/fixtures/*/ | wc -l) fixtures, a folder of 300 pages and a run a configuration stops"
