// The checker's output: compiler-style lines with a summary, or SARIF 2.1.0.
#pragma once

#include <stdio.h>

#include "checker/Check.h"

// Sorts the findings by file, place and rule.
void SortFindings(std::vector<Finding>* findings);

void WriteTextReport(FILE* out, const CheckRun& run);
void WriteSummary(FILE* out, const CheckRun& run, double seconds);
void WriteSarifReport(FILE* out, const CheckRun& run, const char* version, const std::string& workingFolder);

size_t CountSeverity(const CheckRun& run, Severity severity);
