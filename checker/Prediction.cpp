#include "checker/Prediction.h"

#include <string.h>

#include "checker/Package.h"
#include "launcher/Launcher.h"

namespace {

const char* const ProgramName = "Tipstart.exe";

// The parts of a launch request the checker looks at.
struct RequestSeen {
    LaunchKind kind = LaunchRefused;
    int version = 0;
    std::string versionText;
    std::string argument;
    std::string relativePath;
    std::string target;
};

struct LinkRun {
    std::string commandLine;
    RequestSeen request;
    PlatformRecord record;
};

// One run of the launcher on the link's command line, as LauncherMain runs
// it: the request as the launcher derives it, and what it then asks and does.
void RunLauncher(LinkRun* run, const std::vector<std::string>& absentKeys)
{
    PackageBeginRun(run->commandLine, absentKeys);
    static LaunchRequest request;
    memset(&request, 0, sizeof request);
    ServeCommandLine(PlatformCommandLine(), &request);
    run->request = {request.kind,         request.version, request.versionText, request.commandText,
                    request.relativePath, request.target};
    run->record = PackageRecord();
}

std::string KeyVersion(const std::string& keyPath)
{
    return keyPath.substr(keyPath.find_last_of('\\') + 1);
}

std::string ToolName(const std::string& keyPath)
{
    std::string version = KeyVersion(keyPath);
    return version == "2.0" ? "Oberix 2" : "OBX " + version;
}

// The key whose folder the tool was started from: the last one read.
std::string KeyUsed(const PlatformRecord& record)
{
    return record.reads.empty() ? std::string() : record.reads.back().keyPath;
}

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// The document as the link names it, below the folder of Tipstart.exe.
std::string DocumentName(const RequestSeen& request)
{
    size_t prefix = strlen(InstallFolder);
    const std::string& target = request.target;
    return target.compare(0, prefix, InstallFolder) == 0 ? target.substr(prefix) : target;
}

bool HasBox(const PlatformRecord& record, const char* caption)
{
    for (const BoxSeen& box : record.boxes) {
        if (box.caption == caption) {
            return true;
        }
    }
    return false;
}

bool IsResetMisspelt(const std::string& argument)
{
    std::string squeezed;
    for (char c : argument) {
        if (c != ' ' && c != '\t') {
            squeezed += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return squeezed.compare(0, 6, "2reset") == 0;
}

bool HasNonAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

class LinkPrediction {
public:
    LinkPrediction(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                   std::vector<Finding>* findings)
        : link_(link), file_(file), options_(options), findings_(findings)
    {
        std::string name = FileName(link.program.substr(link.program.find_last_of('/') + 1));
        programName_ = name;
        run_.commandLine = "\"" + std::string(InstallFolder) + name + "\" " + link.parameters;
    }

    void Predict()
    {
        RunLauncher(&run_, {});
        const RequestSeen& request = run_.request;
        if (run_.commandLine.size() >= WorkTextSize) {
            Report("path-too-long", "the command line Tipstart receives would be " +
                                        std::to_string(run_.commandLine.size()) +
                                        " characters; it takes at most 2047 and refuses longer ones");
        } else if (request.kind == LaunchRefused) {
            Report("refused-link", std::string("Tipstart refuses this link (\"") + RefusalText +
                                       "\"): its parameters hold no \"^\" marker");
        } else if (programName_ != ProgramName) {
            Report("program-name", "the program is spelt \"" + programName_ +
                                       "\": Tipstart finds its own folder only when the link spells it \"" +
                                       ProgramName + "\", so it looks for the document in the wrong place");
        } else if (request.kind == LaunchAbandoned) {
            Report("path-too-long", "the document's path is longer than the 2047 characters Tipstart works with; "
                                    "it does nothing");
        } else if (request.kind == LaunchOpen) {
            CheckOpen();
        }
        Warn();
        if (options_.list) {
            Report("link-action", Describe());
        }
        if (options_.thisMachine) {
            DescribeThisMachine();
        }
    }

private:
    void Report(const char* ruleId, const std::string& message)
    {
        const Rule& rule = RuleById(ruleId);
        findings_->push_back({file_, link_.line, link_.column, &rule, rule.severity, message});
    }

    void CheckOpen()
    {
        const RequestSeen& request = run_.request;
        if (IsResetMisspelt(request.argument)) {
            Report("reset-spelling", "\"" + request.argument +
                                         "\" is not the reset keyword: Tipstart opens a document named \"" +
                                         request.relativePath + "\" with Oberix 2; write \"^2Reset_\"");
            return;
        }
        if (HasBox(run_.record, UnservedVersionCaption)) {
            Report("unserved-version", "version \"" + request.versionText +
                                           "\" is not one Tipstart serves (2 to 5): it shows \"" +
                                           UnservedVersionText + "\"");
            return;
        }
        std::string found;
        DocumentMatch match = PackageFindDocument(request.target, &found);
        if (match == DocumentMissing) {
            Report("missing-document", DocumentName(request) + " is not in the package: " +
                                           (request.version == 5 ? std::string("the shell has nothing to open")
                                                                 : ToolName(KeyUsed(run_.record)) +
                                                                       " would start without a document"));
        } else if (match == DocumentIsFolder) {
            Report("missing-document", DocumentName(request) + " is a folder of the package, not a document");
        } else if (match == DocumentOtherCase) {
            Report("document-case", DocumentName(request) + " matches " + found +
                                        " only in another letter case; Windows opens it, but spell it as the file is");
        }
    }

    void Warn()
    {
        const RequestSeen& request = run_.request;
        if (request.kind == LaunchOpen && request.relativePath[0] == '\\') {
            Report("doubled-separator", "the path after the version digit starts with \"\\\": Tipstart appends it to "
                                        "its own folder, which ends in \"\\\", so the separator is doubled");
        }
        if (link_.parameters.find('"') != std::string::npos) {
            Report("dropped-quotes", "Tipstart drops every double quote of its command line, so these quotes do not "
                                     "group anything");
        }
        if (HasNonAscii(link_.parameters)) {
            Report("non-ascii-name", "the link holds characters outside ASCII: Tipstart reads them from Windows 10 "
                                     "version 1903 on; on older Windows only if the system's code page has them");
        }
    }

    // What the launcher does with every tool registered, and then with the
    // tool it used taken away, in turn.
    std::string Describe()
    {
        const PlatformRecord& record = run_.record;
        const RequestSeen& request = run_.request;
        if (!record.writes.empty()) {
            return "forgets the recorded Oberix 2 folder (stores an empty record) and starts nothing";
        }
        if (!record.boxes.empty()) {
            return "shows \"" + record.boxes[0].text + "\" and starts nothing";
        }
        if (record.launches.empty()) {
            return "does nothing";
        }
        const LaunchSeen& launch = record.launches[0];
        if (launch.show == ShowNormal) {
            return "opens " + DocumentName(request) + " through its file association when " +
                   ToolName(KeyUsed(record)) + " is registered";
        }
        std::string text = (launch.parameters.empty() ? "starts " : "opens " + DocumentName(request) + " with ") +
                           ToolName(KeyUsed(record)) + " (" + FileName(launch.file) + ")" +
                           (launch.parameters.empty() ? " without a document" : "");
        std::vector<std::string> absent = {KeyUsed(record)};
        for (;;) {
            LinkRun fallback = {run_.commandLine, RequestSeen(), PlatformRecord()};
            RunLauncher(&fallback, absent);
            if (!fallback.record.launches.empty()) {
                text += ", or " + ToolName(KeyUsed(fallback.record)) + " when " + KeyVersion(absent.back()) +
                        " is not registered";
                absent.push_back(KeyUsed(fallback.record));
                continue;
            }
            if (HasBox(fallback.record, Version2QuestionCaption)) {
                text += "; asks for its folder first when none is recorded";
            }
            return text;
        }
    }

    void DescribeThisMachine()
    {
        LinkRun here = {run_.commandLine, RequestSeen(), PlatformRecord()};
        PackageUseMachineRegistry(true);
        RunLauncher(&here, {});
        PackageUseMachineRegistry(false);
        const PlatformRecord& record = here.record;
        if (record.launches.empty()) {
            if (HasBox(record, Version2QuestionCaption)) {
                Report("this-machine", "here: no Oberix 2 folder is recorded; Tipstart would ask for it");
            } else if (record.writes.empty() && record.boxes.empty()) {
                Report("this-machine-missing", "here: does nothing, " + Unregistered(record) + " is registered");
            }
            return;
        }
        const LaunchSeen& launch = record.launches[0];
        std::string tool = ToolName(KeyUsed(record));
        if (launch.show == ShowNormal) {
            Report("this-machine", "here: " + tool + " is registered; the shell opens the document");
            return;
        }
        bool exists = MachineFileExists(launch.file);
        Report(exists ? "this-machine" : "this-machine-missing",
               exists ? "here: starts " + launch.file + " (" + tool + ")"
                      : "here: would start " + launch.file + " (" + tool + "), which does not exist: nothing opens");
    }

    static std::string Unregistered(const PlatformRecord& record)
    {
        std::string names;
        for (const RegistryReadSeen& read : record.reads) {
            names += (names.empty() ? "no " : " or ") + ToolName(read.keyPath);
        }
        return names.empty() ? "no tool" : names;
    }

    const FoundLink& link_;
    const std::string& file_;
    const PredictionOptions& options_;
    std::vector<Finding>* findings_;
    std::string programName_;
    LinkRun run_;
};

}  // namespace

void PredictLink(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                 std::vector<Finding>* findings)
{
    LinkPrediction(link, file, options, findings).Predict();
}
