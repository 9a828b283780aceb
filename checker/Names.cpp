#include "checker/Names.h"

#include "checker/TextTools.h"
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
