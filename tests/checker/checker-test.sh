#!/bin/sh
# The checker's tests, one case per run:
#   checker-test.sh example|faults|bad-input|sarif CHECKER
#   checker-test.sh same-report CHECKER WINDOWS_CHECKER [SHIPPED_WINDOWS_CHECKER]
# CHECKER is a Linux build of tipstart-check; WINDOWS_CHECKER its Windows
# build, run under wine64, and SHIPPED_WINDOWS_CHECKER the PE32 of the
# authors' package.
set -eu
case_name=$1
if [ "$case_name" = same-report ]; then
    # Re-runs this script on a virtual display, from where it was started.
    . "$(dirname "$0")/../../scripts/wine-prefix.sh"
fi
checker=$(realpath "$2")
windows_checker=${3:+$(realpath "$3")}
shipped_checker=${4:+$(realpath "$4")}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-check-test.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the checker, keeping its output in $1.out and its status in $status.
check() {
    name=$1
    shift
    status=0
    "$checker" "$@" > "$name.out" 2> "$name.err" || status=$?
}

expect_status() {
    [ "$status" -eq "$1" ] || { cat "$2.out" "$2.err" >&2; fail "$2: exit status $status, expected $1"; }
}

# A copy of the example project with one planted fault per rule.
make_faults_copy() {
    cp -r "$root/examples/help" faults
    cp "$here/faults.htm" faults/pages/faults.htm
    printf 'Übersicht\r\n' > "faults/docs/Überblick.txt"
}

# The files no compiled help file reader should trust.
make_bad_help_files() {
    help=$1
    size=$(stat -c %s "$help")
    : > empty.chm
    printf 'This is a text file, not a compiled help file.\n' > text.chm
    head -c 300 "$help" > truncated-header.chm
    head -c $((size - 2000)) "$help" > truncated.chm
    cp "$help" corrupt-directory.chm
    head -c 400 /dev/zero | tr '\0' '\377' | dd of=corrupt-directory.chm bs=1 seek=256 conv=notrunc 2>/dev/null
}

# The log validates against the SARIF 2.1.0 schema, and the Multitool's own
# rules on top report no error.
validate_sarif() {
    node "$here/sarif/validate.js" "$1" || fail "$1 does not validate against the SARIF 2.1.0 schema"
    rm -f validation.sarif
    "$multitool" validate "$1" --output validation.sarif > validation.txt 2>&1 || true
    grep -q 'Analysis completed successfully' validation.txt || { cat validation.txt >&2; fail "the Multitool did not run"; }
    if grep -E ': error ' validation.txt; then
        fail "the SARIF Multitool reports errors in $1"
    fi
}

