// Walks the paths given to the checker and checks every link in them.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/Findings.h"
#include "checker/FolderChoice.h"
#include "checker/Prediction.h"

struct CheckRun {
    PredictionOptions options;
    FolderChoice folders;
    std::unordered_map<std::string, unsigned> projectCodePages;  // by .hhp
    std::unordered_set<std::string> checked;  // files, by full path: each is checked once
    std::vector<Finding> findings;
    size_t links = 0;
    size_t files = 0;
    bool inputFailed = false;  // an input could not be read
};

// Pages and link lists larger than this are not checked.
enum { PageLimit = 32 * 1024 * 1024 };

// A file name's kind, by its extension.
enum InputKind { InputPage, InputList, InputHelp, InputProject, InputOther };
InputKind KindOfName(const std::string& name);

void CheckPath(const std::string& path, CheckRun* run);

// The findings of one page's bytes, shown as file (used by the fuzzer too):
// a page in the code page of its help file's language (0 for none), or a
// link list.
void CheckPageBytes(const char* bytes, size_t size, InputKind kind, unsigned languageCodePage,
                    const std::string& file, CheckRun* run);
