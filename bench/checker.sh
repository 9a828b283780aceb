#!/bin/sh
# tipstart-check's speed and memory on a generated help project: 10,000 pages
# holding 50,000 links, against the time cat takes to read the same files
# (warm cache, alternating runs, medians); then the same for a .chm compiled
# from those pages. Peak memory is shown for projects of 1,000 and 10,000
# pages and for one large page, to show it follows the page, not the project.
#   bench/checker.sh [RUNS]   (default 7; needs the linux build)
set -eu
runs=${1:-7}
cd "$(dirname "$0")/.."
checker=$(pwd)/build/linux/checker/tipstart-check
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

python3 - "$work" <<'END'
import os, sys
work = sys.argv[1]
OBJECT = ('<OBJECT id=l%d type="application/x-oleobject" classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11">\n'
          '  <PARAM name="Command" value="ShortCut">\n  <PARAM name="Button" value="Text:Open sample %d">\n'
          '  <PARAM name="Item1" value=",Tipstart.exe,^%s">\n</OBJECT>\n')
TEXT = ('<p>This page explains one more feature of the extension, with an example that the button below opens '
        'in the OBX version it was written for. Read it before you change the settings.</p>\n')
def project(folder, pages, big=0):
    os.makedirs(os.path.join(folder, "pages"), exist_ok=True)
    os.makedirs(os.path.join(folder, "docs"), exist_ok=True)
    for d in range(100):
        open(os.path.join(folder, "docs", "sample%02d.txt" % d), "w").write("sample\r\n")
    names = []
    for p in range(pages):
        body = ["<html><head><title>Page %d</title></head><body>\n<h1>Page %d</h1>\n" % (p, p)]
        for k in range(5):
            version = "2345"[k % 4] if k < 4 else "2Reset_"
            argument = "2Reset_" if k == 4 else "%sdocs\\sample%02d.txt" % (version, (p + k) % 100)
            body.append(TEXT * 2 + OBJECT % (k, k, argument))
        if big and p == 0:
            body.append(TEXT * big)
        body.append("</body></html>\n")
        name = "pages\\page%05d.htm" % p
        names.append(name)
        open(os.path.join(folder, "pages", "page%05d.htm" % p), "w").write("".join(body))
    open(os.path.join(folder, "Help.hhp"), "w").write(
        "[OPTIONS]\nCompiled file=Help.chm\nDefault topic=%s\nTitle=Benchmark\n\n[FILES]\n%s\n" % (names[0], "\n".join(names)))
project(os.path.join(work, "p10000"), 10000)
project(os.path.join(work, "p1000"), 1000)
project(os.path.join(work, "big"), 1, big=60000)
# 30 MiB in one page: one ShortCut object of another program whose Item1
# holds nearly all of it.
os.makedirs(os.path.join(work, "long"), exist_ok=True)
open(os.path.join(work, "long", "long.htm"), "w").write(
    '<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" value="ShortCut">'
    '<PARAM name="Item1" value=",notepad.exe,' + "x" * (30 * 1024 * 1024 - 200) + '"></OBJECT>\n')
# 30 MiB of windows-1252 text whose every byte takes three bytes in UTF-8.
open(os.path.join(work, "long", "euro.htm"), "wb").write(b"<p>" + b"\x80" * (30 * 1024 * 1024 - 8) + b"</p>\n")
END
(cd "$work/p10000" && chmcmd Help.hhp > /dev/null 2>&1)
mkdir "$work/chm"
mv "$work/p10000/Help.chm" "$work/chm/Help.chm"
cp -r "$work/p10000/docs" "$work/chm/docs"
find "$work/p10000" -name '*.htm' -print0 | sort -z > "$work/pages.list"

now() { date +%s.%N; }
# Median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# time_pair NAME "CAT COMMAND" "CHECK COMMAND": alternating runs after one warm-up each.
time_pair() {
    sh -c "$2" > /dev/null 2>&1; sh -c "$3" > "$work/check.out" 2>&1 || true
    : > "$work/cat.times"; : > "$work/check.times"
    i=0
    while [ "$i" -lt "$runs" ]; do
        t0=$(now); sh -c "$2" > /dev/null 2>&1; t1=$(now)
        sh -c "$3" > /dev/null 2>&1 || true; t2=$(now)
        echo "$t1 - $t0" | bc >> "$work/cat.times"
        echo "$t2 - $t1" | bc >> "$work/check.times"
        i=$((i + 1))
    done
    cat_median=$(median < "$work/cat.times")
    check_median=$(median < "$work/check.times")
    links=$(sed -n 's/^tipstart-check: \([0-9]*\) links.*/\1/p' "$work/check.out")
    awk -v name="$1" -v c="$cat_median" -v k="$check_median" -v links="$links" 'BEGIN {
        printf "%s: %d links; cat %.3f s, tipstart-check %.3f s (medians of '"$runs"'): ratio %.2f, %.0f links/s\n",
            name, links, c, k, k / c, links / k }'
    tail -1 "$work/check.out"
}

peak() {
    /usr/bin/time -f '%M' "$checker" "$@" 2>&1 >/dev/null | tail -1
}

echo "tipstart-check: $checker"
time_pair "10,000 pages" "xargs -0 cat < '$work/pages.list'" "'$checker' '$work/p10000'"
# The .chm holds the same pages compressed: against cat reading those pages
# as files (the same text), and, for scale, cat of the .chm itself.
time_pair "Help.chm of those pages ($(stat -c %s "$work/chm/Help.chm") bytes)" "xargs -0 cat < '$work/pages.list'" \
    "'$checker' '$work/chm/Help.chm'"
time_pair "  (against cat of the .chm file itself)" "cat '$work/chm/Help.chm'" "'$checker' '$work/chm/Help.chm'"
echo "peak memory (KiB): 1,000 pages $(peak "$work/p1000"); 10,000 pages $(peak "$work/p10000");" \
    "one page of $(stat -c %s "$work/big/pages/page00000.htm") bytes $(peak "$work/big");" \
    "the .chm $(peak "$work/chm/Help.chm")"
echo "peak memory (KiB) for a page of $(stat -c %s "$work/long/long.htm") bytes, one Item1 of another program:" \
    "$(peak "$work/long/long.htm")"
echo "peak memory (KiB) for a windows-1252 page of $(stat -c %s "$work/long/euro.htm") bytes, each a \"€\":" \
    "$(peak "$work/long/euro.htm")"
