// What the help file and its configuration say is meant: globs, directives,
// tipstart-check.toml and its errors, fingerprints and the baseline.
#include <gtest/gtest.h>

#include "checker/input/Configuration.h"
#include "checker/page/LinkFinder.h"
#include "checker/core/TextTools.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

TEST(SuppressionTest, GlobsStayInAFolderUnlessDoubled)
{
    EXPECT_TRUE(GlobMatches("pages/*.htm", "pages/a.htm", false));
    EXPECT_FALSE(GlobMatches("pages/*.htm", "pages/old/a.htm", false));
    EXPECT_TRUE(GlobMatches("pages/**.htm", "pages/old/a.htm", false));
    EXPECT_TRUE(GlobMatches("**/a.htm", "x/y/a.htm", false));
    EXPECT_FALSE(GlobMatches("p?ges/a.htm", "p/ges/a.htm", false));
    EXPECT_FALSE(GlobMatches("Pages/*.htm", "pages/a.htm", false));
    EXPECT_TRUE(GlobMatches("HH*.EXE", "hh.exe", true));
    EXPECT_FALSE(GlobMatches("hh.exe", "hh.exe2", true));
    EXPECT_TRUE(GlobMatches("", "", false));
}

TEST(SuppressionTest, ADirectiveNamesItsRulesAndItsReason)
{
    Directive directive;
    ASSERT_TRUE(ReadDirective(" tipstart-check disable=missing-document, other-program -- meant, truly ", &directive));
    EXPECT_FALSE(directive.wholeFile);
    EXPECT_EQ(directive.rules, (std::vector<std::string>{"missing-document", "other-program"}));
    EXPECT_EQ(directive.reason, "meant, truly");
    ASSERT_TRUE(ReadDirective("tipstart-check disable-file=other-program", &directive));
    EXPECT_TRUE(directive.wholeFile);
    EXPECT_FALSE(directive.malformed);
    EXPECT_EQ(directive.reason, "");
    EXPECT_FALSE(ReadDirective(" tipstart-checker disable=other-program ", &directive));
    EXPECT_FALSE(ReadDirective(" a comment about tipstart-check disable=x ", &directive));
    // Meant as directives, but unreadable: each is said, never ignored.
    for (const char* comment : {" tipstart-check enable=other-program ", " tipstart-check disable= -- nothing ",
                                "tipstart-check: disable=other-program", "tipstart-check", "tipstart-check disable"}) {
        ASSERT_TRUE(ReadDirective(comment, &directive)) << comment;
        EXPECT_TRUE(directive.malformed) << comment;
        EXPECT_TRUE(directive.rules.empty()) << comment;
    }
}

class ConfigurationTest : public ::testing::Test {
protected:
    // The error reading contents gives, or "" when it reads.
    std::string ErrorOf(const std::string& contents)
    {
        std::string path = folder_.File("tipstart-check.toml", contents);
        std::string error;
        return ReadConfiguration(path, "tipstart-check.toml", &configuration_, &error) ? "" : error;
    }

    TestFolder folder_;
    Configuration configuration_;
};

TEST_F(ConfigurationTest, EveryKeyIsReadWithItsPathsBelowTheFile)
{
    folder_.Folder("dist");
    ASSERT_EQ(ErrorOf("exe-folder = \"dist\"\ninstall-folder = 'D:\\Ext'\nwarnings-as-errors = false\n"
                      "disable = [\"other-program\"]\n\n[[ignore]]\nrule = \"missing-document\"\n"
                      "document = 'docs\\*'\nreason = \"later\"\n"),
              "");
    EXPECT_EQ(configuration_.exeFolder, folder_.Path("dist"));
    EXPECT_EQ(configuration_.installFolder, "D:\\Ext");
    EXPECT_TRUE(configuration_.setsWarningsAsErrors);
    EXPECT_FALSE(configuration_.warningsAsErrors);
    EXPECT_EQ(configuration_.disabled, std::vector<RuleId>{RuleOtherProgram});
    ASSERT_EQ(configuration_.ignores.size(), 1u);
    EXPECT_EQ(configuration_.ignores[0].rule, RuleMissingDocument);
    EXPECT_EQ(configuration_.ignores[0].document, "docs\\*");
    EXPECT_EQ(configuration_.ignores[0].line, 6u);
}

