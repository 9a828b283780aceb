#include "checker/page/PageText.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "checker/page/Markup.h"
#include "checker/core/ByteScan.h"
#include "checker/core/TextTools.h"
#include "checker/system/System.h"

namespace {

struct Name {
    unsigned codePage;
    const char* name;
};

// How messages name the code pages pages are most often in; any other is
// "code page N". The code page a label names is the charset database's
// (SystemCharsetCodePage).
const Name Names[] = {
    {65001, "utf-8"},        {65000, "utf-7"},        {1200, "utf-16"},         {1201, "utf-16be"},
    {1252, "windows-1252"},  {1250, "windows-1250"},  {1251, "windows-1251"},   {1253, "windows-1253"},
    {1254, "windows-1254"},  {1255, "windows-1255"},  {1256, "windows-1256"},   {1257, "windows-1257"},
    {1258, "windows-1258"},  {874, "windows-874"},    {28592, "iso-8859-2"},    {28595, "iso-8859-5"},
    {28597, "iso-8859-7"},   {28599, "iso-8859-9"},   {28605, "iso-8859-15"},   {20866, "koi8-r"},
    {21866, "koi8-u"},       {932, "shift_jis"},      {51932, "euc-jp"},        {936, "gb2312"},
    {54936, "gb18030"},      {950, "big5"},           {949, "euc-kr"},
};

std::string CodePageName(unsigned codePage)
{
    for (const Name& name : Names) {
        if (name.codePage == codePage) {
            return name.name;
        }
    }
    return "code page " + std::to_string(codePage);
}

bool IsUtf16(unsigned codePage)
{
    return codePage == 1200 || codePage == 1201;
}

void AppendReplacement(std::string* out, std::vector<size_t>* undecodable)
{
    undecodable->push_back(out->size());
    *out += "\xEF\xBF\xBD";
}

// UTF-16 is decoded here, the same in every build: a surrogate without its
// other half, and an odd last byte, each become one U+FFFD.
void DecodeUtf16(bool bigEndian, const char* bytes, size_t size, std::string* out, std::vector<size_t>* undecodable)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    auto unit = [&](size_t at) { return bigEndian ? b[at] << 8 | b[at + 1] : b[at + 1] << 8 | b[at]; };
    size_t at = 0;
    for (; at + 1 < size; at += 2) {
        char32_t c = static_cast<char32_t>(unit(at));
        if (c >= 0xD800 && c <= 0xDBFF && at + 3 < size && unit(at + 2) >= 0xDC00 && unit(at + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(unit(at + 2)) - 0xDC00);
            at += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendReplacement(out, undecodable);
            continue;
        }
        AppendUtf8(c, out);
    }
    if (at < size) {
        AppendReplacement(out, undecodable);
    }
}

// A page in a code page of one byte a character, decoded a block at a time
// as the file is read again, so that its bytes and its text are never both
// held whole: a character may take three bytes in UTF-8.
bool DecodeFileByBlocks(const std::string& path, size_t markSize, PageText* page, std::string* reason)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file || fseek(file, static_cast<long>(markSize), SEEK_SET) != 0) {
        *reason = std::string("cannot be read again: ") + strerror(errno);
        if (file) {
            fclose(file);
        }
        return false;
    }
    char block[65536];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, file)) > 0) {
        DecodePageBytes(block, got, page);
    }
    int error = ferror(file) ? errno : 0;
    fclose(file);
    if (error) {
        *reason = std::string("cannot be read again: ") + strerror(error);
        return false;
    }
    return true;
}

// When the text is bytes itself, they are kept with it, not copied.
void KeepOwnBytes(std::string* bytes, PageText* page)
{
    if (page->text != page->decoded.data()) {
        size_t offset = static_cast<size_t>(page->text - bytes->data());
        page->ownBytes.swap(*bytes);
        page->text = page->ownBytes.data() + offset;
    }
}

}  // namespace

unsigned CharsetCodePage(const std::string& label)
{
    if (label.empty()) {
        return 0;
    }
    // The pages of a help file declare one charset: the system (a table, or
    // Windows' registry) is asked again only for another, on each thread.
    thread_local std::string lastLabel;
    thread_local unsigned lastCodePage = 0;
    if (label != lastLabel) {
        lastCodePage = SystemCharsetCodePage(label);
        lastLabel = label;
    }
    return lastCodePage;
}

unsigned DeclaredCodePage(const std::string& label)
{
    unsigned codePage = CharsetCodePage(label);
    // As HTML5 reads a declaration: a page whose bytes are not UTF-16 (it
    // has no UTF-16 mark) cannot have found its own <meta> in UTF-16.
    return IsUtf16(codePage) ? Utf8CodePage : codePage;
}

