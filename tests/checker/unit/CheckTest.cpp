// The checker over files on disk, as a user reads its lines: help projects
// in their languages, the walk through folders, what --list says, MAX_PATH,
// and the inputs that cannot be read.
#include <gtest/gtest.h>

#include "checker/PageCheck.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

TEST_F(Checking, AProjectChecksItsFilesInItsLanguage)
{
    folder_.File("p/Help.hhp", "[OPTIONS]\r\nContents file=Contents.hhc\r\nLanguage=0x405 Czech\r\n\r\n"
                               "[FILES]\r\npages\\one.htm\r\nimages\\a.png\r\n");
    folder_.File("p/Contents.hhc", ShortCutLine(",Tipstart.exe,^3docs\\\xE8.txt"));
    folder_.File("p/pages/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\nosuch.txt"));
    folder_.File("p/pages/unlisted.htm", ShortCutLine(",Tipstart.exe,^3docs\\nosuch.txt"));
    folder_.File("p/docs/\xC4\x8D.txt");
    EXPECT_EQ(Check({"p/Help.hhp"}), "non-ascii-name missing-document") << Messages();
    EXPECT_EQ(Results().files, 2u);
    EXPECT_EQ(Results().findings[1].place.file, folder_.Path("p/pages/one.htm"));
}

TEST_F(Checking, ARepositorysOwnRecordsAreNotWalked)
{
    std::string link = ShortCutLine(",Tipstart.exe,^3docs\\nosuch.txt");
    folder_.File("help/.git/page.htm", link);
    folder_.File("help/.hg/store/page.htm", link);
    folder_.File("help/.svn/pristine/page.htm", link);
    // Only a repository's records: nothing to check, never a clean pass.
    EXPECT_EQ(Check({"help"}), "unreadable-input") << Messages();
    EXPECT_NE(Messages().find("nothing to check in"), std::string::npos) << Messages();
    Restart();
    folder_.File("help/pages/page.htm", link);
    EXPECT_EQ(Check({"help"}), "missing-document") << Messages();
}

TEST_F(Checking, FoldersAndTheirPagesAreWalked)
{
    folder_.File("Tipstart.exe");
    folder_.File("Contents.hhc", ShortCutLine(",Tipstart.exe,^3missing.txt"));
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
        "opens \"docs\\one.txt\" with Oberix 2 (ob.exe); asks for its folder first when none is recorded",
        "forgets the recorded Oberix 2 folder (stores an empty record) and starts nothing",
        "opens \"docs\\one.txt\" with OBX 3.5 (obx.exe), or OBX 3.0 when 3.5 is not registered",
        "starts OBX 4.0 (obx.exe) without a document",
        "opens \"docs\\five.obx\" through its file association when OBX 5 is registered",
        "does nothing: the shell finds no \"docs\\missing.obx\" to open",
        "shows \"No OBX Version Specified!\" and starts nothing",
        "opens \".\\docs\\album.txt\" with OBX 3.5 (obx.exe), or OBX 3.0 when 3.5 is not registered",
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
    folder_.File("one.htm",
                 ShortCutLine(",Tipstart.exe,^3docs\\one.txt") + ShortCutLine(",Tipstart.exe,^3docs\\one.txtx"));
    EXPECT_EQ(Check({"one.htm"}), "path-too-long") << Messages();
    EXPECT_EQ(Results().findings[0].place.line, 2u);
    EXPECT_NE(Results().findings[0].message.find("would be 260 characters"), std::string::npos) << Messages();
}

// Only the lines of one rule.
std::string LinesOf(const std::string& lines, const std::string& rule)
{
    std::string kept;
    for (size_t at = 0; at < lines.size();) {
        size_t end = lines.find('\n', at) + 1;
        std::string line = lines.substr(at, end - at);
        kept += line.find("[" + rule + "]") != std::string::npos ? line : "";
        at = end;
    }
    return kept;
}

