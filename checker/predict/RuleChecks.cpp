#include "checker/predict/RuleChecks.h"

#include <stddef.h>

#include "checker/core/TextTools.h"
#include "checker/page/LinkFinder.h"
#include "checker/predict/Prediction.h"
#include "checker/system/Names.h"

namespace {

// The stages a link passes in Tipstart, each within the one before: run
// (it starts Tipstart, and the command line fits), served (the marker is
// there), asked (Tipstart finds its own folder), opening (a document is
// asked for), started (that document's path is tried).
bool Runs(const Prediction& p)
{
    return p.effect != EffectOtherProgram && !p.commandLineTooLong;
}

bool Served(const Prediction& p)
{
    return Runs(p) && p.kind != LaunchRefused;
}

bool Asked(const Prediction& p)
{
    return Served(p) && p.programName == ProgramName;
}

bool Opening(const Prediction& p)
{
    return Asked(p) && p.kind == LaunchOpen;
}

bool Started(const Prediction& p)
{
    return Opening(p) && !p.resetMisspelt && !p.unservedVersion && p.targetLength <= MaxPathCharacters && p.launched;
}

bool DocumentMissed(const Prediction& p)
{
    return Started(p) && (p.byAssociation ? p.opened == DocumentMissing : !p.withDocument);
}

bool StartsTipstart(const Prediction& p)
{
    return p.effect != EffectOtherProgram;
}

// Long texts are cut in messages: a page may hold megabytes in one value.
// length is the whole text's, of which only the start may be kept.
std::string Excerpt(const std::string& text, size_t length)
{
    const size_t shown = 200;
    if (text.size() <= shown) {
        return text;
    }
    size_t cut = shown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;  // not inside a UTF-8 character
    }
    return text.substr(0, cut) + "... (" + std::to_string(length) + " bytes)";
}

// An Item1 without its program field, as ",", "" or a bare window class.
bool NamesNoProgram(const Prediction& p)
{
    return p.effect == EffectOtherProgram && p.link->program.empty();
}

// A program name that misses Tipstart.exe narrowly: within two edits of it,
// or without ".exe". No such program is in the package: the link is dead.
bool MisspeltTipstart(const Prediction& p)
{
    std::string name = ProgramFileName(ShellProgram(p.link->program));
    return p.effect == EffectOtherProgram &&
           (EditDistance(name, ProgramName, 2) <= 2 || EqualsNoCase(name, "tipstart"));
}

// The author left out Item1's leading comma: the program's name stands in
// its first field (the window class), and the parameters in the program's.
bool ProgramInFirstField(const FoundLink& link)
{
    std::string first = ShellProgram(link.firstField);
    return NamesTipstart(first) ||
           (EndsWithNoCase(first.c_str(), first.size(), ".exe") && !NamesTipstart(link.program));
}

// The Item1 as it should be: its first field empty.
std::string Item1Form(const FoundLink& link)
{
    std::string rest = link.program + (link.parameters.empty() ? "" : "," + link.parameters);
    return ProgramInFirstField(link) ? "," + link.firstField + "," + rest : "," + rest;
}

// A ShortCut that starts another program: not a near miss of Tipstart.exe,
// nor an Item1 whose program went into its first field.
bool StartsOtherProgram(const Prediction& p)
{
    return p.effect == EffectOtherProgram && !MisspeltTipstart(p) && !ProgramInFirstField(*p.link);
}

// The command line the HTML Help control gives the program.
std::string CommandLine(const FoundLink& link)
{
    return link.program + (link.parameters.empty() ? "" : " " + link.parameters);
}

const char* const NoProgramText = "names no program in its Item1 (\",PROGRAM,PARAMETERS\"), so it starts nothing";

std::string OtherProgramStart(const Prediction& p)
{
    const FoundLink& link = *p.link;
    std::string program = Excerpt(link.program, link.program.size());
    // A program the link quotes is shown in its own quotes.
    bool quoted = program.size() >= 2 && program.front() == '"' && program.back() == '"';
    return (quoted ? program : Quoted(program)) +
           (link.parameters.empty() ? std::string(" without parameters")
                                    : " with the parameters " + Quoted(Excerpt(link.parameters, link.parametersLength)));
}

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