unsigned ByteOrderMark(const char* bytes, size_t size, size_t* markSize)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        *markSize = 3;
        return 65001;
    }
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        *markSize = 2;
        return 1200;
    }
    if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        *markSize = 2;
        return 1201;
    }
    *markSize = 0;
    return 0;
}

namespace {

// Whether bytes are UTF-8; the bytes already known to be ASCII all are.
bool Utf8Bytes(const char* bytes, size_t size, bool knownAscii)
{
    return knownAscii || IsUtf8(bytes, size);
}

bool NonAsciiBytes(const char* bytes, size_t size, bool knownAscii)
{
    return !knownAscii && HasNonAscii(bytes, size);
}

// PageCodePage, PageIsText and ReadPageText for bytes that may be known to
// be ASCII (knownAscii) from the one pass that looked for binary bytes.
unsigned CodePageOf(const char* bytes, size_t size, bool isList, unsigned languageCodePage, bool knownAscii,
                    size_t* markSize, PageText* page)
{
    page->unknownCharset.clear();
    page->undeclaredUtf8 = false;
    page->documentMode = 0;
    unsigned codePage = ByteOrderMark(bytes, size, markSize);
    bytes += *markSize;
    size -= *markSize;
    if (codePage) {
        return codePage;
    }
    if (isList) {
        return Utf8Bytes(bytes, size, knownAscii) ? Utf8CodePage : DefaultCodePage;
    }
    std::string label = FindDeclaredCharset(bytes, size, &page->documentMode);
    codePage = DeclaredCodePage(label);
    if (codePage) {
        return codePage;
    }
    page->unknownCharset = label;
    codePage = languageCodePage ? languageCodePage : DefaultCodePage;
    page->undeclaredUtf8 = label.empty() && codePage != Utf8CodePage && NonAsciiBytes(bytes, size, knownAscii) &&
                           Utf8Bytes(bytes, size, knownAscii);
    return codePage;
}

bool IsTextOf(const char* bytes, size_t size, unsigned codePage, bool knownAscii)
{
    if (codePage == Utf8CodePage) {
        return Utf8Bytes(bytes, size, knownAscii);
    }
    return !IsUtf16(codePage) && codePage != 65000 && !NonAsciiBytes(bytes, size, knownAscii);
}

}  // namespace

unsigned PageCodePage(const char* bytes, size_t size, bool isList, unsigned languageCodePage, size_t* markSize,
                      PageText* page)
{
    return CodePageOf(bytes, size, isList, languageCodePage, false, markSize, page);
}

bool PageIsText(const char* bytes, size_t size, unsigned codePage)
{
    return IsTextOf(bytes, size, codePage, false);
}

bool IsSingleByteCodePage(unsigned codePage)
{
    return codePage == 874 || (codePage >= 1250 && codePage <= 1258) || (codePage >= 28591 && codePage <= 28605) ||
           codePage == 20866 || codePage == 21866 || codePage == 10000;
}

void StartPageText(unsigned codePage, PageText* page)
{
    std::vector<size_t> probe;
    std::string ignored;
    // A code page the system does not know is read as the default one.
    page->codePage = IsUtf16(codePage) || SystemDecode(codePage, "", 0, &ignored, &probe) ? codePage : DefaultCodePage;
    page->encoding = CodePageName(page->codePage);
    page->decoded.clear();
    page->undecodable.clear();
}

void ReserveText(size_t size, PageText* page)
{
    page->decoded.reserve(3 * size);
}

void DecodePageBytes(const char* bytes, size_t size, PageText* page)
{
    if (IsUtf16(page->codePage)) {
        DecodeUtf16(page->codePage == 1201, bytes, size, &page->decoded, &page->undecodable);
    } else {
        SystemDecode(page->codePage, bytes, size, &page->decoded, &page->undecodable);
    }
    page->text = page->decoded.data();
    page->size = page->decoded.size();
    page->documentMode = 0;  // found in the bytes, not in their text
}

namespace {

// The text of bytes in the code page CodePageOf found for them, after a
// byte-order mark of markSize bytes.
void ReadTextAs(const char* bytes, size_t size, unsigned codePage, size_t markSize, bool knownAscii, PageText* page)
{
    bytes += markSize;
    size -= markSize;
    StartPageText(codePage, page);
    if (page->undeclaredUtf8) {
        page->utf8Reading.assign(bytes, size);
    }
    if (IsTextOf(bytes, size, codePage, knownAscii)) {
        page->text = bytes;
        page->size = size;
        return;
    }
    ReserveText(size, page);
    DecodePageBytes(bytes, size, page);
}

void ReadTextOf(const char* bytes, size_t size, bool isList, unsigned languageCodePage, bool knownAscii,
                PageText* page)
{
    size_t markSize = 0;
    unsigned codePage = CodePageOf(bytes, size, isList, languageCodePage, knownAscii, &markSize, page);
    ReadTextAs(bytes, size, codePage, markSize, knownAscii, page);
}

}  // namespace

