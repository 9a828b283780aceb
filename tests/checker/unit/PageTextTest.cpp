// Page text as the help viewer reads it: the byte-order mark, the page's own
// declaration, the help file's language, else windows-1252; link lists; and
// pages decoded a block at a time as they are read again.
#include <gtest/gtest.h>

#include "checker/FileBytes.h"
#include "checker/LinkFinder.h"
#include "checker/PageText.h"
#include "checker/Project.h"
#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"
#include "checker/system/System.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

// The links of a page read in the code page of its help file's language.
PageScan Scan(const std::string& bytes, unsigned languageCodePage = 1252, bool isList = false,
              std::string* encoding = nullptr)
{
    PageText page;
    ReadPageText(bytes.data(), bytes.size(), isList, languageCodePage, &page);
    PageScan scan;
    if (isList) {
        FindListLinks(page.text, page.size, &page.undecodable, &scan);
    } else {
        FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    }
    if (encoding) {
        *encoding = page.encoding;
    }
    return scan;
}

// The parameters of the page's first link, and the encoding it was read in.
std::string FirstParameters(const std::string& bytes, unsigned languageCodePage, std::string* encoding)
{
    PageScan scan = Scan(bytes, languageCodePage, false, encoding);
    return scan.links.empty() ? "(no link)" : scan.links[0].parameters;
}

std::string Hex(unsigned value)
{
    char text[16];
    snprintf(text, sizeof text, "%x", value);
    return text;
}

