// tipstart-check: reports what every Tipstart link of a help file will do,
// before the help file ships.
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "checker/Check.h"
#include "checker/Report.h"
#include "platform/MachineRegistry.h"

namespace {

const char* const Usage =
    "usage: tipstart-check [options] PATH...\n"
    "\n"
    "Checks the Tipstart links of help files before they ship. Each PATH is a help\n"
    "project folder (searched recursively for pages and .chm files), a compiled help\n"
    "file (.chm), a page (.htm, .html, .hhc, .hhk), or a text file with one Tipstart\n"
    "command line per line.\n"
    "\n"
    "options:\n"
    "  --exe-folder DIR       the folder where Tipstart.exe stands beside the documents\n"
    "                         (default: the folder of a Tipstart.exe in the checked\n"
    "                         tree, else the folder of the help project or .chm)\n"
    "  --list                 a note for every link with what it does\n"
    "  --format text|sarif    compiler-style lines (default), or a SARIF 2.1.0 log\n"
    "  --warnings-as-errors   warnings also make the exit status 1\n"
    "  --this-machine         (Windows) what each link starts on this machine, from\n"
    "                         its registry (read only)\n"
    "  --help                 this text\n"
    "\n"
    "exit status: 0 no errors, 1 errors found, 2 a usage error or an unreadable input\n";

const char* const UsageHint = "usage: tipstart-check [options] PATH...  (tipstart-check --help for more)\n";

int UsageError(const std::string& message)
{
    fprintf(stderr, "tipstart-check: %s\n%s", message.c_str(), UsageHint);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    auto start = std::chrono::steady_clock::now();
    CheckRun run;
    bool sarif = false;
    bool warningsAsErrors = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            fputs(Usage, stdout);
            return 0;
        } else if (argument == "--list") {
            run.options.list = true;
        } else if (argument == "--warnings-as-errors") {
            warningsAsErrors = true;
        } else if (argument == "--this-machine") {
            if (!MachineRegistryAvailable()) {
                return UsageError("--this-machine reads the Windows registry: run the Windows build");
            }
            run.options.thisMachine = true;
        } else if (argument == "--format" || argument == "--exe-folder") {
            if (i + 1 >= argc) {
                return UsageError(argument + " needs a value");
            }
            std::string value = argv[++i];
            if (argument == "--exe-folder") {
                std::error_code error;
                if (!std::filesystem::is_directory(std::filesystem::u8path(value), error)) {
                    return UsageError("--exe-folder " + value + ": not a folder");
                }
                run.exeFolder = value;
            } else if (value == "sarif" || value == "text") {
                sarif = value == "sarif";
            } else {
                return UsageError("--format takes text or sarif, not " + value);
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option " + argument);
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.empty()) {
        return UsageError("no PATH to check");
    }
    for (const std::string& path : paths) {
        CheckPath(path, &run);
    }
    SortFindings(&run.findings);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sarif) {
        std::error_code error;
        WriteSarifReport(stdout, run, TIPSTART_VERSION, std::filesystem::current_path(error).generic_u8string());
        WriteSummary(stderr, run, seconds);
    } else {
        WriteTextReport(stdout, run);
        WriteSummary(stdout, run, seconds);
    }
    if (run.inputFailed) {
        return 2;
    }
    bool failed = CountSeverity(run, SeverityError) > 0 || (warningsAsErrors && CountSeverity(run, SeverityWarning) > 0);
    return failed ? 1 : 0;
}
