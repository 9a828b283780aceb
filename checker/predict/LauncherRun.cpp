#include "checker/predict/LauncherRun.h"

#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "checker/system/Names.h"
#include "checker/predict/Prediction.h"
#include "platform/MachineRegistry.h"

namespace {

struct CurrentRun {
    const std::string& commandLine;
    const RegistryAnswers& registry;
    const std::string& documentsFolder;
    Package* package;
    PlatformRecord* record;
};

// The platform functions take no context: they reach the run in progress.
CurrentRun* current = nullptr;

// The folder a registered tool answers with in a package run.
std::string ToolFolder(const std::string& keyPath)
{
    return "C:\\Tools\\" + keyPath.substr(keyPath.find_last_of('\\') + 1);
}

bool IsAbsent(const RegistryAnswers& registry, const char* key)
{
    return std::find(registry.absentKeys.begin(), registry.absentKeys.end(), key) != registry.absentKeys.end();
}

bool Showed(const PlatformRecord& record, const char* text)
{
    for (const BoxSeen& box : record.boxes) {
        if (box.text == text) {
            return true;
        }
    }
    return false;
}

// The key whose folder the launch's executable was started from; empty for
// a document opened by association.
std::string ToolKeyOf(const PlatformRecord& record, const LaunchSeen& launch)
{
    if (launch.show == ShowNormal) {
        return std::string();
    }
    for (const RegistryReadSeen& read : record.reads) {
        if (!read.answer.empty() && launch.file.compare(0, read.answer.size(), read.answer) == 0) {
            return read.keyPath;
        }
    }
    return std::string();
}

bool MachineFileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path), error);
}

LauncherOutcome RunLauncher(const std::string& commandLine, const RegistryAnswers& registry,
                            const std::string& documentsFolder, Package* package)
{
    LauncherOutcome outcome;
    CurrentRun run = {commandLine, registry, documentsFolder, package, &outcome.record};
    current = &run;
    static LaunchRequest request;  // large: its texts are WorkTexts
    memset(&request, 0, sizeof request);
    ServeCommandLine(PlatformCommandLine(), &request);
    current = nullptr;
    outcome.kind = request.kind;
    outcome.versionText = request.versionText;
    outcome.argument = request.commandText;
    outcome.relativePath = request.relativePath;
    outcome.target = request.target;
    outcome.ownFolder = request.ownFolder;
    outcome.showedUnserved = Showed(outcome.record, UnservedVersionText);
    outcome.askedFolder = Showed(outcome.record, Version2QuestionText);
    if (!outcome.record.launches.empty()) {
        const LaunchSeen& launch = outcome.record.launches[0];
        outcome.toolKey = ToolKeyOf(outcome.record, launch);
        outcome.fileExists = registry.machine && launch.show != ShowNormal && MachineFileExists(launch.file);
    }
    return outcome;
}

// Tools that can stand in for one another: at most one per key read.
enum { ToolKeyCount = 5 };

// The launcher again with the tool it started taken away, in turn.
void FindStandIns(const std::string& commandLine, const std::string& documentsFolder, Package* package, LinkRuns* runs)
{
    RegistryAnswers registry;
    registry.absentKeys = {runs->run.toolKey};
    for (int tried = 0; tried < ToolKeyCount; ++tried) {
        LauncherOutcome fallback = RunLauncher(commandLine, registry, documentsFolder, package);
        const std::string& next = fallback.toolKey;
        std::vector<std::string>& absent = registry.absentKeys;
        if (next.empty() || std::find(absent.begin(), absent.end(), next) != absent.end()) {
            runs->standInsAsk = fallback.askedFolder;
            return;
        }
        runs->standInKeys.push_back(next);
        absent.push_back(next);
    }
}

bool IsFullPath(const std::string& path)
{
    bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    return drive || path.compare(0, 2, "\\\\") == 0;
}

