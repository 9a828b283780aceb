// tipstart-check: reports what every Tipstart link of a help file will do,
// before the help file ships.
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "checker/Run.h"
#include "checker/report/Report.h"
#include "checker/report/Suppression.h"
#include "platform/MachineRegistry.h"

namespace {

const char* const Usage =
    "usage: tipstart-check [options] PATH...\n"
    "\n"
    "Checks the Tipstart links of help files before they ship. Each PATH is a folder\n"
    "(searched recursively for pages, scripts and .chm files), a compiled help file\n"
    "(.chm), a help project (.hhp: the pages and scripts its compiler gathers), a page\n"
    "(.htm, .html, .hhc, .hhk), a script that pages load (.js, .vbs), or a link list\n"
    "(.txt: one Tipstart command line per line).\n"
    "\n"
    "options:\n"
    "  --exe-folder DIR       the folder where Tipstart.exe stands beside the documents\n"
    "                         (default, for each help file: the nearest folder at or\n"
    "                         above it that holds Tipstart.exe, else for a page the\n"
    "                         nearest that holds a .hhp, else the file's own folder;\n"
    "                         never above the folder the checker runs in)\n"
    "  --install-folder DIR   the Windows folder Tipstart.exe will be installed in, for\n"
    "                         the MAX_PATH limit (default:\n"
    "                         C:\\Program Files (x86)\\ZEZODA Extension)\n"
    "  --list                 a note for every link with what it does\n"
    "  --format text|sarif    compiler-style lines (default), or a SARIF 2.1.0 log\n"
    "  --warnings-as-errors   warnings also make the exit status 1\n"
    "  --disable RULE[,RULE...]  reports none of these rules\n"
    "  --config FILE          the configuration for every file (default, for each\n"
    "                         file: the nearest tipstart-check.toml at or above it,\n"
    "                         within the same folders as the search for Tipstart.exe)\n"
    "  --no-config            reads no configuration\n"
    "  --no-inline-config     directives in pages and lists silence nothing: for a\n"
    "                         file someone else wrote\n"
    "  --baseline OLD.sarif   findings that OLD (a SARIF log of this checker) holds\n"
    "                         too are left out and do not count\n"
    "  --script-instructions N  each page's scripts run at most N instructions\n"
    "                         (default: 100000000)\n"
    "  --script-memory MIB    each page's scripts use at most MIB MiB (default: 64)\n"
    "  --this-machine         (Windows) what each link starts on this machine, from\n"
    "                         its registry (read only)\n"
    "  --version              prints the version and exits\n"
    "  --help                 this text\n"
    "\n"
    "\n"
    "In a page, <!-- tipstart-check disable=RULE[,RULE...] -- reason --> silences\n"
    "those rules for the next ShortCut object, and disable-file= for the whole page;\n"
    "in a link list, # tipstart-check disable=RULE -- reason for the next line\n"
    "(unless --no-inline-config).\n"
    "\n"
    "exit status: 0 no errors, 1 errors found, 2 a usage error or an unreadable input\n";

const char* const UsageHint = "usage: tipstart-check [options] PATH...  (tipstart-check --help for more)\n";

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

int UsageError(const std::string& message)
{
    fprintf(stderr, "tipstart-check: %s\n%s", message.c_str(), UsageHint);
    return 2;
}

struct Arguments {
    bool sarif = false;
    std::string configuration;  // --config
    std::string baseline;       // --baseline
    std::vector<std::string> paths;
};

// Reads the options and paths; gives -1 to go on, else the exit status.
int ParseArguments(int argc, char** argv, CheckOptions* options, Arguments* arguments)
{
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            fputs(Usage, stdout);
            return 0;
        } else if (argument == "--version") {
            printf("tipstart-check %s\n", TIPSTART_VERSION);
            return 0;
        } else if (argument == "--list") {
            options->prediction.list = true;
        } else if (argument == "--warnings-as-errors") {
            options->warningsAsErrors = true;
        } else if (argument == "--no-config") {
            options->folders.searchConfiguration = false;
        } else if (argument == "--no-inline-config") {
            options->inlineConfig = false;
        } else if (argument == "--this-machine") {
            if (!MachineRegistryAvailable()) {
                return UsageError("--this-machine reads the Windows registry: run the Windows build");
            }
            options->prediction.thisMachine = true;
        } else if (argument == "--format" || argument == "--exe-folder" || argument == "--install-folder" ||
                   argument == "--disable" || argument == "--config" || argument == "--baseline" ||
                   argument == "--script-instructions" || argument == "--script-memory") {
            if (i + 1 >= argc) {
                return UsageError(argument + " needs a value");
            }
            std::string value = argv[++i];
            if (argument == "--exe-folder") {
                std::error_code error;
                if (!std::filesystem::is_directory(std::filesystem::u8path(value), error)) {
                    return UsageError("--exe-folder " + value + ": not a folder");
                }
                options->folders.exeFolder = value;
            } else if (argument == "--install-folder") {
                if (value.size() < 3 || value[1] != ':' || (value[2] != '\\' && value[2] != '/')) {
                    return UsageError("--install-folder " + value + ": not a full Windows path such as C:\\Ext");
                }
                options->installFolder = value;
                options->installFolderGiven = true;
            } else if (argument == "--disable") {
                std::string unknown;
                if (!ParseRuleList(value, &options->disabled, &unknown)) {
                    return UsageError("--disable: no rule \"" + unknown + "\"");
                }
            } else if (argument == "--config") {
                arguments->configuration = value;
                options->folders.searchConfiguration = false;
            } else if (argument == "--baseline") {
                arguments->baseline = value;
            } else if (argument == "--script-instructions" || argument == "--script-memory") {
                unsigned long number = 0;
                if (!ReadBudget(value, &number)) {
                    return UsageError(argument + " takes a whole number above 0, not " + value);
                }
                if (argument == "--script-memory") {
                    options->scripts.memory = static_cast<size_t>(number) * 1024 * 1024;
                } else {
                    options->scripts.instructions = number;
                }
            } else if (value == "sarif" || value == "text") {
                arguments->sarif = value == "sarif";
            } else {
                return UsageError("--format takes text or sarif, not " + value);
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option " + argument);
        } else {
            arguments->paths.push_back(argument);
        }
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
        if (!ReadBaseline(arguments.baseline, &options->baseline, &error)) {
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
    CheckRun run(options);
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
    if (arguments.sarif) {
        std::error_code error;
        WriteSarifReport(stdout, results, TIPSTART_VERSION, std::filesystem::current_path(error).generic_u8string(),
                         options.hasBaseline);
        WriteSummary(stderr, results, seconds);
    } else {
        WriteTextReport(stdout, results);
        WriteSummary(stdout, results, seconds);
    }
    if (InputFailed(results)) {
        return 2;
    }
    return RunFails(results) ? 1 : 0;
}
