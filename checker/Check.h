// Walks the paths given to the checker and checks every link in them.
#pragma once

#include <string>
#include <vector>

#include "checker/Findings.h"
#include "checker/Prediction.h"

struct CheckRun {
    PredictionOptions options;
    std::string exeFolder;  // --exe-folder, or empty
    std::vector<Finding> findings;
    size_t links = 0;
    size_t files = 0;
    bool inputFailed = false;  // an input could not be read
};

// Pages and link lists larger than this are not checked.
enum { PageLimit = 32 * 1024 * 1024 };

void CheckPath(const std::string& path, CheckRun* run);

// The findings of one page's bytes, shown as file (used by the fuzzer too).
void CheckPageBytes(const char* bytes, size_t size, bool isList, const std::string& file, CheckRun* run);
