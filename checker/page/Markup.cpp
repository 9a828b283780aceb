#include "checker/page/Markup.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string_view>

#include "checker/core/TextTools.h"

namespace {

struct NamedReference {
    const char* name;  // without its ";"
    const char* text;  // UTF-8
    bool legacy;       // also read without its ";"
};

#include "checker/page/CharacterReferences.inc"

const NamedReference* FindNamedReference(const std::string& name)
{
    const NamedReference* end = NamedReferences + sizeof NamedReferences / sizeof NamedReferences[0];
    const NamedReference* found = std::lower_bound(
        NamedReferences, end, name, [](const NamedReference& a, const std::string& b) { return strcmp(a.name, b.c_str()) < 0; });
    return found != end && name == found->name ? found : nullptr;
}

bool IsAsciiAlphanumeric(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A code point as HTML5 reads &#N;: 0x80 to 0x9F through windows-1252.
char32_t NumericReferenceCharacter(unsigned long code)
{
    return code >= 0x80 && code <= 0x9F ? Windows1252Controls[code - 0x80] : static_cast<char32_t>(code);
}

// A character reference at bytes[at] ("&"); gives the offset after it, or at
// when it is a plain "&".
size_t DecodeReference(const char* bytes, size_t end, size_t at, std::string* out,
                       std::vector<ReferenceRemark>* remarks)
{
    size_t p = at + 1;
    std::string written;
    if (p < end && bytes[p] == '#') {
        bool hex = p + 1 < end && AsciiLower(bytes[p + 1]) == 'x';
        size_t digits = p + (hex ? 2 : 1);
        size_t q = digits;
        unsigned long code = 0;
        bool overflow = false;
        while (q < end && (hex ? strchr("0123456789abcdefABCDEF", bytes[q]) != nullptr && bytes[q]
                               : bytes[q] >= '0' && bytes[q] <= '9')) {
            char c = AsciiLower(bytes[q]);
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(c <= '9' ? c - '0' : c - 'a' + 10);
            overflow = overflow || code > 0x10FFFF;
            ++q;
        }
        written.assign(bytes + at, (q < end && bytes[q] == ';' ? q + 1 : q) - at);
        if (q == digits) {
            remarks->push_back({at, "malformed character reference \"" + written + "\": no digits; kept as written"});
            *out += written;
            return at + written.size();
        }
        bool terminated = q < end && bytes[q] == ';';
        if (overflow || code == 0 || (code >= 0xD800 && code <= 0xDFFF)) {
            remarks->push_back(
                {at, "malformed character reference \"" + written + "\": no such character; read as U+FFFD"});
            code = 0xFFFD;
        } else if (!terminated) {
            remarks->push_back({at, "character reference \"" + written + "\" lacks its \";\""});
        }
        AppendUtf8(NumericReferenceCharacter(code), out);
        return terminated ? q + 1 : q;
    }
    size_t q = p;
    while (q < end && q - p < 32 && IsAsciiAlphanumeric(bytes[q])) {
        ++q;
    }
    std::string name(bytes + p, q - p);
    bool terminated = q < end && bytes[q] == ';';
    const NamedReference* known = terminated ? FindNamedReference(name) : nullptr;
    if (known) {
        *out += known->text;
        return q + 1;
    }
    // HTML5 reads the longest legacy name that starts the run without its
    // ";", except in a value where a letter, digit or "=" follows it.
    for (size_t length = name.size(); length >= 2; --length) {
        known = FindNamedReference(name.substr(0, length));
        if (!known || !known->legacy) {
            continue;
        }
        size_t after = p + length;
        if (after < end && (IsAsciiAlphanumeric(bytes[after]) || bytes[after] == '=')) {
            break;
        }
        remarks->push_back({at, "character reference \"&" + name.substr(0, length) + "\" lacks its \";\""});
        *out += known->text;
        return after;
    }
    if (!name.empty() && terminated) {
        remarks->push_back({at, "unknown character reference \"&" + name + ";\"; kept as written"});
    }
    *out += '&';
    return at + 1;
}

}  // namespace

namespace {

// What reading a tag asks of a byte, in one look: every byte of every tag
// is asked. ASCII letters and digits make a tag's name; a blank, ">", "="
// and "/" end an attribute's.
enum { ByteNamePart = 1, ByteNameEnd = 2 };

struct TagByteClasses {
    unsigned char of[256];

