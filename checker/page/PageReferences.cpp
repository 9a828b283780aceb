#include "checker/page/PageReferences.h"

#include <string.h>

#include <string_view>
#include <utility>

#include "checker/page/Markup.h"
#include "checker/core/TextTools.h"

namespace {

struct ReferringTag {
    std::string_view tag;  // not a C string: every tag of every page is held against it
    std::string_view attribute;
    bool gathered;
};

const ReferringTag ReferringTags[] = {{"a", "href", true},      {"link", "href", true},  {"img", "src", true},
                                      {"script", "src", true},  {"area", "href", false}, {"frame", "src", false},
                                      {"iframe", "src", false}};

void AddValue(const char* text, const Attribute* attribute, std::vector<PageReference>* references)
{
    if (!attribute || attribute->valueStart == attribute->valueEnd) {
        return;
    }
    std::vector<ReferenceRemark> remarks;  // reported where the page's links are checked
    PageReference reference;
    reference.offset = attribute->valueStart;
    DecodeValue(text, *attribute, &reference.value, &remarks);
    references->push_back(std::move(reference));
}

int HexDigit(char c)
{
    const char* digits = "0123456789abcdef";
    const char* found = c ? strchr(digits, AsciiLower(c)) : nullptr;
    return found ? static_cast<int>(found - digits) : -1;
}

// The language a <script> tag names in its language or type attribute.
ScriptLanguage ScriptLanguageOfTag(const char* text, const std::vector<Attribute>& attributes)
{
    const Attribute* language = FindAttribute(text, attributes, "language");
    if (!language) {
        language = FindAttribute(text, attributes, "type");
    }
    std::string value;
    std::vector<ReferenceRemark> remarks;
    if (language) {
        DecodeValue(text, *language, &value, &remarks);
    }
    return ScriptLanguageOf(value);
}

}  // namespace

bool IsLocalParam(const char* text, const std::vector<Attribute>& attributes)
{
    const Attribute* name = FindAttribute(text, attributes, "name");
    std::string value;
    std::vector<ReferenceRemark> remarks;
    return name && (DecodeValue(text, *name, &value, &remarks), EqualsNoCase(Trim(value), "local"));
}

std::string_view ReferringAttribute(std::string_view tag, bool* gathered)
{
    for (const ReferringTag& referring : ReferringTags) {
        if (IsName(tag, referring.tag)) {
            *gathered = referring.gathered;
            return referring.attribute;
        }
    }
    return std::string_view();
}

std::vector<PageReference> FindGatheredReferences(const char* text, size_t size)
{
    std::vector<PageReference> references;
    std::vector<Attribute> attributes;
    size_t at = 0;
    while (at < size) {
        const char* open = static_cast<const char*>(memchr(text + at, '<', size - at));
        if (!open) {
            break;
        }
        at = static_cast<size_t>(open - text);
        if (StartsWithNoCase(text, size, at, "<!--")) {
            at = FindNoCase(text, size, at + 4, "-->");  // chmcmd ends a comment there alone
            continue;
        }
        TagName tag;
        bool closing;
        size_t nameEnd = ReadTagName(text, size, at, &tag, &closing);
        if (tag.empty()) {
            ++at;
            continue;
        }
        at = ParseAttributes(text, size, nameEnd, &attributes);
        if (closing) {
            continue;
        }
        bool gathered = false;
        std::string_view attribute = ReferringAttribute(tag, &gathered);
        if (!attribute.empty() && gathered) {
            AddValue(text, FindAttribute(text, attributes, attribute), &references);
            if (IsName(tag, "script") && !references.empty() && references.back().offset >= nameEnd) {
                references.back().loadsScript = true;
                references.back().language = ScriptLanguageOfTag(text, attributes);
            }
        } else if (IsName(tag, "param") && IsLocalParam(text, attributes)) {
            AddValue(text, FindAttribute(text, attributes, "value"), &references);
        }
        if (IsName(tag, "script") || IsName(tag, "style")) {
            at = TextElementEnd(text, size, at, tag);
        }
    }
    return references;
}

std::string UrlText(const std::string& reference)
{
    if (FindAnyOf(reference, "\t\n\r") == std::string::npos) {
        return reference;  // most are
    }
    std::string url;
    for (char c : reference) {
        if (c != '\t' && c != '\n' && c != '\r') {
            url += c;
        }
    }
    return url;
}

bool LocalTarget(const std::string& reference, std::string* target)
{
    // The reference trimmed, up to its fragment or query, read in place: a
    // large help file's pages hold many of them.
    std::string_view trimmed = TrimmedView(reference);
    std::string_view name = trimmed.substr(0, FindAnyOf(trimmed, "#?"));
    size_t colon = name.find(':');
    if (name.empty() || (colon != std::string_view::npos && colon < FindAnyOf(name, "/\\"))) {
        return false;  // a scheme, or a drive
    }
    if (name.size() > 1 && (name[0] == '/' || name[0] == '\\') && (name[1] == '/' || name[1] == '\\')) {
        return false;  // a server's share
    }
    target->assign(name);
    if (FindAnyOf(name, "%\\") == std::string_view::npos) {
        return IsUtf8(target->data(), target->size());  // nothing to decode nor turn
    }
    target->clear();
    for (size_t at = 0; at < name.size(); ++at) {
        int high = name[at] == '%' && at + 2 < name.size() ? HexDigit(name[at + 1]) : -1;
        int low = high >= 0 ? HexDigit(name[at + 2]) : -1;
        if (low >= 0) {
            *target += static_cast<char>(high * 16 + low);
            at += 2;
        } else {
            *target += name[at] == '\\' ? '/' : name[at];
        }
    }
    return IsUtf8(target->data(), target->size());
}

bool BaseFolder(const std::string& base, std::string* folder)
{
    std::string target;
    if (!LocalTarget(base, &target)) {
        return false;
    }
    size_t slash = target.find_last_of('/');
    folder->assign(slash == std::string::npos ? std::string() : target.substr(0, slash + 1));
    return true;
}
