// The markup of HTML pages as the help viewer's engine reads it: tags,
// attributes and character references, in UTF-8 text.
#pragma once

#include <stddef.h>

#include <string.h>

#include <string>
#include <string_view>
#include <vector>

#include "checker/core/TextTools.h"

// An attribute of a tag, where its name and value stand in the text it was
// read from: nothing is copied until a value is used.
struct Attribute {
    size_t nameStart;
    size_t nameEnd;
    size_t valueStart;
    size_t valueEnd;
};

// Reads the attributes from at up to the tag's ">"; gives the offset after it.
size_t ParseEachAttribute(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes);
inline size_t ParseAttributes(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes)
{
    // Most tags end right after their names: told so without a call.
    if (at < size && bytes[at] == '>') {
        attributes->clear();
        return at + 1;
    }
    return ParseEachAttribute(bytes, size, at, attributes);
}

// Whether the attribute's name is lowerWord, in any case.
bool AttributeIs(const char* bytes, const Attribute& attribute, std::string_view lowerWord);

// The attribute's name in lower case.
std::string AttributeName(const char* bytes, const Attribute& attribute);

// The first attribute named lowerWord, in any case; null for none.
const Attribute* FindAttribute(const char* bytes, const std::vector<Attribute>& attributes,
                               std::string_view lowerWord);

// Whether a tag's or attribute's name (lower case) is word: the lengths and
// first letters first, so that most names are told apart without a call.
inline bool IsName(std::string_view name, std::string_view word)
{
    return name.size() == word.size() &&
           (word.empty() || (name[0] == word[0] && memcmp(name.data() + 1, word.data() + 1, word.size() - 1) == 0));
}

struct ReferenceRemark {
    size_t offset;
    std::string message;
};

// The attribute's value with its character references decoded, up to limit
// bytes; gives the length of the whole decoded value. Malformed references
// go to remarks.
size_t DecodeValue(const char* bytes, const Attribute& attribute, std::string* value,
                   std::vector<ReferenceRemark>* remarks, size_t limit = static_cast<size_t>(-1));

// The attribute's value decoded, with the page offset each of its bytes
// comes from: an event handler's script, read in its place (origins may be
// null when only the value is needed).
void DecodeValueOrigins(const char* bytes, const Attribute& attribute, std::string* value, std::vector<size_t>* origins);

// The start of the attribute's decoded value: at least its first limit
// bytes, when it has as many, without decoding the rest.
void DecodeValueStart(const char* bytes, const Attribute& attribute, size_t limit, std::string* value);

// The page offset that the decoded value's byte at index comes from, found
// by decoding again up to it: no offset is kept per byte of a long value.
size_t OriginOf(const char* bytes, const Attribute& attribute, size_t index);

// A tag's name as the scanner reads it: at most 16 letters and digits, lower
// case, and a "+" after a raw-text element's name that does not end there.
// Held in place: every tag of every page has one.
class TagName {
public:
    enum { Most = 16 };
    operator std::string_view() const { return std::string_view(text_, size_); }
    bool empty() const { return size_ == 0; }
    void Clear() { size_ = 0; }
    // An ASCII letter or digit added, lowered: setting 0x20 lowers a letter
    // and leaves a digit as it is. At most Most are added.
    void Add(char c) { text_[size_++] = static_cast<char>(c | 0x20); }
    void Mark() { text_[size_++] = '+'; }

private:
    char text_[Most + 1];
    unsigned char size_ = 0;
};

// The tag name at bytes[at] ("<"): its letters and digits, lower case;
// empty when no letter follows. closing for "</". A raw-text element's
// start tag, or any end tag, whose name goes on past them (to a byte other
// than a blank, "/" or ">") is marked with a "+": another element. Gives
// the offset after it.
size_t ReadTagName(const char* bytes, size_t size, size_t at, TagName* name, bool* closing);

// Whether a tag name read up to bytes[at] ends there, as HTML5 ends one: at
// a blank, "/", ">" or the page's end.
bool TagNameEnds(const char* bytes, size_t size, size_t at);

