#include "checker/script/ConditionalCompilation.h"

#include <ctype.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "checker/script/JScriptText.h"

// As Microsoft's JScript documentation gives it ("Conditional Compilation",
// "@cc_on Statement", "@if Statement", "@set Statement", "Conditional
// Compilation Variables"): conditional compilation is turned on by
// "@cc_on", "@if" or "@set"; from then on, the text of the comments
// "/*@ ... @*/" and "//@ ..." is code. "@if (condition)", "@elif", "@else"
// and "@end" choose the code compiled, "@set @name = value" sets a variable,
// and "@name" is a variable's value anywhere in code: a number or a
// boolean, NaN when it is not defined. It is all decided as the script is
// compiled, before any of it runs, so it is decided here too: the
// branches not taken are blanked, as they are never compiled, and a
// variable is written as its value.

namespace {

ConditionalValue NumberValue(double number)
{
    ConditionalValue value;
    value.number = number;
    return value;
}

ConditionalValue BooleanValue(bool truth)
{
    ConditionalValue value;
    value.boolean = true;
    value.number = truth ? 1 : 0;
    return value;
}

bool Truth(const ConditionalValue& value)
{
    return value.number != 0 && !isnan(value.number);
}

// The variables the viewer's JScript defines: jscript.dll 5.8, the
// version on every Windows since 7 (Internet Explorer 8's and later's; the
// viewer runs it in every document mode), in a 32-bit process on x86 (the
// viewer is one, on 64-bit Windows too). 5.8 is also the last JScript 5.x,
// so a test for a version at least some 5.x, the documented use, passes.
// The build is Internet Explorer 8's; builds differ between Windows
// versions and updates. Every other name (@_win16, @_mac, @_alpha,
// @_mc680x0, @_PowerPC, @_win64) is NaN, as an undefined one is.
bool PredefinedValue(const std::string& name, ConditionalValue* value)
{
    if (name == "_jscript" || name == "_win32" || name == "_x86" || name == "_microsoft") {
        *value = BooleanValue(true);
    } else if (name == "_jscript_version") {
        *value = NumberValue(5.8);
    } else if (name == "_jscript_build") {
        *value = NumberValue(18702);
    } else {
        return false;
    }
    return true;
}

ConditionalValue VariableValue(const ConditionalCompilation& state, const std::string& name)
{
    auto set = state.variables.find(name);
    if (set != state.variables.end()) {
        return set->second;
    }
    ConditionalValue value;
    return PredefinedValue(name, &value) ? value : NumberValue(NAN);
}

// ECMAScript's ToInt32.
int32_t ToInt32(double number)
{
    if (isnan(number) || isinf(number)) {
        return 0;
    }
    double wrapped = fmod(trunc(number), 4294967296.0);
    if (wrapped < 0) {
        wrapped += 4294967296.0;
    }
    uint32_t bits = static_cast<uint32_t>(wrapped);
    return bits >= 0x80000000u ? static_cast<int32_t>(static_cast<int64_t>(bits) - 4294967296LL)
                               : static_cast<int32_t>(bits);
}

uint32_t ToUint32(double number)
{
    return static_cast<uint32_t>(ToInt32(number));
}

// An arithmetic shift right of a negative number, defined in every C++.
int32_t ShiftRight(int32_t number, unsigned count)
{
    return number >= 0 ? number >> count : ~(~number >> count);
}

bool IsComparison(const std::string& op)
{
    return op == "==" || op == "!=" || op == "<" || op == "<=" || op == ">" || op == ">=";
}

// A comparison: NaN is neither less, nor more, nor equal.
bool Compare(const std::string& op, double l, double r)
{
    return op == "=="   ? l == r
           : op == "!=" ? !(l == r)
           : op == "<"  ? l < r
           : op == "<=" ? l <= r
           : op == ">"  ? l > r
                        : l >= r;
}

// A binary operator's value, on numbers and booleans as ECMAScript has it.
ConditionalValue Apply(const std::string& op, const ConditionalValue& left, const ConditionalValue& right)
{
    if (op == "||" || op == "&&") {
        return Truth(left) == (op == "||") ? left : right;
    }
    double l = left.number;
    double r = right.number;
    if (IsComparison(op)) {
        return BooleanValue(Compare(op, l, r));
    }
    int32_t a = ToInt32(l);
    int32_t b = ToInt32(r);
    unsigned count = ToUint32(r) & 31;
    double number = op == "|"     ? a | b
                    : op == "^"   ? a ^ b
                    : op == "&"   ? a & b
                    : op == "<<"  ? static_cast<int32_t>(static_cast<uint32_t>(a) << count)
                    : op == ">>"  ? ShiftRight(a, count)
                    : op == ">>>" ? static_cast<uint32_t>(a) >> count
                    : op == "+"   ? l + r
                    : op == "-"   ? l - r
                    : op == "*"   ? l * r
                    : op == "/"   ? l / r
                                  : fmod(l, r);
    return NumberValue(number);
}

// The binary operators, by precedence, loosest first. "===" and "!==" are
// not among those the documentation gives: they end an expression, which
// then is not read.
const char* const Levels[][4] = {{"||"},       {"&&"},       {"|"},       {"^"},
                                 {"&"},        {"==", "!="}, {"<", "<=", ">", ">="},
                                 {"<<", ">>", ">>>"}, {"+", "-"}, {"*", "/", "%"}};
const int LevelCount = sizeof Levels / sizeof Levels[0];
// Parentheses and unary operators one inside another, at most: a hostile
// script's would take the stack.
const int MostNesting = 32;

// A conditional compilation expression: numbers, true and false, @names,
// the operators above, unary "!", "~", "-" and "+", and parentheses.
struct Expression {
    const std::string& code;
    const ConditionalCompilation& state;
    size_t at;
    int nesting = 0;
    bool failed = false;
};

void SkipBlanks(Expression* e)
{
    while (e->at < e->code.size() && IsJScriptSpace(e->code[e->at])) {
        ++e->at;
    }
}

// The longest operator that stands at "at"; none where a comment starts.
std::string OperatorAt(const Expression& e)
{
    const std::string& code = e.code;
    if (code.compare(e.at, 2, "//") == 0 || code.compare(e.at, 2, "/*") == 0) {
        return "";
    }
    static const char* const operators[] = {">>>", "===", "!==", "||", "&&", "==", "!=", "<=", ">=", "<<", ">>",
                                            "|",   "^",   "&",   "<",  ">",  "+",  "-",  "*",  "/",  "%"};
    for (const char* op : operators) {
        if (code.compare(e.at, std::char_traits<char>::length(op), op) == 0) {
            return op;
        }
    }
    return "";
}

bool AtLevel(const std::string& op, int level)
{
    for (const char* known : Levels[level]) {
        if (known && op == known) {
            return true;
        }
    }
    return false;
}

ConditionalValue Fail(Expression* e)
{
    e->failed = true;
    return NumberValue(NAN);
}

// A decimal number ("5.8", ".5", "1e3") or a hexadecimal one. A leading
// zero before a digit (JScript's octal) is not read.
ConditionalValue ReadNumber(Expression* e)
{
    const std::string& code = e->code;
    size_t start = e->at;
    size_t i = start;
    if (code.compare(i, 2, "0x") == 0 || code.compare(i, 2, "0X") == 0) {
        double number = 0;
        for (i += 2; i < code.size() && isxdigit(static_cast<unsigned char>(code[i])); ++i) {
            char c = static_cast<char>(tolower(static_cast<unsigned char>(code[i])));
            number = number * 16 + (IsJScriptDigit(c) ? c - '0' : c - 'a' + 10);
        }
        if (i == start + 2 || (i < code.size() && IsJScriptIdentifierByte(code[i]))) {
            return Fail(e);
        }
        e->at = i;
        return NumberValue(number);
    }
    if (code[i] == '0' && i + 1 < code.size() && IsJScriptDigit(code[i + 1])) {
        return Fail(e);
    }
    while (i < code.size() && IsJScriptDigit(code[i])) {
        ++i;
    }
    if (i < code.size() && code[i] == '.') {
        for (++i; i < code.size() && IsJScriptDigit(code[i]); ++i) {
        }
    }
    if (i < code.size() && (code[i] == 'e' || code[i] == 'E')) {
        size_t exponent = i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-') ? i + 2 : i + 1;
        if (exponent >= code.size() || !IsJScriptDigit(code[exponent])) {
            return Fail(e);
        }
        for (i = exponent; i < code.size() && IsJScriptDigit(code[i]); ++i) {
        }
    }
    if (i < code.size() && IsJScriptIdentifierByte(code[i])) {
        return Fail(e);
    }
    e->at = i;
    return NumberValue(strtod(code.substr(start, i - start).c_str(), nullptr));
}

ConditionalValue ReadLevel(Expression* e, int level);

ConditionalValue ReadPrimary(Expression* e)
{
    const std::string& code = e->code;
    SkipBlanks(e);
    if (e->at >= code.size()) {
        return Fail(e);
    }
    char c = code[e->at];
    if (c == '(') {
        if (++e->nesting > MostNesting) {
            return Fail(e);
        }
        ++e->at;
        ConditionalValue value = ReadLevel(e, 0);
        --e->nesting;
        SkipBlanks(e);
        if (e->failed || e->at >= code.size() || code[e->at] != ')') {
            return Fail(e);
        }
        ++e->at;
        return value;
    }
    if (IsJScriptDigit(c) || (c == '.' && e->at + 1 < code.size() && IsJScriptDigit(code[e->at + 1]))) {
        return ReadNumber(e);
    }
    bool variable = c == '@';
    size_t start = variable ? e->at + 1 : e->at;
    if (start >= code.size() || !IsJScriptIdentifierStart(code[start])) {
        return Fail(e);
    }
    size_t end = JScriptIdentifierEnd(code, start);
    std::string name = code.substr(start, end - start);
    e->at = end;
    if (variable) {
        return VariableValue(e->state, name);
    }
    return name == "true" ? BooleanValue(true) : name == "false" ? BooleanValue(false) : Fail(e);
}

ConditionalValue ReadUnary(Expression* e)
{
    SkipBlanks(e);
    char c = e->at < e->code.size() ? e->code[e->at] : 0;
    if (c != '!' && c != '~' && c != '-' && c != '+') {
        return ReadPrimary(e);
    }
    if (++e->nesting > MostNesting) {
        return Fail(e);
    }
    ++e->at;
    ConditionalValue operand = ReadUnary(e);
    --e->nesting;
    double number = operand.number;
    return c == '!' ? BooleanValue(!Truth(operand))
           : c == '~' ? NumberValue(~ToInt32(number))
           : NumberValue(c == '-' ? -number : number);
}

ConditionalValue ReadLevel(Expression* e, int level)
{
    ConditionalValue left = level == LevelCount ? ReadUnary(e) : ReadLevel(e, level + 1);
    while (level < LevelCount && !e->failed) {
        SkipBlanks(e);
        std::string op = OperatorAt(*e);
        if (!AtLevel(op, level)) {
            break;
        }
        e->at += op.size();
        ConditionalValue right = ReadLevel(e, level + 1);
        left = Apply(op, left, right);
    }
    return left;
}

// The text of a value in code, kept whole: a number in parentheses, as
// "@version.toString()" needs it.
std::string ValueCode(const ConditionalValue& value)
{
    if (value.boolean) {
        return value.number != 0 ? "true" : "false";
    }
    if (isnan(value.number)) {
        return "(0/0)";
    }
    if (isinf(value.number)) {
        return value.number > 0 ? "(1/0)" : "(-1/0)";
    }
    char text[40];
    snprintf(text, sizeof text, "(%.17g)", value.number);
    return text;
}

// An "@if" and the branches after it.
struct Branch {
    bool outerLive;   // the code around it is compiled
    bool taken;       // its code now is compiled
    bool anyTaken;    // one of its branches so far was
    bool sawElse;
    size_t in;        // where its "@if" stands in the code
    size_t out;       // and in the translation
};

struct Translation {
    const std::string& code;
    ConditionalCompilation* state;
    std::string out;
    std::vector<Branch> branches;
    size_t at = 0;
    bool expression = true;  // a "/" here starts a regular expression
    bool failed = false;
    size_t failedIn = 0;   // where the directive not read stands
    size_t failedOut = 0;
};

bool Live(const Translation& t)
{
    return t.branches.empty() || t.branches.back().taken;
}

// Blanks code, keeping its line ends.
void Blank(Translation* t, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        char c = t->code[i];
        t->out.push_back(IsJScriptLineEnd(c) ? c : ' ');
    }
}

