#include "checker/core/TextTools.h"

#include <string.h>

#include <algorithm>

#include "checker/core/ByteScan.h"

size_t ReadUtf8(const char* text, size_t size, size_t at, char32_t* c)
{
    unsigned char first = static_cast<unsigned char>(text[at]);
    if (first < 0x80) {
        *c = first;
        return 1;
    }
    size_t length = first >= 0xF0 && first <= 0xF4 ? 4 : first >= 0xE0 && first < 0xF0 ? 3 : first >= 0xC2 && first < 0xE0 ? 2 : 0;
    if (length == 0 || length > size - at) {
        return 0;
    }
    char32_t value = first & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = value << 6 | (next & 0x3F);
    }
    static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *c = value;
    return length;
}

size_t ReadUtf8(const std::string& text, size_t at, char32_t* c)
{
    return ReadUtf8(text.data(), text.size(), at, c);
}

bool IsUtf8(const char* bytes, size_t size)
{
    for (size_t at = 0; at < size;) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;  // an ASCII byte is a character by itself
            continue;
        }
        char32_t c = 0;
        size_t length = ReadUtf8(bytes, size, at, &c);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void AppendUtf8(char32_t c, std::string* out)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | c >> 6);
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | c >> 12);
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | c >> 18);
        *out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string AsciiLower(std::string text)
{
    for (char& c : text) {
        c = AsciiLower(c);
    }
    return text;
}

bool EqualsNoCase(const std::string& text, std::string_view word)
{
    if (text.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(word[i])) {
            return false;
        }
    }
    return true;
}

bool EndsWithNoCase(const char* text, size_t size, std::string_view lowerWord)
{
    size_t length = lowerWord.size();
    return size >= length && StartsWithNoCase(text, size, size - length, lowerWord);
}

size_t FindNoCase(const char* bytes, size_t size, size_t from, std::string_view lowerWord)
{
    // An empty word starts where a NUL byte does, as its C string did.
    char lead = lowerWord.empty() ? '\0' : lowerWord[0];
    char upper = lead >= 'a' && lead <= 'z' ? static_cast<char>(lead - 'a' + 'A') : lead;
    // Each of the two next starts is searched for again only once passed:
    // a letter whose other case never comes is not looked for to the end
    // at every turn.
    const char* next = nullptr;
    const char* nextUpper = nullptr;
    bool nextKnown = false;
    bool upperKnown = false;
    for (size_t at = from; at < size; ++at) {
        if (!nextKnown || (next && next < bytes + at)) {
            next = static_cast<const char*>(memchr(bytes + at, lead, size - at));
            nextKnown = true;
        }
        if (!upperKnown || (nextUpper && nextUpper < bytes + at)) {
            nextUpper = upper == lead ? next : static_cast<const char*>(memchr(bytes + at, upper, size - at));
            upperKnown = true;
        }
        const char* first = next;
        if (!first || (nextUpper && nextUpper < next)) {
            first = nextUpper;
        }
        if (!first) {
            return size;
        }
        at = static_cast<size_t>(first - bytes);
        if (StartsWithNoCase(bytes, size, at, lowerWord)) {
            return at;
        }
    }
    return size;
}

std::string_view TrimmedView(std::string_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

std::string Trim(const std::string& text)
{
    return std::string(TrimmedView(text));
}

namespace {

bool GlobFrom(const std::string& pattern, size_t p, const std::string& text, size_t t, bool ignoreCase)
{
    while (p < pattern.size()) {
        if (pattern[p] == '*') {
            bool any = p + 1 < pattern.size() && pattern[p + 1] == '*';
            p += any ? 2 : 1;
            for (size_t rest = t;; ++rest) {
                if (GlobFrom(pattern, p, text, rest, ignoreCase)) {
                    return true;
                }
                if (rest >= text.size() || (!any && text[rest] == '/')) {
                    return false;
                }
            }
        }
        if (t >= text.size()) {
            return false;
        }
        char a = pattern[p];
        char b = text[t];
        bool same = pattern[p] == '?' ? b != '/' : ignoreCase ? AsciiLower(a) == AsciiLower(b) : a == b;
        if (!same) {
            return false;
        }
        ++p;
        ++t;
    }
    return t == text.size();
}

}  // namespace

bool GlobMatches(const std::string& pattern, const std::string& text, bool ignoreCase)
{
    return GlobFrom(pattern, 0, text, 0, ignoreCase);
}

bool HasNonAscii(const char* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
            return true;
        }
    }
    return false;
}