std::string DescribeOpening(const Prediction& p)
{
    if (p.opened == DocumentMissing) {
        return "does nothing: the shell finds no " + Quoted(p.document) + " to open";
    }
    if (p.opened == DocumentDevice) {
        return "does nothing: " + Quoted(p.document) + " names the " + p.found + " device, which the shell does not open";
    }
    std::string action = p.runsProgram                   ? "runs " + Quoted(p.document) + " as a program"
                         : p.opened == DocumentIsFolder ? "opens the folder " + Quoted(p.document) + " in the shell"
                                                        : "opens " + Quoted(p.document) + " through its file association";
    return action + " when OBX 5 is registered" + (p.opened == DocumentOutside ? ", where it exists" : "");
}

std::string ToolAndFile(const Prediction& p)
{
    return p.tool + " (" + FileName(p.toolFile) + ")";
}

std::string DescribeToolStart(const Prediction& p)
{
    if (p.withDocument && p.match == DocumentDevice) {
        return "hands the " + p.found + " device (" + Quoted(p.document) + ") to " + ToolAndFile(p) + ", not a file";
    }
    std::string text = (p.withDocument ? "opens " + Quoted(p.document) + " with " : "starts ") + ToolAndFile(p) +
                       (p.withDocument ? "" : " without a document") +
                       (p.withDocument && p.match == DocumentOutside ? ", where it exists" : "");
    for (const StandIn& standIn : p.standIns) {
        text += ", or " + standIn.tool + " when " + standIn.missingVersion + " is not registered";
    }
    return text + (p.asksFolderFirst ? "; asks for its folder first when none is recorded" : "");
}

// What Tipstart does with the link, with every tool registered.
std::string Describe(const Prediction& p)
{
    switch (p.effect) {
    case EffectOtherProgram:
        return NamesNoProgram(p) ? std::string("does nothing: the ShortCut object ") + NoProgramText : "starts " + OtherProgramStart(p);
    case EffectShowsBox:
        return "shows \"" + p.boxText + "\" and starts nothing";
    case EffectForgets:
        return "forgets the recorded Oberix 2 folder (stores an empty record) and starts nothing";
    case EffectNothing:
        return "does nothing";
    case EffectOpens:
        return DescribeOpening(p);
    case EffectStartsTool:
        return DescribeToolStart(p);
    }
    return std::string();
}

std::string NoneRegistered(const MachinePrediction& machine)
{
    std::string names;
    for (const std::string& tool : machine.toolsRead) {
        names += (names.empty() ? "no " : " or ") + tool;
    }
    return names.empty() ? "no tool" : names;
}