    constexpr TagByteClasses() : of()
    {
        for (unsigned c = 0; c < 256; ++c) {
            bool part = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
            of[c] = static_cast<unsigned char>((part ? ByteNamePart : 0) |
                                               (blank || c == '>' || c == '=' || c == '/' ? ByteNameEnd : 0));
        }
    }

    bool Is(char c, unsigned kind) const { return (of[static_cast<unsigned char>(c)] & kind) != 0; }
};

constexpr TagByteClasses TagBytes;

// Where an attribute's name ends: at a blank, "/", "=" or ">".
size_t AttributeNameEnd(const char* bytes, size_t size, size_t at)
{
    while (at < size && !TagBytes.Is(bytes[at], ByteNameEnd)) {
        ++at;
    }
    return at;
}

// Appends the plain bytes of a value from at up to its next "&" (or end),
// at most room of them; gives the offset after the last one appended.
size_t AppendPlainRun(const char* bytes, size_t at, size_t end, size_t room, std::string* value)
{
    const char* amp = static_cast<const char*>(memchr(bytes + at, '&', end - at));
    size_t run = std::min((amp ? static_cast<size_t>(amp - bytes) : end) - at, room);
    value->append(bytes + at, run);
    return at + run;
}

}  // namespace

size_t ParseEachAttribute(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes)
{
    attributes->clear();
    while (at < size) {
        while (at < size && (IsBlank(bytes[at]) || bytes[at] == '/')) {
            ++at;
        }
        if (at >= size || bytes[at] == '>') {
            return at >= size ? size : at + 1;  // a page that ends in a tag ends there
        }
        // A "=" where a name starts is the name's first character, as
        // HTML5's tokenizer reads it ("<div =x>" has an attribute "=x"):
        // every name has one, and the tag ends at its own ">".
        size_t nameStart = at;
        size_t nameEnd = AttributeNameEnd(bytes, size, bytes[at] == '=' ? at + 1 : at);
        at = nameEnd;
        while (at < size && IsBlank(bytes[at])) {
            ++at;
        }
        size_t valueStart = at;
        size_t valueEnd = at;
        if (at < size && bytes[at] == '=') {
            ++at;
            while (at < size && IsBlank(bytes[at])) {
                ++at;
            }
            valueStart = at;
            if (at < size && (bytes[at] == '"' || bytes[at] == '\'')) {
                char quote = bytes[at++];
                const char* close = static_cast<const char*>(memchr(bytes + at, quote, size - at));
                valueStart = at;
                valueEnd = close ? static_cast<size_t>(close - bytes) : size;
                at = close ? valueEnd + 1 : size;
            } else {
                while (at < size && !IsBlank(bytes[at]) && bytes[at] != '>') {
                    ++at;
                }
                valueEnd = at;
            }
        }
        attributes->push_back({nameStart, nameEnd, valueStart, valueEnd});
    }
    return size;
}

namespace {

// The value decoded into value until it holds limit bytes; gives where the
// reading stopped.
size_t DecodeUpTo(const char* bytes, const Attribute& attribute, size_t limit, std::string* value,
                  std::vector<ReferenceRemark>* remarks)
{
    value->clear();
    // A value decodes to about as many bytes as it is written in: one
    // allocation, not one for each time it grows.
    value->reserve(std::min(limit, attribute.valueEnd - attribute.valueStart));
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd && value->size() < limit) {
        if (bytes[at] != '&') {
            at = AppendPlainRun(bytes, at, attribute.valueEnd, limit - value->size(), value);
            continue;
        }
        size_t before = value->size();
        size_t next = DecodeReference(bytes, attribute.valueEnd, at, value, remarks);
        if (next == at + 1 && value->size() == before) {
            *value += bytes[at];
        }
        at = next;
    }
    return at;
}

}  // namespace

