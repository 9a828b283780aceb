#!/bin/sh
# The pre-commit hook, run offline by Debian's pre-commit from this
# repository: the example project passes, a page whose link names a
# missing document fails it.
#   pre-commit-test.sh CHECKER
set -eu
checker=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-hook-test.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The hook runs the installed program: here, the one built.
mkdir "$work/bin"
ln -s "$checker" "$work/bin/tipstart-check"
export PATH="$work/bin:$PATH" PRE_COMMIT_HOME="$work/cache" HOME="$work"
git config --global user.email hook@example.org
git config --global user.name "Hook test"
git config --global init.defaultBranch main
git config --global --add safe.directory '*'

# A help author's repository: the example project in help/.
mkdir "$work/repo"
cp -r "$root/examples/help" "$work/repo/help"
cd "$work/repo"
git init -q .
git add -A
hook() {
    status=0
    pre-commit try-repo "$root" tipstart-check --verbose "$@" > "$work/hook.out" 2>&1 || status=$?
}
hook --all-files
[ "$status" -eq 0 ] || { cat "$work/hook.out" >&2; fail "the example project fails the hook"; }
grep -q 'tipstart-check: 5 links in 5 files: 0 errors' "$work/hook.out" || { cat "$work/hook.out" >&2; fail "not every page checked"; }

sed 's/docs\\one.txt/docs\\nosuch.txt/' help/pages/obx3and4.htm > help/pages/planted.htm
git add help/pages/planted.htm
hook --files help/pages/planted.htm
[ "$status" -ne 0 ] || { cat "$work/hook.out" >&2; fail "a missing document passes the hook"; }
grep -q '^\./help/pages/planted.htm:[0-9]*:[0-9]*: error: "docs\\nosuch.txt" is not in the package' "$work/hook.out" ||
    { cat "$work/hook.out" >&2; fail "the hook does not name the missing document"; }

# The configuration at the repository root governs the page in help/pages.
printf '[[ignore]]\nrule = "missing-document"\ndocument = "docs\\\\nosuch.txt"\nreason = "installed later"\n' > tipstart-check.toml
git add tipstart-check.toml
hook --files help/pages/planted.htm
[ "$status" -eq 0 ] || { cat "$work/hook.out" >&2; fail "the root configuration does not reach the page"; }
grep -q ', 1 suppressed' "$work/hook.out" || { cat "$work/hook.out" >&2; fail "the suppressed finding is not counted"; }

# A document deleted: no page changes, yet the links to it break.
rm tipstart-check.toml help/pages/planted.htm
git rm -q --cached tipstart-check.toml help/pages/planted.htm
git commit -q -m "The example project" --no-verify
git rm -q help/docs/two.txt
hook
[ "$status" -ne 0 ] || { cat "$work/hook.out" >&2; fail "a deleted document passes the hook"; }
grep -q '^\./help/pages/obx3and4.htm:[0-9]*:[0-9]*: error: "docs\\two.txt" is not in the package' "$work/hook.out" ||
    { cat "$work/hook.out" >&2; fail "the hook does not run when a document is deleted"; }
git reset -q --hard

# A script that pages load changes: the hook runs.
printf '%s\n' 'document.write("<p>Help</p>");' > help/pages/notes.js
git add help/pages/notes.js
hook
[ "$status" -eq 0 ] || { cat "$work/hook.out" >&2; fail "a clean script fails the hook"; }
grep -q 'tipstart-check: 5 links in 6 files: 0 errors' "$work/hook.out" || { cat "$work/hook.out" >&2; fail "the hook does not run for a script"; }
cat "$work/hook.out"
echo "PASS: the hook passes the example project, fails a missing or deleted document, runs for a script and reads the root configuration"
