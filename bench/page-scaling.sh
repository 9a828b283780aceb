#!/bin/sh
# tipstart-check's time and peak memory on one page of 1, 4 and 16 MB made of
# one construct each, to show both grow with the page and no faster: four
# times the size should take about four times the time, at most.
#   bench/page-scaling.sh [CHECKER] [TIMEOUT]
# (default: the linux build; a run past TIMEOUT seconds, default 120, is
# stopped and shown as such). Constructs:
#   comments       <!-- ... --> one after another
#   conditional    <!--[if IE]> ... <![endif]--> and <![if !IE]> ... <![endif]>
#   objects        ShortCut objects with ids, and one large script
#   unterminated   constructs that never end: a comment, a conditional
#                  comment, a script, a quoted value, a tag
#   endtags        end tags no element stands open for, under a deep stack
#                  of open elements, on a page with a script
#   handlers       missing images with onerror handlers, run at the load
#   named          nested elements with ids, on a page with a script
#   missing        links to distinct missing pages, from a page in a folder
#                  of as many other files as the page has kilobytes
set -eu
cd "$(dirname "$0")/.."
checker=${1:-$(pwd)/build/linux/checker/tipstart-check}
limit=${2:-120}
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

python3 - "$work" <<'END'
import os, sys
work = sys.argv[1]
OBJECT = ('<OBJECT id=l%d classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" '
          'value="ShortCut"><PARAM name="Item1" value=",Tipstart.exe,^3docs\\one.txt"></OBJECT>\n')
def repeat(unit, size):
    return unit * (size // len(unit) + 1)
def page(name, mb, body):
    with open(os.path.join(work, "%s-%d.htm" % (name, mb)), "w") as out:
        out.write("<html><head><title>%s</title></head><body>\n" % name)
        out.write(body)
        out.write("\n</body></html>\n")
for mb in (1, 4, 16):
    size = mb * 1024 * 1024
    page("comments", mb, repeat("<!-- a comment <p> -- - > --!x -->\n", size))
    page("conditional", mb, repeat("<!--[if IE]><p>shown</p><![endif]--><![if !IE]><p>other</p><![endif]>\n", size))
    objects = []
    for i in range(size // 2 // len(OBJECT)):
        objects.append(OBJECT % i)
    script = "<script>\n" + repeat("var a = 'text'; b = \"more\"; c = a + b; // a line\n", size // 2) + "l1.Click();\n</script>\n"
    page("objects", mb, "".join(objects) + script)
    part = size // 5
    page("unterminated", mb, repeat("<p>x</p>", part) + "<!--[if IE]>" + repeat("<p>y</p>", part) + "<!-- " +
         repeat("<![if !IE]>", part // 11) + repeat("<a href=\"", part // 9) + "<script>" + repeat("var x = '<!--';", part // 15) +
         "<object classid=\"")
    page("endtags", mb, "<script>var a = 1;</script>" + repeat("<div>", size // 2) + repeat("</b>", size // 2))
    page("handlers", mb, "<script>var a = 1;</script>" + repeat("<img src=\"missing.gif\" onerror=\"a = 1\">\n", size))
    page("named", mb, "<script>var a = 1;</script>" + repeat("<div id=d>", size))
    folder = os.path.join(work, "missing-%d" % mb)
    os.mkdir(folder)
    for i in range(size // 1024):
        open(os.path.join(folder, "file%05d.gif" % i), "w").close()
    links = "".join('<a href="m%07d.htm">x</a>\n' % i for i in range(size // 26))
    with open(os.path.join(folder, "page.htm"), "w") as out:
        out.write("<html><body>\n" + links + "</body></html>\n")
END

run() {
    # seconds and peak kilobytes, or "stopped" past the limit
    /usr/bin/time -f "%e %M" -o "$work/time" timeout "$limit" "$checker" --no-config "$1" > /dev/null 2>&1 || true
    if [ -s "$work/time" ] && ! grep -q "Command terminated\|Command exited with non-zero status 124" "$work/time"; then
        tail -1 "$work/time"
    else
        echo "stopped -"
    fi
}

printf '%-13s %8s %8s %8s   %s\n' construct "1 MB" "4 MB" "16 MB" "peak KB (16 MB)"
for construct in comments conditional objects unterminated endtags handlers named missing; do
    line=$(printf '%-13s' "$construct")
    peak=-
    for mb in 1 4 16; do
        page=$work/$construct-$mb.htm
        [ -d "$work/$construct-$mb" ] && page=$work/$construct-$mb/page.htm
        result=$(run "$page")
        line="$line $(printf '%8s' "${result% *}")"
        peak=${result#* }
    done
    echo "$line   $peak"
done
