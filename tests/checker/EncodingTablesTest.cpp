// The checker's encoding tables held against the Windows they were generated
// from (Wine on the win64 tier): every label of the charset database and
// every language id, as the Linux build reads them from the tables and the
// Windows build asks Windows. Also what the two builds must decode alike:
// windows-1252's five undefined bytes and UTF-7.
#include <windows.h>

#include <mlang.h>
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include "checker/system/EncodingTables.h"
#include "checker/core/TextTools.h"
#include "checker/system/System.h"

namespace {

int failures = 0;

void Fail(const std::string& what)
{
    printf("FAIL: %s\n", what.c_str());
    ++failures;
}

std::string Narrow(const wchar_t* text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(length > 0 ? static_cast<size_t>(length - 1) : 0, '\0');
    if (length > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], length, nullptr, nullptr);
    }
    return out;
}

std::vector<std::string> DatabaseLabels()
{
    std::vector<std::string> labels;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"MIME\\Database\\Charset", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Fail("no HKCR\\MIME\\Database\\Charset");
        return labels;
    }
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        labels.push_back(Narrow(name));
    }
    RegCloseKey(key);
    return labels;
}

// The charset names MLang gives its code pages, and answers: the labels it
// knows beside the database.
std::vector<std::string> MlangLabels()
{
    static const IID MultiLanguage2 = {0xdccfc164, 0x2b38, 0x11d2, {0xb7, 0xec, 0x00, 0xc0, 0x4f, 0x8f, 0x5d, 0x9a}};
    std::vector<std::string> labels;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMultiLanguage2* languages = nullptr;
    IEnumCodePage* pages = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, MultiLanguage2,
                                reinterpret_cast<void**>(&languages))) ||
        FAILED(languages->EnumCodePages(0, 0, &pages))) {
        Fail("MLang is not available");
        return labels;
    }
    MIMECPINFO info;
    ULONG got = 0;
    while (pages->Next(1, &info, &got) == S_OK && got == 1) {
        for (const wchar_t* name : {info.wszWebCharset, info.wszHeaderCharset, info.wszBodyCharset}) {
            BSTR text = SysAllocString(name);
            MIMECSETINFO charset = {};
            if (SUCCEEDED(languages->GetCharsetInfo(text, &charset))) {
                labels.push_back(Narrow(name));
            }
            SysFreeString(text);
        }
    }
    pages->Release();
    languages->Release();
    return labels;
}

void CheckCharsets()
{
    std::vector<std::string> labels = DatabaseLabels();
    std::set<std::string> distinct;
    for (const std::string& label : labels) {
        distinct.insert(AsciiLower(label));
    }
    size_t inDatabase = labels.size();
    for (const std::string& label : MlangLabels()) {
        if (distinct.insert(AsciiLower(label)).second) {
            labels.push_back(label);
        }
    }
    if (labels.size() != CharsetTableSize) {
        Fail("the database and MLang know " + std::to_string(labels.size()) + " labels, the table " +
             std::to_string(CharsetTableSize));
    }
    for (const std::string& label : labels) {
        unsigned windows = SystemCharsetCodePage(label);
        if (windows == 0 || TableCharsetCodePage(label) != windows) {
            Fail("charset " + label + ": Windows " + std::to_string(windows) + ", the table " +
                 std::to_string(TableCharsetCodePage(label)));
        }
    }
    for (size_t i = 0; i < CharsetTableSize; ++i) {
        if (SystemCharsetCodePage(CharsetTable[i].label) != CharsetTable[i].codePage) {
            Fail(std::string("the table's charset ") + CharsetTable[i].label + " is not Windows'");
        }
    }
    if (SystemCharsetCodePage("x-no-such-charset") != 0 || TableCharsetCodePage("x-no-such-charset") != 0) {
        Fail("a label outside the database has a code page");
    }
    printf("charsets: %zu labels held, %zu of the database and %zu that MLang knows beside it\n", labels.size(),
           inDatabase, labels.size() - inDatabase);
}

void CheckLanguages()
{
    size_t known = 0;
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        DWORD codePage = 0;
        bool answered = GetLocaleInfoW(id, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                       reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(wchar_t));
        known += answered;
        unsigned table = TableLanguageCodePage(id);
        bool inTable = false;
        for (size_t i = 0; i < LanguageTableSize && !inTable; ++i) {
            inTable = LanguageTable[i].id == id;
        }
        char name[16];
        snprintf(name, sizeof name, "0x%04x", id);
        if (answered != inTable || (answered && table != codePage)) {
            Fail(std::string("language ") + name + ": Windows " + (answered ? std::to_string(codePage) : "none") +
                 ", the table " + (inTable ? std::to_string(table) : "none"));
        }
        unsigned expected = IsMachineLanguage(id) ? 0 : table;
        if (SystemLanguageCodePage(id) != expected) {
            Fail(std::string("language ") + name + ": the Windows build gives " +
                 std::to_string(SystemLanguageCodePage(id)));
        }
    }
    if (known != LanguageTableSize) {
        Fail("Windows knows " + std::to_string(known) + " language ids, the table " + std::to_string(LanguageTableSize));
    }
    printf("languages: %zu ids held\n", known);
}

void CheckDecoding(unsigned codePage, const std::string& bytes, const std::string& text)
{
    std::string out;
    std::vector<size_t> undecodable;
    if (!SystemDecode(codePage, bytes.data(), bytes.size(), &out, &undecodable) || out != text ||
        !undecodable.empty()) {
        Fail("code page " + std::to_string(codePage) + " decodes " + bytes + " as " + out);
    }
}

}  // namespace

int main()
{
    CheckCharsets();
    CheckLanguages();
    // Windows gives windows-1252's undefined bytes the C1 control of the same
    // number, as the Linux build does.
    CheckDecoding(1252, "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    // So does every code page from windows-1250 to windows-1258 with its
    // undefined bytes from 0x80 to 0x9F: each is a character, none U+FFFD.
    for (unsigned codePage = 1250; codePage <= 1258; ++codePage) {
        for (unsigned c = 0x80; c <= 0x9F; ++c) {
            std::string byte(1, static_cast<char>(c));
            std::string out;
            std::vector<size_t> undecodable;
            SystemDecode(codePage, byte.data(), 1, &out, &undecodable);
            if (!undecodable.empty()) {
                Fail("code page " + std::to_string(codePage) + " refuses byte " + std::to_string(c));
            }
        }
    }
    CheckDecoding(1251, "\x98", "\xC2\x98");
    CheckDecoding(1250, "\x81\x83\x88\x90\x98", "\xC2\x81\xC2\x83\xC2\x88\xC2\x90\xC2\x98");
    CheckDecoding(65000, "+ADw-object classid+AD0AIg-x+ACIAPg-", "<object classid=\"x\">");
    printf("%d failures\n", failures);
    return failures ? 1 : 0;
}
