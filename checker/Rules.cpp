#include "checker/Rules.h"

#include "checker/LinkFinder.h"
#include "checker/Names.h"
#include "checker/Prediction.h"
#include "checker/TextTools.h"

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

}  // namespace

const Rule Rules[] = {
    {"refused-link", SeverityError, "Tipstart refuses the link",
     "The parameters hold no \"^\" marker, so Tipstart shows \"This Utility can be accessed only from the Help File "
     "of ZEZODA Extension.\" and does nothing else.",
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
    {"unserved-version", SeverityError, "The version is not one Tipstart serves",
     "Only the digits 2 to 5 right after \"^\" name an OBX version; for anything else Tipstart shows \"No OBX Version "
     "Specified!\".",
     [](const Prediction& p, std::string* message) {
         if (!(Opening(p) && !p.resetMisspelt && p.unservedVersion)) {
             return false;
         }
         *message = "version \"" + p.versionText + "\" is not one Tipstart serves (2 to 5): it shows \"" +
                    UnservedVersionText + "\"";
         return true;
     }},
    {"missing-document", SeverityError, "The document is not in the package",
     "The path after the version digit names no file beside Tipstart.exe: the tool starts without a document, or "
     "the shell has nothing to open.",
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
    {"program-name", SeverityError, "The program is not spelt Tipstart.exe",
     "Tipstart finds its own folder by the text \"Tipstart.exe\" in its command line, letter case included; spelt "
     "otherwise, it looks for the document in the wrong place.",
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
    {"reset-spelling", SeverityError, "The reset keyword is misspelt",
     "Only \"^2Reset_\" exactly forgets the Oberix 2 folder; any other spelling opens a document of that name with "
     "Oberix 2.",
     [](const Prediction& p, std::string* message) {
         if (!(Opening(p) && p.resetMisspelt)) {
             return false;
         }
         *message = "\"" + p.argument + "\" is not the reset keyword: Tipstart opens a document named \"" +
                    p.relativePath + "\" with Oberix 2; write \"^2Reset_\"";
         return true;
     }},
    {"path-too-long", SeverityError, "A path is too long for Tipstart",
     "Tipstart works with texts of at most 2047 characters; a longer command line is refused and a longer document "
     "path makes it do nothing. The document's full path in the install folder must also keep within MAX_PATH, "
     "259 characters, or neither Tipstart's file calls nor the shell find it.",
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
    {"doubled-separator", SeverityWarning, "The document path starts with a backslash",
     "The path after the version digit is appended to Tipstart's own folder, which ends in \"\\\"; a leading \"\\\" "
     "doubles the separator.",
     [](const Prediction& p, std::string* message) {
         if (!(Runs(p) && p.kind == LaunchOpen && !p.relativePath.empty() && p.relativePath[0] == '\\')) {
             return false;
         }
         *message = "the path after the version digit starts with \"\\\": Tipstart appends it to its own folder, "
                    "which ends in \"\\\", so the separator is doubled";
         return true;
     }},
    {"dropped-quotes", SeverityWarning, "Double quotes in the parameters are dropped",
     "Tipstart removes every double quote from its command line before it reads the path, so quotes do not group "
     "anything.",
     [](const Prediction& p, std::string* message) {
         if (!(StartsTipstart(p) && p.link->parameters.find('"') != std::string::npos)) {
             return false;
         }
         *message = "Tipstart drops every double quote of its command line, so these quotes do not group anything";
         return true;
     }},
    {"non-ascii-name", SeverityWarning, "The link holds characters outside ASCII",
     "Tipstart reads such names from Windows 10 version 1903 on (UTF-8 code page); on older Windows only when the "
     "system's code page holds them.",
     [](const Prediction& p, std::string* message) {
         if (!(StartsTipstart(p) && HasNonAscii(p.link->parameters))) {
             return false;
         }
         *message = "the link holds characters outside ASCII: Tipstart reads them from Windows 10 version 1903 on; "
                    "on older Windows only if the system's code page has them";
         return true;
     }},
    {"document-case", SeverityWarning, "The document matches only in another letter case",
     "Windows finds the file regardless of case, but the link should spell its name as the file is.",
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && !DocumentMissed(p) && p.match == DocumentOtherCase)) {
             return false;
         }
         *message = Quoted(p.document) + " matches " + Quoted(p.found) +
                    " only in another letter case; Windows opens it, but spell it as the file is";
         return true;
     }},
    {"folder-document", SeverityWarning, "The document is a folder",
     "The path after the version digit names a folder beside Tipstart.exe: the tool is started with the folder, or "
     "the shell opens the folder.",
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
    {"undecodable-text", SeverityWarning, "The link holds bytes that are not text in the page's encoding",
     "Bytes in the link's parameters do not decode in the page's encoding; the help viewer reads each as U+FFFD, "
     "so the document name Tipstart receives is not the one meant.",
     nullptr},
    {"other-program", SeverityWarning, "The help file starts another program",
     "A ShortCut object starts a program other than Tipstart.exe. Compiled help files that start programs are a "
     "known way of abuse (MITRE ATT&CK T1218.001): make sure each one is meant.",
     [](const Prediction& p, std::string* message) {
         if (!StartsOtherProgram(p) || (p.link->clickedByPage && !NamesNoProgram(p))) {
             return false;  // autorun-program, an error
         }
         *message = NamesNoProgram(p) ? std::string("this ShortCut object ") + NoProgramText
                                      : "this ShortCut object starts " + OtherProgramStart(p) + ", not Tipstart";
         return true;
     }},
    {"character-reference", SeverityWarning, "A character reference is malformed",
     "A character reference in an attribute of the link cannot be decoded as written.", nullptr},
    {"unreadable-input", SeverityError, "An input could not be read",
     "A file or folder could not be read, is not what its name says, or is too large; it was not checked.", nullptr},
    {"outside-link", SeverityNote, "A symbolic link leads out of the checked tree",
     "A symbolic link inside the checked folder leads outside it; it is not followed.", nullptr},
    {"link-action", SeverityNote, "What the link does", "With --list: what Tipstart does with the link.",
     [](const Prediction& p, std::string* message) {
         if (!p.options.list) {
             return false;
         }
         *message = Describe(p);
         return true;
     }},
    {"this-machine", SeverityNote, "What the link does on this machine",
     "With --this-machine: the tool this machine's registry makes Tipstart start.",
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
    {"this-machine-missing", SeverityWarning, "The link does nothing on this machine",
     "With --this-machine: no tool for the link is registered here, or its executable does not exist.",
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
    {"unused-suppression", SeverityWarning, "A suppression silences nothing",
     "A tipstart-check directive in the help file, or an [[ignore]] entry of tipstart-check.toml, matches no "
     "finding: the problem it was written for is gone, or it names the wrong rule, file, program or document.",
     nullptr},
    {"unknown-rule", SeverityWarning, "A directive names no rule",
     "A tipstart-check directive in the help file names a rule the checker does not have; it silences nothing "
     "for that name.",
     nullptr},
    {"starts-program", SeverityWarning, "The link runs a program",
     "Version 5 has the shell open the document by its type, and the shell runs a file of a type Windows counts "
     "as a program (.exe, .bat, .js, .lnk and the other high-risk types of the Attachment Manager): through "
     "Tipstart, the help file starts that program.",
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && p.runsProgram)) {
             return false;
         }
         *message = "the shell runs " + Quoted(p.document) + " as a program when OBX 5 is registered: Windows runs " +
                    "files of its type when they are opened, so this link starts a program, not a document";
         return true;
     }},
    {"leaves-package", SeverityWarning, "The link reaches a file outside the package",
     "The document's path leaves the folder Tipstart.exe is installed in and reaches the user's machine, whose "
     "files the checker cannot see: whatever is there is opened.",
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
    {"device-name", SeverityError, "The document's name is a device's",
     "Windows reserves CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 as device names, with any extension: "
     "a document so named is never opened; the shell opens nothing, and a tool is handed the device.",
     [](const Prediction& p, std::string* message) {
         if (!(Started(p) && p.match == DocumentDevice)) {
             return false;
         }
         *message = Quoted(p.document) + " names the " + p.found + " device, not a file (Windows reserves " + p.found +
                    ", with any extension): " +
                    (p.byAssociation ? std::string("the shell opens nothing") : ToolAndFile(p) + " is handed the device");
         return true;
     }},
    {"program-path", SeverityWarning, "The link starts a Tipstart.exe other than the package's",
     "The ShortCut's program names a folder, and it is not the one the package is installed in: the HTML Help "
     "control starts that program, and Tipstart takes the folder it is started from as its own.",
     [](const Prediction& p, std::string* message) {
         if (!(Runs(p) && !p.packageProgram)) {
             return false;
         }
         *message = "this ShortCut object starts " + Quoted(p.programPath) + ", not the package's " + ProgramName + " in " +
                    Quoted(p.installFolder) +
                    (!Asked(p) ? std::string() : ": that Tipstart takes " + Quoted(p.ownFolder) + " as its own folder");
         return true;
     }},
    {"scripted-shortcut", SeverityWarning, "A script builds an HTML Help control",
     "A script builds a ShortCut object of the HTML Help control in a way that cannot be read as text "
     "(createElement with the class id, setAttribute, innerHTML or document.write joined from parts that are not "
     "literals): what it starts is decided as the page runs. Said once per script.",
     nullptr},
    {"unknown-charset", SeverityWarning, "The page declares an encoding the help viewer does not know",
     "The page's <meta charset> or Content-Type names a label that the help viewer's charset database "
     "(HKCR\\MIME\\Database\\Charset, served by MLang) does not hold: the viewer ignores it and reads the page "
     "in the code page of the help file's language, else windows-1252.",
     nullptr},
    {"undeclared-encoding", SeverityWarning, "A page that looks like UTF-8 declares no encoding",
     "The page declares no encoding and its bytes are UTF-8, but the help viewer reads it in the code page of the "
     "help file's language (else windows-1252), so the link's text is not the one written. Declare "
     "<meta charset=\"utf-8\">, or save the page in that code page.",
     nullptr},
    {"missing-page", SeverityWarning, "A contents entry or a link names a page the help file does not hold",
     "A contents or index entry (its Local), or a relative link of a page (a, area and link href, frame, iframe and "
     "img src), names a page (.htm .html .hhc .hhk) that the help file does not hold: the compiled file's members, "
     "the pages its project gathers, or the files below a folder, compared without regard to case. URLs with a "
     "scheme are not checked, save ms-its: and mk:@MSITStore: links into the same compiled file.",
     nullptr},
    {"autorun-program", SeverityError, "The page starts another program as it opens",
     "The page's own script clicks a ShortCut object that starts a program other than Tipstart.exe: the program runs "
     "as the page opens, without the reader's click. This is how compiled help files are abused to run code (MITRE "
     "ATT&CK T1218.001).",
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
    {"item1-fields", SeverityError, "The Item1 value does not start with a comma",
     "A ShortCut's Item1 is \",PROGRAM,PARAMETERS\": its first field, before the first comma, must be empty. "
     "Written without that comma, the program's name falls into the first field and the parameters are taken for "
     "the program, so the link starts nothing.",
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
    {"malformed-directive", SeverityWarning, "A tipstart-check directive cannot be read",
     "A comment that starts with tipstart-check is not a directive the checker can read, so it silences nothing. "
     "A directive is \"tipstart-check disable=RULE[,RULE...] -- reason\" for the next link, or "
     "\"tipstart-check disable-file=RULE[,RULE...] -- reason\" for the whole page.",
     nullptr},
};

static_assert(sizeof Rules / sizeof Rules[0] == RuleCount, "a row for every rule id, in its order");

bool FindRule(const std::string& id, RuleId* rule)
{
    for (size_t i = 0; i < RuleCount; ++i) {
        if (id == Rules[i].id) {
            *rule = static_cast<RuleId>(i);
            return true;
        }
    }
    return false;
}

std::vector<std::string> RuleIds()
{
    std::vector<std::string> ids;
    for (const Rule& rule : Rules) {
        ids.push_back(rule.id);
    }
    return ids;
}

void ApplyRules(const Prediction& prediction, const Place& place, std::vector<Finding>* findings)
{
    std::string message;
    for (size_t i = 0; i < RuleCount; ++i) {
        if (Rules[i].check && Rules[i].check(prediction, &message)) {
            findings->push_back({place, static_cast<RuleId>(i), message});
        }
    }
}
