// The checker over files on disk: which folder the documents are looked for
// in, help projects, what --list says, and the reports.
#include <gtest/gtest.h>
#include <stdio.h>

#include <memory>

#include "checker/Check.h"
#include "checker/Report.h"
#include "checker/Rules.h"
#include "tests/checker/unit/TestFolder.h"

namespace {

std::string ShortCut(const std::string& item1)
{
    return "<OBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
           "<PARAM name=\"Command\" value=\"ShortCut\"><PARAM name=\"Item1\" value=\"" +
           item1 + "\"></OBJECT>\n";
}

class Checking : public ::testing::Test {
protected:
    Checking()
    {
        options_.folders.workingFolder = folder_.Path();
        Restart();
    }

    // A new run with options_.
    void Restart() { run_.reset(new CheckRun(options_)); }
    CheckResults& Results() { return run_->results; }

    // The rule ids of the findings, in order, for the paths given.
    std::string Check(std::initializer_list<std::string> paths)
    {
        for (const std::string& path : paths) {
            CheckPath(folder_.Path(path), run_.get());
        }
        SortFindings(&Results().findings);
        std::string ids;
        for (const Finding& finding : run_->results.findings) {
            ids += (ids.empty() ? "" : " ") + std::string(RuleOf(finding.rule).id);
        }
        return ids;
    }

    std::string Messages() const
    {
        std::string all;
        for (const Finding& finding : run_->results.findings) {
            all += ShownFile(finding.place) + ": " + finding.message + "\n";
        }
        return all;
    }

