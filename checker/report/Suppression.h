// What the help file and its configuration say is meant: directives in
// pages, [[ignore]] entries, disabled rules; and the baseline of findings
// that were there before.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/core/Findings.h"
#include "checker/input/Configuration.h"
#include "checker/input/FolderChoice.h"
#include "checker/page/LinkFinder.h"

// The findings of one link: findings[first] up to findings[end].
struct FindingSpan {
    size_t first;
    size_t end;
};

// A directive's hold on the page reference after it (an a href, an img
// src...), whose findings (missing-page) are known only once the help
// file's pages all are: settled after the last path.
struct ReferenceDirective {
    Place directive;
    Place reference;
    std::vector<RuleId> rules;
    std::vector<std::string> names;  // as written
    std::string reason;
    bool used;          // it silenced a finding of its ShortCut
    bool shortCutNext;  // a ShortCut object follows it
};

// Silences, in-source, the findings each directive of a page names: of the
// link it is for (spans, by link), or of the whole page (the findings from
// pageStart on). The findings of the page reference after it wait in
// pending. A directive that silences nothing, or names no rule, gets a
// warning at its place.
void SilenceByDirectives(const std::vector<Directive>& directives, const std::vector<FindingSpan>& spans,
                         size_t pageStart, const Place& where, std::vector<Finding>* findings,
                         std::vector<ReferenceDirective>* pending);

struct Settling {
    const std::vector<RuleId>& disabled;  // --disable
    bool warningsAsErrors;                // --warnings-as-errors
    const std::unordered_set<std::string>* baseline;  // fingerprints; null without --baseline
    const std::vector<std::string>& baselineResults;  // its results, each a line of JSON
    const std::vector<ReferenceDirective>& referenceDirectives;
    std::vector<Configuration>& configurations;
    const std::unordered_map<std::string, int>& configurationOf;  // by shown file
    int givenConfiguration;                                        // --config, or -1
    const FolderOptions& folders;
    FolderChoice* choice;  // for the repository each file lies in
    bool fingerprints;     // given to the findings (always with a baseline)
};

// After the last path: drops the findings of disabled rules, silences those
// an [[ignore]] entry matches (and warns of entries that match none), sorts,
// and gives each its fingerprint when asked and, with a baseline, whether it
// holds it.
void SettleFindings(const Settling& settling, CheckResults* results);

// The fingerprints of the results of a SARIF log this checker wrote, and
// those results: each is one line of such a log.
bool ReadBaseline(const std::string& path, std::unordered_set<std::string>* fingerprints,
                  std::vector<std::string>* results, std::string* error);