TEST_F(Checking, PagesAreReadInTheLanguageOfTheirProject)
{
    folder_.File("ru/Help.hhp", "[OPTIONS]\r\nLanguage=0x419\r\n");
    folder_.File("ru/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\\xE6.txt"));
    folder_.File("ja/Help.hhp", "[OPTIONS]\r\nTitle=x\r\nLanguage=0x411 Japanese\r\n");
    folder_.File("ja/one.htm", ShortCutLine(",Tipstart.exe,^3docs\\\x93\xFA.txt"));
    folder_.File("ja/docs/\xE6\x97\xA5.txt");
    EXPECT_EQ(LinesOf(Lines({"ru", "ja"}), "missing-document"),
              "ru/one.htm:1:142: error: \"docs\\\xD0\xB6.txt\" is not in the package (looked for in \"ru\"): OBX 3.5 would start without a "
              "document [missing-document]\n");
    EXPECT_EQ(Results().links, 2u);
}

TEST_F(Checking, TheWarningForUndecodableBytesNamesTheEncoding)
{
    folder_.File("big5.htm", "<meta charset=\"big5\">\n" + ShortCutLine(",Tipstart.exe,^3\xA4 x"));
    folder_.File("utf8.htm", "\xEF\xBB\xBF\n" + ShortCutLine(",Tipstart.exe,^3\xFFx"));
    folder_.File("links.txt", "Tipstart.exe ^3\xFF\n");
    EXPECT_EQ(LinesOf(Lines({"big5.htm", "utf8.htm", "links.txt"}), "undecodable-text"),
              "big5.htm:2:142: warning: the link's parameters hold bytes that are not big5 text; the help viewer "
              "reads each as U+FFFD [undecodable-text]\n"
              "utf8.htm:2:142: warning: the link's parameters hold bytes that are not utf-8 text; the help viewer "
              "reads each as U+FFFD [undecodable-text]\n");
    // A page of a compiled help file, in the file's language.
    Restart();
    std::string page = ShortCutLine(",Tipstart.exe,^3\xD6\xD0\xA4");
    CheckPageBytes(page.data(), page.size(), TextPage, 936, {"Help.chm", "/pages/a.htm", 0, 0}, folder_.Path(),
                   run_->PackageFor(""), run_.get());
    EXPECT_EQ(LinesOf(TextReport(Results()), "undecodable-text"),
              "Help.chm::/pages/a.htm:1:142: warning: the link's parameters hold bytes that are not gb2312 text; the "
              "help viewer reads each as U+FFFD [undecodable-text]\n");
    EXPECT_EQ(LinesOf(TextReport(Results()), "missing-document"),
              "Help.chm::/pages/a.htm:1:142: error: \"\xE4\xB8\xAD\xEF\xBF\xBD\" is not in the package (looked for in \".\"): OBX 3.5 would "
              "start without a document [missing-document]\n");
}

TEST_F(Checking, ACompiledHelpFileThatCannotBeReadIsOneErrorLine)
{
    // A header whose directory, 0x54 bytes at 0x60, is past the end, or not one.
    std::string header("ITSF\3\0\0\0`\0\0\0\1\0\0\0", 16);
    header.resize(0x60);
    header[0x48] = 0x60;
    header[0x50] = 0x54;
    folder_.File("empty.chm", "");
    folder_.File("text.chm", "This is a text file, not a compiled help file.\n");
    folder_.File("short.chm", header.substr(0, 0x40));
    folder_.File("cut.chm", header);
    folder_.File("corrupt.chm", header + std::string(0x54, '\xFF'));
    EXPECT_EQ(Lines({"empty.chm", "text.chm", "short.chm", "cut.chm", "corrupt.chm"}),
              "corrupt.chm: error: is a corrupt compiled help file: its directory cannot be read (libmspack, bad "
              "signature) [unreadable-input]\n"
              "cut.chm: error: is a truncated compiled help file: its header reaches past its end [unreadable-input]\n"
              "empty.chm: error: is empty: not a compiled help file [unreadable-input]\n"
              "short.chm: error: is a truncated compiled help file: its header reaches past its end "
              "[unreadable-input]\n"
              "text.chm: error: is not a compiled help file (no ITSF signature) [unreadable-input]\n");
    EXPECT_TRUE(InputFailed(Results()));
    EXPECT_EQ(Results().files, 0u);
}