    TestFolder folder_;
    CheckOptions options_;
    std::unique_ptr<CheckRun> run_;
};

TEST_F(Checking, EachHelpFileFindsItsOwnTipstartFolder)
{
    std::string link = ShortCut(",Tipstart.exe,^3docs\\one.txt");
    folder_.File("a/Tipstart.exe");
    folder_.File("a/docs/one.txt");
    folder_.File("a/pages/one.htm", link);
    folder_.File("b/TIPSTART.EXE");
    folder_.File("b/pages/two.htm", link);
    EXPECT_EQ(Check({""}), "missing-document") << Messages();
    EXPECT_EQ(Results().findings[0].place.file, folder_.Path("b/pages/two.htm"));
    EXPECT_EQ(Results().links, 2u);
}

TEST_F(Checking, WithoutTipstartTheProjectOrTheCompiledFileDecides)
{
    // A project above the folder the checker runs in is not looked at.
    std::string link = ShortCut(",Tipstart.exe,^3docs\\one.txt");
    folder_.File("stray.hhp");
    folder_.File("work/help/Help.hhp", "[OPTIONS]\nLanguage=0x409\n");
    folder_.File("work/help/docs/one.txt");
    folder_.File("work/help/pages/deep/one.htm", link);
    folder_.File("work/loose/docs/one.txt");
    folder_.File("work/loose/one.htm", link);
    options_.folders.workingFolder = folder_.Path("work");
    Restart();
    EXPECT_EQ(Check({"work/help/pages/deep/one.htm", "work/loose/one.htm"}), "") << Messages();
}

TEST_F(Checking, ACompiledHelpFileShipsBesideItsDocumentsWhateverProjectIsAbove)
{
    folder_.File("Help.hhp");
    std::string help = folder_.File("dist/Help.chm", "");
    std::string page = folder_.File("dist/page.htm", "");
    FolderChoice choice;
    EXPECT_EQ(ChooseFolders(help, true, folder_.Path(), options_.folders, &choice).documents, folder_.Path("dist"));
    EXPECT_EQ(ChooseFolders(page, false, folder_.Path(), options_.folders, &choice).documents, folder_.Path());
    folder_.File("Tipstart.exe");
    choice = FolderChoice();
    EXPECT_EQ(ChooseFolders(help, true, folder_.Path(), options_.folders, &choice).documents, folder_.Path());
}

TEST_F(Checking, TheSearchStopsAtTheFolderTheCheckerRunsIn)
{
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("repo/help/one.htm", ShortCut(",Tipstart.exe,^3docs\\one.txt"));
    options_.folders.workingFolder = folder_.Path("repo");
    Restart();
    EXPECT_EQ(Check({"repo/help/one.htm"}), "missing-document") << Messages();
}

TEST_F(Checking, TheExeFolderWinsOverEverything)
{
    folder_.File("Tipstart.exe");
    folder_.File("pages/one.htm", ShortCut(",Tipstart.exe,^3docs\\one.txt"));
    folder_.File("elsewhere/docs/one.txt");
    EXPECT_EQ(Check({"pages/one.htm"}), "missing-document");
    options_.folders.exeFolder = folder_.Path("elsewhere");
    Restart();
    EXPECT_EQ(Check({"pages/one.htm"}), "") << Messages();
}

TEST_F(Checking, AProjectChecksItsFilesInItsLanguage)
{
    folder_.File("p/Help.hhp", "[OPTIONS]\r\nContents file=Contents.hhc\r\nLanguage=0x405 Czech\r\n\r\n"
                               "[FILES]\r\npages\\one.htm\r\nimages\\a.png\r\n");
    folder_.File("p/Contents.hhc", ShortCut(",Tipstart.exe,^3docs\\\xE8.txt"));
    folder_.File("p/pages/one.htm", ShortCut(",Tipstart.exe,^3docs\\nosuch.txt"));
    folder_.File("p/pages/unlisted.htm", ShortCut(",Tipstart.exe,^3docs\\nosuch.txt"));
    folder_.File("p/docs/\xC4\x8D.txt");
    EXPECT_EQ(Check({"p/Help.hhp"}), "non-ascii-name missing-document") << Messages();
    EXPECT_EQ(Results().files, 2u);
    EXPECT_EQ(Results().findings[1].place.file, folder_.Path("p/pages/one.htm"));
}

TEST_F(Checking, FoldersAndTheirPagesAreWalked)
{
    folder_.File("Tipstart.exe");
    folder_.File("Contents.hhc", ShortCut(",Tipstart.exe,^3missing.txt"));
    folder_.File("links.txt", "Tipstart.exe ^3missing.txt\n");
    std::filesystem::create_directory_symlink("/", folder_.Path("root"));
    EXPECT_EQ(Check({""}), "missing-document outside-link") << Messages();
    EXPECT_FALSE(InputFailed(Results()));
}

TEST_F(Checking, NotesSayWhatEachKindOfLinkDoes)
{
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("docs/five.obx");
    folder_.File("docs/album.txt/x");
    options_.prediction.list = true;
    Restart();
    folder_.File("links.txt", "Tipstart.exe ^2docs\\one.txt\nTipstart.exe ^2Reset_\nTipstart.exe ^3docs\\one.txt\n"
                              "Tipstart.exe ^4docs\\missing.txt\nTipstart.exe ^5docs\\five.obx\n"
                              "Tipstart.exe ^5docs\\missing.obx\nTipstart.exe ^9x\nTipstart.exe ^3.\\docs\\album.txt\n"
                              "Tipstart.exe ^2reset\nTipstart.exe x\nTipstart.exe ^2Reserve.txt\n");
    Check({"links.txt"});
    std::vector<std::string> notes;
    for (const Finding& finding : Results().findings) {
        if (finding.rule == RuleLinkAction) {
            notes.push_back(finding.message);
        }
    }
    std::vector<std::string> expected = {
        "opens docs\\one.txt with Oberix 2 (ob.exe); asks for its folder first when none is recorded",
        "forgets the recorded Oberix 2 folder (stores an empty record) and starts nothing",
        "opens docs\\one.txt with OBX 3.5 (obx.exe), or OBX 3.0 when 3.5 is not registered",
        "starts OBX 4.0 (obx.exe) without a document",
        "opens docs\\five.obx through its file association when OBX 5 is registered",
        "does nothing: the shell finds no docs\\missing.obx to open",
        "shows \"No OBX Version Specified!\" and starts nothing",
        "opens .\\docs\\album.txt with OBX 3.5 (obx.exe), or OBX 3.0 when 3.5 is not registered",
        "starts Oberix 2 (ob.exe) without a document; asks for its folder first when none is recorded",
        "shows \"This Utility can be accessed only from the Help File of ZEZODA Extension.\" and starts nothing",
        "starts Oberix 2 (ob.exe) without a document; asks for its folder first when none is recorded",
    };
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(Check({}), "link-action link-action link-action missing-document link-action link-action "
                         "missing-document link-action unserved-version link-action folder-document link-action "
                         "reset-spelling link-action refused-link link-action missing-document link-action");
}

TEST_F(Checking, AFullPathPastMaxPathIsAnError)
{
    // 259 characters in all reach the limit; one more passes it.
    options_.installFolder = "C:\\" + std::string(243, 'i');
    Restart();
    folder_.File("Tipstart.exe");
    folder_.File("docs/one.txt");
    folder_.File("docs/one.txtx");
    folder_.File("one.htm", ShortCut(",Tipstart.exe,^3docs\\one.txt") + ShortCut(",Tipstart.exe,^3docs\\one.txtx"));
    EXPECT_EQ(Check({"one.htm"}), "path-too-long") << Messages();
    EXPECT_EQ(Results().findings[0].place.line, 2u);
    EXPECT_NE(Results().findings[0].message.find("would be 260 characters"), std::string::npos) << Messages();
}

std::string Sarif(const CheckResults& results)
{
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    WriteSarifReport(out, results, "2.0.0", "/work", false);
    fclose(out);
    std::string log(text, size);
    free(text);
    return log;
}

TEST_F(Checking, TheSarifLogIsUtf8AndTellsAFailedRun)
{
    folder_.File("b\xFF.htm", "<p>");
    folder_.File("empty.chm", "");
    Check({"b\xFF.htm"});
    EXPECT_NE(Sarif(Results()).find("\"executionSuccessful\": true"), std::string::npos);
    Check({"empty.chm"});
    std::string log = Sarif(Results());
    EXPECT_NE(log.find("\"executionSuccessful\": false"), std::string::npos);
    Results().findings.push_back({{"page\xFF.htm", "", 1, 1}, RuleMissingDocument, "caf\xE9"});
    log = Sarif(Results());
    EXPECT_NE(log.find("caf\\ufffd"), std::string::npos);
    EXPECT_NE(log.find("page%FF.htm"), std::string::npos);
    EXPECT_EQ(log.find('\xFF'), std::string::npos);
}

}  // namespace
