// What Tipstart does with one link, predicted by running the launcher's own
// request derivation and tool selection against the package.
#pragma once

#include <vector>

#include "checker/Findings.h"
#include "checker/LinkFinder.h"

struct PredictionOptions {
    bool list = false;         // a note for every link with what it does
    bool thisMachine = false;  // also what this machine's registry makes of it
};

// The findings for a link that starts Tipstart, found in file (as shown).
void PredictLink(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                 std::vector<Finding>* findings);

// The warning (and with --list the note) for a link that starts another program.
void ReportOtherProgram(const FoundLink& link, const std::string& file, const PredictionOptions& options,
                        std::vector<Finding>* findings);
