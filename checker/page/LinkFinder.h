// page/, each page as the viewer reads it. In: a page's or link list's bytes
// and its help file's language. Out: its text, its links and the pages it names.
//
// Finds the links that start Tipstart: ShortCut objects of the HTML Help
// control in pages, and command lines in plain lists.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "checker/core/Findings.h"
#include "checker/page/PageReferences.h"
#include "checker/script/ScriptEngine.h"
#include "checker/script/ScriptReader.h"

struct PageText;

// What a text holds: a page's markup, a link list's command lines, or the
// code of a script file that pages load.
enum TextKind { TextPage, TextList, TextJScript, TextVBScript };

// A page's kind, or a script file's by its extension (.js, .vbs).
TextKind TextKindOfName(const std::string& name);

struct FoundLink {
    size_t line;    // of the parameter text, 1-based
    size_t column;  // of the parameter text, 1-based, in characters
    std::string program;     // as the link spells it
    std::string parameters;  // character references decoded; only the first 64 KiB of longer ones
    size_t parametersLength; // in bytes, decoded
    bool startsTipstart;     // the program is tipstart.exe in any case
    bool undecodable;        // the parameters hold a character that stands for undecodable bytes
    bool clickedByPage = false;  // the page's own script clicks it as the page opens
    bool writtenByScript = false;  // a script wrote it: it stands where the script's writing code does
    size_t file = 0;  // 0: in the page; else in PageScan::scriptFiles[file - 1]
    std::string firstField = std::string();  // Item1's text before its first comma, which should be empty
    size_t endLine = 0;    // just after the Item1 value or the list's line; 0 when not known
    size_t endColumn = 0;  // (markup a script writes)
};

// Something in the page that is not as the author probably meant.
struct PageRemark {
    size_t line;
    size_t column;
    RuleId rule;
    std::string message;
    size_t file = 0;  // as FoundLink::file
};

// A tipstart-check directive in a comment: "tipstart-check disable=RULE,...
// -- reason" for the next ShortCut object (in a link list, the next line),
// or "disable-file=" for the whole page.
struct Directive {
    size_t line;
    size_t column;
    bool wholeFile;
    std::vector<std::string> rules;  // as written
    std::string reason;
    size_t link;  // the index in PageScan::links of the link it is for; NoLink when none follows
    bool malformed;  // it starts with tipstart-check but reads as no directive: it silences nothing
    // The next page reference after it (a href, img src...), whose findings
    // it silences too; 0 when none follows.
    size_t referenceLine;
    size_t referenceColumn;
};
const size_t NoLink = static_cast<size_t>(-1);

struct PageScan {
    std::vector<FoundLink> links;
    std::vector<PageRemark> remarks;  // malformed character references, controls built by script
    std::vector<Directive> directives;
    // The pages it names as the viewer follows them: in markup, in what its
    // scripts write, not in comments or text elements.
    std::vector<PageReference> references;
    std::string base;  // the first <base href>, decoded; empty when none
    std::vector<Place> scriptFiles;  // the script files its scripts load that hold findings
};

// The script files a page loads (<script src>), read for the page's check.
class ScriptFiles {
public:
    virtual ~ScriptFiles() = default;
    // The decoded text of the file that src names from the page, and where
    // its findings are shown; false when there is none to read.
    virtual bool Read(const std::string& src, std::string* text, Place* place) = 0;
    // Whether the file that src names from the page is there: an image
    // that is not fires its onerror as the page loads.
    virtual bool Holds(const std::string& src) = 0;
};

// The directive in a comment's text, if it is one: a comment that starts
// with "tipstart-check" and a blank or a colon is one, malformed or not.
bool ReadDirective(const std::string& comment, Directive* directive);

// Pages and lists are UTF-8 text here. A line ends at LF, CRLF or a lone CR,
// as editors count lines; columns count characters. undecodable holds the
// offsets of the U+FFFD characters that stand for bytes that did not decode
// (sorted; may be null).

// The ShortCut objects of an HTML page (.htm, .html, .hhc, .hhk), whatever
// program they start, and the pages it names. Its JScript runs in an engine
// within the budget. documentMode: the text's, when it was found already
// (as its charset was); 0 to find it.
void FindPageLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan,
                   const ScriptBudget& budget = ScriptBudget(), ScriptFiles* files = nullptr, int documentMode = 0);

// The ShortCut objects that a script file writes (a .js or .vbs file that
// pages load), run or read as a page's script is.
void FindScriptLinks(const char* text, size_t size, ScriptLanguage language, const std::vector<size_t>* undecodable,
                     PageScan* scan, const ScriptBudget& budget = ScriptBudget());

// One command line per line; blank lines and lines starting with "#" are
// skipped. Each counts as a Tipstart link.
void FindListLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan);

// The links of a decoded text of the kind, read as its kind is; for a page
// or script that declares no encoding and looks like UTF-8, also as UTF-8
// would read (utf8), for what would differ.
void FindTextLinks(const PageText& page, TextKind kind, const ScriptBudget& budget, ScriptFiles* files,
                   PageScan* scan, PageScan* utf8);

// The program as the shell starts it: without the double quotes around it.
std::string ShellProgram(const std::string& program);

// The file name of a program as a link spells it: after its last "\" or "/".
std::string ProgramFileName(const std::string& program);

// True when the program's file name is tipstart.exe in any case.
bool NamesTipstart(const std::string& program);
