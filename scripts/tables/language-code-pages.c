/* Prints "0xID CODEPAGE" for every language id (0x0000 to 0xFFFF, default
   sort) that GetLocaleInfoW knows, with its LOCALE_IDEFAULTANSICODEPAGE.
   Run under Wine by scripts/generate-encoding-tables.sh. */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        DWORD codePage = 0;
        if (GetLocaleInfoW(id, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, (LPWSTR)&codePage,
                           sizeof codePage / sizeof(WCHAR))) {
            printf("0x%04x %lu\n", id, (unsigned long)codePage);
        }
    }
    return 0;
}
