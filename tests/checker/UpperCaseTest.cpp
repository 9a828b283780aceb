// The upper-case table names are compared by, held against the Windows it
// was generated from (Wine on the win64 tier): for every UTF-16 code unit,
// NameUppercase gives what RtlUpcaseUnicodeChar, NTFS's mapping, gives.
#include <windows.h>

#include <stdio.h>

#include "checker/system/Names.h"

typedef WCHAR(WINAPI* UpcaseFunction)(WCHAR);

int main()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    UpcaseFunction upcase =
        ntdll ? reinterpret_cast<UpcaseFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")))
              : nullptr;
    if (!upcase) {
        printf("FAIL: no RtlUpcaseUnicodeChar\n");
        return 1;
    }
    int failures = 0;
    int mapped = 0;
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        char32_t expected = upcase(static_cast<WCHAR>(unit));
        char32_t table = NameUppercase(unit);
        mapped += expected != unit;
        if (table != expected && failures++ < 20) {
            printf("FAIL: U+%04X: the table gives U+%04X, Windows U+%04X\n", unit, static_cast<unsigned>(table),
                   static_cast<unsigned>(expected));
        }
    }
    printf("%d code units with an upper case, %d failures\n", mapped, failures);
    return failures ? 1 : 0;
}