// The rules that a link's prediction decides, in the order of the rule
// table, each with the function that words its finding.
const RuleCheck Checks[] = {
    {RuleRefusedLink,
     [](const Prediction& p, std::string* message) {
         if (!(Runs(p) && p.kind == LaunchRefused)) {
             return false;
         }
         bool noProgram = !p.options.programAsWritten && ShellProgram(p.link->program).compare(0, 1, "^") == 0;
         *message = noProgram ? "this line names no program: each line of a link list is a whole command line "
                                "(\"C:\\Ext\\Tipstart.exe\" ^3docs\\one.txt), so Tipstart takes " +
                                    Quoted(p.link->program) + " for its own name, finds no \"^\" marker after it and "
                                    "refuses the link (\"" + RefusalText + "\")"
                              : std::string("Tipstart refuses this link (\"") + RefusalText +
                                    "\"): its parameters hold no \"^\" marker";
         return true;
     }},
    {RuleUnservedVersion,
     [](const Prediction& p, std::string* message) {
         if (!(Opening(p) && !p.resetMisspelt && p.unservedVersion)) {
             return false;
         }
         *message = "version \"" + p.versionText + "\" is not one Tipstart serves (2 to 5): it shows \"" +
                    UnservedVersionText + "\"";
         return true;
     }},
    {RuleMissingDocument,
     [](const Prediction& p, std::string* message) {
         if (!DocumentMissed(p)) {
             return false;
         }
         std::string outcome =
             p.byAssociation ? "the shell has nothing to open" : p.tool + " would start without a document";
         std::string separator = EndsWithSeparator(p.relativePath) ? " (a name followed by a separator names a folder)" : "";
         std::string near = p.nearName.empty() ? std::string() : "; did you mean " + Quoted(p.nearName) + "?";
         *message = p.match == DocumentMissing
                        ? Quoted(p.document) + " is not in the package" + separator +
                              (p.lookedIn.empty() ? "" : " (looked for in " + Quoted(p.lookedIn) + ")") + ": " + outcome +
                              near
                        : Quoted(p.document) + " resolves to " + Quoted(p.found) +
                              ", but Tipstart's short-path lookup walks each folder as written and a folder "
                              "before a \"..\" is missing: " + outcome;
         return true;
     }},
    {RuleProgramName,
     [](const Prediction& p, std::string* message) {
         if (MisspeltTipstart(p)) {
             *message = "the program is spelt " + Quoted(ProgramFileName(ShellProgram(p.link->program))) +
                        ", which no file of the package is: the link starts nothing; did you mean " + ProgramName + "?";
             return true;
         }
         if (!(Served(p) && p.programName != ProgramName)) {
             return false;
         }
         *message = "the program is spelt \"" + p.programName +
                    "\": Tipstart finds its own folder only when the link spells it \"" + ProgramName +
                    "\", so it looks for the document in the wrong place";
         return true;
     }},
    {RuleResetSpelling,
     [](const Prediction& p, std::string* message) {
         if (!(Opening(p) && p.resetMisspelt)) {
             return false;
         }
         *message = "\"" + p.argument + "\" is not the reset keyword: Tipstart opens a document named \"" +
                    p.relativePath + "\" with Oberix 2; write \"^2Reset_\"";
         return true;
     }},
    {RulePathTooLong,
     [](const Prediction& p, std::string* message) {
         std::string most = std::to_string(WorkTextSize - 1);
         if (p.commandLineTooLong) {
             *message = "the command line Tipstart receives would be " + std::to_string(p.commandLineLength) +
                        " characters; it takes at most " + most + " and refuses longer ones";
             return true;
         }
         if (Asked(p) && p.kind == LaunchAbandoned) {
             *message = "the document's path is longer than the " + most + " characters Tipstart works with; it "
                        "does nothing";
             return true;
         }
         if (!Opening(p) || p.resetMisspelt || p.unservedVersion || p.targetLength <= MaxPathCharacters) {
             return false;
         }
         *message = "the document's full path in " + Quoted(p.installFolder) + " would be " + std::to_string(p.targetLength) +
                    " characters; Windows' MAX_PATH limit lets Tipstart's file calls and the shell take at most " +
                    std::to_string(MaxPathCharacters) + ", so nothing finds it";
         return true;
     }},
    {RuleDoubledSeparator,
     [](const Prediction& p, std::string* message) {
         if (!(Runs(p) && p.kind == LaunchOpen && !p.relativePath.empty() && p.relativePath[0] == '\\')) {
             return false;
         }
         *message = "the path after the version digit starts with \"\\\": Tipstart appends it to its own folder, "
                    "which ends in \"\\\", so the separator is doubled";
         return true;
     }},
    {RuleDroppedQuotes,
     [](const Prediction& p, std::string* message) {
         if (!(StartsTipstart(p) && p.link->parameters.find('"') != std::string::npos)) {
             return false;
         }
         *message = "Tipstart drops every double quote of its command line, so these quotes do not group anything";
         return true;
     }},
    {RuleNonAsciiName,
     [](const Prediction& p, std::string* message) {
         if (!(StartsTipstart(p) && HasNonAscii(p.link->parameters))) {
             return false;
         }
         *message = "the link holds characters outside ASCII: Tipstart reads them from Windows 10 version 1903 on; "
                    "on older Windows only if the system's code page has them";
         return true;
     }},
    {RuleDocumentCase,
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && !DocumentMissed(p) && p.match == DocumentOtherCase)) {
             return false;
         }
         *message = Quoted(p.document) + " matches " + Quoted(p.found) +
                    " only in another letter case; Windows opens it, but spell it as the file is";
         return true;
     }},
    {RuleFolderDocument,
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && !DocumentMissed(p) && p.match == DocumentIsFolder)) {
             return false;
         }
         std::string outcome =
             p.byAssociation ? std::string("the shell opens the folder") : p.tool + " is started with the folder";
         *message = p.relativePath.empty()
                        ? "the link names no document after \"^" + p.versionText + "\": " + outcome + " of the package"
                        : Quoted(p.document) + " is a folder of the package, not a document: " + outcome;
         return true;
     }},
    {RuleOtherProgram,
     [](const Prediction& p, std::string* message) {
         if (!StartsOtherProgram(p) || (p.link->clickedByPage && !NamesNoProgram(p))) {
             return false;  // autorun-program, an error
         }
         *message = NamesNoProgram(p) ? std::string("this ShortCut object ") + NoProgramText
                                      : "this ShortCut object starts " + OtherProgramStart(p) + ", not Tipstart";
         return true;
     }},
    {RuleLinkAction,
     [](const Prediction& p, std::string* message) {
         if (!p.options.list) {
             return false;
         }
         *message = Describe(p);
         return true;
     }},
    {RuleThisMachine,
     [](const Prediction& p, std::string* message) {
         const MachinePrediction& machine = p.machine;
         if (!machine.asked || !Runs(p)) {
             return false;
         }
         switch (machine.effect) {
         case MachineAsksFolder:
             *message = "here: no Oberix 2 folder is recorded; Tipstart would ask for it";
             return true;
         case MachineOpens:
             *message = "here: OBX 5 is registered; the shell opens the document";
             return true;
         case MachineStarts:
             *message = "here: starts " + Quoted(machine.file) + " (" + machine.tool + ")";
             return machine.fileExists;  // else this-machine-missing
         default:
             return false;
         }
     }},
    {RuleThisMachineMissing,
     [](const Prediction& p, std::string* message) {
         const MachinePrediction& machine = p.machine;
         if (!machine.asked || !Runs(p)) {
             return false;
         }
         if (machine.effect == MachineNothingRegistered) {
             *message = "here: does nothing, " + NoneRegistered(machine) + " is registered";
             return true;
         }
         if (machine.effect != MachineStarts || machine.fileExists) {
             return false;
         }
         *message = "here: would start " + Quoted(machine.file) + " (" + machine.tool + "), which does not exist: nothing opens";
         return true;
     }},
    {RuleStartsProgram,
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && p.runsProgram)) {
             return false;
         }
         *message = "the shell runs " + Quoted(p.document) + " as a program when OBX 5 is registered: Windows runs " +
                    "files of its type when they are opened, so this link starts a program, not a document";
         return true;
     }},
    {RuleLeavesPackage,
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && p.match == DocumentOutside)) {
             return false;
         }
         std::string action = p.byAssociation ? (p.runsProgram ? "the shell runs it as a program"
                                                               : "the shell opens it through its file association")
                                              : ToolAndFile(p) + " is given it";
         *message = Quoted(p.relativePath) + " reaches " + Quoted(p.found) + ", outside the package in " + Quoted(p.installFolder) +
                    ": the checker cannot see that machine's files; where it exists, " + action;
         return true;
     }},
    {RuleDeviceName,
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && p.match == DocumentDevice)) {
             return false;
         }
         *message = Quoted(p.document) + " names the " + p.found + " device, not a file (Windows reserves " + p.found +
                    ", with any extension): " +
                    (p.byAssociation ? std::string("the shell opens nothing") : ToolAndFile(p) + " is handed the device");
         return true;
     }},
    {RuleProgramPath,
     [](const Prediction& p, std::string* message) {
         if (!(Runs(p) && !p.packageProgram)) {
             return false;
         }
         *message = "this ShortCut object starts " + Quoted(p.programPath) + ", not the package's " + ProgramName + " in " +
                    Quoted(p.installFolder) +
                    (!Asked(p) ? std::string() : ": that Tipstart takes " + Quoted(p.ownFolder) + " as its own folder");
         return true;
     }},
    {RuleAutorunProgram,
     [](const Prediction& p, std::string* message) {
         if (!(StartsOtherProgram(p) && p.link->clickedByPage && !NamesNoProgram(p))) {
             return false;
         }
         const FoundLink& link = *p.link;
         *message = "the page clicks this ShortCut object as it opens: it runs " +
                    Quoted(Excerpt(ShellProgram(link.program), link.program.size())) + " with the command line " +
                    Quoted(Excerpt(CommandLine(link), link.program.size() + 1 + link.parametersLength)) +
                    ", without the reader's click";
         return true;
     }},
    {RuleItem1Fields,
     [](const Prediction& p, std::string* message) {
         const FoundLink& link = *p.link;
         if (link.firstField.empty()) {
             return false;
         }
         size_t length = link.firstField.size() + link.program.size() + link.parametersLength + 3;
         *message = "the Item1 value's first field is " + Quoted(link.firstField) +
                    ", where nothing belongs: the HTML Help control takes " + Quoted(link.program) +
                    " for the program; write " + Quoted(Excerpt(Item1Form(link), length));
         return true;
     }},
};

}  // namespace

void ApplyRules(const Prediction& prediction, const Place& place, std::vector<Finding>* findings)
{
    std::string message;
    for (const RuleCheck& check : Checks) {
        if (check.applies(prediction, &message)) {
            findings->push_back({place, check.rule, message});
        }
    }
}

bool DecidedByPrediction(RuleId rule)
{
    for (const RuleCheck& check : Checks) {
        if (check.rule == rule) {
            return true;
        }
    }
    return false;
}
