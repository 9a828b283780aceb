// Which folder stands beside Tipstart.exe for each help file, and which
// project gives a page its language: searched upwards to the repository's
// root, whatever folder the checker runs in.
#include <gtest/gtest.h>

#include "checker/input/FolderChoice.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

class FolderChoiceTest : public Checking {
protected:
    HelpFolders Choose(const std::string& file, bool compiled)
    {
        return ChooseFolders(folder_.Path(file), compiled, options_.folders, &choice_);
    }

    FolderChoice choice_;
};

TEST_F(FolderChoiceTest, EachHelpFileFindsItsOwnTipstartFolder)
{
    std::string link = ShortCutLine(",Tipstart.exe,^3docs\\one.txt");
    folder_.File("a/Tipstart.exe");
    folder_.File("a/docs/one.txt");
    folder_.File("a/pages/one.htm", link);
    folder_.File("b/TIPSTART.EXE");
    folder_.File("b/pages/two.htm", link);
    EXPECT_EQ(Check({""}), "missing-document") << Messages();
    EXPECT_EQ(Results().findings[0].place.file, folder_.Path("b/pages/two.htm"));
    EXPECT_EQ(Results().links, 2u);
}

TEST_F(FolderChoiceTest, WithoutTipstartTheProjectOrTheCompiledFileDecides)
{
    // A project above the repository's root is not looked at.
    std::string link = ShortCutLine(",Tipstart.exe,^3docs\\one.txt");
    folder_.File("stray.hhp");
    folder_.Folder("work/.git");
    folder_.File("work/help/Help.hhp", "[OPTIONS]\nLanguage=0x409\n");
    folder_.File("work/help/docs/one.txt");
    folder_.File("work/help/pages/deep/one.htm", link);
    folder_.File("work/loose/docs/one.txt");
    folder_.File("work/loose/one.htm", link);
    options_.folders.workingFolder = folder_.Path("work");
    Restart();
    EXPECT_EQ(Check({"work/help/pages/deep/one.htm", "work/loose/one.htm"}), "") << Messages();
}

TEST_F(FolderChoiceTest, ACompiledHelpFileShipsBesideItsDocumentsWhateverProjectIsAbove)
{
    folder_.File("Help.hhp");
    std::string help = folder_.File("dist/Help.chm", "");
    std::string page = folder_.File("dist/page.htm", "");
    FolderChoice choice;
    EXPECT_EQ(ChooseFolders(help, true, options_.folders, &choice).documents, folder_.Path("dist"));
    EXPECT_EQ(ChooseFolders(page, false, options_.folders, &choice).documents, folder_.Path());
    folder_.File("Tipstart.exe");
    choice = FolderChoice();
    EXPECT_EQ(ChooseFolders(help, true, options_.folders, &choice).documents, folder_.Path());
}

