#include "checker/Prediction.h"

#include <algorithm>

#include "checker/Names.h"
#include "checker/TextTools.h"

namespace {

std::string KeyVersion(const std::string& keyPath)
{
    return keyPath.substr(keyPath.find_last_of('\\') + 1);
}

std::string BelowInstallFolder(const std::string& target, const std::string& install)
{
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

// "2reset" in any case, blanks anywhere: meant as the reset keyword.
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

// Tools that can stand in for one another: at most one per key read.
enum { ToolKeyCount = 5 };

// The launcher again with the tool it started taken away, in turn.
void FindStandIns(const std::string& commandLine, const std::string& key, Package* package, Prediction* prediction)
{
    RegistryAnswers registry;
    registry.absentKeys = {key};
    for (int tried = 0; tried < ToolKeyCount; ++tried) {
        LauncherOutcome fallback = RunLauncher(commandLine, registry, package);
        const PlatformRecord& record = fallback.record;
        std::string next = record.launches.empty() ? std::string() : ToolKeyOf(record, record.launches[0]);
        std::vector<std::string>& absent = registry.absentKeys;
        if (next.empty() || std::find(absent.begin(), absent.end(), next) != absent.end()) {
            prediction->asksFolderFirst = Showed(record, Version2QuestionText);
            return;
        }
        prediction->standIns.push_back({ToolName(next), KeyVersion(absent.back())});
        absent.push_back(next);
    }
}

void PredictThisMachine(const std::string& commandLine, Package* package, MachinePrediction* machine)
{
    RegistryAnswers registry;
    registry.machine = true;
    LauncherOutcome here = RunLauncher(commandLine, registry, package);
    const PlatformRecord& record = here.record;
    machine->asked = true;
    if (record.launches.empty()) {
        if (Showed(record, Version2QuestionText)) {
            machine->effect = MachineAsksFolder;
        } else if (record.writes.empty() && record.boxes.empty()) {
            machine->effect = MachineNothingRegistered;
            for (const RegistryReadSeen& read : record.reads) {
                machine->toolsRead.push_back(ToolName(read.keyPath));
            }
        }
        return;
    }
    const LaunchSeen& launch = record.launches[0];
    if (launch.show == ShowNormal) {
        machine->effect = MachineOpens;
        return;
    }
    machine->effect = MachineStarts;
    machine->file = launch.file;
    machine->tool = ToolName(ToolKeyOf(record, launch));
    machine->fileExists = MachineFileExists(launch.file);
}

// What the run did, from what it asked of the platform.
void ReadEffect(const LauncherOutcome& run, Package* package, Prediction* prediction)
{
    const PlatformRecord& record = run.record;
    if (!record.writes.empty()) {
        prediction->effect = EffectForgets;
    } else if (!record.boxes.empty()) {
        prediction->effect = EffectShowsBox;
        prediction->boxText = record.boxes[0].text;
    } else if (record.launches.empty()) {
        prediction->effect = EffectNothing;
    } else {
        const LaunchSeen& launch = record.launches[0];
        prediction->effect = launch.show == ShowNormal ? EffectOpens : EffectStartsTool;
        prediction->opened = launch.opened;
        prediction->tool = ToolName(ToolKeyOf(record, launch));
        prediction->toolFile = launch.file;
        prediction->withDocument = !launch.parameters.empty();
    }
    if (!record.launches.empty()) {
        prediction->launched = true;
        prediction->byAssociation = record.launches[0].show == ShowNormal;
        prediction->match = PackageFindDocument(run.target, package, &prediction->found);
    }
}

}  // namespace

std::string ToolName(const std::string& keyPath)
{
    std::string version = KeyVersion(keyPath);
    return version == "2.0" ? "Oberix 2" : "OBX " + version;
}

Prediction PredictLink(const FoundLink& link, const PredictionOptions& options, Package* package)
{
    Prediction prediction;
    prediction.link = &link;
    prediction.options = options;
    prediction.installFolder = package->installFolder;
    if (!link.startsTipstart) {
        prediction.effect = EffectOtherProgram;
        return prediction;
    }
    prediction.programName = ProgramFileName(link.program);
    std::string commandLine = "\"" + package->installFolder + prediction.programName + "\" " + link.parameters;
    // The launcher refuses a command line that does not fit its texts
    // before it looks at anything else; a long one is not copied.
    prediction.commandLineLength = commandLine.size() - link.parameters.size() + link.parametersLength;
    if (prediction.commandLineLength >= WorkTextSize) {
        prediction.commandLineTooLong = true;
        prediction.effect = EffectShowsBox;
        prediction.boxText = RefusalText;
        return prediction;
    }
    LauncherOutcome run = RunLauncher(commandLine, RegistryAnswers(), package);
    prediction.kind = run.kind;
    prediction.versionText = run.versionText;
    prediction.argument = run.argument;
    prediction.relativePath = run.relativePath;
    prediction.document = BelowInstallFolder(run.target, package->installFolder);
    prediction.targetLength = WindowsPathLength(run.target);
    prediction.resetMisspelt = IsResetMisspelt(run.argument);
    prediction.unservedVersion = Showed(run.record, UnservedVersionText);
    ReadEffect(run, package, &prediction);
    if (options.list && prediction.effect == EffectStartsTool) {
        FindStandIns(commandLine, ToolKeyOf(run.record, run.record.launches[0]), package, &prediction);
    }
    if (options.thisMachine) {
        PredictThisMachine(commandLine, package, &prediction.machine);
    }
    return prediction;
}
