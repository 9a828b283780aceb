// The reports: compiler-style lines and their summary, and the SARIF log's
// results, levels and artifact URIs.
#include <gtest/gtest.h>

#include "tests/checker/unit/TestCheck.h"

namespace {

class ReportTest : public Checking {};

std::string Sarif(const CheckResults& results, const std::string& workingFolder = "/work")
{
    return Written([&](FILE* out) { WriteSarifReport(out, results, "2.0.0", workingFolder, false); });
}

std::string Summary(const CheckResults& results, double seconds)
{
    return Written([&](FILE* out) { WriteSummary(out, results, seconds); });
}

bool Holds(const std::string& text, const std::string& piece)
{
    return text.find(piece) != std::string::npos;
}

TEST_F(ReportTest, TheSarifLogIsUtf8AndTellsAFailedRun)
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
    // A page may hold ESC and other controls in a link's parameters.
    Results().findings.push_back({{"p.htm", "", 1, 1}, RuleOtherProgram, "a\x1B\x1F\x01\tb"});
    EXPECT_NE(Sarif(Results()).find("a\\u001b\\u001f\\u0001\\u0009b"), std::string::npos);
}

TEST_F(ReportTest, ALineGivesThePlaceTheLevelTheMessageAndTheRule)
{
    CheckResults results;
    results.findings = {
        {{"pages/100%.htm", "", 3, 44}, RuleDroppedQuotes, "quotes %s"},
        {{"Help.chm", "/pages/a b.htm", 2, 5}, RuleLinkAction, "opens x"},
        {{"empty.chm", "", 0, 0}, RuleUnreadableInput, "is empty: not a compiled help file"},
        {{"tree/root", "", 0, 0}, RuleOutsideLink, "is a symbolic link to /"},
        {{"cr\r.htm", "", 1, 1}, RuleMissingPage, "\"a\rb.htm\" names a page"},
        // A field ends at a NUL, as a C string does.
        {{std::string("x\0y.chm", 7), "/m.htm", 1, 1}, RuleMissingPage, std::string("\"a\0b.htm\" names", 15)},
    };
    EXPECT_EQ(TextReport(results), "pages/100%.htm:3:44: warning: quotes %s [dropped-quotes]\n"
                                   "Help.chm::/pages/a b.htm:2:5: note: opens x [link-action]\n"
                                   "empty.chm: error: is empty: not a compiled help file [unreadable-input]\n"
                                   "tree/root: note: is a symbolic link to / [outside-link]\n"
                                   "cr\\r.htm:1:1: warning: \"a\\rb.htm\" names a page [missing-page]\n"
                                   "x:1:1: warning: \"a [missing-page]\n");
}

TEST_F(ReportTest, TheSummaryCountsErrorsAndWarningsButNotNotes)
{
    CheckResults results;
    EXPECT_EQ(Summary(results, 0), "tipstart-check: 0 links in 0 files: 0 errors, 0 warnings (0.00 s)\n");
    results.links = 1;
    results.files = 1;
    results.findings = {{{"a.htm", "", 1, 1}, RuleMissingDocument, "m"},
                        {{"a.htm", "", 1, 1}, RuleDocumentCase, "m"},
                        {{"a.htm", "", 1, 1}, RuleLinkAction, "m"},
                        {{"a.htm", "", 1, 1}, RuleOutsideLink, "m"}};
    EXPECT_EQ(Summary(results, 0.254), "tipstart-check: 1 link in 1 file: 1 error, 1 warning (0.25 s)\n");
    EXPECT_EQ(CountSeverity(results, SeverityNote), 2u);
    EXPECT_FALSE(InputFailed(results));
    results.links = 2;
    results.files = 2;
    results.findings.push_back({{"b.chm", "", 0, 0}, RuleUnreadableInput, "m"});
    results.findings.push_back({{"a.htm", "", 2, 1}, RuleOtherProgram, "m"});
    EXPECT_EQ(Summary(results, 12.5), "tipstart-check: 2 links in 2 files: 2 errors, 2 warnings (12.50 s)\n");
    EXPECT_TRUE(InputFailed(results));
}

