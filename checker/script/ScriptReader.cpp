#include "checker/script/ScriptReader.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "checker/core/TextTools.h"

namespace {

bool IsIdentifierCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// Reads one VBScript; the strings go to strings_ as runs.
class ScriptScanner {
public:
    ScriptScanner(const char* text, size_t size, const std::vector<size_t>* origins, size_t base, int depth = 0)
        : text_(text), size_(size), origins_(origins), base_(base), depth_(depth)
    {
    }

    void Run(std::vector<ScriptString>* strings)
    {
        size_t at = 0;
        char previous = 0;  // the last character of code before at, blanks aside
        while (at < size_) {
            ScriptString run = {std::string(), std::vector<size_t>(), Origin(at), previous == '+' || previous == '&'};
            size_t next = Literal(at, &run);
            if (next == at) {
                size_t skipped = SkipBlank(at, &previous);
                if (skipped == at) {
                    previous = text_[at];
                    at = Skip(at);
                } else {
                    at = skipped;
                }
                continue;
            }
            // The literals joined to this one.
            for (at = next;;) {
                char ignored = 0;
                size_t p = SkipBlanks(at, &ignored);
                if (p >= size_ || !(text_[p] == '+' || text_[p] == '&')) {
                    break;
                }
                size_t operand = SkipBlanks(p + 1, &ignored);
                size_t after = Literal(operand, &run);
                if (after == operand) {
                    run.joinedToExpression = true;
                    break;
                }
                at = after;
            }
            previous = '"';
            strings->push_back(std::move(run));
        }
    }

    // The routines the script declares ("Sub name ... End Sub" and
    // "Function"), outermost only, and the names its code outside them
    // mentions.
    void ReadRoutines(std::vector<ScriptRoutine>* routines, std::unordered_set<std::string>* mentioned)
    {
        char previous = 0;
        std::string last;  // the identifier before this one, lower case
        for (size_t at = 0; at < size_;) {
            size_t next = SkipLiteralOrBlank(at, &previous);
            if (next != at) {
                at = next;
                continue;
            }
            if (!IsIdentifierCharacter(text_[at])) {
                previous = text_[at];
                at = Skip(at);
                continue;
            }
            size_t end = Skip(at);
            std::string word = AsciiLower(std::string(text_ + at, end - at));
            ScriptRoutine routine;
            bool declares = (word == "sub" || word == "function") && last != "end" && last != "exit";
            if (declares && Routine(end, word, &routine)) {
                routines->push_back(routine);
                at = routine.bodyEnd;
                last.clear();
                continue;
            }
            mentioned->insert(word);
            last = word;
            at = end;
        }
    }

    // The names whose Click method is called in [from, to), outside
    // strings, comments and the routines skipped, lower case: one pass for
    // every object of the page.
    void Clicked(std::unordered_set<std::string>* names, size_t from = 0, size_t to = static_cast<size_t>(-1),
                 const std::vector<ScriptRoutine>* skipped = nullptr)
    {
        char previous = 0;
        to = std::min(to, size_);
        size_t nextSkipped = 0;  // they are in order, none inside another
        for (size_t at = from; at < to;) {
            if (skipped && nextSkipped < skipped->size() && at >= (*skipped)[nextSkipped].bodyStart) {
                at = std::max(at, (*skipped)[nextSkipped++].bodyEnd);
                continue;
            }
            // A string may be code itself: setTimeout "x.Click", 10.
            ScriptString code = {std::string(), std::vector<size_t>(), 0, false};
            size_t next = Literal(at, &code);
            if (next != at) {
                if (depth_ == 0) {
                    ScriptScanner(code.text.data(), code.text.size(), nullptr, 0, 1).Clicked(names);
                }
                at = next;
                continue;
            }
            size_t skipped = SkipBlank(at, &previous);
            if (skipped != at) {
                at = skipped;
                continue;
            }
            if (IsIdentifierCharacter(text_[at]) && (at == 0 || !IsIdentifierCharacter(text_[at - 1]))) {
                std::string name = ClickedName(at);
                if (!name.empty()) {
                    names->insert(name);
                }
            }
            previous = text_[at];
            at = Skip(at);
        }
    }

