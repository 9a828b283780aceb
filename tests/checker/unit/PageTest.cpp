// Finding links in page text as the help viewer reads it: encodings, line
// ends, columns, and what is not a link.
#include <gtest/gtest.h>

#include "checker/LinkFinder.h"
#include "checker/PageText.h"

namespace {

std::string ShortCut(const std::string& item1)
{
    return "<OBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
           "<PARAM name=\"Command\" value=\"ShortCut\"><PARAM name=\"Item1\" value=\"" +
           item1 + "\"></OBJECT>";
}

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

TEST(PageEncoding, Windows1252IsTheDefaultAndTheLanguageComesNext)
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

TEST(PageEncoding, AMarkOrADeclarationWinsOverTheLanguage)
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
}

TEST(PageEncoding, UndecodableBytesMarkOnlyTheLinkThatHoldsThem)
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
}

TEST(PageLines, LfCrlfAndALoneCrEachEndALine)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_EQ(Scan("a\rb\r" + link).links[0].line, 3u);
    EXPECT_EQ(Scan("a\r\nb\n\r" + link).links[0].line, 4u);
    PageScan list = Scan("# links\rTipstart.exe ^3a\r\n\r\"C:\\Program Files\\Tipstart.exe\"  ^4b", 0, true);
    ASSERT_EQ(list.links.size(), 2u);
    EXPECT_EQ(list.links[0].line, 2u);
    EXPECT_EQ(list.links[0].parameters, "^3a");
    EXPECT_EQ(list.links[1].line, 4u);
    EXPECT_EQ(list.links[1].column, 34u);
    EXPECT_EQ(list.links[1].program, "C:\\Program Files\\Tipstart.exe");
}

TEST(PageLinks, WhatIsAndIsNotALink)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_TRUE(Scan("<!-- " + link + " -->").links.empty());
    EXPECT_TRUE(Scan("<script>" + link + "</script>").links.empty());
    EXPECT_EQ(Scan("<SCRIPT>var a;</SCRIPT>" + link).links.size(), 1u);
    EXPECT_EQ(Scan("<style>p{}</STYLE>" + link).links.size(), 1u);
    PageScan other = Scan(ShortCut(",cmd.exe,/c calc") + ShortCut(",C:\\X\\TIPSTART.EXE,^3x"));
    ASSERT_EQ(other.links.size(), 2u);
    EXPECT_FALSE(other.links[0].startsTipstart);
    EXPECT_EQ(other.links[0].program, "cmd.exe");
    EXPECT_EQ(other.links[0].parameters, "/c calc");
    EXPECT_TRUE(other.links[1].startsTipstart);
}

TEST(PageLinks, CharacterReferencesAreDecodedAndPlaced)
{
    PageScan scan = Scan(ShortCut(",Tipstart.exe,&#X5E;3a&amp;b&#x5e;&lt;") + "\n" +
                         ShortCut(",Tipstart.exe,^3&#;x"));
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(scan.links[0].parameters, "^3a&b^<");
    EXPECT_EQ(scan.links[0].column, 142u);
    ASSERT_EQ(scan.remarks.size(), 1u);
    EXPECT_EQ(scan.remarks[0].line, 2u);
    EXPECT_EQ(scan.remarks[0].column, 144u);
}

}  // namespace
