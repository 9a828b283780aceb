// Each file decided once before it is read: its kind by its extension, where
// its documents are, its language's code page; a project stands for the
// files it lists.
#include <gtest/gtest.h>

#include "checker/input/Input.h"
#include "checker/input/Project.h"
#include "checker/system/FileBytes.h"
#include "checker/system/FolderListing.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

class InputTest : public Checking {
protected:
    // The inputs a path stands for, one a line: "kind file docs=folder
    // project=file cp=code page: problem", with paths below the folder.
    std::string Decide(const std::string& path)
    {
        std::vector<Input> inputs = DecideInputs(folder_.Path(path), options_.folders, &caches_);
        const char* const kinds[] = {"page", "list", "script", "help", "project", "other"};
        std::string all;
        for (const Input& input : inputs) {
            all += kinds[input.kind] + (" " + Below(input.shown));
            all += input.documentsFolder.empty() ? "" : " docs=" + Below(input.documentsFolder);
            all += input.project.empty() ? "" : " project=" + Below(input.project.u8string());
            all += input.codePage ? " cp=" + std::to_string(input.codePage) : "";
            all += input.problem.empty() ? "" : ": " + input.problem;
            all += "\n";
        }
        std::string root = folder_.Path() + "/";
        for (size_t at = all.find(root); at != std::string::npos; at = all.find(root, at)) {
            all.erase(at, root.size());
        }
        return all;
    }

    std::string Below(const std::string& path) const { return path == folder_.Path() ? "." : path; }

    InputCaches caches_;
};

const char* const Project =
    "[OPTIONS]\r\nContents file = toc.hhc\r\nIndex file=Index.HHK\r\nDefault topic=pages\\start.htm\r\n"
    "Language=0x419 Russian\r\n\r\n[FILES]\r\npages\\one.htm\r\n;pages\\old.htm\r\n  pages\\missing.htm  \r\n"
    "images\\a.png\r\npages/../pages/one.htm\r\n\r\n[WINDOWS]\r\nmain=pages\\two.htm\r\n";

TEST_F(InputTest, EachFileStandsForItselfByItsExtension)
{
    folder_.File("Tipstart.exe");
    folder_.File("pages/one.htm");
    folder_.File("links.TXT");
    folder_.File("notes.md");
    // A compiled help file's language is in its header.
    folder_.File("dist/Help.chm", std::string("ITSF\3\0\0\0`\0\0\0\1\0\0\0\0\0\0\0\x19\x04\0\0", 24));
    EXPECT_EQ(Decide("pages/one.htm"), "page pages/one.htm docs=.\n");
    EXPECT_EQ(Decide("links.TXT"), "list links.TXT docs=.\n");
    EXPECT_EQ(Decide("dist/Help.chm"), "help dist/Help.chm docs=. cp=1251\n");
    EXPECT_EQ(Decide("notes.md"), "other notes.md\n");
    for (const char* page : {"A.HTML", "b.HHC", "c.Hhk"}) {
        EXPECT_EQ(KindOfName(page), InputPage) << page;
    }
    EXPECT_EQ(KindOfName("Help.CHM"), InputHelp);
    EXPECT_EQ(KindOfName("Help.Hhp"), InputProject);
    EXPECT_EQ(KindOfName("page.htm.bak"), InputOther);
}

TEST_F(InputTest, AProjectStandsForItsContentsIndexAndListedPagesInItsLanguage)
{
    folder_.File("p/Help.hhp", Project);
    for (const char* page : {"toc.hhc", "Index.HHK", "pages/one.htm", "pages/old.htm", "pages/start.htm",
                             "pages/two.htm", "images/a.png"}) {
        folder_.File(std::string("p/") + page);
    }
    // A comment, the default topic and the windows are not compiled pages;
    // a page listed twice stands once.
    EXPECT_EQ(Decide("p/Help.hhp"),
              "page p/toc.hhc docs=p project=p/Help.hhp cp=1251\n"
              "page p/Index.HHK docs=p project=p/Help.hhp cp=1251\n"
              "page p/pages/one.htm docs=p project=p/Help.hhp cp=1251\n"
              "page p/pages/missing.htm project=p/Help.hhp cp=1251: is listed in \"p/Help.hhp\" but is not a file\n");
    std::vector<std::string> listed = {"toc.hhc", "Index.HHK", "pages\\one.htm", "pages\\missing.htm",
                                       "images\\a.png", "pages/../pages/one.htm"};
    EXPECT_EQ(ProjectFiles(Project), listed);
    EXPECT_EQ(ProjectFiles("[files]\nA.htm\n[Files]\nb.htm\n"), (std::vector<std::string>{"A.htm", "b.htm"}));
}

TEST_F(InputTest, AFileGivenTwiceIsDecidedOnce)
{
    folder_.File("p/Help.hhp", Project);
    folder_.File("p/toc.hhc");
    folder_.File("p/Index.HHK");
    folder_.File("p/pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\one.txt"));
    EXPECT_EQ(Decide("p/Help.hhp"), "page p/toc.hhc docs=p project=p/Help.hhp cp=1251\n"
                                    "page p/Index.HHK docs=p project=p/Help.hhp cp=1251\n"
                                    "page p/pages/one.htm docs=p project=p/Help.hhp cp=1251\n"
                                    "page p/pages/missing.htm project=p/Help.hhp cp=1251: is listed in \"p/Help.hhp\" "
                                    "but is not a file\n");
    EXPECT_EQ(Decide("p/pages/one.htm"), "");
    EXPECT_EQ(Decide("p/Help.hhp"), "");
    caches_ = InputCaches();
    EXPECT_EQ(Decide("p/pages/one.htm"), "page p/pages/one.htm docs=p project=p/Help.hhp cp=1251\n");
    EXPECT_EQ(Decide("p/Help.hhp"), "page p/toc.hhc docs=p project=p/Help.hhp cp=1251\n"
                                    "page p/Index.HHK docs=p project=p/Help.hhp cp=1251\n"
                                    "page p/pages/missing.htm project=p/Help.hhp cp=1251: is listed in \"p/Help.hhp\" "
                                    "but is not a file\n");
    // A run checks the page once, however it is given.
    EXPECT_EQ(Check({"p/Help.hhp", "p/pages/one.htm", "p"}), "missing-page missing-document") << Messages();
    EXPECT_EQ(Results().links, 1u);
    EXPECT_EQ(Results().files, 3u);
}

