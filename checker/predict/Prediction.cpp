#include "checker/predict/Prediction.h"

#include "checker/system/Names.h"
#include "checker/core/TextTools.h"

namespace {

std::string KeyVersion(const std::string& keyPath)
{
    return keyPath.substr(keyPath.find_last_of('\\') + 1);
}

std::string BelowInstallFolder(const std::string& target, const std::string& install)
{
    return target.compare(0, install.size(), install) == 0 ? target.substr(install.size()) : target;
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

// The tools that stand in, each when the one before is not registered.
void ReadStandIns(const LinkRuns& runs, Prediction* prediction)
{
    std::string missing = runs.run.toolKey;
    for (const std::string& key : runs.standInKeys) {
        prediction->standIns.push_back({ToolName(key), KeyVersion(missing)});
        missing = key;
    }
    prediction->asksFolderFirst = runs.standInsAsk;
}

void ReadThisMachine(const LauncherOutcome& here, MachinePrediction* machine)
{
    const PlatformRecord& record = here.record;
    machine->asked = true;
    if (record.launches.empty()) {
        if (here.askedFolder) {
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
    machine->tool = ToolName(here.toolKey);
    machine->fileExists = here.fileExists;
}

// A folder as messages name it: below or above the folder the checker runs
// in, from there ("help", ".", ".."); elsewhere, in full.
std::string ShownFolder(const std::string& folder, const std::filesystem::path& workingFolder)
{
    std::filesystem::path path = std::filesystem::u8path(folder).lexically_normal();
    std::filesystem::path relative = path.lexically_relative(workingFolder.lexically_normal());
    bool near = !relative.empty();
    bool climbing = true;
    for (const std::filesystem::path& part : relative) {
        climbing = climbing && part == "..";
        near = near && (climbing || part != "..");
    }
    return !near ? path.generic_u8string() : relative.empty() ? "." : relative.generic_u8string();
}

// What the run did, from what it asked of the platform.
void ReadEffect(const LauncherOutcome& run, Prediction* prediction)
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
        prediction->tool = ToolName(run.toolKey);
        prediction->toolFile = launch.file;
        prediction->withDocument = !launch.parameters.empty();
    }
    if (!record.launches.empty()) {
        prediction->launched = true;
        prediction->byAssociation = record.launches[0].show == ShowNormal;
        prediction->match = run.match;
        prediction->found = run.found;
        prediction->nearName = run.nearName;
        if (run.match == DocumentOutside) {
            prediction->document = run.found;
        }
        bool opensFile = prediction->opened == DocumentExact || prediction->opened == DocumentOtherCase ||
                         prediction->opened == DocumentOutside;
        prediction->runsProgram = prediction->byAssociation && opensFile && ShellRunsAsProgram(run.found);
    }
}

}  // namespace

std::string ToolName(const std::string& keyPath)
{
    std::string version = KeyVersion(keyPath);
    return version == "2.0" ? "Oberix 2" : "OBX " + version;
}

Prediction PredictLink(const FoundLink& link, const LinkRuns& runs, const PredictionOptions& options,
                       const std::string& installFolder)
{
    Prediction prediction;
    prediction.link = &link;
    prediction.options = options;
    prediction.installFolder = installFolder;
    if (!link.startsTipstart) {
        prediction.effect = EffectOtherProgram;
        return prediction;
    }
    prediction.programName = runs.programName;
    prediction.programPath = runs.programPath;
    prediction.packageProgram = runs.packageProgram;
    prediction.commandLineLength = runs.commandLineLength;
    if (runs.commandLineTooLong) {
        prediction.commandLineTooLong = true;
        prediction.effect = EffectShowsBox;
        prediction.boxText = RefusalText;
        return prediction;
    }
    const LauncherOutcome& run = runs.run;
    prediction.kind = run.kind;
    prediction.versionText = run.versionText;
    prediction.argument = run.argument;
    prediction.relativePath = run.relativePath;
    prediction.document = BelowInstallFolder(run.target, installFolder);
    prediction.ownFolder = run.ownFolder;
    prediction.targetLength = run.targetLength;
    prediction.unservedVersion = run.showedUnserved;
    ReadEffect(run, &prediction);
    if (prediction.launched && prediction.match == DocumentMissing) {
        prediction.lookedIn = ShownFolder(runs.documentsFolder, options.workingFolder);
    }
    ReadStandIns(runs, &prediction);
    if (options.thisMachine) {
        ReadThisMachine(runs.machine, &prediction.machine);
    }
    prediction.resetMisspelt = IsResetMisspelt(run.argument);
    return prediction;
}
