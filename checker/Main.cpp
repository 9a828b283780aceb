// tipstart-check: reports what every Tipstart link of a help file will do,
// before the help file ships.
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "checker/Run.h"
#include "checker/core/Rules.h"
#include "checker/core/TextTools.h"
#include "checker/report/Report.h"
#include "checker/report/RulePages.h"
#include "checker/report/Suppression.h"
#include "platform/MachineRegistry.h"

namespace {

enum OptionId {
    OptionHelp,
    OptionVersion,
    OptionFormat,
    OptionList,
    OptionSelect,
    OptionDisable,
    OptionWarningsAsErrors,
    OptionExitZero,
    OptionQuiet,
    OptionStatistics,
    OptionExeFolder,
    OptionInstallFolder,
    OptionConfig,
    OptionNoConfig,
    OptionNoInlineConfig,
    OptionBaseline,
    OptionThisMachine,
    OptionScriptInstructions,
    OptionScriptMemory,
    OptionListRules,
    OptionExplain,
};

// The options, one row each: what --help says of them comes from here too.
struct OptionRow {
    const char* name;
    const char* shortName;  // or null
    const char* value;      // the value's name, or null for an option without one
    OptionId id;
    const char* help;       // lines after the first are indented under it
};

const OptionRow Options[] = {
    {"--format", "-f", "FORMAT", OptionFormat,
     "text: compiler-style lines (the default); json: one JSON document"
     " (docs/json-format.md); sarif: a SARIF 2.1.0 log"},
    {"--list", nullptr, nullptr, OptionList, "a note for every link with what it does"},
    {"--select", nullptr, "RULE,...", OptionSelect, "reports only these rules (and inputs it cannot read)"},
    {"--disable", nullptr, "RULE,...", OptionDisable, "reports none of these rules"},
    {"--warnings-as-errors", nullptr, nullptr, OptionWarningsAsErrors, "warnings also make the exit status 1"},
    {"--exit-zero", nullptr, nullptr, OptionExitZero,
     "exit status 0 whatever is found (2 still for a usage error or an input it cannot read)"},
    {"--quiet", "-q", nullptr, OptionQuiet, "the findings only, without the summary line"},
    {"--statistics", nullptr, nullptr, OptionStatistics, "after the findings, how many of each rule"},
    {"--exe-folder", nullptr, "DIR", OptionExeFolder,
     "the folder where Tipstart.exe stands beside the documents (default,"
     " for each help file: the nearest folder at or above it that holds"
     " Tipstart.exe, else for a page the nearest that holds a .hhp, else the"
     " file's own folder; never above the repository's root: the nearest"
     " folder holding .git, .hg or .svn)"},
    {"--install-folder", nullptr, "DIR", OptionInstallFolder,
     "the Windows folder Tipstart.exe will be installed in, for the MAX_PATH"
     " limit (default: C:\\Program Files (x86)\\ZEZODA Extension)"},
    {"--config", nullptr, "FILE", OptionConfig,
     "the configuration for every file (default, for each file: the nearest"
     " tipstart-check.toml at or above it, up to the repository's root)"},
    {"--no-config", nullptr, nullptr, OptionNoConfig, "reads no configuration"},
    {"--no-inline-config", nullptr, nullptr, OptionNoInlineConfig,
     "directives in pages and lists silence nothing: for a file someone else wrote"},
    {"--baseline", nullptr, "OLD.sarif", OptionBaseline,
     "findings that OLD (a SARIF log of this checker) holds too are left"
     " out and do not count; those it holds that are gone are counted as fixed"},
    {"--this-machine", nullptr, nullptr, OptionThisMachine,
     "(Windows) what each link starts on this machine, from its registry (read only)"},
    {"--script-instructions", nullptr, "N", OptionScriptInstructions,
     "each page's scripts run at most N instructions (default: 100000000)"},
    {"--script-memory", nullptr, "MIB", OptionScriptMemory, "each page's scripts use at most MIB MiB (default: 64)"},
    {"--list-rules", nullptr, nullptr, OptionListRules, "prints every rule with its level, and exits"},
    {"--explain", nullptr, "RULE", OptionExplain, "prints the page of a rule (docs/rules/RULE.md), and exits"},
    {"--version", nullptr, nullptr, OptionVersion, "prints the version and exits"},
    {"--help", "-h", nullptr, OptionHelp, "this text"},
};

const char* const UsageStart =
    "usage: tipstart-check [options] PATH...\n"
    "\n"
    "Checks the Tipstart links of help files before they ship. Each PATH is a folder\n"
    "(searched recursively for pages, scripts and .chm files), a compiled help file\n"
    "(.chm), a help project (.hhp: the pages and scripts its compiler gathers), a page\n"
    "(.htm, .html, .hhc, .hhk), a script that pages load (.js, .vbs), or a link list\n"
    "(.txt: one Tipstart command line per line).\n"
    "\n"
    "options (an option's value follows it, or an \"=\": --format=json):\n";

const char* const UsageEnd =
    "\n"
    "In a page, <!-- tipstart-check disable=RULE[,RULE...] -- reason --> silences\n"
    "those rules for the next ShortCut object, and disable-file= for the whole page;\n"
    "in a link list, # tipstart-check disable=RULE -- reason for the next line\n"
    "(unless --no-inline-config).\n"
    "\n"
    "exit status: 0 no errors, 1 errors found, 2 a usage error or an unreadable input\n";

const char* const UsageHint = "usage: tipstart-check [options] PATH...  (tipstart-check --help for more)\n";

// Help text folded at blanks into lines of at most width characters.
std::vector<std::string> Folded(const std::string& text, size_t width)
{
    std::vector<std::string> lines(1);
    size_t at = 0;
    while (at < text.size()) {
        size_t blank = text.find(' ', at);
        std::string word = text.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) {
            lines.emplace_back();
        }
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        at = blank == std::string::npos ? text.size() : blank + 1;
    }
    return lines;
}

