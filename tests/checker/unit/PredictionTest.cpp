// What Tipstart does with a link, run through the launcher's own code over a
// small package on disk, and the rule table's findings from that prediction,
// word for word.
#include <gtest/gtest.h>

#include "checker/predict/LauncherRun.h"
#include "checker/predict/Prediction.h"
#include "checker/core/Rules.h"
#include "checker/predict/RuleChecks.h"
#include "tests/checker/unit/TestFolder.h"

namespace {

class PredictionTest : public ::testing::Test {
protected:
    PredictionTest()
    {
        folder_.File("docs/one.txt");
        folder_.File("docs/\xC4\x8C" "esky.txt");
        folder_.File("docs/five.obx");
        folder_.Folder("docs/album");
        PackageStart("C:\\Ext", &package_);
        options_.workingFolder = folder_.Path();  // messages name the package's folder from there
    }

    const Prediction& Predict(const std::string& parameters, const std::string& program = "Tipstart.exe")
    {
        link_ = {1, 1, program, parameters, parameters.size(), NamesTipstart(program), false};
        LinkRuns runs = RunLink(link_, options_, folder_.Path(), &package_);
        prediction_ = PredictLink(link_, runs, options_, package_.installFolder);
        return prediction_;
    }

    // The findings of the rules, one "rule: message" a line.
    std::string Findings(const Prediction& prediction) const
    {
        std::vector<Finding> findings;
        ApplyRules(prediction, {"page.htm", "", 4, 2}, &findings);
        std::string all;
        for (const Finding& finding : findings) {
            EXPECT_EQ(finding.place.line, 4u);
            EXPECT_EQ(finding.place.column, 2u);
            all += std::string(RuleOf(finding.rule).id) + ": " + finding.message + "\n";
        }
        return all;
    }

    std::string FindingsOf(const std::string& parameters, const std::string& program = "Tipstart.exe")
    {
        return Findings(Predict(parameters, program));
    }

