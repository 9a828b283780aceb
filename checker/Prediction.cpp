#include "checker/Prediction.h"

#include <string.h>

#include <algorithm>

#include "checker/Names.h"
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

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// The document as the link names it, below the folder of Tipstart.exe.
std::string DocumentName(const RequestSeen& request)
{
    const std::string& install = PackageInstallFolder();
    const std::string& target = request.target;
    return target.compare(0, install.size(), install) == 0 ? target.substr(install.size()) : target;
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

bool IsResetMisspelt(const std::string& argument)
{
    std::string squeezed;
    for (char c : argument) {
        if (c != ' ' && c != '\t') {
            squeezed += c;
        }
    }
    return AsciiLower(squeezed).compare(0, 6, "2reset") == 0;
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

// Tools that can stand in for one another: at most one per key read.
enum { ToolKeyCount = 5 };

class LinkPrediction {
public:
    LinkPrediction(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                   std::vector<Finding>* findings)
        : link_(link), file_(file), options_(options), findings_(findings)
    {
        programName_ = ProgramFileName(link.program);
        run_.commandLine = "\"" + PackageInstallFolder() + programName_ + "\" " + link.parameters;
    }

    void Predict()
    {
        // The launcher refuses a command line that does not fit its texts
        // before it looks at anything else; a long one is not copied.
        size_t lineLength = run_.commandLine.size() - link_.parameters.size() + link_.parametersLength;
        if (lineLength >= WorkTextSize) {
            Report("path-too-long", "the command line Tipstart receives would be " + std::to_string(lineLength) +
                                        " characters; it takes at most " + std::to_string(WorkTextSize - 1) +
                                        " and refuses longer ones");
            Warn();
            if (options_.list) {
                Report("link-action", std::string("shows \"") + RefusalText + "\" and starts nothing");
            }
            return;
        }
        RunLauncher(&run_, {});
        const RequestSeen& request = run_.request;
        if (request.kind == LaunchRefused) {
            Report("refused-link", std::string("Tipstart refuses this link (\"") + RefusalText +
                                       "\"): its parameters hold no \"^\" marker");
        } else if (programName_ != ProgramName) {
            Report("program-name", "the program is spelt \"" + programName_ +
                                       "\": Tipstart finds its own folder only when the link spells it \"" +
                                       ProgramName + "\", so it looks for the document in the wrong place");
        } else if (request.kind == LaunchAbandoned) {
            Report("path-too-long", "the document's path is longer than the " + std::to_string(WorkTextSize - 1) +
                                        " characters Tipstart works with; it does nothing");
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
        findings_->push_back({file_, link_.line, link_.column, &RuleById(ruleId), message});
    }

    void CheckOpen()
    {
        const RequestSeen& request = run_.request;
        const PlatformRecord& record = run_.record;
        if (IsResetMisspelt(request.argument)) {
            Report("reset-spelling", "\"" + request.argument +
                                         "\" is not the reset keyword: Tipstart opens a document named \"" +
                                         request.relativePath + "\" with Oberix 2; write \"^2Reset_\"");
            return;
        }
        if (Showed(record, UnservedVersionText)) {
            Report("unserved-version", "version \"" + request.versionText +
                                           "\" is not one Tipstart serves (2 to 5): it shows \"" +
                                           UnservedVersionText + "\"");
            return;
        }
        size_t length = WindowsPathLength(request.target);
        if (length > MaxPathCharacters) {
            Report("path-too-long", "the document's full path in " + PackageInstallFolder() + " would be " +
                                        std::to_string(length) + " characters; Windows' MAX_PATH limit lets " +
                                        "Tipstart's file calls and the shell take at most " +
                                        std::to_string(MaxPathCharacters) + ", so nothing finds it");
            return;
        }
        if (record.launches.empty()) {
            return;
        }
        const LaunchSeen& launch = record.launches[0];
        std::string found;
        DocumentMatch match = PackageFindDocument(request.target, &found);
        std::string tool = ToolName(PackageToolKey(record, launch));
        bool byAssociation = launch.show == ShowNormal;
        if (byAssociation ? launch.opened == DocumentMissing : launch.parameters.empty()) {
            std::string outcome = byAssociation ? "the shell has nothing to open" : tool + " would start without a document";
            Report("missing-document",
                   match == DocumentMissing
                       ? DocumentName(request) + " is not in the package: " + outcome
                       : DocumentName(request) + " resolves to " + found + ", but Tipstart's short-path lookup walks "
                                                 "each folder as written and a folder before a \"..\" is missing: " +
                             outcome);
        } else if (match == DocumentIsFolder) {
            Report("folder-document", DocumentName(request) + " is a folder of the package, not a document: " +
                                          (byAssociation ? std::string("the shell opens the folder")
                                                         : tool + " is started with the folder"));
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

    std::string DescribeOpening(const LaunchSeen& launch) const
    {
        std::string document = DocumentName(run_.request);
        if (launch.opened == DocumentMissing) {
            return "does nothing: the shell finds no " + document + " to open";
        }
        return (launch.opened == DocumentIsFolder ? "opens the folder " + document + " in the shell"
                                                  : "opens " + document + " through its file association") +
               " when OBX 5 is registered";
    }

    // What the launcher does with every tool registered, and then with the
    // tool it started taken away, in turn.
    std::string Describe()
    {
        const PlatformRecord& record = run_.record;
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
            return DescribeOpening(launch);
        }
        std::string key = PackageToolKey(record, launch);
        bool withDocument = !launch.parameters.empty();
        std::string text = (withDocument ? "opens " + DocumentName(run_.request) + " with " : "starts ") +
                           ToolName(key) + " (" + FileName(launch.file) + ")" +
                           (withDocument ? "" : " without a document");
        std::vector<std::string> absent = {key};
        for (int tried = 0; tried < ToolKeyCount; ++tried) {
            LinkRun fallback = {run_.commandLine, RequestSeen(), PlatformRecord()};
            RunLauncher(&fallback, absent);
            std::string next = fallback.record.launches.empty()
                                   ? std::string()
                                   : PackageToolKey(fallback.record, fallback.record.launches[0]);
            if (next.empty() || std::find(absent.begin(), absent.end(), next) != absent.end()) {
                if (Showed(fallback.record, Version2QuestionText)) {
                    text += "; asks for its folder first when none is recorded";
                }
                break;
            }
            text += ", or " + ToolName(next) + " when " + KeyVersion(absent.back()) + " is not registered";
            absent.push_back(next);
        }
        return text;
    }

    void DescribeThisMachine()
    {
        LinkRun here = {run_.commandLine, RequestSeen(), PlatformRecord()};
        PackageUseMachineRegistry(true);
        RunLauncher(&here, {});
        PackageUseMachineRegistry(false);
        const PlatformRecord& record = here.record;
        if (record.launches.empty()) {
            if (Showed(record, Version2QuestionText)) {
                Report("this-machine", "here: no Oberix 2 folder is recorded; Tipstart would ask for it");
            } else if (record.writes.empty() && record.boxes.empty()) {
                Report("this-machine-missing", "here: does nothing, " + Unregistered(record) + " is registered");
            }
            return;
        }
        const LaunchSeen& launch = record.launches[0];
        if (launch.show == ShowNormal) {
            Report("this-machine", "here: OBX 5 is registered; the shell opens the document");
            return;
        }
        std::string tool = ToolName(PackageToolKey(record, launch));
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

namespace {

// Long texts are cut in messages: a page may hold megabytes in one value.
std::string Excerpt(const std::string& text)
{
    const size_t shown = 200;
    if (text.size() <= shown) {
        return text;
    }
    size_t cut = shown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;  // not inside a UTF-8 character
    }
    return text.substr(0, cut) + "... (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace

void ReportOtherProgram(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                        std::vector<Finding>* findings)
{
    std::string what = "\"" + Excerpt(link.program) + "\"" +
                       (link.parameters.empty() ? std::string(" without parameters")
                                                : " with the parameters \"" + Excerpt(link.parameters) + "\"");
    findings->push_back({file, link.line, link.column, &RuleById("other-program"),
                         "this ShortCut object starts " + what + ", not Tipstart"});
    if (options.list) {
        findings->push_back({file, link.line, link.column, &RuleById("link-action"), "starts " + what});
    }
}