void WriteUsage(FILE* out)
{
    fputs(UsageStart, out);
    const size_t column = 30;  // of the help, in lines of 80
    for (const OptionRow& row : Options) {
        std::string names = std::string(row.shortName ? row.shortName + std::string(", ") : "    ") + row.name +
                            (row.value ? std::string(" ") + row.value : "");
        std::string line = "  " + names;
        for (const std::string& help : Folded(row.help, 80 - column)) {
            line += line.size() < column ? std::string(column - line.size(), ' ') : "\n" + std::string(column, ' ');
            fprintf(out, "%s%s\n", line.c_str(), help.c_str());
            line.clear();
        }
    }
    fputs(UsageEnd, out);
}

int UsageError(const std::string& message)
{
    fprintf(stderr, "tipstart-check: %s\n%s", message.c_str(), UsageHint);
    return 2;
}

enum OutputFormat { FormatText, FormatJson, FormatSarif };

struct Arguments {
    OutputFormat format = FormatText;
    bool exitZero = false;
    bool quiet = false;
    bool statistics = false;
    std::string configuration;  // --config
    std::string baseline;       // --baseline
    std::vector<std::string> paths;
};

const OptionRow* FindOption(const std::string& name)
{
    for (const OptionRow& row : Options) {
        if (name == row.name || (row.shortName && name == row.shortName)) {
            return &row;
        }
    }
    return nullptr;
}

std::string UnknownOption(const std::string& name)
{
    std::vector<std::string> names;
    for (const OptionRow& row : Options) {
        names.push_back(row.name);
    }
    return "unknown option " + name + DidYouMean(name, names);
}

// The rules of --select or --disable, each known.
int ReadRules(const std::string& option, const std::string& value, std::vector<RuleId>* rules)
{
    std::string unknown;
    if (!ParseRuleList(value, rules, &unknown)) {
        return UsageError(option + ": no rule \"" + unknown + "\"" + DidYouMean(unknown, RuleIds()));
    }
    return -1;
}

// --select: every rule not selected is disabled, save those that say an
// input could not be read (the run never passes quietly) and the notes
// that --list and --this-machine ask for.
void SelectOnly(const std::vector<RuleId>& selected, CheckOptions* options)
{
    for (size_t i = 0; i < RuleCount; ++i) {
        RuleId rule = static_cast<RuleId>(i);
        bool kept = rule == RuleUnreadableInput || (rule == RuleLinkAction && options->prediction.list) ||
                    (rule == RuleThisMachine && options->prediction.thisMachine);
        bool chosen = false;
        for (RuleId one : selected) {
            chosen = chosen || one == rule;
        }
        if (!kept && !chosen) {
            options->disabled.push_back(rule);
        }
    }
}