    // VBScript's writes of markup: what document.write (or writeln) writes,
    // and what innerHTML, outerHTML and insertAdjacentHTML are given.
    void VbWrites(ScriptString* stream, std::vector<size_t>* others)
    {
        char previous = 0;
        for (size_t at = 0; at < size_;) {
            size_t next = SkipLiteralOrBlank(at, &previous);
            if (next != at) {
                at = next;
                continue;
            }
            if (!IsIdentifierCharacter(text_[at])) {
                previous = text_[at];
                at = Skip(at);
                continue;
            }
            std::string name;
            size_t end = DottedName(at, &name);
            size_t dot = name.rfind('.');
            std::string last = dot == std::string::npos ? name : name.substr(dot + 1);
            bool writes = dot != std::string::npos && (last == "write" || last == "writeln");
            bool sets = dot != std::string::npos && (last == "innerhtml" || last == "outerhtml");
            bool inserts = last == "insertadjacenthtml";
            previous = 'a';
            if (last == "createelement") {
                others->push_back(Origin(at));
            } else if (writes || sets || inserts) {
                end = WrittenArgument(end, sets, inserts, at, stream, others);
            }
            at = end;
        }
    }

private:
    // A name with its members ("document.write"), lower case; gives the
    // offset after it.
    size_t DottedName(size_t at, std::string* name)
    {
        size_t end = at;
        for (;;) {
            size_t wordEnd = Skip(end);
            *name += AsciiLower(std::string(text_ + end, wordEnd - end));
            end = wordEnd;
            if (end + 1 < size_ && text_[end] == '.' && IsIdentifierCharacter(text_[end + 1])) {
                *name += '.';
                ++end;
                continue;
            }
            return end;
        }
    }

    // The markup a write, an assignment (sets) or an insertAdjacentHTML
    // (inserts: after its first argument) is given, from at: literals go to
    // the stream, anything else is said at the statement (statement).
    size_t WrittenArgument(size_t at, bool sets, bool inserts, size_t statement, ScriptString* stream,
                           std::vector<size_t>* others)
    {
        char ignored = 0;
        size_t p = SkipBlanks(at, &ignored);
        if (sets) {
            if (p >= size_ || text_[p] != '=') {
                return at;  // read, not set
            }
            p = SkipBlanks(p + 1, &ignored);
        } else if (p < size_ && text_[p] == '(') {
            p = SkipBlanks(p + 1, &ignored);
        }
        if (inserts) {
            ScriptString where = {std::string(), std::vector<size_t>(), 0, false};
            p = SkipBlanks(Literal(p, &where), &ignored);
            if (p >= size_ || text_[p] != ',') {
                others->push_back(Origin(statement));
                return p;
            }
            p = SkipBlanks(p + 1, &ignored);
        }
        ScriptString run = {std::string(), std::vector<size_t>(), Origin(p), false};
        size_t after = Literal(p, &run);
        if (after == p) {
            others->push_back(Origin(statement));
            return p;
        }
        for (;;) {
            size_t join = SkipBlanks(after, &ignored);
            if (join >= size_ || !(text_[join] == '+' || text_[join] == '&')) {
                break;
            }
            size_t operand = SkipBlanks(join + 1, &ignored);
            size_t next = Literal(operand, &run);
            if (next == operand) {
                others->push_back(Origin(statement));
                return operand;
            }
            after = next;
        }
        stream->text += run.text;
        stream->origins.insert(stream->origins.end(), run.origins.begin(), run.origins.end());
        return after;
    }

    // A routine's name after its keyword at at, and its body; false when no
    // name follows.
    bool Routine(size_t at, const std::string& keyword, ScriptRoutine* routine)
    {
        char ignored = 0;
        size_t p = SkipBlanks(at, &ignored);
        size_t nameStart = p;
        while (p < size_ && IsIdentifierCharacter(text_[p])) {
            ++p;
        }
        if (p == nameStart) {
            return false;
        }
        routine->name = AsciiLower(std::string(text_ + nameStart, p - nameStart));
        routine->bodyStart = p;
        routine->bodyEnd = RoutineEnd(p, keyword);
        return true;
    }

    // A literal, comment or blank at at, passed over; gives the offset after
    // it, or at for other code.
    size_t SkipLiteralOrBlank(size_t at, char* previous)
    {
        ScriptString ignored = {std::string(), std::vector<size_t>(), 0, false};
        size_t next = Literal(at, &ignored);
        return next != at ? next : SkipBlank(at, previous);
    }

    // After "End Sub" (or "End Function") from at.
    size_t RoutineEnd(size_t at, const std::string& keyword)
    {
        std::string end = "end " + keyword;
        for (size_t p = FindNoCase(text_, size_, at, "end"); p < size_; p = FindNoCase(text_, size_, p + 3, "end")) {
            size_t after = p + 3;
            while (after < size_ && IsBlank(text_[after])) {
                ++after;
            }
            if ((p == 0 || !IsIdentifierCharacter(text_[p - 1])) && StartsWithNoCase(text_, size_, after, keyword.c_str()) &&
                (after + keyword.size() >= size_ || !IsIdentifierCharacter(text_[after + keyword.size()]))) {
                return after + keyword.size();
            }
        }
        return size_;
    }

    size_t Origin(size_t at) const
    {
        return origins_ ? (*origins_)[at] : base_ + at;
    }

