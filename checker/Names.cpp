#include "checker/Names.h"

#include "checker/system/System.h"

std::vector<std::string> PathParts(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

bool EndsWithSeparator(const std::string& path)
{
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool ResolvePathParts(std::vector<std::string>* parts, bool endsWithSeparator)
{
    if (!endsWithSeparator && !parts->empty()) {
        std::string& last = parts->back();
        if (last != "." && last != "..") {
            size_t keep = last.find_last_not_of(". ");
            last.erase(keep == std::string::npos ? 0 : keep + 1);
            if (last.empty()) {
                parts->pop_back();
            }
        }
    }
    std::vector<std::string> resolved;
    for (const std::string& part : *parts) {
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            if (resolved.empty()) {
                return false;
            }
            resolved.pop_back();
        } else {
            resolved.push_back(part);
        }
    }
    parts->swap(resolved);
    return true;
}

size_t ReadUtf8(const std::string& text, size_t at, char32_t* c)
{
    unsigned char first = static_cast<unsigned char>(text[at]);
    if (first < 0x80) {
        *c = first;
        return 1;
    }
    size_t length = first >= 0xF0 && first <= 0xF4 ? 4 : first >= 0xE0 && first < 0xF0 ? 3 : first >= 0xC2 && first < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) {
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
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *c = value;
    return length;
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

std::string NameKey(const std::string& name)
{
    std::string key;
    key.reserve(name.size());
    for (size_t at = 0; at < name.size();) {
        char32_t c = 0;
        size_t length = ReadUtf8(name, at, &c);
        if (length == 0) {
            key += name[at++];
            continue;
        }
        AppendUtf8(SystemUppercase(c), &key);
        at += length;
    }
    return key;
}

size_t WindowsPathLength(const std::string& path)
{
    size_t units = 0;
    for (size_t at = 0; at < path.size();) {
        char32_t c = 0;
        size_t length = ReadUtf8(path, at, &c);
        units += length && c > 0xFFFF ? 2 : 1;
        at += length ? length : 1;
    }
    return units;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLower(std::string text)
{
    for (char& c : text) {
        c = AsciiLower(c);
    }
    return text;
}
