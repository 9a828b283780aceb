// Page text as the help viewer reads it: the byte-order mark, the page's own
// declaration, the help file's language, else windows-1252; link lists; and
// pages decoded a block at a time as they are read again.
#include <gtest/gtest.h>

#include "checker/system/FileBytes.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/input/Project.h"
#include "checker/core/TextTools.h"
#include "checker/input/chm/ChmStorage.h"
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
    // Labels of the viewer's charset database, aliases among them.
    const Case cases[] = {
        {"shift_jis", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"}, {"x-sjis", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"},
        {"MS_Kanji", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"}, {"csShiftJIS", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"},
        {"x-ms-cp932", "\x93\xFA", "\xE6\x97\xA5", "shift_jis"}, {"euc-jp", "\xC6\xFC", "\xE6\x97\xA5", "euc-jp"},
        {"x-euc-jp", "\xC6\xFC", "\xE6\x97\xA5", "euc-jp"},
        {"gb2312", "\xD6\xD0", "\xE4\xB8\xAD", "gb2312"}, {"GBK", "\xD6\xD0", "\xE4\xB8\xAD", "gb2312"},
        {"big5", "\xA4\xA4", "\xE4\xB8\xAD", "big5"}, {"x-x-big5", "\xA4\xA4", "\xE4\xB8\xAD", "big5"},
        {"euc-kr", "\xC7\xD1", "\xED\x95\x9C", "euc-kr"}, {"ks_c_5601-1987", "\xC7\xD1", "\xED\x95\x9C", "euc-kr"},
        {"koi8-r", "\xD6", "\xD0\xB6", "koi8-r"}, {"koi8-ru", "\xA4", "\xD1\x94", "koi8-u"},
        {"windows-1251", "\xE6", "\xD0\xB6", "windows-1251"}, {"x-cp1251", "\xE6", "\xD0\xB6", "windows-1251"},
        {"windows-1250", "\xE8", "\xC4\x8D", "windows-1250"}, {"x-cp1250", "\xE8", "\xC4\x8D", "windows-1250"},
        {"windows-1253", "\xE1", "\xCE\xB1", "windows-1253"}, {"windows-1254", "\xFD", "\xC4\xB1", "windows-1254"},
        {"windows-1255", "\xE0", "\xD7\x90", "windows-1255"}, {"windows-1256", "\xC7", "\xD8\xA7", "windows-1256"},
        {"windows-1257", "\xE8", "\xC4\x8D", "windows-1257"}, {"windows-1258", "\xE0", "\xC3\xA0", "windows-1258"},
        {"windows-874", "\xA1", "\xE0\xB8\x81", "windows-874"}, {"iso-8859-2", "\xE8", "\xC4\x8D", "iso-8859-2"},
        {"iso-8859-5", "\xD6", "\xD0\xB6", "iso-8859-5"}, {"iso-8859-7", "\xE1", "\xCE\xB1", "iso-8859-7"},
        // The database reads iso-8859-9 and latin5 as windows-1254, as WHATWG's Encoding Standard does.
        {"iso-8859-9", "\xFD", "\xC4\xB1", "windows-1254"}, {"latin5", "\x80", "\xE2\x82\xAC", "windows-1254"},
        {"utf-8", "\xC3\xA9", "\xC3\xA9", "utf-8"}, {"unicode-1-1-utf-8", "\xC3\xA9", "\xC3\xA9", "utf-8"},
        // As in the viewer's engine, ISO-8859-1 and US-ASCII are windows-1252.
        {"ISO-8859-1", "\x80", "\xE2\x82\xAC", "windows-1252"}, {"us-ascii", "\x80", "\xE2\x82\xAC", "windows-1252"},
        {"latin1", "\x9C", "\xC5\x93", "windows-1252"}, {"ANSI_X3.4-1968", "\x80", "\xE2\x82\xAC", "windows-1252"},
        // Names MLang gives its code pages, beside the database.
        {"GB18030", "\xD6\xD0", "\xE4\xB8\xAD", "gb18030"}, {"iso-8859-15", "\xA4", "\xE2\x82\xAC", "iso-8859-15"},
        // A label outside both leaves the help file's language to decide.
        {"x-unknown", "\xE6", "\xD0\xB6", "windows-1251"}, {"utf8", "\xE6", "\xD0\xB6", "windows-1251"},
        {"windows-31j", "\xE6", "\xD0\xB6", "windows-1251"},
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
    // Ids whose code page is not their primary language's, as Windows (and
    // the table generated from it) answers: Cyrillic Serbian, Bosnian,
    // Azerbaijani and Uzbek, Kyrgyz, Mongolian, Tajik, Bashkir, Yakut; Latin
    // Azerbaijani and Uzbek; Turkmen; Uyghur, Dari, Kurdish, Sindhi, Punjabi
    // (Arabic); Chinese (Traditional) 0x7c04. A language without an ANSI code
    // page (Hindi), and the ids of the machine's own locale, give none.
    const unsigned others[][2] = {
        {0x1C1A, 1251}, {0x201A, 1251}, {0x281A, 1251}, {0x301A, 1251}, {0x82C, 1251}, {0x843, 1251},
        {0x440, 1251},  {0x450, 1251},  {0x428, 1251},  {0x46D, 1251},  {0x485, 1251}, {0x42C, 1254},
        {0x443, 1254},  {0x442, 1250},  {0x480, 1256},  {0x48C, 1256},  {0x492, 1256}, {0x859, 1256},
        {0x846, 1256},  {0x7C04, 950},  {0x10407, 1252}, {0x439, 0},    {0x0, 0},      {0x400, 0},
        {0x800, 0},     {0xC00, 0},     {0x1000, 0},    {0x1400, 0},    {0x7F, 1252},
    };
    for (const auto& language : others) {
        EXPECT_EQ(SystemLanguageCodePage(language[0]), language[1]) << Hex(language[0]);
    }
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

// UTF-8 text as UTF-7 writes it: the characters of markup and "é" each as
// its own base64 run, the way pages in UTF-7 hide their ShortCut objects.
std::string Utf7(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "+ADw-"; break;
        case '>': out += "+AD4-"; break;
        case '"': out += "+ACI-"; break;
        case '=': out += "+AD0-"; break;
        default: out += c; break;
        }
    }
    return out;
}

