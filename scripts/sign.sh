#!/bin/sh
# Signs the shipped dist/Tipstart.exe with Authenticode (SHA-256) into
# dist/signed/Tipstart.exe with its SHA256SUMS; dist/Tipstart.exe stays as
# built.
#   TIPSTART_SIGN_PASSWORD=... scripts/sign.sh PFX_FILE
# TIPSTART_TIMESTAMP_URL, when set, adds an RFC 3161 timestamp from that
# server. The password goes to openssl and osslsigncode through the
# environment and a pipe only: never a file, an argument or the output.
# A problem gives one line on stderr, exit status 1 and no dist/signed/.
set -eu
dist=${TIPSTART_DIST:-$(cd "$(dirname "$0")/.." && pwd)/dist}
signed=$dist/signed

fail() {
    echo "sign.sh: $1" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: TIPSTART_SIGN_PASSWORD=... scripts/sign.sh PFX_FILE"
pfx=$1
rm -rf "$signed"
[ -n "${TIPSTART_SIGN_PASSWORD+set}" ] || fail "TIPSTART_SIGN_PASSWORD is not set"
[ -f "$dist/Tipstart.exe" ] || fail "$dist/Tipstart.exe not found: run scripts/main.sh first"
[ -e "$pfx" ] || fail "certificate file not found: $pfx"
[ -f "$pfx" ] && [ -r "$pfx" ] || fail "cannot read the certificate file: $pfx"

# The signing certificate, read with the password: this tells a wrong
# password from a file that is no PKCS#12 container at all.
if ! certificate=$(openssl pkcs12 -in "$pfx" -passin env:TIPSTART_SIGN_PASSWORD -nokeys -clcerts 2>&1); then
    case "$certificate" in
    *"invalid password"* | *"mac verify"* | *"Mac verify"*) fail "wrong password for $pfx" ;;
    *) fail "not a PKCS#12 certificate file: $pfx" ;;
    esac
fi
certificate=$(printf '%s\n' "$certificate" | sed -n '/-----BEGIN CERTIFICATE-----/,/-----END CERTIFICATE-----/p')
[ -n "$certificate" ] || fail "no certificate with a private key in $pfx"
if ! printf '%s\n' "$certificate" | openssl x509 -noout -checkend 0 >/dev/null; then
    fail "the certificate expired on $(printf '%s\n' "$certificate" | openssl x509 -noout -enddate | cut -d= -f2)"
fi
if ! printf '%s\n' "$certificate" | openssl x509 -noout -ext extendedKeyUsage 2>/dev/null | grep -q "Code Signing"; then
    fail "the certificate is not for code signing (no Code Signing extended key usage)"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
set -- -pkcs12 "$pfx" -h sha256 -n "ZEZODA Helper Tool" -in "$dist/Tipstart.exe" -out "$work/Tipstart.exe"
if [ -n "${TIPSTART_TIMESTAMP_URL:-}" ]; then
    set -- "$@" -ts "$TIPSTART_TIMESTAMP_URL"
fi
if ! printf '%s' "$TIPSTART_SIGN_PASSWORD" | osslsigncode sign -readpass - "$@" > "$work/log" 2>&1; then
    fail "osslsigncode could not sign: $(grep -v '^$' "$work/log" | tail -1)"
fi
mkdir -p "$signed"
mv "$work/Tipstart.exe" "$signed/Tipstart.exe"
(cd "$signed" && sha256sum Tipstart.exe > SHA256SUMS)
echo "Signed: $signed/Tipstart.exe"
cat "$signed/SHA256SUMS"
