/* Prints "LABEL CODEPAGE" for every charset name MLang gives its code pages
   (the web, header and body charsets of IMultiLanguage2::EnumCodePages), with
   the code page GetCharsetInfo reads that name in; names it does not answer
   are left out. Run under Wine by scripts/generate-encoding-tables.sh. */
#define COBJMACROS
#include <stdio.h>
#include <windows.h>

#include <mlang.h>

static void PrintName(IMultiLanguage2* languages, const WCHAR* name)
{
    MIMECSETINFO info;
    BSTR text = SysAllocString(name);
    if (text && SUCCEEDED(IMultiLanguage2_GetCharsetInfo(languages, text, &info))) {
        printf("%ls %u\n", name, info.uiInternetEncoding);
    }
    SysFreeString(text);
}

int main(void)
{
    static const IID multiLanguage2 = {0xdccfc164, 0x2b38, 0x11d2, {0xb7, 0xec, 0x00, 0xc0, 0x4f, 0x8f, 0x5d, 0x9a}};
    IMultiLanguage2* languages = NULL;
    IEnumCodePage* pages = NULL;
    MIMECPINFO info;
    ULONG got = 0;
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    if (FAILED(CoCreateInstance(&CLSID_CMultiLanguage, NULL, CLSCTX_INPROC_SERVER, &multiLanguage2,
                                (void**)&languages)) ||
        FAILED(IMultiLanguage2_EnumCodePages(languages, 0, 0, &pages))) {
        fprintf(stderr, "mlang-charsets: MLang is not available\n");
        return 1;
    }
    while (IEnumCodePage_Next(pages, 1, &info, &got) == S_OK && got == 1) {
        PrintName(languages, info.wszWebCharset);
        PrintName(languages, info.wszHeaderCharset);
        PrintName(languages, info.wszBodyCharset);
    }
    return 0;
}