size_t DecodeValue(const char* bytes, const Attribute& attribute, std::string* value,
                   std::vector<ReferenceRemark>* remarks, size_t limit)
{
    size_t at = DecodeUpTo(bytes, attribute, limit, value, remarks);
    // Past the limit only the length counts.
    size_t length = value->size();
    std::string piece;
    std::vector<ReferenceRemark> ignored;
    while (at < attribute.valueEnd) {
        if (bytes[at] != '&') {
            const char* amp = static_cast<const char*>(memchr(bytes + at, '&', attribute.valueEnd - at));
            size_t next = amp ? static_cast<size_t>(amp - bytes) : attribute.valueEnd;
            length += next - at;
            at = next;
            continue;
        }
        piece.clear();
        ignored.clear();
        size_t next = DecodeReference(bytes, attribute.valueEnd, at, &piece, &ignored);
        length += next == at + 1 && piece.empty() ? 1 : piece.size();
        at = next;
    }
    return length;
}

void DecodeValueStart(const char* bytes, const Attribute& attribute, size_t limit, std::string* value)
{
    std::vector<ReferenceRemark> ignored;
    DecodeUpTo(bytes, attribute, limit, value, &ignored);
}

size_t OriginOf(const char* bytes, const Attribute& attribute, size_t index)
{
    size_t produced = 0;
    std::string piece;
    std::vector<ReferenceRemark> ignored;
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd) {
        piece.clear();
        ignored.clear();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, &piece, &ignored) : at + 1;
        if (next == at + 1 && piece.empty()) {
            piece += bytes[at];
        }
        produced += piece.size();
        if (produced > index) {
            return at;
        }
        at = next;
    }
    return attribute.valueEnd;
}

void DecodeValueOrigins(const char* bytes, const Attribute& attribute, std::string* value, std::vector<size_t>* origins)
{
    value->clear();
    if (origins) {
        origins->clear();
    }
    std::vector<ReferenceRemark> ignored;
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd) {
        size_t before = value->size();
        if (bytes[at] != '&') {
            size_t next = AppendPlainRun(bytes, at, attribute.valueEnd, attribute.valueEnd - at, value);
            for (size_t i = at; origins && i < next; ++i) {
                origins->push_back(i);
            }
            at = next;
            continue;
        }
        size_t next = DecodeReference(bytes, attribute.valueEnd, at, value, &ignored);
        if (next == at + 1 && value->size() == before) {
            *value += bytes[at];
        }
        if (origins) {
            origins->insert(origins->end(), value->size() - before, at);
        }
        at = next;
    }
}

bool AttributeIs(const char* bytes, const Attribute& attribute, std::string_view lowerWord)
{
    return attribute.nameEnd - attribute.nameStart == lowerWord.size() &&
           StartsWithNoCase(bytes, attribute.nameEnd, attribute.nameStart, lowerWord);
}

std::string AttributeName(const char* bytes, const Attribute& attribute)
{
    std::string name(bytes + attribute.nameStart, attribute.nameEnd - attribute.nameStart);
    for (char& c : name) {
        c = AsciiLower(c);
    }
    return name;
}

const Attribute* FindAttribute(const char* bytes, const std::vector<Attribute>& attributes,
                               std::string_view lowerWord)
{
    for (const Attribute& attribute : attributes) {
        if (AttributeIs(bytes, attribute, lowerWord)) {
            return &attribute;
        }
    }
    return nullptr;
}

