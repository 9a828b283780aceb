// The checker's system on Windows: the upcase mapping and code pages of the
// Win32 API.
#include <windows.h>

#include "checker/system/System.h"

namespace {

void AppendUtf8(const wchar_t* text, int length, std::string* out)
{
    if (length <= 0) {
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    size_t at = out->size();
    out->resize(at + static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, length, &(*out)[at], bytes, nullptr, nullptr);
}

// Decodes bytes that hold at least one undecodable sequence: the longest
// sequence of at most four bytes that decodes, or one byte as U+FFFD.
void DecodeByCharacter(unsigned codePage, const char* bytes, size_t size, std::string* out,
                       std::vector<size_t>* undecodable)
{
    size_t at = 0;
    while (at < size) {
        wchar_t wide[4];
        int length = 0;
        size_t used = 1;
        for (; used <= 4 && at + used <= size; ++used) {
            length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes + at, static_cast<int>(used), wide, 4);
            if (length > 0) {
                break;
            }
        }
        if (length > 0) {
            AppendUtf8(wide, length, out);
            at += used;
        } else {
            undecodable->push_back(out->size());
            *out += "\xEF\xBF\xBD";
            ++at;
        }
    }
}

void DecodeUtf16(bool bigEndian, const char* bytes, size_t size, std::string* out, std::vector<size_t>* undecodable)
{
    std::wstring wide(size / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        unsigned char first = static_cast<unsigned char>(bytes[2 * i]);
        unsigned char second = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    AppendUtf8(wide.data(), static_cast<int>(wide.size()), out);
    if (size % 2) {
        undecodable->push_back(out->size());
        *out += "\xEF\xBF\xBD";
    }
}

}  // namespace

char32_t SystemUppercase(char32_t c)
{
    if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return c;
    }
    wchar_t text[1] = {static_cast<wchar_t>(c)};
    CharUpperBuffW(text, 1);
    return text[0];
}

bool SystemDecode(unsigned codePage, const char* bytes, size_t size, std::string* out,
                  std::vector<size_t>* undecodable)
{
    if (codePage == 1200 || codePage == 1201) {
        DecodeUtf16(codePage == 1201, bytes, size, out, undecodable);
        return true;
    }
    if (!IsValidCodePage(codePage)) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    int length = size <= 0x7FFFFFFF ? MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes,
                                                          static_cast<int>(size), nullptr, 0)
                                    : 0;
    if (length <= 0) {
        DecodeByCharacter(codePage, bytes, size, out, undecodable);
        return true;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), &wide[0], length);
    AppendUtf8(wide.data(), length, out);
    return true;
}

unsigned SystemLanguageCodePage(unsigned lcid)
{
    DWORD codePage = 0;
    if (!GetLocaleInfoW(lcid, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                        sizeof codePage / sizeof(wchar_t))) {
        return 0;
    }
    return codePage;
}
