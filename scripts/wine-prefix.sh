# Sourced by the scripts that run Windows programs: makes a fresh 64-bit Wine
# prefix in a temp folder, and on exit stops only that prefix's wineserver and
# removes the folder. Needs a display (run under xvfb-run).
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

wine_prefix_start() {
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-wine.XXXXXX")
    export WINEPREFIX WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
    # No Mono or Gecko installers: nothing here needs them.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    trap wine_prefix_stop EXIT INT TERM
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w 2>/dev/null || true
}

wine_prefix_stop() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
