// The checker's system on Linux: glibc's towupper_l in the C.UTF-8 locale and
// iconv.
#include <errno.h>
#include <iconv.h>
#include <locale.h>
#include <stdio.h>
#include <wctype.h>

#include "checker/system/System.h"

namespace {

locale_t Utf8Locale()
{
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

// iconv's name for a Windows code page.
std::string IconvName(unsigned codePage)
{
    switch (codePage) {
    case 65001: return "UTF-8";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: case 51932: return "EUC-JP";
    case 50220: return "ISO-2022-JP";
    case 54936: return "GB18030";
    case 10000: return "MACINTOSH";
    default: break;
    }
    char name[16];
    if (codePage >= 28591 && codePage <= 28605) {
        snprintf(name, sizeof name, "ISO-8859-%u", codePage - 28590);
    } else {
        snprintf(name, sizeof name, "CP%u", codePage);
    }
    return name;
}

// Windows gives the five bytes windows-1252 leaves undefined the C1
// control of the same number; glibc's table refuses them.
bool IsWindows1252Hole(unsigned codePage, unsigned char c)
{
    return codePage == 1252 && (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D);
}

void AppendReplacement(std::string* out, std::vector<size_t>* undecodable)
{
    undecodable->push_back(out->size());
    *out += "\xEF\xBF\xBD";
}

}  // namespace

char32_t SystemUppercase(char32_t c)
{
    if (c > 0xFFFF || !Utf8Locale()) {
        return c;
    }
    wint_t upper = towupper_l(static_cast<wint_t>(c), Utf8Locale());
    return upper > 0xFFFF ? c : static_cast<char32_t>(upper);
}

bool SystemDecode(unsigned codePage, const char* bytes, size_t size, std::string* out,
                  std::vector<size_t>* undecodable)
{
    iconv_t converter = iconv_open("UTF-8", IconvName(codePage).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    char* in = const_cast<char*>(bytes);
    size_t inLeft = size;
    char block[16384];
    while (inLeft > 0) {
        char* next = block;
        size_t room = sizeof block;
        size_t result = iconv(converter, &in, &inLeft, &next, &room);
        int error = result == static_cast<size_t>(-1) ? errno : 0;
        out->append(block, static_cast<size_t>(next - block));
        if ((error == EILSEQ || error == EINVAL) && IsWindows1252Hole(codePage, static_cast<unsigned char>(*in))) {
            *out += '\xC2';
            *out += *in;
            ++in;
            --inLeft;
        } else if (error == EILSEQ || error == EINVAL) {
            // The byte that starts no character stands for itself, once.
            AppendReplacement(out, undecodable);
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        } else if (error && error != E2BIG) {
            break;
        }
    }
    iconv_close(converter);
    return true;
}

// No library on Linux knows Windows' language identifiers: the ANSI code
// page of each primary language, as Windows gives it.
unsigned SystemLanguageCodePage(unsigned lcid)
{
    unsigned language = lcid & 0x3FF;
    switch (language) {
    case 0x04: return (lcid >> 10) == 1 || lcid == 0x0C04 || lcid == 0x1404 ? 950 : 936;  // Chinese
    case 0x11: return 932;   // Japanese
    case 0x12: return 949;   // Korean
    case 0x1E: return 874;   // Thai
    case 0x2A: return 1258;  // Vietnamese
    case 0x01: case 0x20: case 0x29: return 1256;  // Arabic, Urdu, Persian
    case 0x0D: return 1255;  // Hebrew
    case 0x08: return 1253;  // Greek
    case 0x1F: return 1254;  // Turkish
    case 0x25: case 0x26: case 0x27: return 1257;  // Estonian, Latvian, Lithuanian
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: case 0x44: case 0x3F: return 1251;
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1B: case 0x24: case 0x1C: case 0x1A: return 1250;
    case 0x00: return 0;
    default: return 1252;
    }
}
