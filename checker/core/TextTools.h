// The checker's text toolkit: UTF-8, ASCII case, blanks and places in text.
// Every part of the checker reads text through these.
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

// Reads one UTF-8 character at text[at]; gives its length, or 0 for a byte
// that starts no valid character (overlong forms, surrogates and values past
// U+10FFFF included).
size_t ReadUtf8(const char* text, size_t size, size_t at, char32_t* c);
size_t ReadUtf8(const std::string& text, size_t at, char32_t* c);
void AppendUtf8(char32_t c, std::string* out);
bool IsUtf8(const char* bytes, size_t size);

// ASCII letters in lower case, for the fixed names and words the checker
// looks for (tipstart.exe, .hhp, <object>, charset). Inline: the page
// scanner asks it of every byte of a tag.
inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiLower(std::string text);

// Compares without regard to ASCII case; word is in lower case where noted.
// Words are views: a literal's length is known as the call is compiled.
bool EqualsNoCase(const std::string& text, std::string_view word);
inline bool StartsWithNoCase(const char* bytes, size_t size, size_t at, std::string_view lowerWord)
{
    size_t length = lowerWord.size();
    if (at > size || size - at < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(bytes[at + i]) != lowerWord[i]) {
            return false;
        }
    }
    return true;
}
bool EndsWithNoCase(const char* text, size_t size, std::string_view lowerWord);
// The offset of the first lowerWord at or after from, or size.
size_t FindNoCase(const char* bytes, size_t size, size_t from, std::string_view lowerWord);

// Space, tab, line feed, carriage return and form feed: the blanks of HTML
// and of the lines of a help project.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
std::string Trim(const std::string& text);

// The offset of the first byte of text at or after from that is one of
// bytes (a few), or npos: std::string's find_first_of calls memchr on the
// set for each byte of the text.
inline size_t FindAnyOf(std::string_view text, std::string_view bytes, size_t from = 0)
{
    for (size_t at = from; at < text.size(); ++at) {
        for (char c : bytes) {
            if (text[at] == c) {
                return at;
            }
        }
    }
    return std::string_view::npos;
}
// The same, a view into text.
std::string_view TrimmedView(std::string_view text);

// Whether text matches a glob: "*" any characters but "/", "**" any
// characters, "?" one character but "/"; in ASCII case or not.
bool GlobMatches(const std::string& pattern, const std::string& text, bool ignoreCase);

// The Levenshtein distance of two UTF-8 texts in characters, regardless of
// ASCII case, up to limit: limit + 1 when it is larger. In time, the length
// times 2 limit + 1.
size_t EditDistance(const std::string& a, const std::string& b, size_t limit);

// The candidate nearest to word within limit edits (the first by order of
// the candidates when several are as near), or empty; for "did you mean".
std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates, size_t limit);

// ": did you mean "NEAR"?" after a name that names nothing, or empty.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);

// A name or a text in a message, in double quotes, so that blanks at its
// ends show; the quotes it holds are escaped (\").
std::string Quoted(const std::string& text);

bool HasNonAscii(const char* bytes, size_t size);
bool HasNonAscii(const std::string& text);

// Line and column of byte offsets that only grow. LF, CRLF and a lone CR
// each end a line, as editors count them; a column counts characters, and a
// byte that starts no UTF-8 character counts as one.
struct TextCursor {
    const char* bytes;
    size_t size;
    size_t offset = 0;
    size_t line = 1;
    size_t column = 1;

    TextCursor(const char* text, size_t textSize) : bytes(text), size(textSize) {}
    void MoveTo(size_t target);
};