namespace {

// A version in a conditional comment ("7", "5.5") against the mode's.
int CompareVersion(double mode, const std::string& version)
{
    double wanted = atof(version.c_str());
    double own = version.find('.') == std::string::npos ? static_cast<double>(static_cast<int>(mode)) : mode;
    return own < wanted ? -1 : own > wanted ? 1 : 0;
}

// A condition of a conditional comment ("IE", "lt IE 9", "!(IE 6)|IE 8"),
// from text[*at], for the document mode; anything but IE is false.
bool ReadCondition(const std::string& text, size_t* at, int mode);

void SkipBlanks(const std::string& text, size_t* at)
{
    while (*at < text.size() && IsBlank(text[*at])) {
        ++*at;
    }
}

std::string ReadConditionWord(const std::string& text, size_t* at)
{
    SkipBlanks(text, at);
    std::string word;
    while (*at < text.size() && (IsAsciiAlphanumeric(text[*at]) || text[*at] == '.')) {
        word += AsciiLower(text[(*at)++]);
    }
    return word;
}

bool ReadConditionFactor(const std::string& text, size_t* at, int mode)
{
    SkipBlanks(text, at);
    if (*at < text.size() && text[*at] == '!') {
        ++*at;
        return !ReadConditionFactor(text, at, mode);
    }
    if (*at < text.size() && text[*at] == '(') {
        ++*at;
        bool value = ReadCondition(text, at, mode);
        SkipBlanks(text, at);
        *at += *at < text.size() && text[*at] == ')';
        return value;
    }
    std::string word = ReadConditionWord(text, at);
    std::string comparison;
    if (word == "lt" || word == "lte" || word == "gt" || word == "gte") {
        comparison = word;
        word = ReadConditionWord(text, at);
    }
    if (word != "ie") {
        return word == "true";
    }
    size_t before = *at;
    std::string version = ReadConditionWord(text, at);
    if (version.empty() || !(version[0] >= '0' && version[0] <= '9')) {
        *at = before;
        return comparison.empty();
    }
    int order = CompareVersion(mode, version);
    return comparison == "lt" ? order < 0 : comparison == "lte" ? order <= 0 : comparison == "gt" ? order > 0
           : comparison == "gte" ? order >= 0 : order == 0;
}

bool ReadConditionTerm(const std::string& text, size_t* at, int mode)
{
    bool value = ReadConditionFactor(text, at, mode);
    for (SkipBlanks(text, at); *at < text.size() && text[*at] == '&'; SkipBlanks(text, at)) {
        ++*at;
        value = ReadConditionFactor(text, at, mode) && value;
    }
    return value;
}

bool ReadCondition(const std::string& text, size_t* at, int mode)
{
    bool value = ReadConditionTerm(text, at, mode);
    for (SkipBlanks(text, at); *at < text.size() && text[*at] == '|'; SkipBlanks(text, at)) {
        ++*at;
        value = ReadConditionTerm(text, at, mode) || value;
    }
    return value;
}

}  // namespace

bool ConditionHolds(const std::string& condition, int documentMode)
{
    size_t at = 0;
    return ReadCondition(condition, &at, documentMode);
}

bool TagNameEnds(const char* bytes, size_t size, size_t at)
{
    return at >= size || (TagBytes.Is(bytes[at], ByteNameEnd) && bytes[at] != '=');
}

size_t ReadTagName(const char* bytes, size_t size, size_t at, TagName* name, bool* closing)
{
    size_t p = at + 1;
    *closing = p < size && bytes[p] == '/';
    p += *closing;
    // A name starts with a letter ("<1" is text). It is read as its letters
    // and digits: what the viewer's legacy parser makes of other bytes in a
    // name is not documented, and "<OBJECT:x" read as an object finds the
    // link rather than lose it.
    name->Clear();
    if (p >= size || !IsAsciiLetter(bytes[p])) {
        return p;
    }
    // Read and lowered in one pass: every tag of every page has a name.
    size_t end = std::min<size_t>(size, p + TagName::Most);
    while (p < end && TagBytes.Is(bytes[p], ByteNamePart)) {
        name->Add(bytes[p]);
        ++p;
    }
    // A raw-text element's name ends where HTML5 ends a tag name, at a blank,
    // "/" or ">": "<style:x>" is another element, and the page after it is
    // read, not hidden as the style's text. So does an end tag's:
    // "</object:x>" ends no object, and the PARAMs after it are still its.
    bool nameEnds = TagNameEnds(bytes, size, p);
    if (!nameEnds && (*closing || IsTextElement(*name))) {
        name->Mark();
    }
    return p;
}

size_t ReadBogusComment(const char* bytes, size_t size, size_t at)
{
    bool known = bytes[at] == '<' && MayStartComment(bytes, size, at) &&
                 (bytes[at + 1] != '/' || (at + 2 < size && !IsAsciiLetter(bytes[at + 2])));
    if (!known) {
        return at;
    }
    if (StartsWithNoCase(bytes, size, at, "</>")) {
        return at + 3;  // nothing at all
    }
    const char* close = static_cast<const char*>(memchr(bytes + at + 2, '>', size - at - 2));
    return close ? static_cast<size_t>(close - bytes) + 1 : size;
}

