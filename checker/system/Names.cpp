#include "checker/system/Names.h"

#include <string.h>

#include <algorithm>
#include <string_view>

#include "checker/core/TextTools.h"
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

namespace {

bool IsDrive(const std::string& part)
{
    char letter = static_cast<char>(part.empty() ? 0 : part[0] | 0x20);
    return part.size() == 2 && part[1] == ':' && letter >= 'a' && letter <= 'z';
}

// A folder that ends in a single period loses it, as in "docs.\one.txt";
// "docs.." and "..." keep theirs, and "." and ".." are relative parts.
std::string_view FolderWithoutPeriod(std::string_view part)
{
    size_t size = part.size();
    return size >= 2 && part[size - 1] == '.' && part[size - 2] != '.' ? part.substr(0, size - 1) : part;
}

void DropFolderPeriod(std::string* part)
{
    part->resize(FolderWithoutPeriod(*part).size());
}

}  // namespace

namespace {

// The last part of a name without the periods and spaces GetFullPathName
// drops from its end; "." and ".." stay relative parts. Empty: no part.
std::string_view TrimmedLastPart(std::string_view last)
{
    if (last == "." || last == "..") {
        return last;
    }
    size_t keep = last.find_last_not_of(". ");
    return last.substr(0, keep == std::string_view::npos ? 0 : keep + 1);
}

// The periods and spaces GetFullPathName drops from the parts' ends.
void TrimPathParts(std::vector<std::string>* parts, bool endsWithSeparator)
{
    for (size_t i = 0; i + 1 < parts->size(); ++i) {
        DropFolderPeriod(&(*parts)[i]);
    }
    if (!endsWithSeparator && !parts->empty()) {
        std::string& last = parts->back();
        last.resize(TrimmedLastPart(last).size());
        if (last.empty()) {
            parts->pop_back();
        }
    } else if (!parts->empty()) {
        DropFolderPeriod(&parts->back());  // a separator makes it a folder
    }
}

}  // namespace

bool ResolvePathParts(std::vector<std::string>* parts, bool endsWithSeparator)
{
    TrimPathParts(parts, endsWithSeparator);
    std::vector<std::string> resolved;
    for (const std::string& part : *parts) {
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            if (resolved.size() == 1 && IsDrive(resolved[0])) {
                continue;  // the root's parent is the root
            }
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

void PartsResolved::Add(std::string_view part, bool last)
{
    part = last ? TrimmedLastPart(part) : FolderWithoutPeriod(part);
    if (!resolved || part.empty() || part == ".") {
        return;
    }
    if (part != "..") {
        starts.push_back(path.size());
        path += '/';
        path.append(part);
        return;
    }
    if (starts.size() == 1 && IsDrive(path.substr(1))) {
        return;  // the root's parent is the root
    }
    if (starts.empty()) {
        resolved = false;
        return;
    }
    path.resize(starts.back());
    starts.pop_back();
}

void PartsResolved::AddParts(std::string_view text, bool folder)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = FindAnyOf(text, "\\/", start);
        end = end == std::string_view::npos ? text.size() : end;
        size_t next = end;
        while (next < text.size() && (text[next] == '/' || text[next] == '\\')) {
            ++next;
        }
        if (end > start) {
            Add(text.substr(start, end - start), !folder && next == text.size());
        }
        start = next == end ? end + 1 : next;
    }
}

bool IsPlainAbsolutePath(const std::string& path)
{
    if (path.empty() || path[0] != '/') {
        return false;
    }
    // One pass: asked of every file a walk finds and of every target.
    size_t size = path.size();
    size_t start = 1;  // of the part being read
    for (size_t at = 1; at <= size; ++at) {
        char c = at < size ? path[at] : '/';
        if (c == '\\') {
            return false;
        }
        if (c != '/' || size == 1) {
            continue;
        }
        size_t length = at - start;
        if (length == 0 || (path[start] == '.' && (length == 1 || (length == 2 && path[start + 1] == '.')))) {
            return false;
        }
        start = at + 1;
    }
    return true;
}

std::vector<std::string> RelativeNameParts(const std::string& name)
{
    std::vector<std::string> parts = PathParts(name);
    TrimPathParts(&parts, EndsWithSeparator(name));
    std::vector<std::string> resolved;
    for (const std::string& part : parts) {
        if (part == ".") {
            continue;
        }
        if (part == ".." && !resolved.empty() && resolved.back() != "..") {
            resolved.pop_back();
        } else {
            resolved.push_back(part);
        }
    }
    return resolved;
}

std::string DeviceName(const std::string& name)
{
    // The stem ends at the first period (or stream colon); blanks before it
    // do not count: "aux .txt" is AUX.
    std::string stem = name.substr(0, name.find_first_of(".:"));
    stem.erase(stem.find_last_not_of(' ') + 1);
    std::string upper;
    for (char c : stem) {
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") {
        return upper;
    }
    std::string port = upper.substr(0, 3);
    if (port != "COM" && port != "LPT") {
        return std::string();
    }
    std::string number = upper.substr(3);
    bool digit = number.size() == 1 && number[0] >= '0' && number[0] <= '9';
    bool superscript = number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
    return digit || superscript ? upper : std::string();
}

bool ShellRunsAsProgram(const std::string& name)
{
    static const char* const types[] = {
#include "checker/system/ProgramTypes.inc"
    };
    size_t dot = name.find_last_of(".\\/");
    if (dot == std::string::npos || name[dot] != '.') {
        return false;
    }
    std::string type = AsciiLower(name.substr(dot + 1));
    return std::binary_search(std::begin(types), std::end(types), type.c_str(),
                              [](const char* a, const char* b) { return strcmp(a, b) < 0; });
}

char32_t NameUppercase(char32_t c)
{
    struct Row {
        char16_t unit;
        char16_t upper;
    };
    static const Row rows[] = {
#include "checker/system/tables/UpperCase.inc"
    };
    if (c > 0xFFFF) {
        return c;  // the table holds UTF-16 code units: a surrogate pair compares as it is
    }
    const Row* end = rows + sizeof rows / sizeof rows[0];
    const Row* found = std::lower_bound(rows, end, c, [](const Row& row, char32_t unit) { return row.unit < unit; });
    return found != end && found->unit == c ? found->upper : c;
}

namespace {

// The table's upper case of each ASCII character, taken from it once: names
// are mostly ASCII, and a byte below 0x80 is a character by itself.
struct AsciiUppercase {
    char upper[0x80];
    AsciiUppercase()
    {
        for (char32_t c = 0; c < 0x80; ++c) {
            upper[c] = static_cast<char>(NameUppercase(c));
        }
    }
};

}  // namespace

std::string NameKey(const std::string& name)
{
    static const AsciiUppercase ascii;
    // Copied once, its ASCII start upper-cased in place: most names are
    // ASCII to their end.
    std::string key = name;
    size_t at = 0;
    while (at < key.size() && static_cast<unsigned char>(key[at]) < 0x80) {
        key[at] = ascii.upper[static_cast<unsigned char>(key[at])];
        ++at;
    }
    if (at == key.size()) {
        return key;
    }
    key.resize(at);
    while (at < name.size()) {
        unsigned char byte = static_cast<unsigned char>(name[at]);
        if (byte < 0x80) {
            key += ascii.upper[byte];
            ++at;
            continue;
        }
        char32_t c = 0;
        size_t length = ReadUtf8(name, at, &c);
        if (length == 0) {
            key += name[at++];
            continue;
        }
        AppendUtf8(NameUppercase(c), &key);
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
