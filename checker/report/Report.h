// report/, what the user is told. In: the run's findings and counts. Out:
// the findings settled (directives, configurations, baseline), as text, JSON
// or SARIF.
//
// The checker's output: compiler-style lines with a summary, a JSON
// document (docs/json-format.md), or SARIF 2.1.0.
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
// How many findings of each rule count, the most first.
void WriteStatistics(FILE* out, const CheckResults& results);
// Every finding with a field for each thing, silenced ones included.
void WriteJsonReport(FILE* out, const CheckResults& results, const char* version);
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