case $case_name in
example)
    # The example project has one link of each kind, all correct, in its
    # sources and in the compiled help file alike.
    "$root/scripts/build-example-help.sh" help >/dev/null
    check sources --list "$root/examples/help"
    expect_status 0 sources
    check compiled --list help/Help.chm
    expect_status 0 compiled
    grep -q ' 0 errors, 0 warnings' sources.out || fail "the example project has findings: $(cat sources.out)"
    [ "$(grep -c ': note: .*\[link-action\]$' sources.out)" -eq 5 ] || fail "not 5 links: $(cat sources.out)"
    sed -n "s|^$root/examples/help/||p; s|^.*/examples/help/||p" sources.out | sort > sources.links
    sed -n 's|^help/Help.chm::/||p' compiled.out | sort > compiled.links
    diff sources.links compiled.links || fail "the compiled help file's links differ from its sources'"
    for kind in '^2docs' '^2Reset_' '^3docs' '^4docs' '^5docs'; do
        grep -qF "value=\",Tipstart.exe,$kind" "$root"/examples/help/pages/*.htm || fail "no link $kind"
    done
    # A project stands for the pages chmcmd compiles from it: the example's,
    # and those gathered from a contents file of another extension, an index
    # file and links. The same files are read, with the same findings.
    for project in "$root/examples/help/Help.hhp" \
        "$here/fixtures/project-gathered-pages/Gather.hhp" "$here/fixtures/missing-page-project-and-chm/Help.hhp" \
        "$here/fixtures/script-files/Help.hhp"; do
        name=$(basename "$(dirname "$project")")
        rm -rf "gather-$name" && cp -r "$(dirname "$project")" "gather-$name"
        rm -f "gather-$name"/*.chm "gather-$name"/expected.* "gather-$name"/args
        hhp=$(basename "$project")
        chm=$(sed -n 's/^Compiled file=\(.*\)\r*$/\1/p' "gather-$name/$hhp" | tr -d '\r')
        (cd "gather-$name" && chmcmd "$hhp" > chmcmd.log 2>&1) || { cat "gather-$name/chmcmd.log" >&2; fail "chmcmd $hhp"; }
        (cd "gather-$name" && "$checker" --list "$hhp" > ../project.out 2>&1) || true
        (cd "gather-$name" && "$checker" --list "$chm" > ../compiled.out 2>&1) || true
        sed -n 's|^tipstart-check: .* in \([0-9]*\) files.*|\1|p' project.out > project.count
        sed -n 's|^tipstart-check: .* in \([0-9]*\) files.*|\1|p' compiled.out > compiled.count
        diff project.count compiled.count || fail "$hhp: not the files of $chm: $(cat project.out compiled.out)"
        grep -v '^tipstart-check:' project.out | sort > project.findings
        grep -v '^tipstart-check:' compiled.out | sed "s|^$chm::/||" | sort > compiled.findings
        diff project.findings compiled.findings || fail "$hhp: not the findings of $chm"
    done
    # A help file whose directory takes several chunks: every page is read.
    mkdir -p large/pages
    printf '[OPTIONS]\nCompiled file=Large.chm\nDefault topic=pages\\p000.htm\n\n[FILES]\n' > large/Large.hhp
    for i in $(seq -w 0 299); do
        cp "$root/examples/help/pages/obx5.htm" "large/pages/p$i.htm"
        printf 'pages\\p%s.htm\n' "$i" >> large/Large.hhp
    done
    (cd large && chmcmd Large.hhp > chmcmd.log 2>&1) || { cat large/chmcmd.log >&2; fail "chmcmd"; }
    check large large/Large.chm
    grep -q '^tipstart-check: 300 links in 300 files' large.out || fail "pages of Large.chm missed: $(tail -1 large.out)"
    # Another program started from a compiled help file: a warning and, with
    # --list, a note, at its place.
    mkdir -p other/pages
    printf '[OPTIONS]\nCompiled file=Other.chm\nDefault topic=pages\\run.htm\n\n[FILES]\npages\\run.htm\n' > other/Other.hhp
    printf '<html><body>\n<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11">\n<PARAM name="Command" value="ShortCut">\n<PARAM name="Item1" value=",cmd.exe,/c start calc">\n</OBJECT>\n</body></html>\n' \
        > other/pages/run.htm
    (cd other && chmcmd Other.hhp > chmcmd.log 2>&1) || { cat other/chmcmd.log >&2; fail "chmcmd"; }
    check other --list other/Other.chm
    expect_status 0 other
    grep -qF 'other/Other.chm::/pages/run.htm:4:37: warning: this ShortCut object starts "cmd.exe" with the parameters "/c start calc", not Tipstart [other-program]' other.out ||
        fail "other program: $(cat other.out)"
    grep -qF 'other/Other.chm::/pages/run.htm:4:37: note: starts "cmd.exe" with the parameters "/c start calc" [link-action]' other.out ||
        fail "other program's note: $(cat other.out)"
    ;;
faults)
    # Each planted fault at its exact place, under its rule.
    make_faults_copy
    check faults faults
    expect_status 1 faults
    sed -n 's|^faults/pages/faults.htm:\([0-9]*:[0-9]*\): \([a-z]*\): .* \[\([a-z-]*\)\]$|\1 \2 \3|p' faults.out \
        > seen
    cat > expected <<'END'
7:44 error refused-link
12:44 error unserved-version
17:44 error missing-document
22:44 error program-name
27:44 error reset-spelling
32:44 error path-too-long
37:44 warning doubled-separator
42:44 warning dropped-quotes
47:44 warning non-ascii-name
52:44 warning document-case
57:35 warning character-reference
62:43 warning other-program
END
    diff expected seen || fail "the planted faults were not reported as expected"
    [ "$(grep -c '' faults.out)" -eq 13 ] || fail "findings outside the planted page: $(cat faults.out)"
    # A page with warnings only: they fail the run only when asked to.
    printf '<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" value="ShortCut">\n<PARAM name="Item1" value=",Tipstart.exe,^3DOCS\\ONE.TXT"></OBJECT>\n' \
        > faults/pages/warned.htm
    check lenient faults/pages/warned.htm
    expect_status 0 lenient
    grep -q ' 0 errors, 1 warning ' lenient.out || fail "not one warning: $(cat lenient.out)"
    check strict --warnings-as-errors faults/pages/warned.htm
    expect_status 1 strict
    ;;
options)
    # Options as a user types them.
    check version --version
    expect_status 0 version
    [ "$(cat version.out)" = "tipstart-check 2.0.0" ] || fail "--version: $(cat version.out)"
    check bare-format "$root/examples/help" --format
    expect_status 2 bare-format
    grep -q '^tipstart-check: --format needs a value$' bare-format.err || fail "a bare --format: $(cat bare-format.err)"
    check project --list "$root/examples/help/Help.hhp"
    expect_status 0 project
    grep -q '^tipstart-check: 5 links in 5 files: 0 errors, 0 warnings' project.out || fail "the .hhp: $(cat project.out)"
    check unknown "$root/README.md"
    expect_status 2 unknown
    ;;
linear-time)
    # A hostile page of 2 MB of one construct, each read to its end without
    # hanging the run: a scan quadratic in the page takes many minutes here
    # even without the sanitizers; linear ones take seconds. The guard is
    # loose, so a loaded machine does not fail it: bench/page-scaling.sh
    # gives the figures. Each page ends with a ShortCut, so it is read to its end.
    python3 - <<'END'
def repeat(unit, size=2 * 1024 * 1024):
    return unit * (size // len(unit) + 1)
shortcut = ('<OBJECT id=last classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" '
            'value="ShortCut"><PARAM name="Item1" value=",cmd.exe,/c end"></OBJECT>\n')
obj = ('<OBJECT id=l%d classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" '
       'value="ShortCut"><PARAM name="Item1" value=",Tipstart.exe,^3docs\\one.txt"></OBJECT>\n')
pages = {
    "comments": repeat("<!-- a comment <p> -- - > --!x -->\n"),
    "conditional": repeat("<!--[if IE]><p>shown</p><![endif]--><![if !IE]><p>other</p><![endif]>\n"),
    "unclosed-conditions": repeat("<!--[if IE]><p>") + "-->" + repeat("<![if !IE <p>"),
    "objects": "".join(obj % i for i in range(8000)) + "<script>" + repeat("var a = 'text'; b = a + 1;\n", 1024 * 1024) + "</script>",
}
for name, body in pages.items():
    open(name + ".htm", "w").write(body + shortcut)
END
    for page in comments conditional unclosed-conditions objects; do
        status=0
        timeout 180 "$checker" --no-config "$page.htm" > "$page.out" 2>&1 || status=$?
        [ "$status" -ne 124 ] || fail "$page.htm: not checked within 180 s"
        grep -q '"cmd.exe"' "$page.out" || fail "$page.htm: not read to its end: $(tail -3 "$page.out")"
    done
    ;;
bad-input)
    # Each bad input: exit status 2 and one line naming it; the rest is
    # still checked.
    "$root/scripts/build-example-help.sh" help >/dev/null
    make_bad_help_files help/Help.chm
    for file in empty text truncated-header truncated corrupt-directory; do
        check "$file" "$file.chm"
        expect_status 2 "$file"
        [ "$(grep -c '' "$file.out")" -eq 2 ] || fail "$file.chm: not one line: $(cat "$file.out")"
        grep -q "^$file.chm: error: .* \[unreadable-input\]$" "$file.out" || fail "$file.chm: $(cat "$file.out")"
    done
    mkdir -p tree/docs
    cp "$root/examples/help/pages/obx5.htm" "$root/examples/help/docs/five.obx" tree/
    mv tree/five.obx tree/docs/
    printf '<html>\0<body></body></html>' > tree/nul.htm
    truncate -s 100M tree/huge.htm
    ln -s . tree/loop
    long=$(head -c 70000 /dev/zero | tr '\0' 'x')
    printf '<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" value="ShortCut">\n<PARAM name="Item1" value=",Tipstart.exe,^3%s"></OBJECT>\n' "$long" > tree/long.htm
    printf '<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><PARAM name="Command" value="ShortCut">\n<PARAM name="Item1" value=",Tipstart.exe,^5docs\\five.obx&#99999999999;&#xD800;&nosuch;&#;&">\n' > tree/references.htm
    cp help/Help.chm tree/Help.chm
    cp text.chm tree/
    check tree tree
    expect_status 2 tree
    for file in huge.htm loop text.chm; do
        [ "$(grep -c "^tree/$file: error: .*\[unreadable-input\]$" tree.out)" -eq 1 ] || fail "tree/$file: $(cat tree.out)"
    done
    # The viewer drops a page's NUL bytes and renders the rest: so is it read.
    ! grep -q '^tree/nul.htm' tree.out || fail "nul.htm: $(cat tree.out)"
    grep -q '^tree/long.htm:2:42: error: .*\[path-too-long\]$' tree.out || fail "long.htm: $(cat tree.out)"
    [ "$(grep -c '^tree/references.htm:2:.*\[character-reference\]$' tree.out)" -eq 4 ] ||
        fail "references.htm: $(cat tree.out)"
    # obx5.htm, long.htm, references.htm and the five links of Help.chm.
    grep -q '^tipstart-check: 8 links in ' tree.out || fail "not every other link was checked: $(cat tree.out)"
    check usage --format xml tree
    expect_status 2 usage
    [ "$(grep -c '' usage.err)" -eq 2 ] || fail "a wrong option: $(cat usage.err)"
    ;;
sarif)
    # The SARIF log validates against the SARIF 2.1.0 schema.
    multitool="$here/sarif/node_modules/.bin/sarif-multitool"
    [ -x "$multitool" ] || fail "no SARIF Multitool: run scripts/install-deps.sh"
    "$root/scripts/build-example-help.sh" help >/dev/null
    make_faults_copy
    : > empty.chm
    # The work folder is a repository's root, as a project's is: the
    # fingerprints name files from it.
    echo 'gitdir: elsewhere' > .git
    check log --format sarif --list faults help/Help.chm empty.chm
    expect_status 2 log
    python3 - log.out <<'END'
import json, sys
log = json.load(open(sys.argv[1]))
run = log["runs"][0]
results = run["results"]
levels = {r["level"] for r in results}
assert levels == {"error", "warning", "note"}, levels
rules = [r["id"] for r in run["tool"]["driver"]["rules"]]
assert all(rules[r["ruleIndex"]] == r["ruleId"] for r in results)
refused = [r for r in results if r["ruleId"] == "refused-link"][0]
location = refused["locations"][0]["physicalLocation"]
assert location["artifactLocation"]["uri"] == "faults/pages/faults.htm", location
assert location["region"] == {"startLine": 7, "startColumn": 44, "endLine": 7, "endColumn": 57}, location
END
    validate_sarif log.out
    # Suppressed results, fingerprints and baseline states: a directive, an
    # [[ignore]] entry, and the log above as the baseline of a run whose
    # lines have moved.
    printf '[[ignore]]\nrule = "other-program"\nprogram = "*"\nreason = "meant"\n' > faults/tipstart-check.toml
    { echo '<!-- tipstart-check disable-file=doubled-separator -- kept as written -->'; cat faults/pages/faults.htm
      echo '<object classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11"><param name="Command" value="ShortCut">'
      echo '<param name="Item1" value=",Tipstart.exe,^3docs\new.txt"></object>'; } > moved.htm
    mv moved.htm faults/pages/faults.htm
    check suppressed --format sarif --list --baseline log.out faults
    python3 - suppressed.out <<'END'
import json, sys
results = json.load(open(sys.argv[1]))["runs"][0]["results"]
kinds = {s["kind"] for r in results for s in r.get("suppressions", [])}
assert kinds == {"inSource", "external"}, kinds
assert all(r["partialFingerprints"]["tipstart-check/v1"] for r in results)
states = {r["baselineState"] for r in results}
assert states == {"unchanged", "new"}, states
# The baseline's results of the files this run left out (help/Help.chm,
# empty.chm) are not gone: none is "absent".
END
    validate_sarif suppressed.out
    ;;
same-report)
    # The Windows build prints the same report as the Linux build.
    wine_prefix_start
    # A crash must show as a difference, not wait for a debugger.
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
    "$root/scripts/build-example-help.sh" help >/dev/null
    make_faults_copy
    make_bad_help_files help/Help.chm
    # Both Windows builds: the one given, and the shipped PE32 when given too;
    # compiled files with members listed twice, a contents file named by
    # #SYSTEM in folders two deep, and dead entries.
    for build in "$windows_checker" ${shipped_checker:+"$shipped_checker"}; do
        # The encoding cases too: the charset database, the language ids, UTF-7
        # and UTF-16, each build answering from its own system.
        encodings=$(for case_name in charset-database language-ids utf7 undeclared-utf8 meta-utf16-labels \
            single-byte-page-past-64-kib; do
            printf '%s ' "$here/fixtures/encoding-$case_name"; done)
        for args in "--list $root/examples/help" "--list help/Help.chm" "--list faults" "empty.chm" "text.chm" \
            "truncated-header.chm" "truncated.chm" "corrupt-directory.chm" \
            "--list $here/fixtures/chm-duplicate-members/Dup.chm" \
            "--list $here/fixtures/chm-contents-named-by-system/Gather.chm" \
            "$here/fixtures/missing-page-project-and-chm/Help.chm" \
            "$here/fixtures/chm-large-page-read-beside/Help.chm $here/fixtures/chm-large-page-read-beside/OnlyBig.chm" \
            "$here/fixtures/names-one-rule/pages/names.htm $here/fixtures/names-one-rule/pages/again.htm $here/fixtures/names-one-rule/project/Help.hhp" \
            "$here/fixtures/scripts-loaded-by-src/Help.chm" "$here/fixtures/scripts-loaded-by-src/site/Help.hhp" \
            "$here/fixtures/tokenizer-as-the-viewer" "$here/fixtures/control-every-form/control.htm" \
            "$here/fixtures/document-mode-from-real-meta" "$here/fixtures/inputs-by-content/samples" \
            "$here/fixtures/rule-document-case/case.htm" $encodings; do
            linux_status=0
            # shellcheck disable=SC2086
            "$checker" $args > linux.out 2>&1 || linux_status=$?
            windows_status=0
            # shellcheck disable=SC2086
            "$WINE" "$build" $args > windows.out 2>&1 || windows_status=$?
            # Each library's own detail of a failure is its own; the rest is shared.
            detail='s/ (\(libmspack\|ITSS\), .*) \[/ [/'
            tr -d '\r' < windows.out | sed 's/ ([0-9.]* s)$//; '"$detail" > windows.txt
            sed 's/ ([0-9.]* s)$//; '"$detail" linux.out > linux.txt
            diff linux.txt windows.txt || fail "$build $args: the Windows build reports otherwise"
            [ "$linux_status" -eq "$windows_status" ] || fail "$build $args: status $linux_status vs $windows_status"
        done
    done
    # The fixtures of the scripts pages run: the engine and its budget give
    # both builds one report.
    for build in "$windows_checker" ${shipped_checker:+"$shipped_checker"}; do
        for case_dir in "$here"/fixtures/script-*/ "$here"/fixtures/rule-scripted-shortcut/; do
            set --
            while IFS= read -r line || [ -n "$line" ]; do
                set -- "$@" "$line"
            done < "$case_dir/args"
            linux_status=0
            (cd "$case_dir" && "$checker" "$@") > linux.out 2>&1 || linux_status=$?
            windows_status=0
            (cd "$case_dir" && "$WINE" "$build" "$@") > windows.out 2>&1 || windows_status=$?
            tr -d '\r' < windows.out | sed 's/ ([0-9.]* s)$//' > windows.txt
            sed 's/ ([0-9.]* s)$//' linux.out > linux.txt
            diff linux.txt windows.txt || fail "$build $case_dir: the Windows build reports otherwise"
            [ "$linux_status" -eq "$windows_status" ] || fail "$build $case_dir: status $linux_status vs $windows_status"
        done
    done
    # On this machine: OBX 4.0 registered (an executable that is not there), no
    # other tool; the registry is only read, even for the Reset link.
    "$WINE" reg add 'HKCU\Software\Quistral\OBX\4.0' /v Path /t REG_SZ /d 'C:\NoObx' /f > /dev/null 2>&1
    "$WINE" "$windows_checker" --this-machine "$root/examples/help" > machine.out 2>&1 || true
    tr -d '\r' < machine.out > machine.txt
    grep -qF 'obx3and4.htm:17:44: warning: here: would start "C:\NoObx\obx.exe" (OBX 4.0), which does not exist' \
        machine.txt || fail "--this-machine, OBX 4.0: $(cat machine.txt)"
    grep -qF 'obx3and4.htm:10:44: warning: here: does nothing, no OBX 3.5 or OBX 3.0 is registered' machine.txt ||
        fail "--this-machine, OBX 3: $(cat machine.txt)"
    if "$WINE" reg query 'HKCU\Software\Quistral\OBX\2.0' > /dev/null 2>&1; then
        fail "--this-machine wrote the Oberix 2 record"
    fi
    check linux-machine --this-machine "$root/examples/help"
    expect_status 2 linux-machine
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