    void Append(std::string text, size_t at, ScriptString* run)
    {
        run->text += text;
        run->origins.insert(run->origins.end(), text.size(), Origin(at));
    }

    // A comment or blank at at; gives the offset after it, or at.
    size_t SkipBlank(size_t at, char* previous)
    {
        char c = text_[at];
        if (IsLineEnd(c)) {
            *previous = 0;  // a statement starts
        }
        if (IsBlank(c) || IsLineEnd(c) || c == '_') {
            return at + 1;
        }
        bool lineComment = c == '\'' || (StartsWithNoCase(text_, size_, at, "rem") && at + 3 < size_ &&
                                         IsBlank(text_[at + 3]) && (*previous == 0 || *previous == ':'));
        while (lineComment && at < size_ && !IsLineEnd(text_[at])) {
            ++at;
        }
        return at;
    }

    size_t SkipBlanks(size_t at, char* previous)
    {
        while (at < size_) {
            size_t next = SkipBlank(at, previous);
            if (next == at) {
                break;
            }
            at = next;
        }
        return at;
    }

    // Code that is not a literal: an identifier as a whole (so that "Chr"
    // inside a name is not read).
    size_t Skip(size_t at)
    {
        if (IsIdentifierCharacter(text_[at])) {
            while (at < size_ && IsIdentifierCharacter(text_[at])) {
                ++at;
            }
            return at;
        }
        return at + 1;
    }

    // A literal at at, appended to run; gives the offset after it, or at.
    size_t Literal(size_t at, ScriptString* run)
    {
        if (at >= size_) {
            return at;
        }
        return text_[at] == '"' ? VbString(at, run) : VbConstant(at, run);
    }

    size_t VbString(size_t at, ScriptString* run)
    {
        size_t p = at + 1;
        while (p < size_ && !IsLineEnd(text_[p])) {
            if (text_[p] == '"') {
                if (p + 1 < size_ && text_[p + 1] == '"') {
                    Append("\"", p, run);
                    p += 2;
                    continue;
                }
                return p + 1;
            }
            Append(std::string(1, text_[p]), p, run);
            ++p;
        }
        return p;
    }

    // Chr(34), ChrW(60), vbCrLf... as the characters they stand for.
    size_t VbConstant(size_t at, ScriptString* run)
    {
        if (at > 0 && IsIdentifierCharacter(text_[at - 1])) {
            return at;
        }
        static const struct {
            const char* name;
            const char* text;
        } constants[] = {{"vbcrlf", "\r\n"}, {"vbnewline", "\r\n"}, {"vbcr", "\r"}, {"vblf", "\n"}, {"vbtab", "\t"}};
        for (const auto& constant : constants) {
            size_t length = strlen(constant.name);
            if (StartsWithNoCase(text_, size_, at, constant.name) &&
                (at + length >= size_ || !IsIdentifierCharacter(text_[at + length]))) {
                Append(constant.text, at, run);
                return at + length;
            }
        }
        size_t p = at;
        if (StartsWithNoCase(text_, size_, p, "chrw(")) {
            p += 5;
        } else if (StartsWithNoCase(text_, size_, p, "chr(")) {
            p += 4;
        } else {
            return at;
        }
        unsigned long code = 0;
        size_t digits = p;
        while (p < size_ && text_[p] >= '0' && text_[p] <= '9' && p - digits < 6) {
            code = code * 10 + static_cast<unsigned long>(text_[p++] - '0');
        }
        if (p == digits || p >= size_ || text_[p] != ')' || code == 0 || code > 0xFFFF) {
            return at;
        }
        std::string character;
        AppendUtf8(static_cast<char32_t>(code), &character);
        Append(character, at, run);
        return p + 1;
    }

    // The name at at, lower case, when the code there calls its Click
    // method ("name.Click" or "name.Click()"); else empty.
    std::string ClickedName(size_t at)
    {
        size_t end = at;
        while (end < size_ && IsIdentifierCharacter(text_[end])) {
            ++end;
        }
        char ignored = 0;
        size_t p = SkipBlanks(end, &ignored);
        if (p >= size_ || text_[p] != '.') {
            return std::string();
        }
        p = SkipBlanks(p + 1, &ignored);
        // Microsoft documents HHClick beside Click, and for VBScript.
        if (StartsWithNoCase(text_, size_, p, "hhclick")) {
            p += 2;
        }
        if (!StartsWithNoCase(text_, size_, p, "click")) {
            return std::string();
        }
        p += 5;
        if (p < size_ && IsIdentifierCharacter(text_[p])) {
            return std::string();
        }
        return NamedFromPage(at) ? AsciiLower(std::string(text_ + at, end - at)) : std::string();
    }

