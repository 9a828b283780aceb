#include "checker/input/Configuration.h"

#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <system_error>

#include "checker/system/FileBytes.h"
#include "checker/core/Rules.h"
#include "checker/core/TextTools.h"

namespace fs = std::filesystem;

const char* const ConfigurationName = "tipstart-check.toml";

namespace {

struct Reading {
    const std::string& shown;
    std::string* error;

    bool Fail(const toml::source_region& where, const std::string& what)
    {
        *error = shown + ":" + std::to_string(where.begin.line) + ": " + what;
        return false;
    }
};

bool ReadRule(const toml::node& node, Reading* reading, RuleId* rule)
{
    const std::string* id = node.as_string() ? &node.as_string()->get() : nullptr;
    if (!id) {
        return reading->Fail(node.source(), "a rule is a string, such as \"missing-document\"");
    }
    if (!FindRule(*id, rule)) {
        return reading->Fail(node.source(), "no rule \"" + *id + "\"" + DidYouMean(*id, RuleIds()));
    }
    return true;
}

bool ReadString(const toml::key& key, const toml::node& node, Reading* reading, std::string* value)
{
    if (!node.as_string()) {
        return reading->Fail(key.source(), std::string(key.str()) + " takes a string");
    }
    *value = node.as_string()->get();
    return true;
}

bool ReadIgnore(const toml::node& node, Reading* reading, IgnoreEntry* entry)
{
    const toml::table* table = node.as_table();
    if (!table) {
        return reading->Fail(node.source(), "an [[ignore]] entry is a table");
    }
    entry->line = node.source().begin.line;
    bool hasRule = false;
    bool hasReason = false;
    for (auto&& [key, value] : *table) {
        std::string name(key.str());
        std::string* text = name == "file" ? &entry->file : name == "program" ? &entry->program
                            : name == "document" ? &entry->document : name == "reason" ? &entry->reason : nullptr;
        if (name == "rule") {
            hasRule = true;
            if (!ReadRule(value, reading, &entry->rule)) {
                return false;
            }
        } else if (!text) {
            return reading->Fail(key.source(), "unknown key \"" + name + "\" in [[ignore]]" +
                                                   DidYouMean(name, {"rule", "file", "program", "document", "reason"}));
        } else if (!ReadString(key, value, reading, text)) {
            return false;
        }
        hasReason = hasReason || name == "reason";
    }
    if (!hasRule || !hasReason) {
        return reading->Fail(node.source(), "an [[ignore]] entry needs a rule and a reason");
    }
    if (entry->file.empty() && entry->program.empty() && entry->document.empty()) {
        return reading->Fail(node.source(), "an [[ignore]] entry needs a file, a program or a document");
    }
    return true;
}

bool ReadKey(const toml::key& key, const toml::node& value, Reading* reading, Configuration* configuration)
{
    std::string name(key.str());
    if (name == "exe-folder") {
        std::string folder;
        if (!ReadString(key, value, reading, &folder)) {
            return false;
        }
        fs::path path = (configuration->folder / fs::u8path(folder)).lexically_normal();
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            return reading->Fail(key.source(), "exe-folder " + folder + ": not a folder");
        }
        configuration->exeFolder = path.generic_u8string();
    } else if (name == "install-folder") {
        std::string& folder = configuration->installFolder;
        if (!ReadString(key, value, reading, &folder)) {
            return false;
        }
        if (folder.size() < 3 || folder[1] != ':' || (folder[2] != '\\' && folder[2] != '/')) {
            return reading->Fail(key.source(), "install-folder " + folder + ": not a full Windows path such as C:\\Ext");
        }
    } else if (name == "warnings-as-errors") {
        if (!value.as_boolean()) {
            return reading->Fail(key.source(), "warnings-as-errors takes true or false");
        }
        configuration->setsWarningsAsErrors = true;
        configuration->warningsAsErrors = value.as_boolean()->get();
    } else if (name == "disable") {
        const toml::array* rules = value.as_array();
        if (!rules) {
            return reading->Fail(key.source(), "disable takes a list of rules, such as [\"other-program\"]");
        }
        for (const toml::node& rule : *rules) {
            configuration->disabled.emplace_back();
            if (!ReadRule(rule, reading, &configuration->disabled.back())) {
                return false;
            }
        }
    } else if (name == "ignore") {
        const toml::array* entries = value.as_array();
        if (!entries) {
            return reading->Fail(key.source(), "ignore takes [[ignore]] entries");
        }
        for (const toml::node& entry : *entries) {
            configuration->ignores.emplace_back();
            if (!ReadIgnore(entry, reading, &configuration->ignores.back())) {
                return false;
            }
        }
    } else {
        return reading->Fail(key.source(), "unknown key \"" + name + "\"" +
                                               DidYouMean(name, {"exe-folder", "install-folder", "warnings-as-errors",
                                                                 "disable", "ignore"}));
    }
    return true;
}

}  // namespace

bool ReadConfiguration(const fs::path& path, const std::string& shown, Configuration* configuration,
                       std::string* error)
{
    *configuration = Configuration();
    configuration->shown = shown;
    configuration->folder = fs::absolute(path).parent_path().lexically_normal();
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path.generic_u8string(), &bytes, &reason)) {
        *error = shown + ": " + reason;
        return false;
    }
    toml::parse_result parsed = toml::parse(bytes, shown);
    Reading reading = {shown, error};
    if (!parsed) {
        return reading.Fail(parsed.error().source(), std::string(parsed.error().description()));
    }
    for (auto&& [key, value] : parsed.table()) {
        if (!ReadKey(key, value, &reading, configuration)) {
            return false;
        }
    }
    return true;
}

bool ParseRuleList(const std::string& list, std::vector<RuleId>* rules, std::string* unknown)
{
    size_t at = 0;
    while (at <= list.size()) {
        size_t comma = list.find(',', at);
        std::string id = Trim(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        RuleId rule;
        if (!FindRule(id, &rule)) {
            *unknown = id;
            return false;
        }
        rules->push_back(rule);
        if (comma == std::string::npos) {
            break;
        }
        at = comma + 1;
    }
    return true;
}

int ConfigurationAt(const fs::path& path, const std::string& shown, std::vector<Configuration>* configurations,
                    std::string* error)
{
    std::vector<Configuration>& known = *configurations;
    for (size_t i = 0; i < known.size(); ++i) {
        if (known[i].shown == shown) {
            return static_cast<int>(i);
        }
    }
    Configuration configuration;
    if (!ReadConfiguration(path, shown, &configuration, error)) {
        return -1;
    }
    known.push_back(configuration);
    return static_cast<int>(known.size() - 1);
}
