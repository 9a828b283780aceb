#include "checker/Findings.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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
};

const size_t RuleCount = sizeof Rules / sizeof Rules[0];

const Rule& RuleById(const char* id)
{
    for (const Rule& rule : Rules) {
        if (strcmp(rule.id, id) == 0) {
            return rule;
        }
    }
    fprintf(stderr, "tipstart-check: no rule %s\n", id);
    abort();
}