bool HasNonAscii(const std::string& text)
{
    return HasNonAscii(text.data(), text.size());
}

void TextCursor::MoveTo(size_t target)
{
    size_t end = std::min(target, size);
    // Whole lines are passed by their ends alone: the columns of the line the
    // target stands on are all that is counted.
    size_t lineEnd = 0;
    while (offset < end && AnyOfTwo(bytes + offset, end - offset, '\n', '\r', [&](size_t at) {
               lineEnd = offset + at;
               return true;
           })) {
        bool crlf = bytes[lineEnd] == '\r' && lineEnd + 1 < size && bytes[lineEnd + 1] == '\n';
        offset = lineEnd + (crlf ? 2 : 1);
        ++line;
        column = 1;
    }
    while (offset < end) {
        char32_t character = 0;
        size_t length = static_cast<unsigned char>(bytes[offset]) < 0x80 ? 1 : ReadUtf8(bytes, size, offset, &character);
        offset += length ? length : 1;
        ++column;
    }
}

namespace {

// The characters of a text; a byte that starts no UTF-8 character is one.
std::u32string Characters(const std::string& text)
{
    std::u32string characters;
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        size_t length = ReadUtf8(text, at, &c);
        characters += length ? c : static_cast<unsigned char>(text[at]);
        at += length ? length : 1;
    }
    return characters;
}

char32_t LowerCharacter(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

}  // namespace

size_t EditDistance(const std::string& aText, const std::string& bText, size_t limit)
{
    const size_t far = limit + 1;
    if (aText.size() > bText.size() + 4 * far || bText.size() > aText.size() + 4 * far) {
        return far;  // more characters apart than limit, however they are encoded
    }
    std::u32string a = Characters(aText);
    std::u32string b = Characters(bText);
    size_t longer = a.size() > b.size() ? a.size() : b.size();
    if (longer - (a.size() + b.size() - longer) > limit) {
        return far;
    }
    // Two rows of the table, each computed only within limit of its
    // diagonal; the cells just outside that band hold far.
    std::vector<size_t> previous(b.size() + 1, far);
    std::vector<size_t> current(b.size() + 1, far);
    for (size_t j = 0; j <= b.size() && j <= limit; ++j) {
        previous[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t low = i > limit ? i - limit : 1;
        size_t high = i + limit < b.size() ? i + limit : b.size();
        current[low - 1] = low == 1 && i <= limit ? i : far;
        size_t best = current[low - 1];
        for (size_t j = low; j <= high; ++j) {
            size_t value = previous[j - 1] + (LowerCharacter(a[i - 1]) == LowerCharacter(b[j - 1]) ? 0 : 1);
            value = std::min(value, std::min(previous[j], current[j - 1]) + 1);
            current[j] = std::min(value, far);
            best = std::min(best, current[j]);
        }
        if (high + 1 <= b.size()) {
            current[high + 1] = far;
        }
        if (best >= far) {
            return far;
        }
        previous.swap(current);
    }
    return previous[b.size()];
}

std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates, size_t limit)
{
    std::string nearest;
    size_t best = limit + 1;
    for (const std::string& candidate : candidates) {
        size_t distance = EditDistance(word, candidate, limit);
        if (distance < best) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates)
{
    // Short words are near too many others: a third of the word may differ.
    size_t limit = word.size() < 4 ? 1 : word.size() < 9 ? 2 : 3;
    std::string nearest = NearestWord(word, candidates, limit);
    return nearest.empty() || nearest == word ? std::string() : ": did you mean \"" + nearest + "\"?";
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    quoted.reserve(text.size() + 2);
    if (text.find('"') == std::string::npos) {
        return quoted.append(text).append("\"");  // most names hold none
    }
    for (char c : text) {
        if (c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}