TEST_F(FolderChoiceTest, TheSearchGoesAboveTheFolderTheCheckerRunsIn)
{
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("repo/help/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    options_.folders.workingFolder = folder_.Path("repo/help");
    Restart();
    EXPECT_EQ(Check({"repo/help/one.htm"}), "") << Messages();
}

TEST_F(FolderChoiceTest, TheSearchStopsAtTheRepositorysRoot)
{
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("repo/help/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    for (const char* marker : {"repo/.git", "repo/.hg/requires", "repo/.svn/entries"}) {
        std::string made = folder_.File(marker);
        options_.folders.workingFolder = folder_.Path("repo/help");
        Restart();
        EXPECT_EQ(Check({"repo/help/one.htm"}), "missing-document") << marker;
        FolderChoice choice;
        EXPECT_EQ(RepositoryRoot(folder_.Path("repo/help/one.htm"), options_.folders, &choice), folder_.Path("repo"));
        remove(made.c_str());
    }
}

TEST_F(FolderChoiceTest, TheExeFolderWinsOverEverything)
{
    folder_.File("Tipstart.exe");
    folder_.File("pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    folder_.File("elsewhere/docs/one.txt");
    EXPECT_EQ(Check({"pages/one.htm"}), "missing-document");
    options_.folders.exeFolder = folder_.Path("elsewhere");
    Restart();
    EXPECT_EQ(Check({"pages/one.htm"}), "") << Messages();
}

TEST_F(FolderChoiceTest, OfTwoProjectsInAFolderTheFirstByNameWins)
{
    folder_.File("help/b.hhp", "[OPTIONS]\nLanguage=0x419\n");
    folder_.File("help/a.hhp", "[OPTIONS]\nLanguage=0x405\n");
    folder_.Folder("help/0.hhp");  // a folder is no project
    folder_.File("help/pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\\xE8.txt"));
    folder_.File("help/docs/\xC4\x8D.txt");
    HelpFolders folders = Choose("help/pages/one.htm", false);
    EXPECT_EQ(folders.documents, folder_.Path("help"));
    EXPECT_EQ(folders.project, folder_.Path("help/a.hhp"));
    // Read in a.hhp's windows-1250, the byte is "č", which the package holds.
    EXPECT_EQ(Check({"help/pages/one.htm"}), "non-ascii-name") << Messages();
}

TEST_F(FolderChoiceTest, TipstartAboveAProjectStandsBesideTheDocuments)
{
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("help/Help.hhp", "[OPTIONS]\nLanguage=0x419\n");
    folder_.File("help/pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    HelpFolders page = Choose("help/pages/one.htm", false);
    EXPECT_EQ(page.documents, folder_.Path());
    EXPECT_EQ(page.project, folder_.Path("help/Help.hhp"));  // still the page's language
    HelpFolders compiled = Choose("help/dist/Help.chm", true);
    EXPECT_EQ(compiled.documents, folder_.Path());
    EXPECT_EQ(compiled.project, "");
    EXPECT_EQ(Check({"help"}), "") << Messages();
}

TEST_F(FolderChoiceTest, APathGivenOutsideTheWorkingFolderIsSearchedAsAnyOther)
{
    folder_.Folder("work");
    options_.folders.workingFolder = folder_.Path("work");
    folder_.File("outside/Tipstart.exe");
    folder_.File("outside/docs/one.txt");
    folder_.File("outside/help/Help.hhp");
    folder_.File("outside/help/pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    EXPECT_EQ(Choose("outside/help/pages/one.htm", false).documents, folder_.Path("outside"));
    EXPECT_EQ(Choose("outside/help/pages/one.htm", false).project, folder_.Path("outside/help/Help.hhp"));
    Restart();
    EXPECT_EQ(Check({"outside/help"}), "") << Messages();
    Restart();
    EXPECT_EQ(Check({"outside/help/pages/one.htm"}), "") << Messages();
}

TEST_F(FolderChoiceTest, TheExeFolderServesCompiledFilesAndKeepsThePagesLanguage)
{
    folder_.File("help/Help.hhp");
    options_.folders.exeFolder = folder_.Path("elsewhere");
    HelpFolders compiled = Choose("help/Help.chm", true);
    EXPECT_EQ(compiled.documents, folder_.Path("elsewhere"));
    EXPECT_EQ(compiled.project, "");
    HelpFolders page = Choose("help/pages/one.htm", false);
    EXPECT_EQ(page.documents, folder_.Path("elsewhere"));
    EXPECT_EQ(page.project, folder_.Path("help/Help.hhp"));
}

TEST_F(FolderChoiceTest, PathsWithinAFolderAndAbsolute)
{
    EXPECT_TRUE(PathWithin("/a/b/c", "/a/b"));
    EXPECT_TRUE(PathWithin("/a/b", "/a/b"));
    EXPECT_TRUE(PathWithin("/a/b/c", "/a/b/"));
    EXPECT_TRUE(PathWithin("/a", "/"));
    EXPECT_FALSE(PathWithin("/a/bc", "/a/b"));
    EXPECT_FALSE(PathWithin("/a", "/a/b"));
    options_.folders.workingFolder = "/w";
    EXPECT_EQ(AbsolutePath("x/../y/./z.htm", options_.folders), "/w/y/z.htm");
    EXPECT_EQ(AbsolutePath("/v/./z/..", options_.folders), "/v/");
}

}  // namespace