// Whether path names installFolder's Tipstart.exe, as Windows compares names.
bool IsPackageProgram(const std::string& path, const Package& package)
{
    std::vector<std::string> parts = PathParts(path);
    if (!ResolvePathParts(&parts, false) || parts.size() != package.installKeys.size() + 1 ||
        NameKey(parts.back()) != NameKey(ProgramName)) {
        return false;
    }
    for (size_t i = 0; i < package.installKeys.size(); ++i) {
        if (NameKey(parts[i]) != package.installKeys[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ProgramPathOf(const std::string& program, const std::string& installFolder)
{
    std::string path = ShellProgram(program);
    if (path.find_first_of("\\/") == std::string::npos) {
        return installFolder + path;  // beside the help file, as the install folder is written
    }
    if (!IsFullPath(path)) {
        bool fromRoot = !path.empty() && (path[0] == '\\' || path[0] == '/');
        path = (fromRoot ? installFolder.substr(0, 2) : installFolder) + path;  // the drive, or the folder
    }
    std::vector<std::string> parts = PathParts(path);
    if (!ResolvePathParts(&parts, false)) {
        return path;
    }
    std::string resolved;
    for (const std::string& part : parts) {
        resolved += (resolved.empty() ? "" : "\\") + part;
    }
    return (path.compare(0, 2, "\\\\") == 0 ? "\\\\" : "") + resolved;  // a share keeps its "\\\\"
}

LinkRuns RunLink(const FoundLink& link, const PredictionOptions& options, const std::string& documentsFolder,
                 Package* package)
{
    LinkRuns runs;
    if (!link.startsTipstart) {
        return runs;
    }
    runs.documentsFolder = documentsFolder;
    runs.programName = ProgramFileName(ShellProgram(link.program));
    if (options.programAsWritten) {
        runs.programPath = ProgramPathOf(link.program, package->installFolder);
        runs.packageProgram = IsPackageProgram(runs.programPath, *package);
    } else {
        runs.programPath = package->installFolder + runs.programName;
    }
    // The shell gives the program its path as the link wrote it, in quotes.
    std::string commandLine = "\"" + runs.programPath + "\" " + link.parameters;
    // The launcher refuses a command line that does not fit its texts
    // before it looks at anything else; a long one is not copied.
    runs.commandLineLength = commandLine.size() - link.parameters.size() + link.parametersLength;
    runs.commandLineTooLong = runs.commandLineLength >= WorkTextSize;
    if (runs.commandLineTooLong) {
        return runs;
    }
    runs.run = RunLauncher(commandLine, RegistryAnswers(), documentsFolder, package);
    bool startsTool = !runs.run.record.launches.empty() && runs.run.record.writes.empty() &&
                      runs.run.record.boxes.empty() && runs.run.record.launches[0].show != ShowNormal;
    if (options.list && startsTool) {
        FindStandIns(commandLine, documentsFolder, package, &runs);
    }
    if (options.thisMachine) {
        RegistryAnswers machine;
        machine.machine = true;
        runs.machine = RunLauncher(commandLine, machine, documentsFolder, package);
    }
    // Only the first run's document is looked at.
    LauncherOutcome& first = runs.run;
    first.targetLength = WindowsPathLength(first.target);
    if (!first.record.launches.empty()) {
        first.match = PackageFindDocument(first.target, documentsFolder, package, &first.found, &first.nearName);
    }
    return runs;
}

// The platform operations, as the launcher calls them.

const char* PlatformCommandLine()
{
    return current->commandLine.c_str();
}

WindowHandle PlatformActiveWindow()
{
    return nullptr;
}

// No one answers Yes: the version-2 question ends the run, as No does.
int PlatformMessageBox(WindowHandle, const char* text, const char* caption, unsigned)
{
    current->record->boxes.push_back({text, caption});
    return 7;
}

// A document in the package has a short form; it is given as the long path.
void PlatformShortPathName(const char* longPath, char* buffer, size_t capacity)
{
    size_t length = strlen(longPath);
    if (PackageShortPathWalkFinds(longPath, current->documentsFolder, current->package) && length < capacity) {
        memcpy(buffer, longPath, length + 1);
    }
}

bool PlatformFileExists(const char* path)
{
    DocumentMatch match = PackageFindDocument(path, current->documentsFolder, current->package, nullptr);
    return match == DocumentExact || match == DocumentOtherCase;
}

void PlatformSystemDirectory(char* buffer, size_t capacity)
{
    const char* system = "C:\\Windows\\system32";
    if (strlen(system) < capacity) {
        strcpy(buffer, system);
    }
}

// The tools are taken to exist where the registry says; a document opened
// by association is looked up in the package.
void PlatformShellOpen(const char* file, const char* parameters, const char*, ShowCommand show)
{
    DocumentMatch opened =
        show == ShowNormal ? PackageFindDocument(file, current->documentsFolder, current->package, nullptr) : DocumentExact;
    current->record->launches.push_back({file, parameters ? parameters : "", show, opened});
}

bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size)
{
    std::vector<RegistryReadSeen>& reads = current->record->reads;
    if (current->registry.machine) {
        bool read = MachineRegistryRead(root, keyPath, valueName, buffer, capacity, size);
        reads.push_back({keyPath, read && *size > 0 ? std::string(buffer, strnlen(buffer, *size)) : ""});
        return read;
    }
    std::string folder = IsAbsent(current->registry, keyPath) ? std::string() : ToolFolder(keyPath);
    reads.push_back({keyPath, folder});
    if (folder.empty() || folder.size() + 1 > capacity) {
        return false;
    }
    memcpy(buffer, folder.c_str(), folder.size() + 1);
    *size = folder.size() + 1;
    return true;
}

void PlatformRegistryWriteText(RegistryRoot, const char*, const char*, const char* text)
{
    current->record->writes.push_back(text);
}

bool PlatformOpenFileDialog(const char*, const char*, WindowHandle, const char*, char*, size_t, char*, size_t)
{
    return false;
}
