// A run of the checker over the paths given: its options, what it keeps so
// that nothing is found twice, and its results, each apart.
#pragma once

#include <filesystem>
#include <string>

#include "checker/Findings.h"
#include "checker/FolderChoice.h"
#include "checker/Input.h"
#include "checker/Package.h"
#include "checker/Prediction.h"

struct CheckOptions {
    PredictionOptions prediction;
    FolderOptions folders;
    std::string installFolder = DefaultInstallFolder;  // a full Windows path
};

struct CheckCaches {
    InputCaches inputs;
    Package package;
};

struct CheckRun {
    explicit CheckRun(const CheckOptions& runOptions);

    const CheckOptions options;
    CheckCaches caches;
    CheckResults results;
};

// Checks a folder (recursively), a compiled help file, a help project, a
// page or a link list.
void CheckPath(const std::string& path, CheckRun* run);
