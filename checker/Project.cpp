#include "checker/Project.h"

#include <stdlib.h>

#include <algorithm>

#include "checker/FileBytes.h"
#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace fs = std::filesystem;

std::vector<std::string> ProjectFiles(const std::string& bytes)
{
    std::vector<std::string> files;
    std::string section;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", at);
        end = end == std::string::npos ? bytes.size() : end;
        std::string line = Trim(bytes.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            section = AsciiLower(line);
            continue;
        }
        if (section == "[files]") {
            files.push_back(line);
        } else if (section == "[options]") {
            size_t equals = line.find('=');
            std::string key = AsciiLower(Trim(line.substr(0, equals == std::string::npos ? 0 : equals)));
            if (key == "contents file" || key == "index file") {
                files.push_back(Trim(line.substr(equals + 1)));
            }
        }
    }
    return files;
}

unsigned ProjectCodePage(const std::string& bytes)
{
    size_t at = AsciiLower(bytes).find("\nlanguage=");
    if (at == std::string::npos) {
        return 0;
    }
    return SystemLanguageCodePage(static_cast<unsigned>(strtoul(bytes.c_str() + at + 10, nullptr, 0)));
}

unsigned ProjectCodePageOf(const fs::path& project, ProjectCodePages* codePages)
{
    if (project.empty()) {
        return 0;
    }
    auto known = codePages->find(project.u8string());
    if (known != codePages->end()) {
        return known->second;
    }
    std::string bytes;
    std::string reason;
    unsigned codePage = ReadWholeFile(project.generic_u8string(), &bytes, &reason) ? ProjectCodePage(bytes) : 0;
    (*codePages)[project.u8string()] = codePage;
    return codePage;
}

bool ReadProject(const fs::path& project, std::vector<fs::path>* pages, unsigned* codePage, std::string* reason)
{
    std::string bytes;
    if (!ReadWholeFile(project.generic_u8string(), &bytes, reason)) {
        return false;
    }
    *codePage = ProjectCodePage(bytes);
    for (std::string name : ProjectFiles(bytes)) {
        if (ChmIsPageName(name.c_str())) {
            std::replace(name.begin(), name.end(), '\\', '/');
            pages->push_back((project.parent_path() / fs::u8path(name)).lexically_normal());
        }
    }
    return true;
}