TEST_F(ReportTest, FindingsSortByFileThenPlaceThenRule)
{
    CheckResults results;
    results.findings = {
        {{"b.htm", "", 2, 1}, RuleLinkAction, "first"},
        {{"b.htm", "", 2, 1}, RuleMissingDocument, "m"},
        {{"b.htm", "", 2, 1}, RuleLinkAction, "second"},
        {{"b.htm", "", 1, 10}, RuleNonAsciiName, "m"},
        {{"b.htm", "", 1, 9}, RuleOtherProgram, "m"},
        {{"a.chm", "/x.htm", 1, 1}, RuleDocumentCase, "m"},
        {{"a.htm", "", 5, 5}, RuleDroppedQuotes, "m"},
        {{"a.chm", "", 0, 0}, RuleUnreadableInput, "m"},
        {{"b.htm", "", 0, 0}, RuleCharacterReference, "m"},
        // Two pages ran one script: what it wrote for each, by what it says,
        // whichever page was checked first.
        {{"c.js", "", 1, 1}, RuleMissingDocument, "z"},
        {{"c.js", "", 1, 1}, RuleMissingDocument, "y"},
    };
    SortFindings(&results.findings);
    EXPECT_EQ(TextReport(results), "a.chm: error: m [unreadable-input]\n"
                                   "a.chm::/x.htm:1:1: warning: m [document-case]\n"
                                   "a.htm:5:5: warning: m [dropped-quotes]\n"
                                   "b.htm: warning: m [character-reference]\n"
                                   "b.htm:1:9: warning: m [other-program]\n"
                                   "b.htm:1:10: warning: m [non-ascii-name]\n"
                                   "b.htm:2:1: error: m [missing-document]\n"
                                   "b.htm:2:1: note: first [link-action]\n"
                                   "b.htm:2:1: note: second [link-action]\n"
                                   "c.js:1:1: error: y [missing-document]\n"
                                   "c.js:1:1: error: z [missing-document]\n");
}

