// Windows' rules for names: separators, dots, trailing periods and spaces,
// letter case and MAX_PATH.
#include <gtest/gtest.h>

#include <filesystem>

#include "checker/system/Names.h"

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
    // Folders lose a single trailing period only; the last part loses every
    // trailing period and space, unless a separator ends the path.
    EXPECT_EQ(Resolved("docs.\\one.txt"), (Parts{"docs", "one.txt"}));
    EXPECT_EQ(Resolved("a.\\b.\\one.txt"), (Parts{"a", "b", "one.txt"}));
    EXPECT_EQ(Resolved("docs..\\one.txt"), (Parts{"docs..", "one.txt"}));
    EXPECT_EQ(Resolved("docs .\\one.txt"), (Parts{"docs ", "one.txt"}));
    EXPECT_EQ(Resolved("docs\\...\\one.txt"), (Parts{"docs", "...", "one.txt"}));
    EXPECT_EQ(Resolved("docs\\one.txt.\\"), (Parts{"docs", "one.txt"}));
    EXPECT_EQ(Resolved("docs\\one.txt .\\"), (Parts{"docs", "one.txt "}));
    EXPECT_EQ(Resolved("docs\\..."), (Parts{"docs"}));
    // ".." at a drive's root stays there; a relative path cannot climb.
    EXPECT_EQ(Resolved("C:\\..\\..\\Windows\\win.ini"), (Parts{"C:", "Windows", "win.ini"}));
    EXPECT_EQ(Resolved("C:\\Ext\\..\\..\\..\\x"), (Parts{"C:", "x"}));
    std::vector<std::string> above = PathParts("docs\\..\\..\\x");
    EXPECT_FALSE(ResolvePathParts(&above, false));
}

TEST(NameRules, DeviceNamesWithOrWithoutAnExtension)
{
    for (const char* name : {"aux", "AUX.txt", "Aux .txt", "nul.tar.gz", "con", "prn.doc", "com1.txt", "COM9",
                             "lpt1", "LPT0.log", "com0", "com\xC2\xB9.txt", "lpt\xC2\xB3", "aux:stream"}) {
        EXPECT_NE(DeviceName(name), "") << name;
    }
    EXPECT_EQ(DeviceName("aux.txt"), "AUX");
    EXPECT_EQ(DeviceName("Com7.txt"), "COM7");
    for (const char* name : {"auxiliary.txt", "aux1.txt", "xaux.txt", "com10", "com", "lpt", "comA", "con-fig.txt",
                             "clock$", "conin$", "one.txt", "", ".aux", "com\xC2\xB4"}) {
        EXPECT_EQ(DeviceName(name), "") << name;
    }
}

TEST(NameRules, TheShellRunsProgramTypes)
{
    for (const char* name : {"setup.exe", "run.bat", "RUN.CMD", "x.com", "a.pif", "s.scr", "c.cpl", "i.msi", "h.hta",
                             "s.js", "s.vbs", "w.wsf", "l.lnk", "docs\\x.reg"}) {
        EXPECT_TRUE(ShellRunsAsProgram(name)) << name;
    }
    for (const char* name : {"one.txt", "exe", "setup.exe.txt", "docs.exe\\one.txt", "a.exe_", "x.obx", ""}) {
        EXPECT_FALSE(ShellRunsAsProgram(name)) << name;
    }
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

TEST(NamesTest, ARelativeNameLosesItsDotSegmentsAsText)
{
    auto parts = [](const std::string& name) {
        std::string joined;
        for (const std::string& part : RelativeNameParts(name)) {
            joined += "[" + part + "]";
        }
        return joined;
    };
    EXPECT_EQ(parts("nosuch/../other.JS"), "[other.JS]");
    EXPECT_EQ(parts("nosuch\\..\\PAGE.htm"), "[PAGE.htm]");
    EXPECT_EQ(parts("./a/./b/../c.js"), "[a][c.js]");
    EXPECT_EQ(parts("../x/../../y.js"), "[..][..][y.js]");
    EXPECT_EQ(parts("docs./one.txt. "), "[docs][one.txt]");
}

// A plain path is its own lexically_normal(): the paths of a walk and of a
// page's targets are not made again when they are.
TEST(NamesTest, APlainAbsolutePathIsItsOwnNormalForm)
{
    for (const char* path : {"/", "/a", "/a/b.htm", "/a/.b/c..d", "/a/b c/d"}) {
        EXPECT_TRUE(IsPlainAbsolutePath(path)) << path;
        EXPECT_EQ(std::filesystem::path(path).lexically_normal().generic_string(), path);
    }
    for (const char* path : {"", "a/b", "//a", "/a//b", "/a/", "/a/./b", "/a/..", "/./a", "/a\\b", "C:/a"}) {
        EXPECT_FALSE(IsPlainAbsolutePath(path)) << path;
    }
}

// A folder's parts resolved once, and a name's from there, are the parts of
// the two joined, resolved at once: periods and spaces, "." and "..", a
// drive's root, separators doubled and at the end.
TEST(NamesTest, PartsResolvedOneAtATimeAreThePathsParts)
{
    auto whole = [](const std::string& folder, const std::string& name) {
        std::vector<std::string> parts = PathParts(folder + "/" + name);
        if (parts.empty() || !ResolvePathParts(&parts, false)) {
            return std::string("(none)");
        }
        std::string path;
        for (const std::string& part : parts) {
            path += "/" + part;
        }
        return path.empty() ? std::string("/") : path;
    };
    const std::vector<std::string> folderParts = {"a", "a.", "a..", "...", "a. ", ".", "..", "c:"};
    const std::vector<std::string> nameParts = {"x.htm", "x.htm.", "x.htm. ", "..", ".", "b.", "b "};
    std::vector<std::string> folders = {"/"};
    for (const std::string& first : folderParts) {
        folders.push_back("/" + first);
        for (const std::string& second : folderParts) {
            folders.push_back("/" + first + "/" + second);
        }
    }
    std::vector<std::string> names;
    for (const std::string& first : nameParts) {
        names.push_back(first);
        for (const std::string& second : nameParts) {
            for (const char* separator : {"/", "\\", "//", "\\/"}) {
                names.push_back(first + separator + second);
                names.push_back(first + separator + second + separator);
            }
        }
    }
    for (const std::string& folder : folders) {
        PartsResolved resolvedFolder;
        resolvedFolder.AddParts(folder, true);
        for (const std::string& name : names) {
            PartsResolved parts = resolvedFolder;
            parts.AddParts(name);
            std::string path = !parts.resolved ? "(none)" : parts.path.empty() ? "/" : parts.path;
            EXPECT_EQ(path, whole(folder, name)) << folder << " + " << name;
        }
    }
}

TEST(NamesTest, LetterCaseIsWindowsUpperCaseTable)
{
    EXPECT_EQ(NameUppercase(U'a'), U'A');
    EXPECT_EQ(NameUppercase(U'\u00FF'), U'\u0178');
    EXPECT_EQ(NameUppercase(U'\u03C3'), U'\u03A3');
    EXPECT_EQ(NameUppercase(U'\u017F'), U'\u017F');  // long s stays
    EXPECT_EQ(NameUppercase(U'\u0131'), U'\u0131');  // dotless i stays
    EXPECT_EQ(NameUppercase(U'\u03C2'), U'\u03C2');  // final sigma stays
    EXPECT_EQ(NameUppercase(U'\U00010428'), U'\U00010428');
    EXPECT_EQ(NameKey("stra\xC3\x9F" "e.txt"), "STRA\xC3\x9F" "E.TXT");
}