// UTF-8 text (of the Basic Multilingual Plane) as UTF-16, with its mark.
std::string Utf16(const std::string& text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        at += ReadUtf8(text, at, &c);
        char high = static_cast<char>(c >> 8);
        char low = static_cast<char>(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

TEST(PageTextTest, Windows1252IsTheDefaultAndTheLanguageComesNext)
{
    std::string encoding;
    PageScan scan = Scan("<p>\xB0</p>\n" + ShortCut(",Tipstart.exe,^3docs\\caf\xE9.txt") + "\xB0" +
                             ShortCut(",Tipstart.exe,^3\xE9"),
                         0, false, &encoding);
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(encoding, "windows-1252");
    EXPECT_EQ(scan.links[0].parameters, "^3docs\\caf\xC3\xA9.txt");
    EXPECT_EQ(scan.links[0].line, 2u);
    // The parameters start after 141 characters of the object.
    EXPECT_EQ(scan.links[0].column, 142u);
    // The first object takes 167 characters, "é" counting one, and "°" one.
    EXPECT_EQ(scan.links[1].column, 167u + 1 + 142);
    // The same byte in a Czech help file is windows-1250, in a Russian one windows-1251.
    EXPECT_EQ(Scan(ShortCut(",Tipstart.exe,^3\xE8")).links[0].parameters, "^3\xC3\xA8");
    EXPECT_EQ(Scan(ShortCut(",Tipstart.exe,^3\xE8"), 1250).links[0].parameters, "^3\xC4\x8D");
    EXPECT_EQ(Scan(ShortCut(",Tipstart.exe,^3\xE8"), 1251).links[0].parameters, "^3\xD0\xB8");
}

TEST(PageTextTest, AMarkOrADeclarationWinsOverTheLanguage)
{
    std::string link = ShortCut(",Tipstart.exe,^3caf\xC3\xA9.txt");
    std::string encoding;
    PageScan marked = Scan("\xEF\xBB\xBF" + link, 1252, false, &encoding);
    EXPECT_EQ(encoding, "utf-8");
    EXPECT_EQ(marked.links[0].parameters, "^3caf\xC3\xA9.txt");
    EXPECT_EQ(marked.links[0].column, 142u);  // the mark is no character of the line
    EXPECT_EQ(Scan("<meta charset=\"UTF-8\">" + link).links[0].parameters, "^3caf\xC3\xA9.txt");
    EXPECT_EQ(Scan("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + link)
                  .links[0].parameters,
              "^3caf\xC3\xA9.txt");
    EXPECT_EQ(Scan("<meta charset=\"shift_jis\">" + ShortCut(",Tipstart.exe,^3\x93\xFA.txt")).links[0].parameters,
              "^3\xE6\x97\xA5.txt");
    // A declaration after the body starts is no declaration.
    EXPECT_EQ(Scan("<body><meta charset=\"utf-8\">" + link).links[0].parameters, "^3caf\xC3\x83\xC2\xA9.txt");
    // UTF-16 with its mark.
    std::string wide = "\xFF\xFE";
    for (char c : ShortCut(",Tipstart.exe,^3x.txt")) {
        wide += c;
        wide += '\0';
    }
    EXPECT_EQ(Scan(wide).links[0].parameters, "^3x.txt");
    // The mark wins over a declaration, and the declaration over the language.
    EXPECT_EQ(FirstParameters("\xEF\xBB\xBF<meta charset=\"windows-1251\">" + ShortCut(",Tipstart.exe,^3\xD0\xB6"),
                              1250, &encoding),
              "^3\xD0\xB6");
    EXPECT_EQ(FirstParameters("<meta charset=\"koi8-r\">" + ShortCut(",Tipstart.exe,^3\xD6"), 1250, &encoding),
              "^3\xD0\xB6");
    EXPECT_EQ(encoding, "koi8-r");
}

TEST(PageTextTest, UndecodableBytesMarkOnlyTheLinkThatHoldsThem)
{
    // What windows-1252 leaves undefined, Windows reads as C1 controls.
    PageScan holes = Scan(ShortCut(",Tipstart.exe,^3\x81\x9D"));
    EXPECT_FALSE(holes.links[0].undecodable);
    EXPECT_EQ(holes.links[0].parameters, "^3\xC2\x81\xC2\x9D");

    std::string page = "<meta charset=\"utf-8\">\xFF" + ShortCut(",Tipstart.exe,^3one.txt") +
                       ShortCut(",Tipstart.exe,^3t\xC3w\xFFo.txt");
    PageScan scan = Scan(page);
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_FALSE(scan.links[0].undecodable);
    EXPECT_TRUE(scan.links[1].undecodable);
    EXPECT_EQ(scan.links[1].parameters, "^3t\xEF\xBF\xBDw\xEF\xBF\xBDo.txt");
    // In a code page of two bytes a character, a lead byte without its trail.
    PageScan big5 = Scan("<meta charset=\"big5\">" + ShortCut(",Tipstart.exe,^3\xA4\xA4\xA4 x"));
    EXPECT_TRUE(big5.links[0].undecodable);
    EXPECT_EQ(big5.links[0].parameters, "^3\xE4\xB8\xAD\xEF\xBF\xBD x");
}

TEST(PageTextTest, EachLabelReadsInItsCodePage)
{
    struct Case {
        const char* label;
        const char* bytes;
        const char* text;
        const char* encoding;
    };
    const Case cases[] = {
        {"shift_jis", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"},
        {"Windows-31J", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"}, {"euc-jp", "\xC6\xFC", "\xE6\x97\xA5", "euc-jp"},
        {"gb2312", "\xD6\xD0", "\xE4\xB8\xAD", "gb2312"}, {"GBK", "\xD6\xD0", "\xE4\xB8\xAD", "gb2312"},
        {"gb18030", "\x81\x30\x81\x30", "\xC2\x80", "gb18030"}, {"big5", "\xA4\xA4", "\xE4\xB8\xAD", "big5"},
        {"euc-kr", "\xC7\xD1", "\xED\x95\x9C", "euc-kr"}, {"ks_c_5601-1987", "\xC7\xD1", "\xED\x95\x9C", "euc-kr"},
        {"koi8-r", "\xD6", "\xD0\xB6", "koi8-r"}, {"KOI8-U", "\xA4", "\xD1\x94", "koi8-u"},
        {"windows-1251", "\xE6", "\xD0\xB6", "windows-1251"}, {"windows-1250", "\xE8", "\xC4\x8D", "windows-1250"},
        {"windows-1253", "\xE1", "\xCE\xB1", "windows-1253"}, {"windows-1254", "\xFD", "\xC4\xB1", "windows-1254"},
        {"windows-1255", "\xE0", "\xD7\x90", "windows-1255"}, {"windows-1256", "\xC7", "\xD8\xA7", "windows-1256"},
        {"windows-1257", "\xE8", "\xC4\x8D", "windows-1257"}, {"windows-1258", "\xE0", "\xC3\xA0", "windows-1258"},
        {"windows-874", "\xA1", "\xE0\xB8\x81", "windows-874"}, {"iso-8859-2", "\xE8", "\xC4\x8D", "iso-8859-2"},
        {"iso-8859-5", "\xD6", "\xD0\xB6", "iso-8859-5"}, {"iso-8859-7", "\xE1", "\xCE\xB1", "iso-8859-7"},
        {"iso-8859-9", "\xFD", "\xC4\xB1", "iso-8859-9"}, {"iso-8859-15", "\xA4", "\xE2\x82\xAC", "iso-8859-15"},
        {"utf8", "\xC3\xA9", "\xC3\xA9", "utf-8"},
        // As in the viewer's engine, ISO-8859-1 and US-ASCII are windows-1252.
        {"ISO-8859-1", "\x80", "\xE2\x82\xAC", "windows-1252"}, {"us-ascii", "\x80", "\xE2\x82\xAC", "windows-1252"},
        {"latin1", "\x9C", "\xC5\x93", "windows-1252"},
        // A label not known here leaves the help file's language to decide.
        {"x-unknown", "\xE6", "\xD0\xB6", "windows-1251"},
    };
    for (const Case& each : cases) {
        std::string link = ShortCut(std::string(",Tipstart.exe,^3") + each.bytes);
        std::string encoding;
        EXPECT_EQ(FirstParameters("<meta charset=\"" + std::string(each.label) + "\">" + link, 1251, &encoding),
                  std::string("^3") + each.text)
            << each.label;
        EXPECT_EQ(encoding, each.encoding) << each.label;
    }
}

TEST(PageTextTest, TheDeclarationIsFoundWhereverTheHeadWritesIt)
{
    std::string link = ShortCut(",Tipstart.exe,^3\xD6");
    std::string encoding;
    for (const char* head : {"<meta http-equiv=\"content-type\" content=\"text/html;charset=koi8-r\">",
                             "<META CONTENT='text/html; charset=KOI8-R' HTTP-EQUIV=Content-Type>",
                             "<meta content=x><meta http-equiv=\" Content-Type \" "
                             "content=\"text/html;charset=koi8-r\">",
                             "<meta charset=' koi8-r '>", "<meta charset=koi8-r><meta charset=utf-8>"}) {
        EXPECT_EQ(FirstParameters(head + link, 1252, &encoding), "^3\xD0\xB6") << head;
    }
    // Other meta elements name no encoding.
    for (const char* head : {"<meta http-equiv=\"refresh\" content=\"0; charset=koi8-r\">",
                             "<meta name=\"charset\" content=\"koi8-r\">", "<meta http-equiv=\"Content-Type\">"}) {
        EXPECT_EQ(FirstParameters(head + link, 1252, &encoding), "^3\xC3\x96") << head;
    }
}

TEST(PageTextTest, TheHelpFileLanguageGivesTheCodePage)
{
    // The .hhp's Language= and the compiled file's LCID name a language,
    // whose ANSI code page Windows gives.
    const unsigned languages[][2] = {
        {0x409, 1252}, {0x405, 1250}, {0x41A, 1250}, {0x419, 1251}, {0x422, 1251}, {0x408, 1253}, {0x41F, 1254},
        {0x40D, 1255}, {0x429, 1256}, {0x427, 1257}, {0x42A, 1258}, {0x41E, 874},  {0x411, 932},  {0x804, 936},
        {0x1004, 936}, {0x404, 950},  {0xC04, 950},  {0x1404, 950}, {0x412, 949},
    };
    for (const auto& language : languages) {
        std::string project = "[OPTIONS]\r\nLanguage=0x" + Hex(language[0]) + " Name\r\n";
        EXPECT_EQ(ProjectCodePage(project), language[1]) << project;
        unsigned char header[0x18] = {'I', 'T', 'S', 'F', 3};
        header[0x14] = static_cast<unsigned char>(language[0] & 0xFF);
        header[0x15] = static_cast<unsigned char>(language[0] >> 8);
        EXPECT_EQ(SystemLanguageCodePage(ChmHeaderLanguage(header, sizeof header)), language[1]) << project;
        header[3] = 'P';
        EXPECT_EQ(ChmHeaderLanguage(header, sizeof header), 0u);
    }
    EXPECT_EQ(ProjectCodePage("[OPTIONS]\nlanguage=1049\n"), 1251u);
    EXPECT_EQ(ProjectCodePage("[OPTIONS]\n;Language=0x419\nTitle=x\n"), 0u);
}

TEST(PageTextTest, UnicodeMarksAndLinkLists)
{
    std::string encoding;
    for (bool bigEndian : {false, true}) {
        PageScan page = Scan(Utf16("<p>\n" + ShortCut(",Tipstart.exe,^3\xC4\x8D"), bigEndian), 1251, false, &encoding);
        EXPECT_EQ(encoding, bigEndian ? "utf-16be" : "utf-16");
        ASSERT_EQ(page.links.size(), 1u);
        EXPECT_EQ(page.links[0].parameters, "^3\xC4\x8D");
        EXPECT_EQ(page.links[0].line, 2u);
        EXPECT_EQ(page.links[0].column, 142u);
    }
    PageScan wide = Scan(Utf16("Tipstart.exe ^3\xC4\x8D\r\n", true), 0, true, &encoding);
    EXPECT_EQ(encoding, "utf-16be");
    EXPECT_EQ(wide.links[0].parameters, "^3\xC4\x8D");
    // A list without a mark is UTF-8 when its bytes are, else windows-1252:
    // neither a declaration nor the language counts in it.
    EXPECT_EQ(Scan("Tipstart.exe ^3caf\xC3\xA9\n", 1251, true, &encoding).links[0].parameters, "^3caf\xC3\xA9");
    EXPECT_EQ(encoding, "utf-8");
    PageScan western = Scan("# <meta charset=\"koi8-r\">\nTipstart.exe ^3caf\xE9\xD6\n", 1251, true, &encoding);
    EXPECT_EQ(encoding, "windows-1252");
    EXPECT_EQ(western.links[0].parameters, "^3caf\xC3\xA9\xC3\x96");
}

// A page as the checker reads a file: whole, or again a block at a time.
PageScan ScanFile(const TestFolder& folder, const std::string& bytes, unsigned languageCodePage, PageText* page)
{
    std::string path = folder.File("page.htm", bytes);
    std::string read;
    std::string reason;
    EXPECT_TRUE(ReadWholeFile(path, &read, &reason)) << reason;
    EXPECT_TRUE(ReadTextFile(path, &read, false, languageCodePage, page, &reason)) << reason;
    PageScan scan;
    FindPageLinks(page->text, page->size, &page->undecodable, &scan);
    return scan;
}

TEST(PageTextTest, APageReadAgainByBlocksReadsAsAWholeOne)
{
    TestFolder folder;
    // Blocks of 64 KiB: a windows-1251 page, and a shift_jis one whose
    // character of two bytes stands across the first block's end.
    std::string filler = "<!--" + std::string(70000, '\xE6') + "-->\n";
    PageText cyrillic;
    PageScan scan = ScanFile(folder, filler + ShortCut(",Tipstart.exe,^3\xE6.txt"), 1251, &cyrillic);
    ASSERT_EQ(scan.links.size(), 1u);
    EXPECT_EQ(cyrillic.encoding, "windows-1251");
    EXPECT_EQ(scan.links[0].parameters, "^3\xD0\xB6.txt");
    EXPECT_EQ(scan.links[0].line, 2u);
    EXPECT_EQ(cyrillic.size, 2 * 70000 + 8 + ShortCut(",Tipstart.exe,^3zh.txt").size());

    std::string head = "<meta charset=\"shift_jis\"><!--";
    std::string object = "-->" + ShortCut(",Tipstart.exe,^3\x93\xFA.txt");
    size_t before = head.size() + object.find('\x93');
    std::string page = head + std::string(65535 - before, 'x') + object;
    ASSERT_EQ(page.find('\x93'), 65535u);
    PageText japanese;
    scan = ScanFile(folder, page, 0, &japanese);
    ASSERT_EQ(scan.links.size(), 1u);
    EXPECT_FALSE(scan.links[0].undecodable);
    EXPECT_EQ(scan.links[0].parameters, "^3\xE6\x97\xA5.txt");

    // A page that is its text already is kept as read, after its mark.
    PageText marked;
    scan = ScanFile(folder, "\xEF\xBB\xBF" + ShortCut(",Tipstart.exe,^3\xC4\x8D"), 1251, &marked);
    EXPECT_TRUE(marked.decoded.empty());
    EXPECT_EQ(marked.text, marked.ownBytes.data() + 3);
    EXPECT_EQ(scan.links[0].parameters, "^3\xC4\x8D");
    EXPECT_EQ(scan.links[0].column, 142u);
}

}  // namespace