    // Whether the name at at is the page's element: alone, or a member of
    // window, self, top, parent, document or document.all; not of another
    // object ("other.sc").
    bool NamedFromPage(size_t at) const
    {
        size_t p = at;
        while (p > 0 && (IsBlank(text_[p - 1]) || IsLineEnd(text_[p - 1]))) {
            --p;
        }
        if (p == 0 || text_[p - 1] != '.') {
            return true;
        }
        size_t end = p - 1;
        while (end > 0 && IsBlank(text_[end - 1])) {
            --end;
        }
        size_t start = end;
        while (start > 0 && IsIdentifierCharacter(text_[start - 1])) {
            --start;
        }
        std::string owner = AsciiLower(std::string(text_ + start, end - start));
        return owner == "window" || owner == "self" || owner == "top" || owner == "parent" || owner == "document" ||
               owner == "all";
    }

    const char* text_;
    size_t size_;
    const std::vector<size_t>* origins_;
    size_t base_;
    int depth_;  // 1 in a string read as code
};

// A routine named for an event of the page's load, as VBScript binds them
// (window_onload): that name, not one that merely holds "onload".
bool OpensWithThePage(const std::string& name)
{
    for (const char* event : {"window_onload", "window_onreadystatechange", "document_onreadystatechange"}) {
        if (name == event) {
            return true;
        }
    }
    return false;
}

ScriptScanner ScannerOf(const ScriptSource& script)
{
    return ScriptScanner(script.text, script.size, nullptr, 0);
}

}  // namespace

ScriptLanguage ScriptLanguageOf(const std::string& languageOrType)
{
    // Asked of every tag with a handler: looked for in place, not in a lowered copy.
    size_t size = languageOrType.size();
    return FindNoCase(languageOrType.data(), size, 0, "vbs") < size ? ScriptVBScript : ScriptJScript;
}

void ReadScriptStrings(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                       std::vector<ScriptString>* strings)
{
    ScriptScanner(text, size, origins, base).Run(strings);
}

void ReadVbScriptWrites(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                        ScriptString* stream, std::vector<size_t>* others)
{
    ScriptScanner(text, size, origins, base).VbWrites(stream, others);
}

OpeningCode::OpeningCode(const std::vector<ScriptSource>& scripts) : scripts_(scripts), routines_(scripts.size())
{
    // What runs as the page opens: each script's code outside its routines,
    // the routines named for the page's load, and those that running code
    // names (called, or handed on as a handler), again and again.
    // Each routine's body is read once, when its name is first mentioned.
    std::unordered_set<std::string> mentioned;
    for (size_t i = 0; i < scripts_.size(); ++i) {
        ScannerOf(scripts_[i]).ReadRoutines(&routines_[i], &mentioned);
    }
    std::unordered_map<std::string, std::vector<std::pair<size_t, size_t>>> named;
    std::vector<std::pair<size_t, size_t>> waiting;
    for (size_t i = 0; i < scripts_.size(); ++i) {
        for (size_t r = 0; r < routines_[i].size(); ++r) {
            const std::string& name = routines_[i][r].name;
            (OpensWithThePage(name) || mentioned.count(name) ? waiting : named[name]).push_back({i, r});
        }
    }
    while (!waiting.empty()) {
        std::pair<size_t, size_t> next = waiting.back();
        waiting.pop_back();
        running_.push_back(next);
        const ScriptSource& script = scripts_[next.first];
        const ScriptRoutine& routine = routines_[next.first][next.second];
        std::vector<ScriptRoutine> inner;
        std::unordered_set<std::string> names;
        ScriptScanner(script.text + routine.bodyStart, routine.bodyEnd - routine.bodyStart, nullptr, 0)
            .ReadRoutines(&inner, &names);
        for (const std::string& name : names) {
            auto found = named.find(name);
            if (mentioned.insert(name).second && found != named.end()) {
                waiting.insert(waiting.end(), found->second.begin(), found->second.end());
                named.erase(found);
            }
        }
    }
    // The objects that code clicks, found once for all of them.
    for (size_t i = 0; i < scripts_.size(); ++i) {
        ScannerOf(scripts_[i]).Clicked(&clicked_, 0, scripts_[i].size, &routines_[i]);
    }
    for (const std::pair<size_t, size_t>& routine : running_) {
        const ScriptRoutine& body = routines_[routine.first][routine.second];
        ScannerOf(scripts_[routine.first]).Clicked(&clicked_, body.bodyStart, body.bodyEnd);
    }
}

bool OpeningCode::Clicks(const std::string& id) const
{
    return !id.empty() && clicked_.count(AsciiLower(id)) > 0;
}

bool ScriptsClick(const std::vector<ScriptSource>& scripts, const std::string& id)
{
    return OpeningCode(scripts).Clicks(id);
}
