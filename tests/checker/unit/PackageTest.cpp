// The package: documents found below the install folder as Windows' file
// functions find them, and the short-path walk that gives a tool its document.
#include <gtest/gtest.h>

#include "checker/system/Names.h"
#include "checker/predict/Package.h"
#include "tests/checker/unit/TestFolder.h"

namespace {

class PackageTest : public ::testing::Test {
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

TEST_F(PackageTest, FindsDocumentsAsTheFileFunctionsResolveThem)
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
    EXPECT_EQ(found, "docs\\one.txt");
}

TEST_F(PackageTest, PathsOutsideTheInstallFolderReachTheMachine)
{
    std::string found;
    EXPECT_EQ(PackageFindDocument("C:\\Other\\docs\\one.txt", folder_.Path(), &package_, &found), DocumentOutside);
    EXPECT_EQ(found, "C:\\Other\\docs\\one.txt");
    EXPECT_EQ(Find("..\\..\\Windows\\win.ini", &found), DocumentOutside);
    EXPECT_EQ(found, "C:\\Windows\\win.ini");
    EXPECT_EQ(Find("..", &found), DocumentOutside);  // the folder above
    EXPECT_EQ(found, "C:");
    EXPECT_EQ(Find("..\\Ext\\docs\\nosuch.txt"), DocumentMissing);  // back inside: the package answers
    EXPECT_TRUE(ShortPathFound("..\\tools\\assoc.exe"));
}

TEST_F(PackageTest, DevicesTrailingPeriodsAndSeparatorsFollowWindowsNameRules)
{
    folder_.File("docs/aux.txt");
    std::string found;
    EXPECT_EQ(Find("docs\\aux.txt", &found), DocumentDevice);
    EXPECT_EQ(found, "AUX");
    EXPECT_EQ(Find("docs\\NUL"), DocumentDevice);  // whether or not the package holds it
    EXPECT_EQ(Find("..\\com1.log"), DocumentDevice);
    EXPECT_TRUE(ShortPathFound("docs\\aux.txt"));
    EXPECT_EQ(Find("docs\\aux\\one.txt"), DocumentMissing);  // only the last name counts
    EXPECT_EQ(Find("docs.\\one.txt"), DocumentExact);
    EXPECT_EQ(Find("docs\\sub.\\two.txt"), DocumentExact);
    EXPECT_EQ(Find("docs..\\one.txt"), DocumentMissing);
    EXPECT_EQ(Find("docs\\one.txt\\"), DocumentMissing);  // a file followed by a separator names nothing
    EXPECT_EQ(Find("docs\\one.txt.\\"), DocumentMissing);
    EXPECT_FALSE(ShortPathFound("docs\\one.txt\\"));
    EXPECT_EQ(Find("docs\\sub\\"), DocumentIsFolder);
}

TEST_F(PackageTest, TheShortPathWalkChecksEveryFolderAsWritten)
{
    EXPECT_TRUE(ShortPathFound("docs\\one.txt."));
    EXPECT_TRUE(ShortPathFound("docs.\\one.txt"));  // each part is looked up alone, and trimmed
    EXPECT_TRUE(ShortPathFound("docs\\sub\\..\\one.txt"));
    EXPECT_TRUE(ShortPathFound("docs\\album.txt"));
    EXPECT_FALSE(ShortPathFound("docs\\nosuch\\..\\one.txt"));
    EXPECT_FALSE(ShortPathFound("docs\\missing.txt"));
}

TEST_F(PackageTest, NothingIsFoundPastMaxPath)
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

TEST_F(PackageTest, FoldersMatchInAnyCaseAndNamesNeedValidCharacters)
{
    // Names a Linux disk holds but no Windows file name does.
    const char* const invalid[] = {"o*e.txt", "o?e.txt", "o:e.txt", "o|e.txt", "o\"e.txt", "<one>.txt", "one\x01.txt"};
    for (const char* name : invalid) {
        folder_.File(std::string("docs/") + name);
    }
    for (const char* name : invalid) {
        EXPECT_EQ(Find(std::string("docs\\") + name), DocumentMissing) << name;
    }
    std::string found;
    EXPECT_EQ(Find("DOCS\\SUB\\two.txt", &found), DocumentOtherCase);
    EXPECT_EQ(found, "docs\\sub\\two.txt");
    // The install folder's own spelling is Tipstart's, not the link's.
    EXPECT_EQ(PackageFindDocument("c:\\ext\\docs\\one.txt", folder_.Path(), &package_, &found), DocumentExact);
    EXPECT_EQ(PackageFindDocument("C:\\Ext", folder_.Path(), &package_, &found), DocumentIsFolder);
    EXPECT_EQ(Find("docs\\"), DocumentIsFolder);
}

}  // namespace
