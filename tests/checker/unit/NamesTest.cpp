// Windows' rules for names, as the package platform answers the launcher.
#include <gtest/gtest.h>

#include "checker/Names.h"
#include "checker/Package.h"
#include "tests/checker/unit/TestFolder.h"

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
}

class PackageLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.File("docs/one.txt");
        folder_.File("docs/Česky.txt");
        folder_.File("docs/sub/two.txt");
        folder_.Folder("docs/album.txt");
        PackageStart("C:\\Ext", &package_);
    }

    DocumentMatch Find(const std::string& relative, std::string* found = nullptr)
    {
        std::string ignored;
        return PackageFindDocument("C:\\Ext\\" + relative, folder_.Path(), &package_, found ? found : &ignored);
    }

    // What GetShortPathName gives: the path, or nothing.
    bool ShortPathFound(const std::string& relative)
    {
        return PackageShortPathWalkFinds("C:\\Ext\\" + relative, folder_.Path(), &package_);
    }

    TestFolder folder_;
    Package package_;
};

TEST_F(PackageLookup, FindsDocumentsAsTheFileFunctionsResolveThem)
{
    std::string found;
    EXPECT_EQ(Find("docs\\one.txt"), DocumentExact);
    EXPECT_EQ(Find("DOCS/ČESKY.txt", &found), DocumentOtherCase);
    EXPECT_EQ(found, "docs\\Česky.txt");
    EXPECT_EQ(Find("docs\\one.txt ."), DocumentExact);
    EXPECT_EQ(Find(".\\docs\\sub\\..\\one.txt"), DocumentExact);
    EXPECT_EQ(Find("docs\\album.txt"), DocumentIsFolder);
    EXPECT_EQ(Find("docs\\one.txt\\x"), DocumentMissing);
    EXPECT_EQ(Find("docs\\on?.txt"), DocumentMissing);
    // Up out of the install folder and back in by its own name.
    EXPECT_EQ(PackageFindDocument("C:\\ext\\..\\EXT\\docs\\one.txt", folder_.Path(), &package_, &found), DocumentExact);
    EXPECT_EQ(PackageFindDocument("C:\\Other\\docs\\one.txt", folder_.Path(), &package_, &found), DocumentMissing);
}

TEST_F(PackageLookup, TheShortPathWalkChecksEveryFolderAsWritten)
{
    EXPECT_TRUE(ShortPathFound("docs\\one.txt."));
    EXPECT_TRUE(ShortPathFound("docs.\\one.txt"));  // each part is looked up alone, and trimmed
    EXPECT_TRUE(ShortPathFound("docs\\sub\\..\\one.txt"));
    EXPECT_TRUE(ShortPathFound("docs\\album.txt"));
    EXPECT_FALSE(ShortPathFound("docs\\nosuch\\..\\one.txt"));
    EXPECT_FALSE(ShortPathFound("docs\\missing.txt"));
}

TEST_F(PackageLookup, NothingIsFoundPastMaxPath)
{
    // "C:\Ext\" and "docs\" take 12 characters: a name of 247 reaches 259.
    std::string name = std::string(243, 'n') + ".txt";
    folder_.File("docs/" + name);
    EXPECT_EQ(WindowsPathLength("C:\\Ext\\docs\\" + name), 259u);
    EXPECT_EQ(Find("docs\\" + name), DocumentExact);
    EXPECT_TRUE(ShortPathFound("docs\\" + name));
    // A doubled separator makes 260, though it resolves to the same file.
    EXPECT_EQ(Find("docs\\\\" + name), DocumentMissing);
    EXPECT_FALSE(ShortPathFound("docs\\\\" + name));
}

}  // namespace
