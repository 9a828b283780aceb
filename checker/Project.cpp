#include "checker/Project.h"

#include <stdlib.h>

#include <algorithm>

#include "checker/FileCheck.h"
#include "checker/TextTools.h"
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

unsigned ReadProjectCodePage(const fs::path& project)
{
    std::string bytes;
    std::string reason;
    return ReadWholeFile(project, &bytes, &reason) ? ProjectCodePage(bytes) : 0;
}

fs::path ListedPath(const fs::path& project, std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return (project.parent_path() / fs::u8path(name)).lexically_normal();
}
