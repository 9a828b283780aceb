// The pages a page names, what a project names, and which names are local
// pages of the help file.
#include <gtest/gtest.h>

#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/predict/MissingPages.h"
#include "checker/page/PageReferences.h"
#include "checker/input/Project.h"
#include "checker/system/Names.h"
#include "tests/checker/unit/TestFolder.h"

namespace {

std::string Listed(const std::vector<PageReference>& references)
{
    std::string all;
    for (const PageReference& reference : references) {
        all += reference.value + "@" + std::to_string(reference.offset) + " ";
    }
    return all;
}

// As chmcmd gathers a project's pages.
std::string Gathered(const std::string& text)
{
    return Listed(FindGatheredReferences(text.data(), text.size()));
}

// As the viewer follows them.
std::string Followed(const std::string& text, std::string* base = nullptr)
{
    PageScan scan;
    FindPageLinks(text.data(), text.size(), nullptr, &scan);
    if (base) {
        *base = scan.base;
    }
    return Listed(scan.references);
}

TEST(PageReferencesTest, EachTagThatNamesAPageAndWhetherTheCompilerTakesIt)
{
    std::string tags = "<A HREF='a.htm'><area href=b.htm><link href=\"c.css\"><IMG src=d.gif>";
    EXPECT_EQ(Gathered(tags), "a.htm@9 c.css@45 d.gif@61 ");
    EXPECT_EQ(Followed(tags), "a.htm@9 b.htm@27 c.css@45 d.gif@61 ");
    std::string frames = "<frame src=f.htm><iframe src=\"g.htm\"><a name=x><a href=''>";
    EXPECT_EQ(Gathered(frames), "");
    EXPECT_EQ(Followed(frames), "f.htm@11 g.htm@30 ");
    // Local in contents and index files, its name in any case; comments hold nothing.
    std::string entries = "<param name=\"LOCAL\" value=\"x&amp;y.htm\"><param name=Name value=n.htm>"
                          "<!-- <a href=c.htm> --><a href=d.htm>";
    EXPECT_EQ(Gathered(entries), "x&y.htm@27 d.htm@100 ");
    EXPECT_EQ(Followed(entries), "x&y.htm@27 d.htm@100 ");
    // A script's file is taken, and its code is no markup.
    EXPECT_EQ(Gathered("<script src=s.js>'<a href=x.htm>'</script>"), "s.js@12 ");
    EXPECT_EQ(Gathered("<a href=\"never closed"), "never closed@9 ");
    EXPECT_EQ(Gathered("< a href=x.htm> <1 href=y.htm> <"), "");
    EXPECT_EQ(Followed("< a href=x.htm> <1 href=y.htm> <"), "");
    // An attribute is named whole, in any case: "hrefs" and "hre" are no href.
    EXPECT_EQ(Followed("<a hrefs=x.htm hre=y.htm HrEf=z.htm href=w.htm>"), "z.htm@30 ");
    EXPECT_EQ(Gathered("<a hrefs=x.htm hre=y.htm HrEf=z.htm href=w.htm>"), "z.htm@30 ");
}

// chmcmd reads text elements as markup and skips scripts and style sheets;
// the viewer shows text elements as text, and reads what scripts write.
TEST(PageReferencesTest, TextElementsScriptsAndCommentsAsEachProgramReadsThem)
{
    std::string page = "<title><a href=t1.htm></title><textarea><a href=t2.htm></textarea>"
                       "<xmp><a href=t3.htm></xmp><noscript><a href=t4.htm></noscript>"
                       "<script>document.write('<a href=\"t5.htm\">');</script><style><a href=t6.htm></style>"
                       "<a href=t7.htm><plaintext><a href=t8.htm>";
    EXPECT_EQ(Gathered(page), "t1.htm@15 t2.htm@48 t3.htm@79 t4.htm@110 t7.htm@219 t8.htm@245 ");
    EXPECT_EQ(Followed(page), "t5.htm@136 t7.htm@219 ");
    // The viewer's own document mode reads a conditional comment's markup;
    // chmcmd ends a comment at "-->" alone.
    std::string comments = "<!--[if IE]><a href=c1.htm><![endif]--><!--><a href=c2.htm>--><a href=c3.htm>";
    EXPECT_EQ(Gathered(comments), "c3.htm@70 ");
    EXPECT_EQ(Followed(comments), "c1.htm@20 c2.htm@52 c3.htm@70 ");
}

TEST(PageReferencesTest, TheFirstBaseOfThePage)
{
    std::string base;
    EXPECT_EQ(Followed("<a href=a.htm><base href=\"sub/x.htm\"><base href=other/>", &base), "a.htm@8 ");
    EXPECT_EQ(base, "sub/x.htm");
    std::string folder;
    ASSERT_TRUE(BaseFolder("sub/x.htm", &folder));
    EXPECT_EQ(folder, "sub/");
    ASSERT_TRUE(BaseFolder("/top/", &folder));
    EXPECT_EQ(folder, "/top/");
    ASSERT_TRUE(BaseFolder("x.htm", &folder));
    EXPECT_EQ(folder, "");
    EXPECT_FALSE(BaseFolder("http://host/help/", &folder));
}

TEST(PageReferencesTest, OnlyLocalNamesArePages)
{
    std::string target;
    for (const char* url : {"http://h/a.htm", "mailto:a@b", "javascript:go('a.htm')", "ms-its:Other.chm::/a.htm",
                            "mk:@MSITStore:x.chm::/a.htm", "C:\\help\\a.htm", "#top", "?q", "  ", "",
                            "//server/share/a.htm", "\\\\server\\share\\a.htm", "caf%E9.htm"}) {
        EXPECT_FALSE(LocalTarget(url, &target)) << url;
    }
    ASSERT_TRUE(LocalTarget(" sub\\My%20Page.htm?x=1#part ", &target));
    EXPECT_EQ(target, "sub/My Page.htm");
    ASSERT_TRUE(LocalTarget("a%2.htm%zz%41", &target));
    EXPECT_EQ(target, "a%2.htm%zzA");
    EXPECT_EQ(UrlText("\tsub/\r\nb\t.htm\n"), "sub/b.htm");
    ASSERT_TRUE(LocalTarget("dir/odd:name.htm", &target));
    EXPECT_EQ(target, "dir/odd:name.htm");
}

TEST(PageReferencesTest, LinksIntoTheSameCompiledFile)
{
    std::string target;
    ASSERT_TRUE(SameFileTarget("ms-its:HELP.chm::/pages/a.htm#x", "Help.chm", &target));
    EXPECT_EQ(target, "/pages/a.htm#x");
    ASSERT_TRUE(SameFileTarget("MK:@MSITStore:C:\\dir\\help.CHM::/b.htm", "Help.chm", &target));
    EXPECT_EQ(target, "/b.htm");
    ASSERT_TRUE(SameFileTarget("its:Help.chm::/c.htm", "Help.chm", &target));
    EXPECT_EQ(target, "/c.htm");
    EXPECT_FALSE(SameFileTarget("ms-its:Other.chm::/a.htm", "Help.chm", &target));
    EXPECT_FALSE(SameFileTarget("ms-its:Help.chm", "Help.chm", &target));
    EXPECT_FALSE(SameFileTarget("ms-its:Help.chm::/a.htm", "", &target));
    EXPECT_FALSE(SameFileTarget("a.htm", "Help.chm", &target));
}

// The members a page in folder "sub" of Help.chm names, each as the path
// it resolves to ("" above the root), or "held" for one the help file holds.
std::string MembersNamed(const std::string& page, const HoldsPage* holds = nullptr)
{
    PageScan scan;
    FindPageLinks(page.data(), page.size(), nullptr, &scan);
    PageText text;
    text.text = page.data();
    text.size = page.size();
    TargetResolutions resolutions;
    std::vector<PageTarget> targets;
    FindPageTargets(text, scan, {"sub", "Help.chm", ""}, {"Help.chm", "/sub/p.htm", 0, 0}, holds, &resolutions,
                    &targets);
    std::string all;
    for (const PageTarget& target : targets) {
        all += target.reference + "=" + target.path + " ";
    }
    return all;
}

TEST(PageReferencesTest, MembersAreNamedAsTheUrlNamesThem)
{
    auto link = [](const std::string& href) { return "<a href=\"" + href + "\">x</a>"; };
    EXPECT_EQ(MembersNamed(link("a.htm") + link("./b.htm") + link("../c.htm") + link("x/../d.htm") +
                           link("x/y/../../e.htm") + link("x//f.htm") + link("x\\g.htm")),
              "a.htm=sub/a.htm ./b.htm=sub/b.htm ../c.htm=c.htm x/../d.htm=sub/d.htm x/y/../../e.htm=sub/e.htm "
              "x//f.htm=sub/x/f.htm x\\g.htm=sub/x/g.htm ");
    // From the root, above it, and trailing periods kept, as no member drops them.
    EXPECT_EQ(MembersNamed(link("/h.htm") + link("/../i.htm") + link("../../j.htm") + link("k.htm.") +
                           link("ms-its:help.chm::/l.htm") + link("ms-its:other.chm::/m.htm") + link("n.txt")),
              "/h.htm=h.htm /../i.htm= ../../j.htm= k.htm.=sub/k.htm. ms-its:help.chm::/l.htm=l.htm ");
    HoldsPage holds([](const std::string& path) { return path == "sub/a.htm"; });
    EXPECT_EQ(MembersNamed(link("a.htm") + link("b.htm") + link("a.htm"), &holds), "b.htm=sub/b.htm ");
}

TEST(PageReferencesTest, WhatAProjectNames)
{
    // A UTF-8 mark keeps [OPTIONS], whose first line is then Language=.
    ProjectListing marked = ReadProjectListing(
        "\xEF\xBB\xBF[OPTIONS]\r\nContents file=a.hcc\r\n[FILES]\r\n\xD0\x96.htm\r\n");
    EXPECT_EQ(marked.navigation, std::vector<std::string>{"a.hcc"});
    EXPECT_EQ(marked.files, std::vector<std::string>{"\xD0\x96.htm"});
    EXPECT_EQ(ProjectCodePage("\xEF\xBB\xBF[OPTIONS]\nLanguage=0x419\n"), 1251u);
    EXPECT_EQ(ProjectCodePage("Language=0x419\n[OPTIONS]\n"), 0u);
    EXPECT_EQ(ProjectCodePage("[OPTIONS]\nLanguage=0x411\nLanguage=0x419\n"), 932u);
    EXPECT_EQ(ProjectCodePage("[FILES]\nLanguage=0x419\n"), 0u);
    // Names in the language's code page; windows-1252 without one.
    ProjectListing russian = ReadProjectListing("[OPTIONS]\nLanguage=0x419\n[FILES]\n\xC6.htm\n");
    EXPECT_EQ(russian.files, std::vector<std::string>{"\xD0\x96.htm"});
    EXPECT_EQ(ReadProjectListing("[FILES]\n\xC6.htm\n").files, std::vector<std::string>{"\xC3\x86.htm"});
    // [WINDOWS]: the contents and index files, quoted or not, once each.
    ProjectListing windows = ReadProjectListing(
        "[OPTIONS]\nContents file=toc.hhc\nCompiled file=out\\Help.chm\n[WINDOWS]\n"
        "main=\"Title, with a comma\",\"toc.hhc\",\"Index.hhk\",\"a.htm\",,,\nside=,other.hcc\n");
    EXPECT_EQ(windows.navigation, (std::vector<std::string>{"toc.hhc", "Index.hhk", "other.hcc"}));
    EXPECT_EQ(windows.compiledFile, "out\\Help.chm");
}

TEST(PageReferencesTest, AProjectsFilesAreFoundInAnyCaseAndByWildcards)
{
    TestFolder folder;
    folder.File("p/Html/Intro.htm");
    folder.File("p/Html/two.HTM");
    folder.File("p/Html/notes.txt");
    folder.File("p/toc.hhc", "<param name=Local value=\"HTML\\INTRO.htm\"><a href=\"../outside.htm\">");
    folder.File("outside.htm");
    std::filesystem::path p = folder.Path("p");
    EXPECT_EQ(FindProjectFile(p, "html\\INTRO.HTM"), p / "Html/Intro.htm");
    EXPECT_EQ(FindProjectFile(p, "nowhere\\a.htm"), p / "nowhere/a.htm");
    folder.File("p/Help.hhp", "[OPTIONS]\nContents file=TOC.HHC\n[FILES]\nhtml\\*.htm\nmissing.htm\n");
    ProjectPages read;
    std::string reason;
    ASSERT_TRUE(ReadProject(p / "Help.hhp", &read, &reason)) << reason;
    std::vector<std::filesystem::path> expected = {p / "toc.hhc", p / "Html/Intro.htm", p / "Html/two.HTM",
                                                   p / "missing.htm"};
    EXPECT_EQ(read.pages, expected);
    EXPECT_EQ(read.compiledName, "Help.chm");
}

TEST(PageReferencesTest, FilesOnDiskInAnyCase)
{
    TestFolder folder;
    folder.File("Some/Page.htm");
    EXPECT_TRUE(FileOnDisk(folder.Path("Some/Page.htm")));
    EXPECT_TRUE(FileOnDisk(folder.Path("SOME/page.HTM")));
    EXPECT_FALSE(FileOnDisk(folder.Path("Some")));
    EXPECT_FALSE(FileOnDisk(folder.Path("Some/Other.htm")));
}

// A folder listed once answers every name looked for in it as listing it
// each time would: in any case, the first of two names alike, what each
// leads to, none for none.
// A page on disk stands in its folder, named from the working folder: the
// root's own pages too, and a path that is not plain is made normal.
TEST(PageReferencesTest, APageOnDiskStandsInItsFolder)
{
    EXPECT_EQ(PageOnDiskIn("/p.htm", "/w").folder, "/");
    EXPECT_EQ(PageOnDiskIn("p.htm", "/").folder, "/");
    EXPECT_EQ(PageOnDiskIn("a/p.htm", "/").folder, "/a");
    EXPECT_EQ(PageOnDiskIn("a/p.htm", "/w").folder, "/w/a");
    EXPECT_EQ(PageOnDiskIn("a/../b/p.htm", "/w").folder, "/w/b");
    EXPECT_EQ(PageOnDiskIn("/x//a/p.htm", "/w").folder, "/x/a");
    EXPECT_EQ(PageOnDiskIn("a/p.htm", "/w").shownFrom, "/w");
}

TEST(PageReferencesTest, FolderNamesAnswerAsTheListingDoes)
{
    TestFolder folder;
    folder.File("Some/Page.htm");
    folder.File("Some/b.htm");
    folder.File("Some/B.HTM");
    folder.File("Some/Sub/c.htm");
    folder.File("Some/D.HTM");
    folder.Folder("Some/d.htm");
    folder.File("Other/Deep/x.htm");
    folder.File("Some/E.HTM");
    std::filesystem::create_symlink("nowhere.htm", folder.Path("Some/e.htm"));  // leads nowhere
    FolderNames names;
    for (int twice = 0; twice < 2; ++twice) {
        ListedName page = names.Find(folder.Path("Some"), "PAGE.HTM");
        EXPECT_TRUE(page.listed);
        EXPECT_EQ(page.exact, std::filesystem::file_type::not_found);
        EXPECT_EQ(page.entry, "Page.htm");
        EXPECT_EQ(page.type, std::filesystem::file_type::regular);
        ListedName b = names.Find(folder.Path("Some"), "b.htm");
        EXPECT_EQ(b.exact, std::filesystem::file_type::regular);
        EXPECT_EQ(b.entry, "B.HTM");
        EXPECT_EQ(names.Find(folder.Path("Some"), "SUB").type, std::filesystem::file_type::directory);
        EXPECT_EQ(names.Find(folder.Path("Some"), "c.htm").entry, "");
        EXPECT_FALSE(names.Find(folder.Path("nowhere"), "c.htm").listed);
        EXPECT_TRUE(FileOnDisk(folder.Path("Some/page.HTM"), &names));
        EXPECT_TRUE(FileOnDisk(folder.Path("SOME/page.HTM"), &names));
        EXPECT_TRUE(FileOnDisk(folder.Path("other/DEEP/X.htm"), &names));
        EXPECT_TRUE(FileOnDisk(folder.Path("Some/b.htm"), &names));
        EXPECT_FALSE(FileOnDisk(folder.Path("Some/Other.htm"), &names));
        EXPECT_FALSE(FileOnDisk(folder.Path("Some/sub"), &names));
        EXPECT_FALSE(FileOnDisk(folder.Path("Other/Deep"), &names));
        EXPECT_FALSE(FileOnDisk(folder.Path("Some/b.htm/x.htm"), &names));
        EXPECT_FALSE(FileOnDisk(folder.Path("Some/d.htm"), &names));  // a folder, though D.HTM is a file
        EXPECT_EQ(FileOnDisk(folder.Path("Some/d.htm")), FileOnDisk(folder.Path("Some/d.htm"), &names));
        EXPECT_TRUE(FileOnDisk(folder.Path("Some/e.htm"), &names));  // E.HTM, as a link to nothing is no entry
        EXPECT_EQ(FileOnDisk(folder.Path("Some/e.htm")), FileOnDisk(folder.Path("Some/e.htm"), &names));
    }
    std::filesystem::path p = folder.Path("Other");
    EXPECT_EQ(FindProjectFile(p, "deep\\X.HTM", &names), p / "Deep/x.htm");
    EXPECT_EQ(FindProjectFile(p, "deep\\y.htm", &names), p / "Deep/y.htm");
}

}  // namespace