int ListRules()
{
    for (const Rule& rule : Rules) {
        const char* level = rule.severity == SeverityError ? "error" : rule.severity == SeverityWarning ? "warning" : "note";
        printf("%-22s %-8s %s\n", rule.id, level, rule.shortDescription);
    }
    return 0;
}

int Explain(const std::string& id)
{
    RuleId rule;
    if (!FindRule(id, &rule)) {
        return UsageError("--explain: no rule \"" + id + "\"" + DidYouMean(id, RuleIds()));
    }
    fputs(RulePage(rule).c_str(), stdout);
    return 0;
}

// A budget: a whole number from 1 to 2^31 - 1 (MiB fit any build).
bool ReadBudget(const std::string& value, unsigned long* number)
{
    if (value.empty() || value.size() > 10 || value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    unsigned long long read = std::stoull(value);
    *number = static_cast<unsigned long>(read);
    return read > 0 && read <= 2147483647ULL;
}

// One option and its value: -1 to go on, else the exit status.
int ApplyOption(const OptionRow& option, const std::string& value, CheckOptions* options, Arguments* arguments,
                std::vector<RuleId>* selected)
{
    switch (option.id) {
    case OptionHelp:
        WriteUsage(stdout);
        return 0;
    case OptionVersion:
        printf("tipstart-check %s\n", TIPSTART_VERSION);
        return 0;
    case OptionListRules:
        return ListRules();
    case OptionExplain:
        return Explain(value);
    case OptionFormat:
        if (value != "text" && value != "json" && value != "sarif") {
            return UsageError("--format takes text, json or sarif, not " + value +
                              DidYouMean(value, {"text", "json", "sarif"}));
        }
        arguments->format = value == "json" ? FormatJson : value == "sarif" ? FormatSarif : FormatText;
        return -1;
    case OptionList:
        options->prediction.list = true;
        return -1;
    case OptionSelect:
        return ReadRules(option.name, value, selected);
    case OptionDisable:
        return ReadRules(option.name, value, &options->disabled);
    case OptionWarningsAsErrors:
        options->warningsAsErrors = true;
        return -1;
    case OptionExitZero:
        arguments->exitZero = true;
        return -1;
    case OptionQuiet:
        arguments->quiet = true;
        return -1;
    case OptionStatistics:
        arguments->statistics = true;
        return -1;
    case OptionExeFolder: {
        std::error_code error;
        if (!std::filesystem::is_directory(std::filesystem::u8path(value), error)) {
            return UsageError("--exe-folder " + value + ": not a folder");
        }
        options->folders.exeFolder = value;
        return -1;
    }
    case OptionInstallFolder:
        if (value.size() < 3 || value[1] != ':' || (value[2] != '\\' && value[2] != '/')) {
            return UsageError("--install-folder " + value + ": not a full Windows path such as C:\\Ext");
        }
        options->installFolder = value;
        options->installFolderGiven = true;
        return -1;
    case OptionConfig:
        arguments->configuration = value;
        options->folders.searchConfiguration = false;
        return -1;
    case OptionNoConfig:
        options->folders.searchConfiguration = false;
        return -1;
    case OptionNoInlineConfig:
        options->inlineConfig = false;
        return -1;
    case OptionScriptInstructions:
    case OptionScriptMemory: {
        unsigned long number = 0;
        if (!ReadBudget(value, &number)) {
            return UsageError(std::string(option.name) + " takes a whole number above 0, not " + value);
        }
        if (option.id == OptionScriptMemory) {
            options->scripts.memory = static_cast<size_t>(number) * 1024 * 1024;
        } else {
            options->scripts.instructions = number;
        }
        return -1;
    }
    case OptionBaseline:
        arguments->baseline = value;
        return -1;
    case OptionThisMachine:
        if (!MachineRegistryAvailable()) {
            return UsageError("--this-machine reads the Windows registry: run the Windows build");
        }
        options->prediction.thisMachine = true;
        return -1;
    }
    return -1;
}

// Reads the options and paths; gives -1 to go on, else the exit status.
int ParseArguments(int argc, char** argv, CheckOptions* options, Arguments* arguments)
{
    std::vector<RuleId> selected;
    bool selecting = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-') {
            arguments->paths.push_back(argument);
            continue;
        }
        size_t equals = argument.compare(0, 2, "--") == 0 ? argument.find('=') : std::string::npos;
        std::string name = argument.substr(0, equals);
        const OptionRow* option = FindOption(name);
        if (!option) {
            return UsageError(UnknownOption(name));
        }
        std::string value;
        if (equals != std::string::npos) {
            if (!option->value) {
                return UsageError(name + " takes no value");
            }
            value = argument.substr(equals + 1);
        } else if (option->value) {
            if (i + 1 >= argc) {
                return UsageError(name + " needs a value");
            }
            value = argv[++i];
        }
        selecting = selecting || option->id == OptionSelect;
        int status = ApplyOption(*option, value, options, arguments, &selected);
        if (status >= 0) {
            return status;
        }
    }
    if (selecting) {
        SelectOnly(selected, options);
    }
    if (arguments->paths.empty()) {
        return UsageError("no PATH to check");
    }
    return -1;
}

