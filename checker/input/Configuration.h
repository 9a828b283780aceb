// A project's configuration, tipstart-check.toml: the options it sets, the
// rules it turns off and the findings it says are meant.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "checker/core/Findings.h"

extern const char* const ConfigurationName;  // "tipstart-check.toml"

// An [[ignore]] entry: findings of rule that match every pattern given.
struct IgnoreEntry {
    RuleId rule;
    std::string file;      // a glob of the shown file name, relative to the configuration's folder
    std::string program;   // a glob of the ShortCut's program
    std::string document;  // a glob of the link's path after the version digit
    std::string reason;
    size_t line;           // of the entry in the file
    bool used = false;
};

struct Configuration {
    std::string shown;                // the file, as reported
    std::filesystem::path folder;     // absolute: where its paths start
    std::string exeFolder;            // empty when it sets none
    std::string installFolder;
    bool setsWarningsAsErrors = false;
    bool warningsAsErrors = false;
    std::vector<RuleId> disabled;
    std::vector<IgnoreEntry> ignores;
};

// Reads the configuration at path (shown as shown). False, with
// "FILE:LINE: what is wrong" in error, for a file that cannot be read, is no
// TOML, or holds an unknown key, a wrong type or an unknown rule.
bool ReadConfiguration(const std::filesystem::path& path, const std::string& shown, Configuration* configuration,
                       std::string* error);

// The rules of a comma-separated list ("a,b"); false, with the first
// unknown one in unknown.
bool ParseRuleList(const std::string& list, std::vector<RuleId>* rules, std::string* unknown);

// The index in configurations of the configuration at path (shown as
// shown), read the first time; -1, with the words in error, when it cannot
// be read (the run then stops).
int ConfigurationAt(const std::filesystem::path& path, const std::string& shown,
                    std::vector<Configuration>* configurations, std::string* error);
