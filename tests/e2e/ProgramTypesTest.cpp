// The checker's list of file types that the shell runs as programs, held
// against what this Windows (Wine) runs: every type it would run is listed.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/Harness.h"

namespace {

const char* const ListedTypes[] = {
#include "checker/system/ProgramTypes.inc"
};

bool Listed(std::string type)
{
    std::transform(type.begin(), type.end(), type.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    return std::any_of(std::begin(ListedTypes), std::end(ListedTypes),
                       [&](const char* listed) { return type == listed; });
}

std::string DefaultValue(const std::string& key)
{
    char value[1024] = {};
    LONG size = sizeof value;
    return RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) == ERROR_SUCCESS ? value : "";
}

// An open command that runs the file itself, or hands it to a program that
// runs what it is given.
bool RunsTheFile(std::string command)
{
    std::transform(command.begin(), command.end(), command.begin(),
                   [](char c) { return static_cast<char>(tolower(c)); });
    if (command.rfind("\"%1\"", 0) == 0 || command.rfind("%1", 0) == 0) {
        return true;
    }
    for (const char* runner : {"wscript", "cscript", "mshta", "msiexec", "cmd.exe", "rundll32.exe shell32.dll,control"}) {
        if (command.find(runner) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(ProgramTypes, EveryTypeTheShellRunsIsListed)
{
    std::vector<std::string> missing;
    char pathExt[1024] = {};
    ASSERT_GT(GetEnvironmentVariableA("PATHEXT", pathExt, sizeof pathExt), 0u);
    size_t fromPathExt = 0;
    for (char* type = strtok(pathExt, ";"); type; type = strtok(nullptr, ";")) {
        ++fromPathExt;
        if (!Listed(type + (type[0] == '.'))) {
            missing.push_back(std::string(type) + " (PATHEXT)");
        }
    }
    size_t runners = 0;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(HKEY_CLASSES_ROOT, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        if (name[0] != '.') {
            continue;
        }
        std::string type = DefaultValue(name);
        if (type.empty() || !RunsTheFile(DefaultValue(type + "\\shell\\open\\command"))) {
            continue;
        }
        ++runners;
        if (!Listed(name + 1)) {
            missing.push_back(std::string(name) + " (" + type + ")");
        }
    }
    printf("%zu listed types; PATHEXT holds %zu, and %zu types have an open command that runs the file\n",
           sizeof ListedTypes / sizeof ListedTypes[0], fromPathExt, runners);
    EXPECT_GE(fromPathExt, 4u);
    EXPECT_GE(runners, 3u);
    std::string all;
    for (const std::string& type : missing) {
        all += " " + type;
    }
    EXPECT_TRUE(missing.empty()) << "run by the shell but not listed:" << all;
}

}  // namespace
