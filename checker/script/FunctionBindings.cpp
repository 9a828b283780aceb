#include "checker/script/FunctionBindings.h"

#include <vector>

#include "checker/script/JScriptText.h"

// JScript declares a function that binds as "function OBJECT::EVENT(...)",
// the object's event handler (Microsoft's JScript documentation of the
// function statement, and its extensions to ECMAScript, [MS-ES3EX], on
// function declarations), or as "function OBJECT.NAME()", the object's
// property, as old pages' "function window.onload()" and
// "function document.onkeydown()" are. A declaration is made when its scope
// is entered, before the code around it runs: the binding made here is put
// at the code's start, on its first line, where the declaration (given a
// name of its own) is already made. A property is set again where the
// declaration stands, for an object the code before it makes. Only the
// script's top level is translated: what a binding inside a block or a
// function does is not known here, so it stays unread (the engine does not
// compile it, and the checker says so).

namespace {

// Past blanks; the line ends passed are kept, for the lines to stay.
size_t SkipSpace(const std::string& code, size_t at, std::string* lineEnds)
{
    while (at < code.size() && IsJScriptSpace(code[at])) {
        if (IsJScriptLineEnd(code[at])) {
            lineEnds->push_back(code[at]);
        }
        ++at;
    }
    return at;
}

struct Binding {
    std::string object;    // "window", "document.body"
    std::string member;    // the event, or the property
    bool event = false;    // "::"
    std::string lineEnds;  // those the declaration's name spans
    size_t parameters = 0; // where its "(" stands
};

// "OBJECT::EVENT" or "OBJECT.NAME", from at to the "(" of the parameters.
bool ReadBinding(const std::string& code, size_t at, Binding* binding)
{
    std::vector<std::string> path;
    size_t i = at;
    for (;;) {
        i = SkipSpace(code, i, &binding->lineEnds);
        if (i >= code.size() || !IsJScriptIdentifierStart(code[i])) {
            return false;
        }
        size_t end = JScriptIdentifierEnd(code, i);
        path.push_back(code.substr(i, end - i));
        i = SkipSpace(code, end, &binding->lineEnds);
        if (binding->event) {
            break;
        }
        if (code.compare(i, 2, "::") == 0) {
            binding->event = true;
            i += 2;
        } else if (i < code.size() && code[i] == '.') {
            ++i;
        } else {
            break;
        }
    }
    if (path.size() < 2 || i >= code.size() || code[i] != '(') {
        return false;
    }
    binding->member = path.back();
    path.pop_back();
    for (const std::string& part : path) {
        binding->object += (binding->object.empty() ? "" : ".") + part;
    }
    binding->parameters = i;
    return true;
}

// An object the page does not have leaves the rest of the script running.
std::string BindingCode(const Binding& binding, const std::string& name)
{
    std::string bind = binding.event ? binding.object + ".attachEvent(\"" + binding.member + "\", " + name + ")"
                                     : binding.object + "." + binding.member + " = " + name;
    return "try { " + bind + "; } catch (e) {} ";
}

}  // namespace

std::string TranslateFunctionBindings(const std::string& code)
{
    if (code.find("function") == std::string::npos) {
        return code;
    }
    std::string out;
    std::string hoisted;
    out.reserve(code.size());
    size_t depth = 0;
    bool expression = true;  // a "/" here starts a regular expression
    bool member = false;     // after a ".": "function" here is a property's name
    size_t bound = 0;
    size_t i = 0;
    while (i < code.size()) {
        char c = code[i];
        size_t end = i + 1;
        bool nextExpression = expression;
        if (IsJScriptSpace(c)) {
            out.push_back(c);
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < code.size() && (code[i + 1] == '/' || code[i + 1] == '*')) {
            end = JScriptCommentEnd(code, i);
        } else if (c == '\'' || c == '"') {
            end = JScriptStringEnd(code, i);
            nextExpression = false;
        } else if (c == '/' && expression) {
            end = JScriptRegExpEnd(code, i);
            nextExpression = false;
        } else if (IsJScriptIdentifierByte(c)) {
            end = JScriptIdentifierEnd(code, i);
            std::string word = code.substr(i, end - i);
            Binding binding;
            if (word == "function" && !member && depth == 0 && ReadBinding(code, end, &binding)) {
                std::string name = "$tipstartBound" + std::to_string(bound++);
                hoisted += BindingCode(binding, name);
                out += (binding.event ? "" : BindingCode(binding, name)) + "function " + name + binding.lineEnds;
                i = binding.parameters;
                expression = true;
                member = false;
                continue;
            }
            nextExpression = JScriptWordPrecedesExpression(word);
        } else {
            depth += c == '{' ? 1 : 0;
            depth -= c == '}' && depth > 0 ? 1 : 0;
            nextExpression = c != ')' && c != ']';
        }
        out.append(code, i, end - i);
        member = c == '.';
        expression = nextExpression;
        i = end;
    }
    return bound == 0 ? code : hoisted + out;
}