// A bogus comment at bytes[at], as HTML5's tokenizer reads one: "<!" not
// starting a comment, doctype or conditional comment ("<![CDATA[", "<!x"),
// "<?", and "</" not followed by a letter ("</>" is nothing). Gives the
// offset after its ">", or at when there is none there. Callers look for
// those others first.
size_t ReadBogusComment(const char* bytes, size_t size, size_t at);

inline bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether bytes[at] ("<") may start a comment of any kind, bogus or not: the
// byte after it is "!", "?", or "/" without a letter after it (an end tag).
// Most tags, end tags too, are told so without a call.
inline bool MayStartComment(const char* bytes, size_t size, size_t at)
{
    if (at + 1 >= size) {
        return false;
    }
    char next = bytes[at + 1];
    return next == '!' || next == '?' || (next == '/' && !(at + 2 < size && IsAsciiLetter(bytes[at + 2])));
}

// The document mode the page asks for with X-UA-Compatible (IE=edge is 11);
// 7, the help viewer's own, when it asks for none.
int FindDocumentMode(const char* bytes, size_t size);

// Whether a conditional comment's condition ("IE", "lt IE 9", "!IE",
// "(IE 6)|(IE 7)") holds in the document mode.
bool ConditionHolds(const std::string& condition, int documentMode);

// A search over one text remembered: the first match at or after from.
// A later search from anywhere up to that match finds it again without
// reading the bytes between, so a scan that comes back over the same
// stretch (a comment that is never closed, many times over) stays linear.
struct SearchMemo {
    size_t from = 0;
    size_t found = 0;
    bool valid = false;
};

// The searches of comments and conditional comments over one text.
struct MarkupSearches {
    SearchMemo commentEnd;     // "-->" or "--!>"
    SearchMemo plainEnd;       // "-->"
    SearchMemo conditionEnd;   // "]>"
    SearchMemo revealedEnd;    // ">"
    SearchMemo endif;          // "<![endif]"
    SearchMemo revealedEndif;  // "<![endif"
};

struct Comment {
    size_t textStart;
    size_t textEnd;
    bool live;  // a downlevel-hidden conditional comment whose content is markup
};

// The comment at bytes[at] ("<!--"); gives the offset after it. It ends as
// HTML5 ends it: at "-->", "--!>", or at once in "<!-->" and "<!--->". In
// the document modes below 10 a downlevel-hidden conditional comment
// ("<!--[if IE]>", "[if" as a word) whose condition holds ends at its "]>":
// what follows is markup, and "<![endif]-->" a stray tag.
// searches, when given, belongs to this text and is kept across calls.
size_t ReadComment(const char* bytes, size_t size, size_t at, int documentMode, Comment* comment,
                   MarkupSearches* searches = nullptr);

// Whether bytes[at] starts a downlevel-revealed conditional comment: "<![if"
// as a word ("<![ifdef]>" is a bogus comment).
bool StartsRevealedCondition(const char* bytes, size_t size, size_t at);

// A downlevel-revealed conditional comment at bytes[at] ("<![if !IE]>");
// gives the offset after it. Its condition ends at the first ">", which "]"
// comes before (Microsoft writes it "<![if expression]>"); without one it is
// a bogus comment that ends there. In the document modes below 10 a
// condition that fails hides all up to its "<![endif]>"; otherwise, as from
// mode 10 on, what follows is markup (Microsoft, "About conditional comments").
size_t ReadRevealedCondition(const char* bytes, size_t size, size_t at, int documentMode,
                             MarkupSearches* searches = nullptr);

// script, style, and the elements whose content is text, not markup:
// textarea, title, xmp, plaintext, noscript, iframe, noembed, noframes.
bool IsTextElement(std::string_view name);

// Where a text element's content ends, from the offset after its start tag:
// at its end tag, or the page's end (plaintext has none).
size_t TextElementEnd(const char* bytes, size_t size, size_t from, std::string_view name);

// The encoding a page declares in <meta charset> or in the http-equiv
// Content-Type, as written; empty when it declares none. Comments and text
// elements declare nothing.
std::string FindDeclaredCharset(const char* bytes, size_t size, int* documentMode = nullptr);