// Code as it is, or blanked in a branch not taken.
void Keep(Translation* t, size_t from, size_t to)
{
    if (Live(*t)) {
        t->out.append(t->code, from, to - from);
    } else {
        Blank(t, from, to);
    }
}

void FailAt(Translation* t, size_t in, size_t out)
{
    t->failed = true;
    t->failedIn = in;
    t->failedOut = out;
}

size_t SkipSpaceFrom(const std::string& code, size_t at)
{
    while (at < code.size() && IsJScriptSpace(code[at])) {
        ++at;
    }
    return at;
}

// The end of a parenthesised condition that is not decided, nor so read.
size_t ParenthesesEnd(const std::string& code, size_t at)
{
    size_t depth = 0;
    for (size_t i = at; i < code.size(); ++i) {
        depth += code[i] == '(' ? 1 : 0;
        if (code[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return std::string::npos;
}

// The "(condition)" after "@if" or "@elif", from "at": its value when
// decided, and where it ends; false when it cannot be read.
bool ReadCondition(Translation* t, size_t at, bool decide, bool* truth, size_t* end)
{
    at = SkipSpaceFrom(t->code, at);
    if (at >= t->code.size() || t->code[at] != '(') {
        return false;
    }
    if (!decide) {
        *end = ParenthesesEnd(t->code, at);
        *truth = false;
        return *end != std::string::npos;
    }
    Expression e{t->code, *t->state, at};
    ConditionalValue value = ReadPrimary(&e);
    *truth = Truth(value);
    *end = e.at;
    return !e.failed;
}

// "@set @name = value", from past "@set"; the variable is set in code that
// is compiled.
bool ReadSet(Translation* t, size_t at, size_t* end)
{
    const std::string& code = t->code;
    at = SkipSpaceFrom(code, at);
    if (at + 1 >= code.size() || code[at] != '@' || !IsJScriptIdentifierStart(code[at + 1])) {
        return false;
    }
    size_t nameEnd = JScriptIdentifierEnd(code, at + 1);
    std::string name = code.substr(at + 1, nameEnd - at - 1);
    at = SkipSpaceFrom(code, nameEnd);
    if (at >= code.size() || code[at] != '=' || code.compare(at, 2, "==") == 0) {
        return false;
    }
    Expression e{code, *t->state, at + 1};
    ConditionalValue value = ReadLevel(&e, 0);
    if (e.failed) {
        return false;
    }
    if (Live(*t)) {
        t->state->variables[name] = value;
    }
    *end = e.at;
    return true;
}

// "@if", "@elif", "@else" and "@end", from "start" (the "@") to past the
// word at "wordEnd"; false when it cannot be read.
bool ReadBranchDirective(Translation* t, const std::string& word, size_t start, size_t wordEnd)
{
    size_t end = wordEnd;
    bool truth = false;
    if (word == "if") {
        bool outer = Live(*t);
        if (!ReadCondition(t, wordEnd, outer, &truth, &end)) {
            return false;
        }
        t->branches.push_back({outer, truth, truth, false, start, t->out.size()});
    } else if (t->branches.empty() || (word != "end" && t->branches.back().sawElse)) {
        return false;  // without its "@if", or an "@elif" or "@else" after its "@else"
    } else if (word == "elif") {
        Branch& branch = t->branches.back();
        bool decide = branch.outerLive && !branch.anyTaken;
        if (!ReadCondition(t, wordEnd, decide, &truth, &end)) {
            return false;
        }
        branch.taken = decide && truth;
        branch.anyTaken = branch.anyTaken || branch.taken;
    } else if (word == "else") {
        Branch& branch = t->branches.back();
        branch.taken = branch.outerLive && !branch.anyTaken;
        branch.anyTaken = true;
        branch.sawElse = true;
    } else {
        t->branches.pop_back();  // "@end"
    }
    Blank(t, start, end);
    t->at = end;
    return true;
}

bool IsBranchWord(const std::string& word)
{
    return word == "if" || word == "elif" || word == "else" || word == "end";
}

// The word after an "@" at "at", if one starts there.
std::string WordAfterAt(const std::string& code, size_t at)
{
    if (at + 1 >= code.size() || !IsJScriptIdentifierStart(code[at + 1])) {
        return "";
    }
    return code.substr(at + 1, JScriptIdentifierEnd(code, at + 1) - at - 1);
}

// Words that turn conditional compilation on.
bool TurnsOn(const std::string& word)
{
    return word == "cc_on" || word == "if" || word == "set";
}

// What starts with "@" in code: "@*/", a directive, a variable.
void ReadAt(Translation* t)
{
    const std::string& code = t->code;
    size_t start = t->at;
    if (t->state->on && code.compare(start, 3, "@*/") == 0) {
        Blank(t, start, start + 3);
        t->at = start + 3;
        return;
    }
    std::string word = WordAfterAt(code, start);
    if (word.empty() || (!t->state->on && !TurnsOn(word))) {
        // Not JScript's either ("conditional compilation is turned off").
        FailAt(t, start, t->out.size());
        return;
    }
    t->state->on = true;
    size_t wordEnd = start + 1 + word.size();
    size_t out = t->out.size();
    if (word == "cc_on") {
        Blank(t, start, wordEnd);
        t->at = wordEnd;
    } else if (word == "set") {
        size_t end = 0;
        if (!ReadSet(t, wordEnd, &end)) {
            FailAt(t, start, out);
            return;
        }
        Blank(t, start, end);
        t->at = end;
    } else if (IsBranchWord(word)) {
        if (!ReadBranchDirective(t, word, start, wordEnd)) {
            FailAt(t, start, out);
        }
    } else {
        // A variable, in place of its name as far as it fits.
        if (Live(*t)) {
            std::string value = ValueCode(VariableValue(*t->state, word));
            t->out += value;
            t->out.append(value.size() < wordEnd - start ? wordEnd - start - value.size() : 0, ' ');
        } else {
            Blank(t, start, wordEnd);
        }
        t->at = wordEnd;
        t->expression = false;
    }
}

// At "/*" or "//": a comment, or the marker "/*@" or "//@" that makes its
// text code. The marker's "@" stays when a directive or a variable's name
// follows it, for that is its "@".
void ReadSlashes(Translation* t)
{
    const std::string& code = t->code;
    size_t at = t->at;
    std::string word = WordAfterAt(code, at + 2);
    bool marker = at + 2 < code.size() && code[at + 2] == '@' && (t->state->on || TurnsOn(word));
    if (!marker) {
        size_t end = JScriptCommentEnd(code, at);
        Keep(t, at, end);
        t->at = end;
        return;
    }
    // "/*@*/" is a marker and "@*/".
    size_t end = word.empty() && code.compare(at + 2, 3, "@*/") != 0 ? at + 3 : at + 2;
    Blank(t, at, end);
    t->at = end;
}

// A token that is not conditional compilation's, kept or blanked.
void ReadToken(Translation* t)
{
    const std::string& code = t->code;
    size_t at = t->at;
    char c = code[at];
    size_t end = at + 1;
    bool expression = t->expression;
    if (IsJScriptSpace(c)) {
        t->out.push_back(c);
        t->at = end;
        return;
    }
    if (c == '\'' || c == '"') {
        end = JScriptStringEnd(code, at);
        expression = false;
    } else if (c == '/' && t->expression) {
        end = JScriptRegExpEnd(code, at);
        expression = false;
    } else if (IsJScriptIdentifierByte(c)) {
        end = JScriptIdentifierEnd(code, at);
        expression = JScriptWordPrecedesExpression(code.substr(at, end - at));
    } else {
        expression = c != ')' && c != ']';
    }
    Keep(t, at, end);
    t->expression = expression;
    t->at = end;
}

// Whether the code may hold conditional compilation: it is on, or a word
// that turns it on is there.
bool MayHoldConditionalCompilation(const std::string& code, const ConditionalCompilation& state)
{
    if (code.find('@') == std::string::npos) {
        return false;
    }
    return state.on || code.find("@cc_on") != std::string::npos || code.find("@if") != std::string::npos ||
           code.find("@set") != std::string::npos;
}

}  // namespace

std::string TranslateConditionalCompilation(const std::string& code, ConditionalCompilation* state)
{
    if (!MayHoldConditionalCompilation(code, *state)) {
        return code;
    }
    Translation t{code, state, std::string(), std::vector<Branch>()};
    t.out.reserve(code.size());
    while (t.at < code.size() && !t.failed) {
        char c = code[t.at];
        if (c == '/' && t.at + 1 < code.size() && (code[t.at + 1] == '*' || code[t.at + 1] == '/')) {
            ReadSlashes(&t);
        } else if (c == '@') {
            ReadAt(&t);
        } else {
            ReadToken(&t);
        }
    }
    if (!t.failed && !t.branches.empty()) {
        FailAt(&t, t.branches.front().in, t.branches.front().out);  // an "@if" without its "@end"
    }
    if (t.failed) {
        return t.out.substr(0, t.failedOut) + code.substr(t.failedIn);
    }
    return t.out;
}
