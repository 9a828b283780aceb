// Finding links: the ShortCut objects of pages as the HTML Help control
// reads them, their character references, and the lines of link lists.
#include <gtest/gtest.h>

#include "checker/LinkFinder.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

// The links of UTF-8 text, as a page or as a link list.
PageScan Links(const std::string& text, bool isList = false)
{
    PageScan scan;
    if (isList) {
        FindListLinks(text.data(), text.size(), nullptr, &scan);
    } else {
        FindPageLinks(text.data(), text.size(), nullptr, &scan);
    }
    return scan;
}

// Each link as "line:column program|parameters", with "*" for one that
// starts Tipstart.
std::string Described(const PageScan& scan)
{
    std::string all;
    for (const FoundLink& link : scan.links) {
        all += std::to_string(link.line) + ":" + std::to_string(link.column) + (link.startsTipstart ? " *" : " ") +
               link.program + "|" + link.parameters + "\n";
    }
    return all;
}

TEST(LinkFinderTest, LfCrlfAndALoneCrEachEndALine)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_EQ(Links("a\rb\r" + link).links[0].line, 3u);
    EXPECT_EQ(Links("a\r\nb\n\r" + link).links[0].line, 4u);
    PageScan list = Links("# links\rTipstart.exe ^3a\r\n\r\"C:\\Program Files\\Tipstart.exe\"  ^4b", true);
    ASSERT_EQ(list.links.size(), 2u);
    EXPECT_EQ(list.links[0].line, 2u);
    EXPECT_EQ(list.links[0].parameters, "^3a");
    EXPECT_EQ(list.links[1].line, 4u);
    EXPECT_EQ(list.links[1].column, 34u);
    EXPECT_EQ(list.links[1].program, "C:\\Program Files\\Tipstart.exe");
}

TEST(LinkFinderTest, WhatIsAndIsNotALink)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_TRUE(Links("<!-- " + link + " -->").links.empty());
    EXPECT_TRUE(Links("<script>" + link + "</script>").links.empty());
    EXPECT_EQ(Links("<SCRIPT>var a;</SCRIPT>" + link).links.size(), 1u);
    EXPECT_EQ(Links("<style>p{}</STYLE>" + link).links.size(), 1u);
    PageScan other = Links(ShortCut(",cmd.exe,/c calc") + ShortCut(",C:\\X\\TIPSTART.EXE,^3x"));
    ASSERT_EQ(other.links.size(), 2u);
    EXPECT_FALSE(other.links[0].startsTipstart);
    EXPECT_EQ(other.links[0].program, "cmd.exe");
    EXPECT_EQ(other.links[0].parameters, "/c calc");
    EXPECT_TRUE(other.links[1].startsTipstart);
}

TEST(LinkFinderTest, CharacterReferencesAreDecodedAndPlaced)
{
    PageScan scan = Links(ShortCut(",Tipstart.exe,&#X5E;3a&amp;b&#x5e;&lt;") + "\n" +
                          ShortCut(",Tipstart.exe,^3&#;x"));
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(scan.links[0].parameters, "^3a&b^<");
    EXPECT_EQ(scan.links[0].column, 142u);
    ASSERT_EQ(scan.remarks.size(), 1u);
    EXPECT_EQ(scan.remarks[0].line, 2u);
    EXPECT_EQ(scan.remarks[0].column, 144u);
}

TEST(LinkFinderTest, EachMalformedReferenceIsSaidAtItsPlace)
{
    PageScan scan = Links(ShortCut(",Tipstart.exe,^3&#;a&#xD800;b&#99999999999;c&#0;d&#65 e&amp f&nosuch;g&h&nbsp;") +
                          ShortCut(",cmd.exe,&#;"));
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(scan.links[0].parameters,
              "^3&#;a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD" "dA e& f&nosuch;g&h\xC2\xA0");
    std::string remarks;
    for (const PageRemark& remark : scan.remarks) {
        EXPECT_EQ(remark.rule, RuleCharacterReference);
        remarks += std::to_string(remark.line) + ":" + std::to_string(remark.column) + " " + remark.message + "\n";
    }
    // The other program's reference is not Tipstart's concern.
    EXPECT_EQ(remarks,
              "1:144 malformed character reference \"&#;\": no digits; kept as written\n"
              "1:148 malformed character reference \"&#xD800;\": no such character; read as U+FFFD\n"
              "1:157 malformed character reference \"&#99999999999;\": no such character; read as U+FFFD\n"
              "1:172 malformed character reference \"&#0;\": no such character; read as U+FFFD\n"
              "1:177 character reference \"&#65\" lacks its \";\"\n"
              "1:183 character reference \"&amp\" lacks its \";\"\n"
              "1:189 unknown character reference \"&nosuch;\"; kept as written\n");
}

TEST(LinkFinderTest, ItemOneIsAWindowClassAProgramAndItsParameters)
{
    // Commas after the second belong to the parameters; without a second,
    // there are none.
    EXPECT_EQ(Described(Links(ShortCut(",Tipstart.exe,^3a,b") + ShortCut(" , Tipstart.exe ,^3 x") +
                              ShortCut(",Tipstart.exe") + ShortCut("Tipstart.exe,^3x") +
                              ShortCut(",Tip&#115;tart.exe,^3x"))),
              "1:142 *Tipstart.exe|^3a,b\n1:302 *Tipstart.exe|^3 x\n1:457 *Tipstart.exe|\n1:611 ^3x|\n"
              "1:768 *Tipstart.exe|^3x\n");
    EXPECT_TRUE(NamesTipstart("C:/Ext\\tipstart.EXE"));
    EXPECT_FALSE(NamesTipstart("MyTipstart.exe"));
    // Every line of a list counts as a Tipstart link.
    EXPECT_EQ(Described(Links("  # a comment\n\n\"C:\\Program Files\\Tipstart.exe\"^4x\ncmd.exe /c calc\nTipstart.exe",
                              true)),
              "3:32 *C:\\Program Files\\Tipstart.exe|^4x\n4:9 *cmd.exe|/c calc\n5:13 *Tipstart.exe|\n");
}

}  // namespace
