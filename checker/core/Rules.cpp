#include "checker/core/Rules.h"

#include <stddef.h>

const Rule Rules[] = {
    {"refused-link", SeverityError, "Tipstart refuses the link",
     "The parameters hold no \"^\" marker, so Tipstart shows \"This Utility can be accessed only from the Help File "
     "of ZEZODA Extension.\" and does nothing else."},
    {"unserved-version", SeverityError, "The version is not one Tipstart serves",
     "Only the digits 2 to 5 right after \"^\" name an OBX version; for anything else Tipstart shows \"No OBX Version "
     "Specified!\"."},
    {"missing-document", SeverityError, "The document is not in the package",
     "The path after the version digit names no file beside Tipstart.exe: the tool starts without a document, or "
     "the shell has nothing to open."},
    {"program-name", SeverityError, "The program is not spelt Tipstart.exe",
     "Tipstart finds its own folder by the text \"Tipstart.exe\" in its command line, letter case included; spelt "
     "otherwise, it looks for the document in the wrong place."},
    {"reset-spelling", SeverityError, "The reset keyword is misspelt",
     "Only \"^2Reset_\" exactly forgets the Oberix 2 folder; any other spelling opens a document of that name with "
     "Oberix 2."},
    {"path-too-long", SeverityError, "A path is too long for Tipstart",
     "Tipstart works with texts of at most 2047 characters; a longer command line is refused and a longer document "
     "path makes it do nothing. The document's full path in the install folder must also keep within MAX_PATH, "
     "259 characters, or neither Tipstart's file calls nor the shell find it."},
    {"doubled-separator", SeverityWarning, "The document path starts with a backslash",
     "The path after the version digit is appended to Tipstart's own folder, which ends in \"\\\"; a leading \"\\\" "
     "doubles the separator."},
    {"dropped-quotes", SeverityWarning, "Double quotes in the parameters are dropped",
     "Tipstart removes every double quote from its command line before it reads the path, so quotes do not group "
     "anything."},
    {"non-ascii-name", SeverityWarning, "The link holds characters outside ASCII",
     "Tipstart reads such names from Windows 10 version 1903 on (UTF-8 code page); on older Windows only when the "
     "system's code page holds them."},
    {"document-case", SeverityWarning, "The document matches only in another letter case",
     "Windows finds the file regardless of case, but the link should spell its name as the file is."},
    {"folder-document", SeverityWarning, "The document is a folder",
     "The path after the version digit names a folder beside Tipstart.exe: the tool is started with the folder, or "
     "the shell opens the folder."},
    {"undecodable-text", SeverityWarning, "The link holds bytes that are not text in the page's encoding",
     "Bytes in the link's parameters do not decode in the page's encoding; the help viewer reads each as U+FFFD, "
     "so the document name Tipstart receives is not the one meant."},
    {"other-program", SeverityWarning, "The help file starts another program",
     "A ShortCut object starts a program other than Tipstart.exe. Compiled help files that start programs are a "
     "known way of abuse (MITRE ATT&CK T1218.001): make sure each one is meant."},
    {"character-reference", SeverityWarning, "A character reference is malformed",
     "A character reference in an attribute of the link cannot be decoded as written."},
    {"unreadable-input", SeverityError, "An input could not be read",
     "A file or folder could not be read, is not what its name says, or is too large; it was not checked."},
    {"outside-link", SeverityNote, "A symbolic link leads out of the checked tree",
     "A symbolic link inside the checked folder leads outside it; it is not followed."},
    {"link-action", SeverityNote, "What the link does", "With --list: what Tipstart does with the link."},
    {"this-machine", SeverityNote, "What the link does on this machine",
     "With --this-machine: the tool this machine's registry makes Tipstart start."},
    {"this-machine-missing", SeverityWarning, "The link does nothing on this machine",
     "With --this-machine: no tool for the link is registered here, or its executable does not exist."},
    {"unused-suppression", SeverityWarning, "A suppression silences nothing",
     "A tipstart-check directive in the help file, or an [[ignore]] entry of tipstart-check.toml, matches no "
     "finding: the problem it was written for is gone, or it names the wrong rule, file, program or document."},
    {"unknown-rule", SeverityWarning, "A directive names no rule",
     "A tipstart-check directive in the help file names a rule the checker does not have; it silences nothing "
     "for that name."},
    {"starts-program", SeverityWarning, "The link runs a program",
     "Version 5 has the shell open the document by its type, and the shell runs a file of a type Windows counts "
     "as a program (.exe, .bat, .js, .lnk and the other high-risk types of the Attachment Manager): through "
     "Tipstart, the help file starts that program."},
    {"leaves-package", SeverityWarning, "The link reaches a file outside the package",
     "The document's path leaves the folder Tipstart.exe is installed in and reaches the user's machine, whose "
     "files the checker cannot see: whatever is there is opened."},
    {"device-name", SeverityError, "The document's name is a device's",
     "Windows reserves CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 as device names, with any extension: "
     "a document so named is never opened; the shell opens nothing, and a tool is handed the device."},
    {"program-path", SeverityWarning, "The link starts a Tipstart.exe other than the package's",
     "The ShortCut's program names a folder, and it is not the one the package is installed in: the HTML Help "
     "control starts that program, and Tipstart takes the folder it is started from as its own."},
    {"scripted-shortcut", SeverityWarning, "A script builds an HTML Help control",
     "A script builds a ShortCut object of the HTML Help control in a way that cannot be read as text "
     "(createElement with the class id, setAttribute, innerHTML or document.write joined from parts that are not "
     "literals): what it starts is decided as the page runs. Said once per script."},
    {"unknown-charset", SeverityWarning, "The page declares an encoding the help viewer does not know",
     "The page's <meta charset> or Content-Type names a label that the help viewer's charset database "
     "(HKCR\\MIME\\Database\\Charset, served by MLang) does not hold: the viewer ignores it and reads the page "
     "in the code page of the help file's language, else windows-1252."},
    {"undeclared-encoding", SeverityWarning, "A page that looks like UTF-8 declares no encoding",
     "The page declares no encoding and its bytes are UTF-8, but the help viewer reads it in the code page of the "
     "help file's language (else windows-1252), so the link's text is not the one written. Declare "
     "<meta charset=\"utf-8\">, or save the page in that code page."},
    {"missing-page", SeverityWarning, "A contents entry or a link names a page the help file does not hold",
     "A contents or index entry (its Local), or a relative link of a page (a, area and link href, frame, iframe and "
     "img src), names a page (.htm .html .hhc .hhk) that the help file does not hold: the compiled file's members, "
     "the pages its project gathers, or the files below a folder, compared without regard to case. URLs with a "
     "scheme are not checked, save ms-its: and mk:@MSITStore: links into the same compiled file."},
    {"unfinished-script", SeverityWarning, "A script could not be read to its end",
     "The checker runs a page's JScript in a sandboxed engine, and reads its VBScript as text. A script that "
     "used up the page's budget of instructions or memory, that failed after it had written markup or built an "
     "element, or a VBScript that writes markup made of more than literals, is not read to its end: what it "
     "would write after that is not checked."},
    {"several-commands", SeverityWarning, "An HTML Help control has several Command PARAMs",
     "An object of the HTML Help control has Command PARAMs that name different commands, one of them ShortCut: "
     "which one the control reads is not documented. Its Item1 PARAMs are checked as a ShortCut's; keep one "
     "Command."},
    {"autorun-program", SeverityError, "The page starts another program as it opens",
     "The page's own script clicks a ShortCut object that starts a program other than Tipstart.exe: the program runs "
     "as the page opens, without the reader's click. This is how compiled help files are abused to run code (MITRE "
     "ATT&CK T1218.001)."},
    {"item1-fields", SeverityError, "The Item1 value does not start with a comma",
     "A ShortCut's Item1 is \",PROGRAM,PARAMETERS\": its first field, before the first comma, must be empty. "
     "Written without that comma, the program's name falls into the first field and the parameters are taken for "
     "the program, so the link starts nothing."},
    {"malformed-directive", SeverityWarning, "A tipstart-check directive cannot be read",
     "A comment that starts with tipstart-check is not a directive the checker can read, so it silences nothing. "
     "A directive is \"tipstart-check disable=RULE[,RULE...] -- reason\" for the next link, or "
     "\"tipstart-check disable-file=RULE[,RULE...] -- reason\" for the whole page."},
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
