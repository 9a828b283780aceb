// A run of the checker over the paths given, and its drive: each path
// walked, each file decided by the input stage and read, each compiled help
// file's pages visited, each page handed on to be checked and its targets
// held against the help file. In: paths and options; out: the findings and
// counts of the run (CheckResults), settled at its end.
#pragma once

#include <stddef.h>

#include <filesystem>
#include <map>
#include <unordered_map>
#include <string>
#include <unordered_set>
#include <vector>

#include "checker/PageCheck.h"
#include "checker/core/Findings.h"
#include "checker/input/FolderChoice.h"
#include "checker/input/Input.h"
#include "checker/predict/MissingPages.h"
#include "checker/predict/Package.h"
#include "checker/predict/Prediction.h"
#include "checker/report/Suppression.h"
#include "checker/script/ScriptEngine.h"

class FilesAhead;

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
    ScriptBudget scripts;                              // each page's, for its scripts
    bool inlineConfig = true;                          // --no-inline-config: directives in pages silence nothing
    bool fingerprints = true;                          // findings get them: a SARIF or JSON report shows them
};

struct CheckCaches {
    InputCaches inputs;
    std::map<std::string, Package> packages;  // by install folder
    size_t filesMet = 0;  // files given or found in a walk as ones to check
    std::vector<ReferenceDirective> referenceDirectives;  // settled after the last path
    std::string workingFolder;  // the process's, as pages on disk name their missing pages from it
    bool workingFolderKnown = false;
    FilesAhead* filesAhead = nullptr;  // a folder's walk: its pages and scripts read ahead
    TargetResolutions resolutions;     // for the pages the run's own thread reads
    FilesOnDisk filesOnDisk;           // the files pages on disk name, as the run's threads look for them
};

struct CheckRun {
    explicit CheckRun(const CheckOptions& runOptions);

    // The package installed where a file's configuration says, or where the
    // run's options say.
    Package* PackageFor(const std::string& configuredInstallFolder);

    // What each page is handed on with.
    PageHandling Handling();

    // The folder the process runs in, asked once.
    const std::string& WorkingFolder();

    const CheckOptions options;
    CheckCaches caches;
    CheckResults results;
};

// Checks a folder (recursively), a compiled help file, a help project, a
// page or a link list.
void CheckPath(const std::string& path, CheckRun* run);

// A text's bytes (a page or script inside a compiled help file, or the
// fuzzer's), in the code page of its help file's language (0 for none);
// its documents stand in documentsFolder.
void CheckPageBytes(const char* bytes, size_t size, TextKind kind, unsigned languageCodePage, const Place& where,
                    const std::string& documentsFolder, Package* package, CheckRun* run);

// After the last path: the findings the configurations turn off or say are
// meant, the suppressions that silenced nothing, the fingerprints and the
// baseline; then sorted.
void FinishRun(CheckRun* run);
