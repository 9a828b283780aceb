#!/bin/sh
# Signs a copy of the shipped exe with a throwaway CA's code-signing
# certificate, checks the signature and that the signed exe still serves a
# version-3 launch under Wine; then checks that a changed byte breaks the
# signature and that a wrong password, an expired certificate and one that is
# not for code signing are each refused with their message and no output.
#   signing-test.sh SHIPPED_EXE
set -eu
shipped=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
mkdir dist
cp "$shipped" dist/Tipstart.exe
export TIPSTART_DIST="$work/dist"

failures=0
check() {
    if [ "$1" = ok ]; then echo "ok:   $2"; else echo "FAIL: $2" >&2; failures=$((failures + 1)); fi
}

# The CA, and certificates it issues: NAME DAYS EXTENDED_KEY_USAGE.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 \
    -subj "/CN=Tipstart Test CA" -addext basicConstraints=critical,CA:TRUE 2>/dev/null
issue() {
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Tipstart Test $1" 2>/dev/null
    printf 'keyUsage=digitalSignature\nextendedKeyUsage=%s\n' "$3" > "$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -CAcreateserial -days "$2" -extfile "$1.ext" \
        -out "$1.crt" 2>/dev/null
    openssl pkcs12 -export -inkey "$1.key" -in "$1.crt" -certfile ca.crt -passout pass:right -out "$1.pfx"
}
issue vendor 2 codeSigning
issue expired -1 codeSigning
issue server 2 serverAuth

# Refusals: a message naming the problem, exit status 1, nothing signed.
refused() {
    status=0
    TIPSTART_SIGN_PASSWORD=$2 "$root/scripts/sign.sh" "$1" 2> message >/dev/null || status=$?
    if [ "$status" -eq 1 ] && grep -q "$3" message && [ -z "$(ls -A dist/signed 2>/dev/null)" ] &&
        [ "$(wc -l < message)" -eq 1 ]; then
        check ok "$1 with password '$2': $(cat message)"
    else
        check fail "$1 with password '$2': status $status, '$(cat message)', dist/signed: $(ls dist/signed 2>&1)"
    fi
}
refused vendor.pfx wrong "wrong password"
refused expired.pfx right "expired"
refused server.pfx right "not for code signing"
refused missing.pfx right "not found"

# The real thing.
if TIPSTART_SIGN_PASSWORD=right "$root/scripts/sign.sh" vendor.pfx > sign.log 2>&1 &&
    osslsigncode verify -CAfile ca.crt -in dist/signed/Tipstart.exe > verify.log 2>&1; then
    check ok "signed and verified against the CA"
else
    check fail "signing or verification: $(cat sign.log verify.log 2>/dev/null | tail -5)"
fi
if (cd dist/signed && sha256sum -c --quiet SHA256SUMS) && cmp -s "$shipped" dist/Tipstart.exe; then
    check ok "checksum of the signed exe; the unsigned one untouched"
else
    check fail "checksums"
fi
grep -q "TIPSTART_SIGN_PASSWORD\|right" sign.log && check fail "the password shows in the output"

# One byte of code changed: the signature no longer holds.
cp dist/signed/Tipstart.exe changed.exe
printf '\001' | dd of=changed.exe bs=1 seek=1100 count=1 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile ca.crt -in changed.exe > changed.log 2>&1; then
    check fail "a changed byte still verifies"
else
    check ok "a changed byte fails verification"
fi

# The signed exe still does its job.
if (cd "$root" && scripts/demo.sh "$work/dist/signed/Tipstart.exe") > demo.log 2>&1 &&
    grep -q 'obx.exe" C:\\Help\\docs\\one.txt' demo.log; then
    check ok "the signed exe serves a version-3 launch"
else
    check fail "the signed exe under Wine: $(tail -5 demo.log)"
fi

[ "$failures" -eq 0 ]
