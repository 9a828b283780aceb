#include "checker/Check.h"

#include <system_error>

#include "checker/Suppression.h"
#include "checker/Walk.h"

namespace fs = std::filesystem;

CheckRun::CheckRun(const CheckOptions& runOptions) : options(runOptions)
{
    PackageFor(std::string());
}

Package* CheckRun::PackageFor(const std::string& configuredInstallFolder)
{
    const std::string& folder =
        options.installFolderGiven || configuredInstallFolder.empty() ? options.installFolder : configuredInstallFolder;
    auto known = caches.packages.find(folder);
    if (known == caches.packages.end()) {
        known = caches.packages.emplace(folder, Package()).first;
        PackageStart(folder, &known->second);
    }
    return &known->second;
}

void CheckPath(const std::string& given, CheckRun* run)
{
    fs::path path = fs::u8path(given);
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        std::string reason = error && error != std::errc::no_such_file_or_directory ? "cannot be read: " + error.message()
                                                                                    : std::string("does not exist");
        Place place = {given, std::string(), 0, 0};
        run->results.findings.push_back({place, RuleUnreadableInput, reason});
        return;
    }
    WalkTree(path, fs::is_directory(status), given, run);
}

void FinishRun(CheckRun* run)
{
    InputCaches& inputs = run->caches.inputs;
    Settling settling = {run->options.disabled,
                         run->options.warningsAsErrors,
                         run->options.hasBaseline ? &run->options.baseline : nullptr,
                         run->options.baselineResults,
                         run->caches.referenceDirectives,
                         inputs.configurations,
                         inputs.configurationOf,
                         inputs.givenConfiguration,
                         run->options.folders,
                         &inputs.folders};
    SettleFindings(settling, &run->results);
}