// The configuration and the baseline the options name.
int ReadNamedFiles(const Arguments& arguments, CheckOptions* options, Configuration* configuration)
{
    std::string error;
    if (!arguments.baseline.empty()) {
        if (!ReadBaseline(arguments.baseline, &options->baseline, &options->baselineResults, &error)) {
            return UsageError("--baseline " + arguments.baseline + ": " + error);
        }
        options->hasBaseline = true;
    }
    if (!arguments.configuration.empty() &&
        !ReadConfiguration(std::filesystem::u8path(arguments.configuration), arguments.configuration, configuration,
                           &error)) {
        return UsageError(error);
    }
    return -1;
}

// The report in the format asked for; the summary and the statistics go
// to the standard error beside a JSON or SARIF document.
void WriteReports(const Arguments& arguments, const CheckOptions& options, const CheckResults& results, double seconds)
{
    FILE* notes = arguments.format == FormatText ? stdout : stderr;
    std::error_code error;
    std::string working = std::filesystem::current_path(error).generic_u8string();
    if (arguments.format == FormatSarif) {
        WriteSarifReport(stdout, results, TIPSTART_VERSION, working, options.hasBaseline);
    } else if (arguments.format == FormatJson) {
        WriteJsonReport(stdout, results, TIPSTART_VERSION);
    } else {
        WriteTextReport(stdout, results);
    }
    if (arguments.statistics) {
        WriteStatistics(notes, results);
    }
    if (!arguments.quiet) {
        WriteSummary(notes, results, seconds);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    auto start = std::chrono::steady_clock::now();
    CheckOptions options;
    std::error_code workingError;
    options.folders.workingFolder = std::filesystem::current_path(workingError);
    Arguments arguments;
    Configuration configuration;
    int status = ParseArguments(argc, argv, &options, &arguments);
    if (status < 0) {
        status = ReadNamedFiles(arguments, &options, &configuration);
    }
    if (status >= 0) {
        return status;
    }
    options.fingerprints = arguments.format != FormatText;  // the text report shows none
    // The run lives until the process ends, which gives its memory back at
    // once: freeing a large run's caches and findings one by one costs a
    // twentieth of its time.
    static CheckRun* const kept = new CheckRun(options);
    CheckRun& run = *kept;
    if (!arguments.configuration.empty()) {
        run.caches.inputs.configurations.push_back(configuration);
        run.caches.inputs.givenConfiguration = 0;
    }
    for (const std::string& path : arguments.paths) {
        CheckPath(path, &run);
    }
    if (!run.caches.inputs.configurationError.empty()) {
        return UsageError(run.caches.inputs.configurationError);
    }
    FinishRun(&run);
    CheckResults& results = run.results;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    WriteReports(arguments, options, results, seconds);
    if (InputFailed(results)) {
        return 2;
    }
    return RunFails(results) && !arguments.exitZero ? 1 : 0;
}
