# Sourced by the scripts that run Windows programs: first re-runs the calling
# script on a virtual display (xvfb-run) unless it already runs on one of
# ours; wine_prefix_start then makes a fresh 64-bit Wine prefix in a temp
# folder, and on exit only that prefix's wineserver is stopped and the folder
# removed.
if [ "${TIPSTART_VIRTUAL_DISPLAY:-}" != "$$" ]; then
    # Marked with the child's own process id, so a nested script re-runs too.
    exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'TIPSTART_VIRTUAL_DISPLAY=$$ exec "$0" "$@"' "$0" "$@"
fi
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

wine_prefix_start() {
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tipstart-wine.XXXXXX")
    export WINEPREFIX WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
    # No Mono or Gecko installers, no GStreamer: nothing here needs them, and
    # the 32-bit GStreamer registration crashes under emulation, leaving a
    # crash dialog that would keep the prefix's server alive.
    export WINEDLLOVERRIDES="mscoree,mshtml,winegstreamer="
    trap wine_prefix_stop EXIT INT TERM
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    timeout 180 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k 2>/dev/null || true
}

wine_prefix_stop() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

# Stages a version-3 launch in the prefix, from the repository root:
# Tipstart.exe (the 64-bit build, or the exe given third) in C:\HELP with
# docs\one.txt beside it, and the stand-in tool as C:\TOOL\obx.exe,
# registered as OBX 3.5. Folders use "/".
stage_version3_launch() {
    drive="$WINEPREFIX/drive_c"
    mkdir -p "$drive/$1/docs" "$drive/$2"
    cp "${3:-build/win64/Tipstart.exe}" "$drive/$1/Tipstart.exe"
    cp build/win64/tests/e2e/tipstart_stand_in.exe "$drive/$2/obx.exe"
    printf 'A sample document of the help file.\r\n' > "$drive/$1/docs/one.txt"
    "$WINE" reg add 'HKCU\Software\Quistral\OBX\3.5' /v Path /t REG_SZ \
        /d "C:\\$(printf '%s' "$2" | tr / '\\')" /f >/dev/null 2>&1
}