TEST_F(InputTest, APageTakesTheLanguageOfItsNearestProject)
{
    folder_.File("p/Help.hhp", "[OPTIONS]\nLanguage=0x405\n");
    folder_.File("p/sub/Other.hhp", "[OPTIONS]\nLanguage=0x411\n");
    folder_.File("p/sub/one.htm");
    folder_.File("p/two.htm");
    EXPECT_EQ(Decide("p/sub/one.htm"), "page p/sub/one.htm docs=p/sub project=p/sub/Other.hhp cp=932\n");
    EXPECT_EQ(Decide("p/two.htm"), "page p/two.htm docs=p project=p/Help.hhp cp=1250\n");
    std::filesystem::create_symlink(folder_.Path("nowhere.hhp"), folder_.Path("gone.hhp"));
    EXPECT_EQ(Decide("gone.hhp"), "project gone.hhp docs=.: cannot be opened: No such file or directory\n");
}

}  // namespace

TEST(InputKinds, AFileThatStartsWithItsfIsACompiledHelpFileWhateverItsName)
{
    TestFolder folder;
    folder.File("4d1c9f0e", std::string("ITSF\x03\0\0\0", 8));
    folder.File("page.htm", "ITSF");
    folder.File("notes.htm", "<p>ITSF");
    EXPECT_EQ(KindOfFile(folder.Path("4d1c9f0e")), InputHelp);
    EXPECT_EQ(KindOfFile(folder.Path("page.htm")), InputHelp);
    EXPECT_EQ(KindOfFile(folder.Path("notes.htm")), InputPage);
    EXPECT_EQ(KindOfFile(folder.Path("nosuch.bin")), InputOther);
}

TEST(InputKinds, APageWhoseKindIsToldIsReadOnce)
{
    TestFolder folder;
    std::string page = folder.File("notes.htm", "<p>before");
    std::string other = folder.File("other.htm", "<p>other");
    EXPECT_EQ(KindOfFile(page), InputPage);
    folder.File("notes.htm", "<p>after");
    std::string bytes;
    std::string reason;
    // Its check takes what was read when its kind was told, then reads anew.
    EXPECT_TRUE(ReadWholeFile(page, &bytes, &reason));
    EXPECT_EQ(bytes, "<p>before");
    EXPECT_TRUE(ReadWholeFile(page, &bytes, &reason));
    EXPECT_EQ(bytes, "<p>after");
    // What is read ahead serves the next read only, and only of its file.
    char start[4];
    EXPECT_EQ(ReadAhead(page, start, sizeof start), 4u);
    EXPECT_EQ(std::string(start, 4), "<p>a");
    folder.File("notes.htm", "<p>again");
    EXPECT_TRUE(ReadWholeFile(other, &bytes, &reason));
    EXPECT_EQ(bytes, "<p>other");
    EXPECT_TRUE(ReadWholeFile(page, &bytes, &reason));
    EXPECT_EQ(bytes, "<p>again");
    // A file that cannot be opened fails as its read would.
    EXPECT_EQ(ReadAhead(folder.Path("nosuch.htm"), start, sizeof start), 0u);
    EXPECT_FALSE(ReadWholeFile(folder.Path("nosuch.htm"), &bytes, &reason));
    EXPECT_EQ(reason, "cannot be opened: No such file or directory");
}

TEST(FolderListings, EachEntryHasTheTypeOfWhatItLeadsTo)
{
    TestFolder folder;
    folder.File("f/page.htm");
    folder.Folder("f/sub");
    std::filesystem::create_symlink("page.htm", folder.Path("f/to-page.htm"));
    std::filesystem::create_symlink("sub", folder.Path("f/to-sub"));
    std::filesystem::create_symlink("nowhere.htm", folder.Path("f/broken.htm"));
    std::vector<FolderEntry> entries;
    std::error_code error;
    EXPECT_TRUE(ListFolder(folder.Path("f"), &entries, &error));
    std::string listed;
    for (const FolderEntry& entry : entries) {
        const char* type = entry.type == std::filesystem::file_type::regular     ? "file"
                           : entry.type == std::filesystem::file_type::directory ? "folder"
                                                                                 : "unknown";
        listed += entry.name + " " + type + (entry.symlink ? " link\n" : "\n");
    }
    EXPECT_EQ(listed, "broken.htm unknown link\npage.htm file\nsub folder\nto-page.htm file link\nto-sub folder link\n");
    EXPECT_FALSE(ListFolder(folder.Path("nosuch"), &entries, &error));
}

TEST(FolderListings, AListingHeldIsGivenUntilItIsDropped)
{
    TestFolder folder;
    folder.File("f/page.htm");
    std::vector<FolderEntry> held = {{"held.htm", std::filesystem::file_type::regular, false}};
    std::vector<FolderEntry> entries;
    std::error_code error;
    HoldListing(folder.Path("f"), &held);
    EXPECT_TRUE(ListFolder(folder.Path("f"), &entries, &error));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "held.htm");
    DropListing();
    EXPECT_TRUE(ListFolder(folder.Path("f"), &entries, &error));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "page.htm");
}