namespace {

// The first match at or after from, as memo last found it when it can.
size_t FindRemembered(const char* bytes, size_t size, size_t from, const char* lowerWord, SearchMemo* memo)
{
    if (memo->valid && from >= memo->from && from <= memo->found) {
        return memo->found;
    }
    memo->from = from;
    memo->found = FindNoCase(bytes, size, from, lowerWord);
    memo->valid = true;
    return memo->found;
}

// Where a comment's text ends: the first "-->" or "--!>" from from, in
// one pass; size for none.
size_t FindCommentEnd(const char* bytes, size_t size, size_t from)
{
    for (size_t at = FindNoCase(bytes, size, from, "--"); at < size; at = FindNoCase(bytes, size, at + 1, "--")) {
        if (StartsWithNoCase(bytes, size, at, "-->") || StartsWithNoCase(bytes, size, at, "--!>")) {
            return at;
        }
    }
    return size;
}

// A condition's text, at most its first kilobyte: a condition is a few
// words, and the text before a far "]>" is not read again for each "<![if".
bool ConditionTextHolds(const char* bytes, size_t start, size_t close, int documentMode)
{
    // A condition too long to read is taken to hold: what it guards is read,
    // not passed over.
    return close - start > 1024 || ConditionHolds(std::string(bytes + start, close - start), documentMode);
}

size_t FindCommentEndRemembered(const char* bytes, size_t size, size_t from, SearchMemo* memo)
{
    if (memo->valid && from >= memo->from && from <= memo->found) {
        return memo->found;
    }
    memo->from = from;
    memo->found = FindCommentEnd(bytes, size, from);
    memo->valid = true;
    return memo->found;
}

}  // namespace

size_t ReadComment(const char* bytes, size_t size, size_t at, int documentMode, Comment* comment,
                   MarkupSearches* searches)
{
    MarkupSearches own;
    searches = searches ? searches : &own;
    comment->textStart = comment->textEnd = at + 4;
    comment->live = false;
    if (StartsWithNoCase(bytes, size, at, "<!-->")) {
        return at + 5;
    }
    if (StartsWithNoCase(bytes, size, at, "<!--->")) {
        return at + 6;
    }
    size_t end = FindCommentEndRemembered(bytes, size, std::min(at + 4, size), &searches->commentEnd);
    bool bang = end < size && bytes[end + 2] == '!';
    comment->textEnd = end;
    if (documentMode < 10 && StartsWithNoCase(bytes, size, at, "<!--[if") &&
        !(at + 7 < size && IsAsciiAlphanumeric(bytes[at + 7]))) {
        size_t close = FindRemembered(bytes, size, at + 7, "]>", &searches->conditionEnd);
        if (close < end && ConditionTextHolds(bytes, at + 7, close, documentMode)) {
            comment->live = true;
            comment->textEnd = close;
            return close + 2;
        }
        // Its condition fails: all up to "<![endif]-->" is hidden, a "<!-->"
        // inside (the "<!--[if !IE]><!-->" of pages for other browsers) too.
        size_t endif = close < size ? FindRemembered(bytes, size, close, "<![endif]", &searches->endif) : size;
        size_t endifEnd = endif < size ? FindRemembered(bytes, size, endif, "-->", &searches->plainEnd) : size;
        if (endifEnd < size) {
            comment->textEnd = endifEnd;
            return endifEnd + 3;
        }
    }
    return end >= size ? size : end + (bang ? 4 : 3);
}

bool StartsRevealedCondition(const char* bytes, size_t size, size_t at)
{
    return StartsWithNoCase(bytes, size, at, "<![if") && !(at + 5 < size && IsAsciiAlphanumeric(bytes[at + 5]));
}

