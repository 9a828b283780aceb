#!/bin/sh
# The ground on which the shipped 32-bit Tipstart.exe runs under Wine, as on
# 64-bit Windows (in WoW64). Every step is skipped when already done:
#  1. Debian's 32-bit Wine (wine32, wine32-preloader) beside wine64;
#  2. where the kernel cannot run 32-bit x86 code itself: qemu-i386, built
#     from Debian's qemu source with scripts/qemu-i386-wine.patch, installed
#     as /usr/local/lib/tipstart/qemu-i386-binfmt-P and registered in
#     binfmt_misc as "tipstart-i386" for 32-bit x86 programs.
# CONTRIBUTING.md says how to undo it.
set -eu
cd "$(dirname "$0")/.."
patch_file=$(pwd)/scripts/qemu-i386-wine.patch
folder=/usr/local/lib/tipstart
qemu=$folder/qemu-i386-binfmt-P
stamp=$folder/qemu-i386.patch.sha256
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/tipstart-i386
loader32=/usr/lib/wine/wine

as_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "The 32-bit test ground is missing ($1). Run as root: $0" >&2
        exit 1
    fi
}

installed() {
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || return 1
    done
}

apt_install() {
    installed "$@" && return 0
    as_root "packages $*"
    echo "Installing: $*"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >/dev/null
}

# A mirror in the middle of a sync serves index files of the wrong size for
# a while: the update is tried again. When the 32-bit security index still
# cannot be had, the release's own packages are preferred for this install,
# downgrades allowed, so that each Multi-Arch library gets one version in
# both architectures and apt does not remove wine64 to make room.
install_wine32() {
    installed wine32:i386 wine32-preloader:i386 && return 0
    as_root "32-bit Wine"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    options=""
    for attempt in 1 2 3; do
        apt-get update -q >/dev/null && break
        if [ "$attempt" -lt 3 ]; then
            sleep 20
            continue
        fi
        echo "apt-get update failed: installing 32-bit Wine from the release's own packages" >&2
        preferences=$(mktemp)
        printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' \
            "$(. /etc/os-release && echo "$VERSION_CODENAME")" > "$preferences"
        options="-o Dir::Etc::Preferences=$preferences --allow-downgrades"
    done
    # The 64-bit loader is named too, so that apt keeps it or says why not.
    # shellcheck disable=SC2086 # the options are words
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $options \
        wine64 libwine wine32:i386 wine32-preloader:i386 libgstreamer-plugins-base1.0-0:i386 >/dev/null
    [ -z "${preferences:-}" ] || rm -f "$preferences"
}

# Builds the patched qemu-i386 from Debian's source package, fetched through
# a private source list so that the machine's apt configuration stays as it is.
qemu_is_current() {
    [ -x "$qemu" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$(sha256sum < "$patch_file" | cut -d' ' -f1)" ]
}

build_qemu() {
    as_root "the patched qemu-i386"
    apt_install dpkg-dev meson ninja-build pkg-config python3 gcc libglib2.0-dev libpcre2-dev zlib1g-dev
    work=$(mktemp -d "${TMPDIR:-/var/tmp}/tipstart-qemu.XXXXXX")
    trap 'rm -rf "$work"' EXIT INT TERM
    mkdir -p "$work/lists/partial"
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'deb-src http://deb.debian.org/debian %s main\ndeb-src http://deb.debian.org/debian-security %s-security main\n' \
        "$codename" "$codename" > "$work/sources.list"
    apt="-o Dir::Etc::SourceList=$work/sources.list -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists=$work/lists \
-o APT::Sandbox::User=root"
    echo "Building qemu-i386 from Debian's source with $(basename "$patch_file")"
    # shellcheck disable=SC2086
    apt-get $apt update -q >/dev/null
    # shellcheck disable=SC2086
    (cd "$work" && apt-get $apt source --download-only -q qemu >/dev/null 2>&1)
    # apt checked the files against the signed index; dpkg-source has no keyring.
    dpkg-source -x "$work"/qemu_*.dsc "$work/src" >/dev/null 2>&1
    patch -d "$work/src" -p1 --forward --quiet < "$patch_file"
    mkdir "$work/src/build"
    (cd "$work/src/build" &&
        ../configure --static --disable-system --disable-tools --disable-docs --disable-werror \
            --target-list=i386-linux-user --with-git-submodules=ignore >/dev/null &&
        ninja qemu-i386 >/dev/null)
    mkdir -p "$folder"
    install -m 755 "$work/src/build/qemu-i386" "$qemu.new"
    strip "$qemu.new"
    mv "$qemu.new" "$qemu"
    sha256sum < "$patch_file" | cut -d' ' -f1 > "$stamp"
    rm -rf "$work"
    trap - EXIT INT TERM
}

# 32-bit x86 ELF programs go to our qemu. The F flag opens it now, so a new
# build needs a new registration.
register_qemu() {
    renew=$1
    if ! mountpoint -q "$binfmt"; then
        as_root "binfmt_misc"
        mount -t binfmt_misc binfmt_misc "$binfmt"
    fi
    if [ -e "$entry" ] && [ "$renew" = no ] && grep -qx "interpreter $qemu" "$entry"; then
        return 0
    fi
    as_root "the binfmt_misc entry"
    [ -e "$entry" ] && echo -1 > "$entry"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":tipstart-i386:M::$magic:$mask:$qemu:POCF" > "$binfmt/register"
}

install_wine32
if [ -e "$entry" ] || ! "$loader32" --version >/dev/null 2>&1; then
    renew=no
    if ! qemu_is_current; then
        build_qemu
        renew=yes
    fi
    register_qemu "$renew"
fi
if ! "$loader32" --version >/dev/null 2>&1; then
    echo "32-bit Wine does not start ($loader32)." >&2
    exit 1
fi
