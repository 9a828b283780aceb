// script/, the scripts a page runs that the checker reads instead of running
// them: VBScript's. In: a VBScript's text. Out: its strings, the markup it
// writes, for the page stage to read, and the objects it clicks as the page
// opens.
//
// JScript runs in ScriptEngine; there is no VBScript engine here, so VBScript
// is read as text: its string literals as VBScript decodes them, its writes
// of literals as markup, and its calls of an object's Click method.
#pragma once

#include <stddef.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

enum ScriptLanguage { ScriptJScript, ScriptVBScript };

// A run of string literals joined with "&" or "+" as one.
struct ScriptString {
    std::string text;             // decoded, UTF-8
    std::vector<size_t> origins;  // the page offset of each byte of text
    size_t start;                 // the page offset of the first literal (its quote)
    bool joinedToExpression;      // a part of the run is joined to something that is not a literal
};

// The language a <script> element's language or type attribute names
// (decoded, lower case or not); JScript when it names none. It tells the
// scripts the engine runs from those read here.
ScriptLanguage ScriptLanguageOf(const std::string& languageOrType);

// The strings of the VBScript text[0, size). The page offset of text[i] is
// origins[i], or base + i when origins is null. Chr(N), ChrW(N) and vbCr,
// vbLf, vbCrLf, vbNewLine and vbTab count as literals.
void ReadScriptStrings(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                       std::vector<ScriptString>* strings);

// VBScript's writes of markup, which the checker reads, not runs: the
// literals that document.write and writeln write, and that innerHTML,
// outerHTML and insertAdjacentHTML are given, in order, as one stream.
// others holds the page offset of each write of markup made of more than
// literals, and of each createElement.
void ReadVbScriptWrites(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                        ScriptString* stream, std::vector<size_t>* others);

// A Sub or Function a script declares: its name, lower case, and its body.
struct ScriptRoutine {
    std::string name;
    size_t bodyStart;
    size_t bodyEnd;
};

struct ScriptSource {
    const char* text;
    size_t size;
};

// The code of the VBScripts that run as a page opens that runs then: outside
// comments and outside routines, unless a routine is named for the page's
// load (window_onload) or code that runs names it. Found once for all the
// page's objects; the scripts' text must outlive it.
class OpeningCode {
public:
    explicit OpeningCode(const std::vector<ScriptSource>& scripts);

    // Whether that code calls the Click (or HHClick) method of the object
    // named id ("id.Click", "id.Click()"). A string is read as code too, as
    // setTimeout and Execute read it.
    bool Clicks(const std::string& id) const;

private:
    std::vector<ScriptSource> scripts_;
    std::vector<std::vector<ScriptRoutine>> routines_;  // each script's, in order
    std::vector<std::pair<size_t, size_t>> running_;    // the routines that run: script, routine
    std::unordered_set<std::string> clicked_;            // the names that code clicks, lower case
};

// OpeningCode(scripts).Clicks(id).
bool ScriptsClick(const std::vector<ScriptSource>& scripts, const std::string& id);
