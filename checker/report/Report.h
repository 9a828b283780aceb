// report/, what the user is told. In: the run's findings and counts. Out:
// the findings settled (directives, configurations, baseline), as text or SARIF.
//
// The checker's output: compiler-style lines with a summary, or SARIF 2.1.0.
// It sees the findings and the counts of a run, nothing else.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

#include "checker/core/Findings.h"

// A place as the text report shows it: "Help.chm::/folder/page.htm".
std::string ShownFile(const Place& place);

// Sorts the findings by file, place and rule.
void SortFindings(std::vector<Finding>* findings);

void WriteTextReport(FILE* out, const CheckResults& results);
void WriteSummary(FILE* out, const CheckResults& results, double seconds);
// withBaseline: each result says whether the baseline holds it.
void WriteSarifReport(FILE* out, const CheckResults& results, const char* version, const std::string& workingFolder,
                      bool withBaseline);

// The findings of a severity that count: neither silenced nor in the baseline.
size_t CountSeverity(const CheckResults& results, Severity severity);

// Whether the run fails: a finding that counts is an error, or a warning
// that its file's configuration or --warnings-as-errors makes fail.
bool RunFails(const CheckResults& results);

// Whether an input could not be read: the run did not check everything.
bool InputFailed(const CheckResults& results);