size_t ReadRevealedCondition(const char* bytes, size_t size, size_t at, int documentMode, MarkupSearches* searches)
{
    MarkupSearches own;
    searches = searches ? searches : &own;
    size_t end = FindRemembered(bytes, size, at + 5, ">", &searches->revealedEnd);
    if (end >= size) {
        return size;
    }
    bool condition = bytes[end - 1] == ']';
    if (documentMode >= 10 || !condition || ConditionTextHolds(bytes, at + 5, end - 1, documentMode)) {
        return end + 1;
    }
    size_t endif = FindRemembered(bytes, size, end, "<![endif", &searches->revealedEndif);
    const char* endifEnd = endif < size ? static_cast<const char*>(memchr(bytes + endif, '>', size - endif)) : nullptr;
    return endifEnd ? static_cast<size_t>(endifEnd - bytes) + 1 : size;
}

bool IsTextElement(std::string_view name)
{
    // By length first: every tag of every page is held against these.
    switch (name.size()) {
    case 3: return name == "xmp";
    case 5: return name == "style" || name == "title";
    case 6: return name == "script" || name == "iframe";
    case 7: return name == "noembed";
    case 8: return name == "textarea" || name == "noscript" || name == "noframes";
    case 9: return name == "plaintext";
    default: return false;
    }
}

size_t TextElementEnd(const char* bytes, size_t size, size_t from, std::string_view name)
{
    if (IsName(name, "plaintext")) {
        return size;
    }
    // "</script" ends a script only as a whole name: "</scripts>" does not.
    std::string endTag = "</" + std::string(name);
    for (size_t at = FindNoCase(bytes, size, from, endTag.c_str()); at < size;
         at = FindNoCase(bytes, size, at + 1, endTag.c_str())) {
        size_t after = at + endTag.size();
        if (after < size && (IsBlank(bytes[after]) || bytes[after] == '/' || bytes[after] == '>')) {
            return at;
        }
    }
    return size;
}

