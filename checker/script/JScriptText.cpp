#include "checker/script/JScriptText.h"

bool IsJScriptLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

bool IsJScriptSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || IsJScriptLineEnd(c);
}

bool IsJScriptDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsJScriptIdentifierByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsJScriptDigit(c) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsJScriptIdentifierStart(char c)
{
    return IsJScriptIdentifierByte(c) && !IsJScriptDigit(c);
}

size_t JScriptIdentifierEnd(const std::string& code, size_t at)
{
    while (at < code.size() && IsJScriptIdentifierByte(code[at])) {
        ++at;
    }
    return at;
}

size_t JScriptStringEnd(const std::string& code, size_t at)
{
    char quote = code[at];
    size_t i = at + 1;
    while (i < code.size()) {
        char c = code[i];
        if (c == quote) {
            return i + 1;
        }
        if (IsJScriptLineEnd(c)) {
            return i;
        }
        if (c == '\\') {
            // An escaped line end continues the string.
            i += code.compare(i + 1, 2, "\r\n") == 0 ? 3 : 2;
        } else {
            ++i;
        }
    }
    return code.size();
}

size_t JScriptRegExpEnd(const std::string& code, size_t at)
{
    bool inClass = false;
    size_t i = at + 1;
    while (i < code.size() && !IsJScriptLineEnd(code[i])) {
        char c = code[i];
        if (c == '\\') {
            i += i + 1 < code.size() && !IsJScriptLineEnd(code[i + 1]) ? 2 : 1;
            continue;
        }
        if (c == '/' && !inClass) {
            return JScriptIdentifierEnd(code, i + 1);
        }
        inClass = c == '[' ? true : c == ']' ? false : inClass;
        ++i;
    }
    return i;
}

size_t JScriptCommentEnd(const std::string& code, size_t at)
{
    if (code[at + 1] == '/') {
        while (at < code.size() && !IsJScriptLineEnd(code[at])) {
            ++at;
        }
        return at;
    }
    size_t end = code.find("*/", at + 2);
    return end == std::string::npos ? code.size() : end + 2;
}

bool JScriptWordPrecedesExpression(const std::string& word)
{
    static const char* const words[] = {"return", "typeof", "instanceof", "in", "new", "delete",
                                        "void",   "throw",  "case",       "do", "else"};
    for (const char* known : words) {
        if (word == known) {
            return true;
        }
    }
    return false;
}