    TestFolder folder_;
    Package package_;
    PredictionOptions options_;
    FoundLink link_;
    Prediction prediction_;
};

TEST_F(PredictionTest, AToolStartsOnTheDocumentOrAStandInDoes)
{
    options_.list = true;
    const Prediction& p = Predict("^3docs\\one.txt");
    EXPECT_EQ(p.effect, EffectStartsTool);
    EXPECT_EQ(p.versionText + "|" + p.argument + "|" + p.relativePath + "|" + p.document + "|" + p.found,
              "3|3docs\\one.txt|docs\\one.txt|docs\\one.txt|docs\\one.txt");
    EXPECT_EQ(p.targetLength, 19u);
    EXPECT_EQ(p.tool + " " + p.toolFile, "OBX 3.5 C:\\Tools\\3.5\\obx.exe");
    EXPECT_TRUE(p.withDocument);
    EXPECT_EQ(p.match, DocumentExact);
    ASSERT_EQ(p.standIns.size(), 1u);
    EXPECT_EQ(p.standIns[0].tool + " " + p.standIns[0].missingVersion, "OBX 3.0 3.5");
    EXPECT_FALSE(p.asksFolderFirst);
    EXPECT_EQ(Findings(p),
              "link-action: opens \"docs\\one.txt\" with OBX 3.5 (obx.exe), or OBX 3.0 when 3.5 is not registered\n");
    EXPECT_EQ(FindingsOf("^2docs\\nosuch.txt"),
              "missing-document: \"docs\\nosuch.txt\" is not in the package (looked for in \".\"): Oberix 2 would "
              "start without a document\n"
              "link-action: starts Oberix 2 (ob.exe) without a document; asks for its folder first when none is "
              "recorded\n");
    // Without --list only what is wrong is said, and no stand-in is looked for.
    options_.list = false;
    EXPECT_TRUE(Predict("^3docs\\one.txt").standIns.empty());
    EXPECT_EQ(FindingsOf("^4docs\\one.txt"), "");
}

TEST_F(PredictionTest, VersionFiveOpensTheDocumentByItsAssociation)
{
    options_.list = true;
    const Prediction& p = Predict("^5docs\\five.obx");
    EXPECT_EQ(p.effect, EffectOpens);
    EXPECT_EQ(p.opened, DocumentExact);
    EXPECT_EQ(p.toolFile, "C:\\Ext\\docs\\five.obx");
    EXPECT_EQ(Findings(p), "link-action: opens \"docs\\five.obx\" through its file association when OBX 5 is registered\n");
    EXPECT_EQ(FindingsOf("^5docs\\missing.obx"),
              "missing-document: \"docs\\missing.obx\" is not in the package (looked for in \".\"): the shell has "
              "nothing to open\n"
              "link-action: does nothing: the shell finds no \"docs\\missing.obx\" to open\n");
    EXPECT_EQ(FindingsOf("^5docs\\album"),
              "folder-document: \"docs\\album\" is a folder of the package, not a document: the shell opens the folder\n"
              "link-action: opens the folder \"docs\\album\" in the shell when OBX 5 is registered\n");
}

TEST_F(PredictionTest, TheDocumentAsTheFileFunctionsAndTheShortPathWalkFindIt)
{
    EXPECT_EQ(FindingsOf("^3docs\\nosuch\\..\\one.txt"),
              "missing-document: \"docs\\nosuch\\..\\one.txt\" resolves to \"docs\\one.txt\", but Tipstart's short-path "
              "lookup walks each folder as written and a folder before a \"..\" is missing: OBX 3.5 would start "
              "without a document\n");
    EXPECT_EQ(FindingsOf("^3docs\\\xC4\x8D" "ESKY.txt"),
              "non-ascii-name: the link holds characters outside ASCII: Tipstart reads them from Windows 10 version "
              "1903 on; on older Windows only if the system's code page has them\n"
              "document-case: \"docs\\\xC4\x8D" "ESKY.txt\" matches \"docs\\\xC4\x8C" "esky.txt\" only in another letter "
              "case; Windows opens it, but spell it as the file is\n");
    EXPECT_EQ(FindingsOf("^4docs\\album"),
              "folder-document: \"docs\\album\" is a folder of the package, not a document: OBX 4.0 is started with the "
              "folder\n");
    EXPECT_EQ(FindingsOf("^3\\docs\\one.txt"),
              "doubled-separator: the path after the version digit starts with \"\\\": Tipstart appends it to its own "
              "folder, which ends in \"\\\", so the separator is doubled\n");
    EXPECT_EQ(FindingsOf("^3\"docs\\one.txt\""),
              "dropped-quotes: Tipstart drops every double quote of its command line, so these quotes do not group "
              "anything\n");
}

TEST_F(PredictionTest, RefusedUnservedAndResetLinks)
{
    EXPECT_EQ(FindingsOf("3docs\\one.txt"),
              "refused-link: Tipstart refuses this link (\"This Utility can be accessed only from the Help File of "
              "ZEZODA Extension.\"): its parameters hold no \"^\" marker\n");
    for (const char* version : {"1", "9"}) {
        EXPECT_EQ(FindingsOf(std::string("^") + version + "docs\\one.txt"),
                  std::string("unserved-version: version \"") + version +
                      "\" is not one Tipstart serves (2 to 5): it shows \"No OBX Version Specified!\"\n");
    }
    const Prediction& reset = Predict(" ^ 2Reset_ ");
    EXPECT_EQ(reset.kind, LaunchReset);
    EXPECT_EQ(reset.effect, EffectForgets);
    EXPECT_EQ(Findings(reset), "");
    EXPECT_EQ(FindingsOf("^2 reset"),
              "reset-spelling: \"2 reset\" is not the reset keyword: Tipstart opens a document named \" reset\" with "
              "Oberix 2; write \"^2Reset_\"\n");
    EXPECT_EQ(FindingsOf("^2\tReset"),
              "reset-spelling: \"2\tReset\" is not the reset keyword: Tipstart opens a document named \"\tReset\" with "
              "Oberix 2; write \"^2Reset_\"\n");
    EXPECT_EQ(FindingsOf("^2Reserve.txt"),
              "missing-document: \"Reserve.txt\" is not in the package (looked for in \".\"): Oberix 2 would start "
              "without a document\n");
    // A missing document's near name in the package, found as the link is run.
    EXPECT_EQ(FindingsOf("^3docs\\on.txt"),
              "missing-document: \"docs\\on.txt\" is not in the package (looked for in \".\"): OBX 3.5 would start "
              "without a document; did you mean \"docs\\one.txt\"?\n");
}

TEST_F(PredictionTest, TheProgramAndTheLengthOfTheCommandLine)
{
    EXPECT_EQ(FindingsOf("^3docs\\one.txt", "C:\\X\\tipstart.exe"),
              "program-name: the program is spelt \"tipstart.exe\": Tipstart finds its own folder only when the link "
              "spells it \"Tipstart.exe\", so it looks for the document in the wrong place\n");
    // The command line is "C:\Ext\Tipstart.exe" in quotes, a blank and the
    // parameters: 22 characters before them, 2047 at most.
    const Prediction& longest = Predict("^3" + std::string(2023, 'x'));
    EXPECT_EQ(longest.commandLineLength, 2047u);
    EXPECT_EQ(Findings(longest),
              "path-too-long: the document's full path in \"C:\\Ext\\\" would be 2030 characters; Windows' MAX_PATH "
              "limit lets Tipstart's file calls and the shell take at most 259, so nothing finds it\n");
    const Prediction& tooLong = Predict("^3\"" + std::string(2023, 'x'));
    EXPECT_EQ(tooLong.effect, EffectShowsBox);
    EXPECT_EQ(Findings(tooLong),
              "path-too-long: the command line Tipstart receives would be 2048 characters; it takes at most 2047 and "
              "refuses longer ones\n"
              "dropped-quotes: Tipstart drops every double quote of its command line, so these quotes do not group "
              "anything\n");
}

TEST_F(PredictionTest, AnotherProgramIsNamedWithItsParameters)
{
    options_.list = true;
    // Tipstart's own rules do not apply to it.
    EXPECT_EQ(FindingsOf("/c \"calc\" \xC3\xA9", "cmd.exe"),
              "other-program: this ShortCut object starts \"cmd.exe\" with the parameters \"/c \\\"calc\\\" \xC3\xA9\", "
              "not Tipstart\n"
              "link-action: starts \"cmd.exe\" with the parameters \"/c \\\"calc\\\" \xC3\xA9\"\n");
    options_.list = false;
    EXPECT_EQ(FindingsOf("", "C:\\Windows\\hh.exe"),
              "other-program: this ShortCut object starts \"C:\\Windows\\hh.exe\" without parameters, not Tipstart\n");
    // Long texts are cut at 200 bytes, never inside a character.
    EXPECT_EQ(FindingsOf(std::string(199, 'a') + "\xC3\xA9" + std::string(99, 'b'), "run.exe"),
              "other-program: this ShortCut object starts \"run.exe\" with the parameters \"" + std::string(199, 'a') +
                  "... (300 bytes)\", not Tipstart\n");
}

class RulesTest : public PredictionTest {
protected:
    // The findings of a link to OBX 4.0 with what this machine makes of it.
    std::string OnThisMachine(MachineEffect effect, bool fileExists, std::vector<std::string> toolsRead = {})
    {
        Prediction p = Predict("^4docs\\one.txt");
        p.machine.asked = true;
        p.machine.effect = effect;
        p.machine.file = "C:\\Obx\\obx.exe";
        p.machine.tool = "OBX 4.0";
        p.machine.fileExists = fileExists;
        p.machine.toolsRead = toolsRead;
        return Findings(p);
    }
};

TEST_F(RulesTest, EachRowStandsAtItsRulesIndex)
{
    struct Row {
        RuleId rule;
        const char* id;
        Severity severity;
    };
    const Row rows[] = {
        {RuleRefusedLink, "refused-link", SeverityError},
        {RuleUnservedVersion, "unserved-version", SeverityError},
        {RuleMissingDocument, "missing-document", SeverityError},
        {RuleProgramName, "program-name", SeverityError},
        {RuleResetSpelling, "reset-spelling", SeverityError},
        {RulePathTooLong, "path-too-long", SeverityError},
        {RuleDoubledSeparator, "doubled-separator", SeverityWarning},
        {RuleDroppedQuotes, "dropped-quotes", SeverityWarning},
        {RuleNonAsciiName, "non-ascii-name", SeverityWarning},
        {RuleDocumentCase, "document-case", SeverityWarning},
        {RuleFolderDocument, "folder-document", SeverityWarning},
        {RuleUndecodableText, "undecodable-text", SeverityWarning},
        {RuleOtherProgram, "other-program", SeverityWarning},
        {RuleCharacterReference, "character-reference", SeverityWarning},
        {RuleUnreadableInput, "unreadable-input", SeverityError},
        {RuleOutsideLink, "outside-link", SeverityNote},
        {RuleLinkAction, "link-action", SeverityNote},
        {RuleThisMachine, "this-machine", SeverityNote},
        {RuleThisMachineMissing, "this-machine-missing", SeverityWarning},
        {RuleUnusedSuppression, "unused-suppression", SeverityWarning},
        {RuleUnknownRule, "unknown-rule", SeverityWarning},
        {RuleStartsProgram, "starts-program", SeverityWarning},
        {RuleLeavesPackage, "leaves-package", SeverityWarning},
        {RuleDeviceName, "device-name", SeverityError},
        {RuleProgramPath, "program-path", SeverityWarning},
        {RuleScriptedShortcut, "scripted-shortcut", SeverityWarning},
        {RuleUnknownCharset, "unknown-charset", SeverityWarning},
        {RuleUndeclaredEncoding, "undeclared-encoding", SeverityWarning},
        {RuleMissingPage, "missing-page", SeverityWarning},
        {RuleUnfinishedScript, "unfinished-script", SeverityWarning},
        {RuleSeveralCommands, "several-commands", SeverityWarning},
        {RuleAutorunProgram, "autorun-program", SeverityError},
        {RuleItem1Fields, "item1-fields", SeverityError},
        {RuleMalformedDirective, "malformed-directive", SeverityWarning},
    };
    ASSERT_EQ(sizeof rows / sizeof rows[0], static_cast<size_t>(RuleCount));
    for (size_t i = 0; i < RuleCount; ++i) {
        EXPECT_EQ(rows[i].rule, static_cast<RuleId>(i));
        EXPECT_STREQ(RuleOf(rows[i].rule).id, rows[i].id);
        EXPECT_EQ(RuleOf(rows[i].rule).severity, rows[i].severity) << rows[i].id;
        // Found as pages, inputs and suppressions are read, or from a link's prediction.
        bool fromPages = rows[i].rule == RuleUndecodableText || rows[i].rule == RuleCharacterReference ||
                         rows[i].rule == RuleUnreadableInput || rows[i].rule == RuleOutsideLink ||
                         rows[i].rule == RuleUnusedSuppression || rows[i].rule == RuleUnknownRule ||
                         rows[i].rule == RuleScriptedShortcut ||
                         rows[i].rule == RuleUnknownCharset || rows[i].rule == RuleUndeclaredEncoding ||
                         rows[i].rule == RuleMissingPage || rows[i].rule == RuleUnfinishedScript ||
                         rows[i].rule == RuleSeveralCommands || rows[i].rule == RuleMalformedDirective;
        EXPECT_EQ(DecidedByPrediction(rows[i].rule), !fromPages) << rows[i].id;
    }
}

TEST_F(RulesTest, WhatThisMachineMakesOfALink)
{
    EXPECT_EQ(OnThisMachine(MachineStarts, true), "this-machine: here: starts \"C:\\Obx\\obx.exe\" (OBX 4.0)\n");
    EXPECT_EQ(OnThisMachine(MachineStarts, false), "this-machine-missing: here: would start \"C:\\Obx\\obx.exe\" (OBX "
                                                   "4.0), which does not exist: nothing opens\n");
    EXPECT_EQ(OnThisMachine(MachineOpens, false), "this-machine: here: OBX 5 is registered; the shell opens the "
                                                  "document\n");
    EXPECT_EQ(OnThisMachine(MachineAsksFolder, false), "this-machine: here: no Oberix 2 folder is recorded; Tipstart "
                                                       "would ask for it\n");
    EXPECT_EQ(OnThisMachine(MachineNothingRegistered, false, {"OBX 3.5", "OBX 3.0"}),
              "this-machine-missing: here: does nothing, no OBX 3.5 or OBX 3.0 is registered\n");
    EXPECT_EQ(OnThisMachine(MachineNothingRegistered, false), "this-machine-missing: here: does nothing, no tool is "
                                                              "registered\n");
    EXPECT_EQ(OnThisMachine(MachineQuiet, false), "");
    // Without --this-machine, and for another program, nothing is said of it.
    Prediction p = Predict("^4docs\\one.txt");
    p.machine.effect = MachineStarts;
    EXPECT_EQ(Findings(p), "");
    p = Predict("/c calc", "cmd.exe");
    p.machine.asked = true;
    p.machine.effect = MachineNothingRegistered;
    EXPECT_EQ(Findings(p), "other-program: this ShortCut object starts \"cmd.exe\" with the parameters \"/c calc\", "
                           "not Tipstart\n");
}

TEST_F(RulesTest, APathTooLongToWorkWithEndsTheRunQuietly)
{
    // The launcher gives up when the document's path does not fit its texts.
    Prediction p = Predict("^4docs\\one.txt");
    p.kind = LaunchAbandoned;
    p.effect = EffectNothing;
    p.launched = false;
    EXPECT_EQ(Findings(p), "path-too-long: the document's path is longer than the 2047 characters Tipstart works "
                           "with; it does nothing\n");
}

}  // namespace
