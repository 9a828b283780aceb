// Windows' rules for names: separators, dots, trailing periods and spaces,
// letter case and MAX_PATH.
#include <gtest/gtest.h>

#include "checker/Names.h"

namespace {

std::vector<std::string> Resolved(const std::string& path)
{
    std::vector<std::string> parts = PathParts(path);
    EXPECT_TRUE(ResolvePathParts(&parts, EndsWithSeparator(path))) << path;
    return parts;
}

TEST(NameRules, SeparatorsDotsAndTrailingPeriodsAndSpaces)
{
    typedef std::vector<std::string> Parts;
    EXPECT_EQ(Resolved("docs\\\\sub//two.txt"), (Parts{"docs", "sub", "two.txt"}));
    EXPECT_EQ(Resolved("docs\\.\\sub\\..\\one.txt"), (Parts{"docs", "one.txt"}));
    EXPECT_EQ(Resolved("docs\\one.txt. . ."), (Parts{"docs", "one.txt"}));
    // Only the last part is trimmed, and not when a separator ends the path.
    EXPECT_EQ(Resolved("docs.\\one.txt"), (Parts{"docs.", "one.txt"}));
    EXPECT_EQ(Resolved("docs\\one.txt.\\"), (Parts{"docs", "one.txt."}));
    EXPECT_EQ(Resolved("docs\\..."), (Parts{"docs"}));
    std::vector<std::string> above = PathParts("docs\\..\\..\\x");
    EXPECT_FALSE(ResolvePathParts(&above, false));
}

TEST(NameRules, CaseFollowsTheSimpleUppercaseMappingOfTheBasicPlane)
{
    EXPECT_EQ(NameKey("Česky.txt"), NameKey("česky.TXT"));
    EXPECT_EQ(NameKey("Ωmega"), NameKey("ωMEGA"));
    EXPECT_EQ(NameKey("Жук"), NameKey("жУК"));
    EXPECT_EQ(NameKey("ǆ"), NameKey("Ǆ"));
    // No simple mapping makes "ß" into "SS"; NTFS's table has no entries
    // past U+FFFF, so Deseret letters keep their case.
    EXPECT_NE(NameKey("straße"), NameKey("STRASSE"));
    EXPECT_NE(NameKey("\xF0\x90\x90\xA8"), NameKey("\xF0\x90\x90\x80"));
    EXPECT_EQ(NameKey("a\xFF" "b"), "A\xFF" "B");
}

TEST(NameRules, MaxPathCountsUtf16Units)
{
    EXPECT_EQ(WindowsPathLength("C:\\é"), 4u);
    EXPECT_EQ(WindowsPathLength("C:\\\xF0\x9F\x98\x80"), 5u);
    EXPECT_EQ(WindowsPathLength("\xFF"), 1u);
    EXPECT_EQ(WindowsPathLength("C:\\\xEF\xBF\xBF"), 4u);  // U+FFFF, the plane's last, takes one unit
}

}  // namespace