void ReadPageText(const char* bytes, size_t size, bool isList, unsigned languageCodePage, PageText* page)
{
    ReadTextOf(bytes, size, isList, languageCodePage, false, page);
}

bool DropsNulBytes(const char* bytes, size_t size, bool isList)
{
    size_t markSize = 0;
    return !isList && !IsUtf16(ByteOrderMark(bytes, size, &markSize)) && memchr(bytes, 0, size) != nullptr;
}

void RemoveNulBytes(std::string* bytes)
{
    bytes->erase(std::remove(bytes->begin(), bytes->end(), '\0'), bytes->end());
}

namespace {

// What one pass over a page's bytes learns of them: why they are no text,
// or whether they hold NUL bytes and whether all are ASCII.
struct ByteSurvey {
    const char* binary;  // BinaryReason's
    bool nul;
    bool ascii;
};

enum { ByteControl = 1, ByteNul = 2, ByteHigh = 4 };


ByteSurvey SurveyBytes(const char* bytes, size_t size, bool isList)
{
    size_t markSize = 0;
    unsigned marked = ByteOrderMark(bytes, size, &markSize);
    if (IsUtf16(marked)) {
        // UTF-16 with its mark holds NUL bytes: they are its text.
        return {nullptr, memchr(bytes, 0, size) != nullptr, false};
    }
    static const unsigned char* const kinds = [] {
        static unsigned char table[256] = {};
        for (unsigned c = 0; c < 0x20; ++c) {
            bool control = c != 0 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B;
            table[c] = control ? ByteControl : c == 0 ? ByteNul : 0;
        }
        for (unsigned c = 0x80; c < 0x100; ++c) {
            table[c] = ByteHigh;
        }
        return table;
    }();
    // Printable ASCII holds nothing to note: only the other bytes are looked at.
    unsigned seen = 0;
    AnyNotPrintable(bytes, size, [&](size_t i) {
        seen |= kinds[static_cast<unsigned char>(bytes[i])];
        return (seen & ByteControl) && !isList;  // a list's NUL bytes, after it, would be the reason
    });
    if (isList && (seen & ByteNul)) {
        return {"holds NUL bytes: not a text file (UTF-16 without a byte-order mark, or binary); not checked", true,
                false};
    }
    if (seen & ByteControl) {
        return {"holds control bytes: not a text file; not checked", (seen & ByteNul) != 0, false};
    }
    return {nullptr, (seen & ByteNul) != 0, (seen & ByteHigh) == 0};
}

}  // namespace

const char* BinaryReason(const char* bytes, size_t size, bool isList)
{
    return SurveyBytes(bytes, size, isList).binary;
}

bool ReadTextBytes(const char* bytes, size_t size, bool isList, unsigned languageCodePage, PageText* page,
                   std::string* reason)
{
    ByteSurvey survey = SurveyBytes(bytes, size, isList);
    if (survey.binary) {
        *reason = survey.binary;
        return false;
    }
    if (survey.nul && DropsNulBytes(bytes, size, isList)) {
        std::string kept(bytes, size);
        RemoveNulBytes(&kept);
        ReadTextOf(kept.data(), kept.size(), isList, languageCodePage, survey.ascii, page);
        KeepOwnBytes(&kept, page);
        return true;
    }
    ReadTextOf(bytes, size, isList, languageCodePage, survey.ascii, page);
    return true;
}

bool ReadTextFile(const std::string& path, std::string* bytes, bool isList, unsigned languageCodePage, PageText* page,
                  std::string* reason)
{
    ByteSurvey survey = SurveyBytes(bytes->data(), bytes->size(), isList);
    if (survey.binary) {
        *reason = survey.binary;
        return false;
    }
    // Read again from the file, the NUL bytes would come back.
    bool dropped = survey.nul && DropsNulBytes(bytes->data(), bytes->size(), isList);
    if (dropped) {
        RemoveNulBytes(bytes);
    }
    size_t markSize = 0;
    unsigned codePage =
        CodePageOf(bytes->data(), bytes->size(), isList, languageCodePage, survey.ascii, &markSize, page);
    if (!dropped && IsSingleByteCodePage(codePage) && !page->undeclaredUtf8 &&
        !IsTextOf(bytes->data() + markSize, bytes->size() - markSize, codePage, survey.ascii)) {
        size_t size = bytes->size();
        std::string().swap(*bytes);
        StartPageText(codePage, page);
        ReserveText(size, page);
        return DecodeFileByBlocks(path, markSize, page, reason);
    }
    ReadTextAs(bytes->data(), bytes->size(), codePage, markSize, survey.ascii, page);
    KeepOwnBytes(bytes, page);
    return true;
}