TEST_F(ReportTest, SarifResultsNameTheirRuleLevelAndArtifact)
{
    CheckResults results;
    results.findings = {
        {{"my page.htm", "", 10, 44}, RuleMissingDocument, "docs\\nosuch.txt \"x\"\ttab"},
        {{"Help Files.chm", "/pages/Seite \xC3\xBC.htm", 6, 44}, RuleDocumentCase, "w"},
        {{"/abs dir/p.htm", "", 1, 2}, RuleLinkAction, "n"},
        {{"C:/Help Files/p.htm", "", 3, 4}, RuleDroppedQuotes, "w"},
        {{"empty.chm", "", 0, 0}, RuleUnreadableInput, "is empty"},
        {{"100%/a#b+c;d=e~_.htm", "", 1, 1}, RuleOtherProgram, "w"},
        {{"Help Files.chm", "/pages/Seite \xC3\xBC.htm", 7, 1}, RuleLinkAction, "n"},
    };
    std::string log = Sarif(results);
    const char* const located[] = {
        "{\"ruleId\": \"missing-document\", \"ruleIndex\": 2, \"level\": \"error\", \"message\": {\"text\": "
        "\"docs\\\\nosuch.txt \\\"x\\\"\\u0009tab\"}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": "
        "{\"uri\": \"my%20page.htm\", \"uriBaseId\": \"SRCROOT\", \"index\": 0}, \"region\": {\"startLine\": 10, "
        "\"startColumn\": 44}}}], \"partialFingerprints\": {\"tipstart-check/v1\": \"\"}, "
        "\"properties\": {\"program\": null, \"parameters\": null, \"document\": null, \"autorun\": false, \"fingerprintFile\": \"\"}}",
        "{\"ruleId\": \"document-case\", \"ruleIndex\": 9, \"level\": \"warning\", \"message\": {\"text\": \"w\"}, "
        "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"pages/Seite%20%C3%BC.htm\", "
        "\"index\": 2}, \"region\": {\"startLine\": 6, \"startColumn\": 44}}}], \"partialFingerprints\": {\"tipstart-check/v1\": \"\"}, "
        "\"properties\": {\"program\": null, \"parameters\": null, \"document\": null, \"autorun\": false, \"fingerprintFile\": \"\"}}",
        "{\"ruleId\": \"link-action\", \"ruleIndex\": 16, \"level\": \"note\", \"message\": {\"text\": \"n\"}, "
        "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"file:///abs%20dir/p.htm\", "
        "\"index\": 3}, \"region\": {\"startLine\": 1, \"startColumn\": 2}}}], \"partialFingerprints\": {\"tipstart-check/v1\": \"\"}, "
        "\"properties\": {\"program\": null, \"parameters\": null, \"document\": null, \"autorun\": false, \"fingerprintFile\": \"\"}}",
        "\"artifactLocation\": {\"uri\": \"file:///C:/Help%20Files/p.htm\", \"index\": 4}, \"region\": "
        "{\"startLine\": 3, \"startColumn\": 4}}}], \"partialFingerprints\": {\"tipstart-check/v1\": \"\"}, "
        "\"properties\": {\"program\": null, \"parameters\": null, \"document\": null, \"autorun\": false, \"fingerprintFile\": \"\"}}",
        "{\"ruleId\": \"unreadable-input\", \"ruleIndex\": 14, \"level\": \"error\", \"message\": {\"text\": \"is "
        "empty\"}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"empty.chm\", "
        "\"uriBaseId\": \"SRCROOT\", \"index\": 5}}}], \"partialFingerprints\": {\"tipstart-check/v1\": \"\"}, "
        "\"properties\": {\"program\": null, \"parameters\": null, \"document\": null, \"autorun\": false, \"fingerprintFile\": \"\"}}",
        "{\"uri\": \"100%25/a%23b%2Bc%3Bd%3De~_.htm\", \"uriBaseId\": \"SRCROOT\", \"index\": 6}",
        "{\"uri\": \"pages/Seite%20%C3%BC.htm\", \"index\": 2}, \"region\": {\"startLine\": 7, ",
    };
    for (const char* result : located) {
        EXPECT_TRUE(Holds(log, result)) << result << "\n" << log;
    }
    // A page inside a compiled help file is nested in it.
    EXPECT_TRUE(Holds(log, "\"artifacts\": [\n"
                           "        {\"location\": {\"uri\": \"my%20page.htm\", \"uriBaseId\": \"SRCROOT\"}},\n"
                           "        {\"location\": {\"uri\": \"Help%20Files.chm\", \"uriBaseId\": \"SRCROOT\"}},\n"
                           "        {\"location\": {\"uri\": \"pages/Seite%20%C3%BC.htm\"}, \"parentIndex\": 1},\n"
                           "        {\"location\": {\"uri\": \"file:///abs%20dir/p.htm\"}},\n"
                           "        {\"location\": {\"uri\": \"file:///C:/Help%20Files/p.htm\"}},\n"
                           "        {\"location\": {\"uri\": \"empty.chm\", \"uriBaseId\": \"SRCROOT\"}},\n"
                           "        {\"location\": {\"uri\": \"100%25/a%23b%2Bc%3Bd%3De~_.htm\", \"uriBaseId\": "
                           "\"SRCROOT\"}}\n"
                           "      ]\n"))
        << log;
}

TEST_F(ReportTest, TheSarifBaseIsTheWorkingFolderAndRulesHaveTheirLevels)
{
    CheckResults results;
    std::string log = Sarif(results);
    EXPECT_TRUE(Holds(log, "\"originalUriBaseIds\": {\"SRCROOT\": {\"uri\": \"file:///work/\"}}")) << log;
    EXPECT_TRUE(Holds(Sarif(results, "/work/"), "{\"SRCROOT\": {\"uri\": \"file:///work/\"}}"));
    EXPECT_TRUE(Holds(Sarif(results, "C:/Help Work"), "{\"SRCROOT\": {\"uri\": \"file:///C:/Help%20Work/\"}}"));
    EXPECT_TRUE(Holds(log, "{\"id\": \"outside-link\", \"shortDescription\": {\"text\": \"A symbolic link leads out "
                           "of the checked tree.\"}, \"fullDescription\": {\"text\": \"A symbolic link inside the "
                           "checked folder leads outside it; it is not followed.\"}, \"help\": {\"text\": "))
        << log;
    // Each rule's help is its page, in Markdown.
    EXPECT_TRUE(Holds(log, "\"markdown\": \"# outside-link\\u000a")) << log;
    EXPECT_TRUE(Holds(log, "\"defaultConfiguration\": {\"level\": \"note\"}},\n")) << log;
}

}  // namespace