namespace {

// The mode an X-UA-Compatible meta's attributes ask for, else 0.
int MetaDocumentMode(const char* bytes, const std::vector<Attribute>& attributes)
{
    const Attribute* equiv = FindAttribute(bytes, attributes, "http-equiv");
    const Attribute* content = FindAttribute(bytes, attributes, "content");
    if (!equiv || !content) {
        return 0;
    }
    std::string value;
    std::vector<ReferenceRemark> ignored;
    DecodeValue(bytes, *equiv, &value, &ignored);
    if (!EqualsNoCase(Trim(value), "x-ua-compatible")) {
        return 0;
    }
    DecodeValue(bytes, *content, &value, &ignored);
    std::string lower = AsciiLower(value);
    int mode = 0;
    // "IE=edge", "IE=9; IE=8", "IE=EmulateIE7": the highest one asked for.
    for (size_t key = lower.find("ie="); key != std::string::npos; key = lower.find("ie=", key + 3)) {
        size_t digits = lower.find_first_of("0123456789", key + 3);
        if (lower.compare(key + 3, 4, "edge") == 0) {
            mode = std::max(mode, 11);
        } else if (digits != std::string::npos) {
            mode = std::max(mode, atoi(lower.c_str() + digits));
        }
    }
    return mode;
}

// Where the value of "charset" starts in a Content-Type, as HTML5 extracts
// it: blanks may stand around the "=" (charset = windows-1251).
size_t CharsetValueStart(const std::string& lower)
{
    for (size_t key = lower.find("charset"); key != std::string::npos; key = lower.find("charset", key + 7)) {
        size_t equals = lower.find_first_not_of(" \t\n\f\r", key + 7);
        if (equals != std::string::npos && lower[equals] == '=') {
            return equals + 1;
        }
    }
    return std::string::npos;
}

bool OnlyBlanks(const char* bytes, size_t from, size_t to)
{
    for (size_t at = from; at < to; ++at) {
        if (!IsBlank(bytes[at])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int FindDocumentMode(const char* bytes, size_t size)
{
    // MSHTML honours the meta only in the head, before any element but title
    // and meta: the search ends at the first other element, end tag or text.
    // Comments hide what they hold, conditional ones too.
    std::vector<Attribute> attributes;
    TagName name;
    Comment comment;
    int mode = 7;
    size_t at = 0;
    while (at < size) {
        const char* open = static_cast<const char*>(memchr(bytes + at, '<', size - at));
        size_t tag = open ? static_cast<size_t>(open - bytes) : size;
        if (!OnlyBlanks(bytes, at, tag) || tag >= size) {
            break;
        }
        if (StartsWithNoCase(bytes, size, tag, "<!--")) {
            at = ReadComment(bytes, size, tag, 10, &comment);
            continue;
        }
        if (StartsWithNoCase(bytes, size, tag, "<!doctype") || StartsWithNoCase(bytes, size, tag, "<?")) {
            at = FindNoCase(bytes, size, tag, ">");
            at = at >= size ? size : at + 1;
            continue;
        }
        bool closing;
        size_t afterName = ReadTagName(bytes, size, tag, &name, &closing);
        if (closing || name.empty() ||
            !(IsName(name, "html") || IsName(name, "head") || IsName(name, "title") || IsName(name, "meta"))) {
            break;
        }
        at = ParseAttributes(bytes, size, afterName, &attributes);
        if (IsName(name, "title")) {
            at = TextElementEnd(bytes, size, at, name);
            size_t end = FindNoCase(bytes, size, at, ">");
            at = end >= size ? size : end + 1;
        } else if (IsName(name, "meta")) {
            mode = std::max(mode, MetaDocumentMode(bytes, attributes));
        }
    }
    return mode;
}

std::string FindDeclaredCharset(const char* bytes, size_t size, int* documentMode)
{
    std::vector<Attribute> attributes;
    int mode = FindDocumentMode(bytes, size);
    if (documentMode) {
        *documentMode = mode;
    }
    TagName name;
    Comment comment;
    MarkupSearches searches;
    size_t at = 0;
    while (at < size) {
        const char* open = static_cast<const char*>(memchr(bytes + at, '<', size - at));
        if (!open) {
            return std::string();
        }
        at = static_cast<size_t>(open - bytes);
        if (StartsWithNoCase(bytes, size, at, "<!--")) {
            at = ReadComment(bytes, size, at, mode, &comment, &searches);
            continue;
        }
        if (StartsRevealedCondition(bytes, size, at)) {
            at = ReadRevealedCondition(bytes, size, at, mode, &searches);
            continue;
        }
        size_t bogus = ReadBogusComment(bytes, size, at);
        if (bogus != at) {
            at = bogus;
            continue;
        }
        bool closing;
        size_t afterName = ReadTagName(bytes, size, at, &name, &closing);
        if (name.empty() || closing) {
            at = name.empty() ? at + 1 : ParseAttributes(bytes, size, afterName, &attributes);
            continue;
        }
        // Only the head declares: the search ends where the body starts.
        if (IsName(name, "body")) {
            return std::string();
        }
        at = ParseAttributes(bytes, size, afterName, &attributes);
        if (IsTextElement(name)) {
            at = TextElementEnd(bytes, size, at, name);
            continue;
        }
        if (!IsName(name, "meta")) {
            continue;
        }
        std::vector<ReferenceRemark> ignored;
        std::string value;
        const Attribute* charset = FindAttribute(bytes, attributes, "charset");
        if (charset) {
            DecodeValue(bytes, *charset, &value, &ignored);
            return Trim(value);
        }
        const Attribute* equiv = FindAttribute(bytes, attributes, "http-equiv");
        const Attribute* content = FindAttribute(bytes, attributes, "content");
        if (!equiv || !content) {
            continue;
        }
        DecodeValue(bytes, *equiv, &value, &ignored);
        if (!EqualsNoCase(Trim(value), "content-type")) {
            continue;
        }
        DecodeValue(bytes, *content, &value, &ignored);
        std::string lower = AsciiLower(value);
        size_t key = CharsetValueStart(lower);
        if (key == std::string::npos) {
            continue;
        }
        // The label may be quoted itself: charset="koi8-r".
        size_t start = lower.find_first_not_of(" \t\"'", key);
        if (start == std::string::npos) {
            continue;
        }
        size_t end = lower.find_first_of("; \t\"'", start);
        return value.substr(start, (end == std::string::npos ? value.size() : end) - start);
    }
    return std::string();
}
