#include "checker/Markup.h"

#include <string.h>

#include "checker/TextTools.h"

namespace {

struct NamedReference {
    const char* name;
    unsigned long code;
};

const NamedReference NamedReferences[] = {{"amp", '&'},  {"lt", '<'},     {"gt", '>'},
                                          {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};

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
        AppendUtf8(static_cast<char32_t>(code), out);
        return terminated ? q + 1 : q;
    }
    size_t q = p;
    while (q < end && q - p < 32 && ((bytes[q] >= 'a' && bytes[q] <= 'z') || (bytes[q] >= 'A' && bytes[q] <= 'Z') ||
                                     (bytes[q] >= '0' && bytes[q] <= '9'))) {
        ++q;
    }
    std::string name(bytes + p, q - p);
    bool terminated = q < end && bytes[q] == ';';
    for (const NamedReference& known : NamedReferences) {
        if (name == known.name) {
            if (!terminated) {
                remarks->push_back({at, "character reference \"&" + name + "\" lacks its \";\""});
            }
            AppendUtf8(static_cast<char32_t>(known.code), out);
            return terminated ? q + 1 : q;
        }
    }
    if (!name.empty() && terminated) {
        remarks->push_back({at, "unknown character reference \"&" + name + ";\"; kept as written"});
    }
    *out += '&';
    return at + 1;
}

}  // namespace

size_t ParseAttributes(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes)
{
    attributes->clear();
    while (at < size) {
        while (at < size && (IsBlank(bytes[at]) || bytes[at] == '/')) {
            ++at;
        }
        if (at >= size || bytes[at] == '>') {
            return at + 1;
        }
        Attribute attribute = {std::string(), 0, 0};
        while (at < size && !IsBlank(bytes[at]) && bytes[at] != '>' && bytes[at] != '=' && bytes[at] != '/') {
            attribute.name += AsciiLower(bytes[at++]);
        }
        while (at < size && IsBlank(bytes[at])) {
            ++at;
        }
        if (at < size && bytes[at] == '=') {
            ++at;
            while (at < size && IsBlank(bytes[at])) {
                ++at;
            }
            if (at < size && (bytes[at] == '"' || bytes[at] == '\'')) {
                char quote = bytes[at++];
                const char* close = static_cast<const char*>(memchr(bytes + at, quote, size - at));
                size_t end = close ? static_cast<size_t>(close - bytes) : size;
                attribute.valueStart = at;
                attribute.valueEnd = end;
                at = close ? end + 1 : size;
            } else {
                attribute.valueStart = at;
                while (at < size && !IsBlank(bytes[at]) && bytes[at] != '>') {
                    ++at;
                }
                attribute.valueEnd = at;
            }
        } else {
            attribute.valueStart = attribute.valueEnd = at;
        }
        if (attribute.name.empty()) {
            ++at;  // a stray "=" or quote
            continue;
        }
        attributes->push_back(attribute);
    }
    return size;
}

size_t DecodeValue(const char* bytes, const Attribute& attribute, std::string* value,
                   std::vector<ReferenceRemark>* remarks, size_t limit)
{
    value->clear();
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd && value->size() < limit) {
        size_t before = value->size();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, value, remarks) : at + 1;
        if (next == at + 1 && value->size() == before) {
            *value += bytes[at];
        }
        at = next;
    }
    // Past the limit only the length counts.
    size_t length = value->size();
    std::string piece;
    std::vector<ReferenceRemark> ignored;
    while (at < attribute.valueEnd) {
        piece.clear();
        ignored.clear();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, &piece, &ignored) : at + 1;
        length += next == at + 1 && piece.empty() ? 1 : piece.size();
        at = next;
    }
    return length;
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

const Attribute* FindAttribute(const std::vector<Attribute>& attributes, const char* name)
{
    for (const Attribute& attribute : attributes) {
        if (attribute.name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

std::string FindDeclaredCharset(const char* bytes, size_t size)
{
    std::vector<Attribute> attributes;
    // Only the head declares: the search ends where the body starts.
    size = FindNoCase(bytes, size, 0, "<body");
    size_t at = 0;
    while (at < size) {
        size_t meta = FindNoCase(bytes, size, at, "<meta");
        if (meta >= size) {
            return std::string();
        }
        at = ParseAttributes(bytes, size, meta + 5, &attributes);
        std::vector<ReferenceRemark> ignored;
        std::string value;
        const Attribute* charset = FindAttribute(attributes, "charset");
        if (charset) {
            DecodeValue(bytes, *charset, &value, &ignored);
            return Trim(value);
        }
        const Attribute* equiv = FindAttribute(attributes, "http-equiv");
        const Attribute* content = FindAttribute(attributes, "content");
        if (!equiv || !content) {
            continue;
        }
        DecodeValue(bytes, *equiv, &value, &ignored);
        if (!EqualsNoCase(Trim(value), "content-type")) {
            continue;
        }
        DecodeValue(bytes, *content, &value, &ignored);
        std::string lower = AsciiLower(value);
        size_t key = lower.find("charset=");
        if (key == std::string::npos) {
            continue;
        }
        size_t start = key + 8;
        size_t end = lower.find_first_of("; \t\"'", start);
        return value.substr(start, (end == std::string::npos ? value.size() : end) - start);
    }
    return std::string();
}