TEST_F(Checking, EachInputThatCannotBeReadSaysWhy)
{
    folder_.File("t/nul.htm", std::string("<p>\0</p>", 8));
    folder_.File("t/bell.htm", "<p>\a</p>");
    folder_.File("t/ok.htm", "<p>\x1A\x1B\v\f</p>");
    std::filesystem::create_symlink(folder_.Path("nowhere.htm"), folder_.Path("t/broken.htm"));
    std::filesystem::create_directory_symlink(folder_.Path("t"), folder_.Path("t/loop"));
    std::filesystem::create_directory_symlink("/", folder_.Path("t/root"));
    folder_.File("notes.md");
    // A page of 32 MiB is checked; one byte more, and it is not.
    std::string limit = ShortCutLine(",Tipstart.exe,^3nosuch.txt");
    limit.resize(32 * 1024 * 1024, ' ');
    folder_.File("t/limit.htm", limit);
    folder_.File("t/large.htm", limit + " ");
    EXPECT_EQ(Lines({"t", "notes.md", "nosuch.htm"}),
              "nosuch.htm: error: does not exist [unreadable-input]\n"
              "notes.md: error: is not a page (.htm .html .hhc .hhk), a script (.js .vbs), a compiled help file "
              "(.chm), a help project (.hhp) or a link list (.txt); not checked [unreadable-input]\n"
              "t/bell.htm: error: holds control bytes: not a text file; not checked [unreadable-input]\n"
              "t/broken.htm: error: cannot be read: a broken link, or not a file [unreadable-input]\n"
              "t/large.htm: error: is larger than 32 MiB, more than any help page or link list; not checked "
              "[unreadable-input]\n"
              "t/limit.htm:1:142: error: \"nosuch.txt\" is not in the package (looked for in \"t\"): OBX 3.5 would start without a document "
              "[missing-document]\n"
              "t/loop: error: is a symbolic link loop back to \"t\"; not followed [unreadable-input]\n"
              "t/root: note: is a symbolic link to \"/\", outside the tree checked; not followed [outside-link]\n");
    EXPECT_EQ(Results().files, 3u);  // a page's NUL bytes are dropped, as the viewer drops them
}

TEST_F(Checking, ALinkLeadsWhereTheSystemResolvesIt)
{
    // ".." after a link is the parent of where the link leads, not of the
    // link: t/trick.htm leads out of the tree, though its text reads "t/x.htm".
    folder_.File("outside/sub/x.htm");
    folder_.File("outside/x.htm");
    folder_.File("t/page.htm", "<p>");
    std::filesystem::create_directory_symlink("../outside/sub", folder_.Path("t/jump"));
    std::filesystem::create_symlink("jump/../x.htm", folder_.Path("t/trick.htm"));
    std::filesystem::create_symlink("c2.htm", folder_.Path("t/c1.htm"));  // a link to a link to a page
    std::filesystem::create_symlink("page.htm", folder_.Path("t/c2.htm"));
    std::filesystem::create_directory_symlink("jump/../../t", folder_.Path("t/back"));
    std::filesystem::create_symlink("loop2.htm", folder_.Path("t/loop1.htm"));
    std::filesystem::create_symlink("loop1.htm", folder_.Path("t/loop2.htm"));
    EXPECT_EQ(Lines({"t"}),
              "t/back: error: is a symbolic link loop back to \"t\"; not followed [unreadable-input]\n"
              "t/jump: note: is a symbolic link to \"outside/sub\", outside the tree checked; not followed "
              "[outside-link]\n"
              "t/loop1.htm: error: cannot be read: a broken link, or not a file [unreadable-input]\n"
              "t/loop2.htm: error: cannot be read: a broken link, or not a file [unreadable-input]\n"
              "t/trick.htm: note: is a symbolic link to \"outside/x.htm\", outside the tree checked; not followed "
              "[outside-link]\n");
    EXPECT_EQ(Results().files, 3u);  // page.htm, and c1.htm and c2.htm as it
}

}  // namespace

namespace {

TEST_F(Checking, AValueKeptOnlyInPartIsCountedWhole)
{
    // Only the first 64 KiB of a value are kept; the message counts all of it.
    folder_.File("page.htm", ShortCutLine(",notepad.exe," + std::string(70000, 'p')));
    Check({"page.htm"});
    ASSERT_EQ(Results().findings.size(), 1u);
    EXPECT_NE(Results().findings[0].message.find("... (70000 bytes)\", not Tipstart"), std::string::npos)
        << Results().findings[0].message.substr(Results().findings[0].message.size() - 60);
}

}  // namespace
