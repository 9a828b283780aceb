#include "checker/PageReferences.h"

#include <string.h>

#include "checker/Markup.h"
#include "checker/TextTools.h"

namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct ReferringTag {
    const char* tag;
    const char* attribute;
    bool gathered;
};

const ReferringTag ReferringTags[] = {{"a", "href", true},       {"link", "href", true},    {"img", "src", true},
                                      {"area", "href", false},   {"frame", "src", false},   {"iframe", "src", false}};

void AddValue(const char* text, const Attribute* attribute, bool gathered, std::vector<PageReference>* references)
{
    if (!attribute || attribute->valueStart == attribute->valueEnd) {
        return;
    }
    std::vector<ReferenceRemark> remarks;  // reported where the page's links are checked
    PageReference reference = {attribute->valueStart, std::string(), gathered};
    DecodeValue(text, *attribute, &reference.value, &remarks);
    references->push_back(reference);
}

int HexDigit(char c)
{
    const char* digits = "0123456789abcdef";
    const char* found = c ? strchr(digits, AsciiLower(c)) : nullptr;
    return found ? static_cast<int>(found - digits) : -1;
}

}  // namespace

std::vector<PageReference> FindPageReferences(const char* text, size_t size)
{
    std::vector<PageReference> references;
    std::vector<Attribute> attributes;
    size_t at = 0;
    while (at < size) {
        const char* open = static_cast<const char*>(memchr(text + at, '<', size - at));
        if (!open) {
            break;
        }
        at = static_cast<size_t>(open - text) + 1;
        if (StartsWithNoCase(text, size, at, "!--")) {
            at = FindNoCase(text, size, at + 3, "-->");
            continue;
        }
        size_t nameEnd = at;
        while (nameEnd < size &&
               (IsLetter(text[nameEnd]) || (nameEnd > at && text[nameEnd] >= '0' && text[nameEnd] <= '9'))) {
            ++nameEnd;
        }
        if (nameEnd == at) {
            continue;
        }
        std::string tag = AsciiLower(std::string(text + at, nameEnd - at));
        at = ParseAttributes(text, size, nameEnd, &attributes);
        for (const ReferringTag& referring : ReferringTags) {
            if (tag == referring.tag) {
                AddValue(text, FindAttribute(attributes, referring.attribute), referring.gathered, &references);
            }
        }
        if (tag == "param") {
            const Attribute* name = FindAttribute(attributes, "name");
            std::string value;
            std::vector<ReferenceRemark> remarks;
            if (name && (DecodeValue(text, *name, &value, &remarks), EqualsNoCase(Trim(value), "local"))) {
                AddValue(text, FindAttribute(attributes, "value"), true, &references);
            }
        }
    }
    return references;
}

bool LocalTarget(const std::string& reference, std::string* target)
{
    std::string name = Trim(reference);
    name = name.substr(0, name.find_first_of("#?"));
    size_t colon = name.find(':');
    if (name.empty() || (colon != std::string::npos && colon < name.find_first_of("/\\"))) {
        return false;  // a scheme, or a drive
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
    return true;
}