// UTF-16LE code units, with the mark.
std::string Utf16Units(std::initializer_list<unsigned> units, const std::string& asciiAfter)
{
    std::string out = "\xFF\xFE";
    for (unsigned unit : units) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    for (char c : asciiAfter) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(PageTextTest, UndefinedBytesOfTheWindowsCodePagesAreC1Controls)
{
    // As Windows and Wine read them: windows-1251's 0x98, windows-1250's
    // 0x81, windows-1253's 0x9F are U+0098, U+0081, U+009F; every byte from
    // 0x80 to 0x9F of windows-1250 to windows-1258 is a character.
    EXPECT_EQ(FirstParameters(ShortCut(",Tipstart.exe,^3\x98"), 1251, nullptr), "^3\xC2\x98");
    EXPECT_EQ(FirstParameters(ShortCut(",Tipstart.exe,^3\x81\x88"), 1250, nullptr), "^3\xC2\x81\xC2\x88");
    EXPECT_EQ(FirstParameters(ShortCut(",Tipstart.exe,^3\x9F\x80"), 1253, nullptr), "^3\xC2\x9F\xE2\x82\xAC");
    for (unsigned codePage = 1250; codePage <= 1258; ++codePage) {
        for (unsigned c = 0x80; c <= 0x9F; ++c) {
            std::string out;
            std::vector<size_t> undecodable;
            std::string byte(1, static_cast<char>(c));
            ASSERT_TRUE(SystemDecode(codePage, byte.data(), 1, &out, &undecodable));
            EXPECT_TRUE(undecodable.empty()) << codePage << " " << Hex(c);
        }
    }
    // Above 0x9F an undefined byte stays undecodable (windows-1253's 0xAA).
    PageScan greek = Scan(ShortCut(",Tipstart.exe,^3\xAA"), 1253);
    ASSERT_EQ(greek.links.size(), 1u);
    EXPECT_TRUE(greek.links[0].undecodable);
}

TEST(PageTextTest, AUtf16LabelWithoutAMarkMeansUtf8)
{
    // The database's UTF-16 labels ("unicode", "unicodeFFFE") on a page of
    // 8-bit bytes: as in HTML5, UTF-8, and the links are found.
    for (const char* label : {"unicode", "unicodeFFFE", "Unicode"}) {
        std::string encoding;
        PageScan scan = Scan(std::string("<meta charset=\"") + label + "\">\n" +
                                 ShortCut(",Tipstart.exe,^3docs\\caf\xC3\xA9.txt"),
                             1251, false, &encoding);
        EXPECT_EQ(encoding, "utf-8") << label;
        ASSERT_EQ(scan.links.size(), 1u) << label;
        EXPECT_EQ(scan.links[0].parameters, "^3docs\\caf\xC3\xA9.txt");
        EXPECT_EQ(scan.links[0].line, 2u);
        EXPECT_EQ(scan.links[0].column, 142u);
    }
    // "utf-16" is not in the database: an ASCII page declaring it keeps its
    // links, read in the language's code page, and the label is noted.
    PageText page;
    std::string bytes = "<meta charset=\"utf-16\">\n" + ShortCut(",Tipstart.exe,^3one.txt");
    ReadPageText(bytes.data(), bytes.size(), false, 0, &page);
    EXPECT_EQ(page.encoding, "windows-1252");
    EXPECT_EQ(page.unknownCharset, "utf-16");
    PageScan scan;
    FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    ASSERT_EQ(scan.links.size(), 1u);
    EXPECT_EQ(scan.links[0].line, 2u);
    EXPECT_EQ(scan.links[0].column, 142u);
    // A UTF-16 mark still wins, whatever the page declares.
    EXPECT_EQ(Scan(Utf16("<meta charset=\"utf-8\">\n" + ShortCut(",Tipstart.exe,^3\xC4\x8D"), false)).links.at(0)
                  .parameters,
              "^3\xC4\x8D");
}

TEST(PageTextTest, Utf7PagesAreDecoded)
{
    for (const char* label : {"utf-7", "csUnicode11UTF7", "x-unicode-2-0-utf-7"}) {
        std::string encoding;
        std::string head = std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + label +
                           "\">\n<p>\n";
        // The head is ASCII, which UTF-7 leaves as it is; the objects are hidden.
        PageScan scan = Scan(head + Utf7(ShortCut(",Tipstart.exe,^3docs/caf")) + "+AOk-" +
                                 Utf7(ShortCut(",Tipstart.exe,^3two.txt")),
                             1252, false, &encoding);
        EXPECT_EQ(encoding, "utf-7") << label;
        ASSERT_EQ(scan.links.size(), 2u) << label;
        EXPECT_EQ(scan.links[0].parameters, "^3docs/caf");
        EXPECT_EQ(scan.links[0].line, 3u);
        EXPECT_EQ(scan.links[0].column, 142u);
        // "+AOk-" is one character, é, between the objects.
        EXPECT_EQ(scan.links[1].line, 3u);
        EXPECT_EQ(scan.links[1].column, 162u + 1 + 142);  // the first object takes 162
    }
}

TEST(PageTextTest, ASurrogateWithoutItsHalfIsOneCharacterOfUtf16)
{
    // A lone low surrogate, a lone high one, then a pair (U+1F600): each
    // lone one is one U+FFFD, and the text after them stays in step.
    PageText page;
    std::string bytes = Utf16Units({'<', 'p', '>', 0xDC00, 0xD800, 0xD83D, 0xDE00, '\n'},
                                   ShortCut(",Tipstart.exe,^3one.txt"));
    bytes += std::string("\x00\xD8", 2);  // a high surrogate at the very end
    ReadPageText(bytes.data(), bytes.size(), false, 1252, &page);
    std::string text(page.text, page.size);
    EXPECT_EQ(text.substr(0, 14), "<p>\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80\n");
    EXPECT_EQ(text.substr(text.size() - 3), "\xEF\xBF\xBD");
    EXPECT_EQ(page.undecodable, (std::vector<size_t>{3, 6, text.size() - 3}));
    PageScan scan;
    FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    ASSERT_EQ(scan.links.size(), 1u);
    EXPECT_EQ(scan.links[0].parameters, "^3one.txt");
    EXPECT_EQ(scan.links[0].line, 2u);
    EXPECT_EQ(scan.links[0].column, 142u);
    // An odd last byte is one U+FFFD too.
    bytes = Utf16Units({'a'}, "") + "b";
    ReadPageText(bytes.data(), bytes.size(), false, 1252, &page);
    EXPECT_EQ(std::string(page.text, page.size), "a\xEF\xBF\xBD");
}

TEST(PageTextTest, APageThatLooksLikeUtf8ButDeclaresNothingIsNoted)
{
    struct Case {
        std::string bytes;
        unsigned languageCodePage;
        bool noted;
    };
    const Case cases[] = {
        {"<p>\xC3\x9C" "berblick</p>", 0, true},
        {"<p>\xC3\x9C" "berblick</p>", 1251, true},
        {"<p>\xC3\x9C" "berblick</p>", 65001, false},             // the language's code page is UTF-8
        {"<p>Uberblick</p>", 0, false},                            // ASCII reads alike in every code page
        {"<p>\xDC" "berblick</p>", 0, false},                      // not UTF-8
        {"<meta charset=\"windows-1252\"><p>\xC3\x9C</p>", 0, false},  // declared
        {"<meta charset=\"x-none\"><p>\xC3\x9C</p>", 0, false},      // declared, if unknown
        {"\xEF\xBB\xBF<p>\xC3\x9C</p>", 0, false},                 // marked
    };
    for (const Case& each : cases) {
        PageText page;
        ReadPageText(each.bytes.data(), each.bytes.size(), false, each.languageCodePage, &page);
        EXPECT_EQ(page.undeclaredUtf8, each.noted) << each.bytes;
        EXPECT_EQ(page.utf8Reading, each.noted ? each.bytes : std::string()) << each.bytes;
    }
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

TEST(PageTextTest, APagesNulBytesAreDroppedAndTheRestRead)
{
    std::string bytes("<OBJ\0ECT>\0", 10);
    PageText page;
    std::string reason;
    ASSERT_TRUE(ReadTextBytes(bytes.data(), bytes.size(), false, 0, &page, &reason));
    EXPECT_EQ(std::string(page.text, page.size), "<OBJECT>");
    EXPECT_FALSE(ReadTextBytes(bytes.data(), bytes.size(), true, 0, &page, &reason));
}