TEST_F(ConfigurationTest, EachMistakeIsSaidAtItsLine)
{
    EXPECT_EQ(ErrorOf("\n\ncolour = 1\n"), "tipstart-check.toml:3: unknown key \"colour\"");
    EXPECT_EQ(ErrorOf("disable = \"other-program\"\n"),
              "tipstart-check.toml:1: disable takes a list of rules, such as [\"other-program\"]");
    EXPECT_EQ(ErrorOf("disable = [\n\"other-program\",\n\"others\"]\n"), "tipstart-check.toml:3: no rule \"others\"");
    EXPECT_EQ(ErrorOf("disable = [1]\n"), "tipstart-check.toml:1: a rule is a string, such as \"missing-document\"");
    EXPECT_EQ(ErrorOf("exe-folder = 3\n"), "tipstart-check.toml:1: exe-folder takes a string");
    EXPECT_EQ(ErrorOf("install-folder = \"Ext\"\n"),
              "tipstart-check.toml:1: install-folder Ext: not a full Windows path such as C:\\Ext");
    EXPECT_EQ(ErrorOf("\n[[ignore]]\nrule = \"other-program\"\nreason = \"r\"\n"),
              "tipstart-check.toml:2: an [[ignore]] entry needs a file, a program or a document");
    EXPECT_EQ(ErrorOf("[[ignore]]\nrule = \"other-program\"\nprogram = \"x\"\nreason = \"r\"\nfiles = \"*\"\n"),
              "tipstart-check.toml:5: unknown key \"files\" in [[ignore]]: did you mean \"file\"?");
    EXPECT_EQ(ErrorOf("ignore = 1\n"), "tipstart-check.toml:1: ignore takes [[ignore]] entries");
    EXPECT_EQ(ErrorOf("warnings-as-errors = 1\n"), "tipstart-check.toml:1: warnings-as-errors takes true or false");
}

class SettlingTest : public Checking {
protected:
    std::string Fingerprints()
    {
        FinishRun(run_.get());
        std::string all;
        for (const Finding& finding : Results().findings) {
            all += finding.fingerprint + " ";
        }
        return all;
    }
};

TEST_F(SettlingTest, AFingerprintFollowsItsLinkWhateverItsLine)
{
    folder_.File("Tipstart.exe");
    std::string a = ShortCutLine(",Tipstart.exe,^3docs\\a.txt");
    std::string b = ShortCutLine(",Tipstart.exe,^3docs\\b.txt");
    folder_.File("page.htm", a + b + a);
    Check({"page.htm"});
    std::string before = Fingerprints();
    folder_.File("page.htm", "<p>\n\n" + a + "<p>\n" + b + a);
    Restart();
    Check({"page.htm"});
    EXPECT_EQ(Fingerprints(), before);
    // The same link twice in a file is told apart by its turn.
    EXPECT_EQ(Results().findings[0].fingerprint.substr(0, 16), Results().findings[2].fingerprint.substr(0, 16));
    EXPECT_NE(Results().findings[0].fingerprint, Results().findings[2].fingerprint);
    EXPECT_NE(Results().findings[0].fingerprint, Results().findings[1].fingerprint);
    // Another file, another fingerprint.
    folder_.File("other.htm", a);
    Restart();
    Check({"other.htm"});
    EXPECT_EQ(Fingerprints().find(before.substr(0, 16)), std::string::npos);
}

TEST_F(SettlingTest, TheBaselineHoldsWhatWasThere)
{
    folder_.File("Tipstart.exe");
    folder_.File("page.htm", ShortCutLine(",Tipstart.exe,^3docs\\a.txt"));
    Check({"page.htm"});
    std::string old = Fingerprints();
    options_.hasBaseline = true;
    options_.baseline = {old.substr(0, old.size() - 1)};
    folder_.File("page.htm", ShortCutLine(",Tipstart.exe,^3docs\\b.txt") + ShortCutLine(",Tipstart.exe,^3docs\\a.txt"));
    Restart();
    Check({"page.htm"});
    FinishRun(run_.get());
    ASSERT_EQ(Results().findings.size(), 2u);
    EXPECT_FALSE(Results().findings[0].unchanged);
    EXPECT_TRUE(Results().findings[1].unchanged);
    EXPECT_EQ(CountSeverity(Results(), SeverityError), 1u);
    std::string text = TextReport(Results());
    EXPECT_NE(text.find("page.htm:1:142: error: \"docs\\b.txt\" is not in the package"), std::string::npos) << text;
    EXPECT_EQ(text.find("a.txt"), std::string::npos) << text;
}

}  // namespace
