#!/bin/sh
# Size of the shipped PE32 and of its sections (needs the win32 build).
set -eu
cd "$(dirname "$0")/.."
exe=build/win32/Tipstart.exe
size=$(stat -c %s "$exe")
awk -v size="$size" 'BEGIN { printf "Tipstart.exe (PE32): %d bytes = %.1f KiB (target <= 48 KiB, stretch < 40 KiB)\n", size, size / 1024 }'
i686-w64-mingw32-objdump -h "$exe" | awk '/^ +[0-9]+ /{print $2, $3}' | while read -r name hex; do
    printf '  %-9s %7d bytes%s\n' "$name" "$((0x$hex))" "$([ "$name" = .bss ] && echo ' (not in the file)' || true)"
done
