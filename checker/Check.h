// A run of the checker over the paths given: its options, what it keeps so
// that nothing is found twice, and its results, each apart.
#pragma once

#include <filesystem>
#include <map>
#include <unordered_map>
#include <string>
#include <unordered_set>
#include <vector>

#include "checker/Findings.h"
#include "checker/FolderChoice.h"
#include "checker/Input.h"
#include "checker/Package.h"
#include "checker/Prediction.h"
#include "checker/Suppression.h"

struct CheckOptions {
    PredictionOptions prediction;
    FolderOptions folders;
    std::string installFolder = DefaultInstallFolder;  // a full Windows path
    bool installFolderGiven = false;                   // --install-folder: configurations do not change it
    bool warningsAsErrors = false;
    std::vector<RuleId> disabled;                      // --disable
    std::unordered_set<std::string> baseline;          // the fingerprints of --baseline's results
    std::vector<std::string> baselineResults;          // and those results, as the log gives them
    bool hasBaseline = false;
};

struct CheckCaches {
    InputCaches inputs;
    std::map<std::string, Package> packages;  // by install folder
    std::unordered_map<std::string, bool> filesOnDisk;  // the pages links name, by absolute path
    std::vector<ReferenceDirective> referenceDirectives;  // settled after the last path
};

struct CheckRun {
    explicit CheckRun(const CheckOptions& runOptions);

    // The package installed where a file's configuration says, or where the
    // run's options say.
    Package* PackageFor(const std::string& configuredInstallFolder);

    const CheckOptions options;
    CheckCaches caches;
    CheckResults results;
};

// Checks a folder (recursively), a compiled help file, a help project, a
// page or a link list.
void CheckPath(const std::string& path, CheckRun* run);

// After the last path: the findings the configurations turn off or say are
// meant, the suppressions that silenced nothing, the fingerprints and the
// baseline; then sorted.
void FinishRun(CheckRun* run);
