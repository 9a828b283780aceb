// One page's or link list's text handed on: its links found, each
// predicted, the rules applied and the page's directives heeded. In: the
// decoded text and where it stands; out: findings and counts.
#pragma once

#include <string>
#include <vector>

#include "checker/core/Findings.h"
#include "checker/page/LinkFinder.h"
#include "checker/report/Suppression.h"
#include "checker/script/ScriptEngine.h"

struct PageText;
struct Package;
struct PredictionOptions;

// What the run hands on with every page: how its links are predicted, the
// budget of its scripts, whether its own directives count, and where
// directives on the page references after them wait to be settled.
struct PageHandling {
    const PredictionOptions& prediction;
    const ScriptBudget& budget;
    bool inlineConfig;
    std::vector<ReferenceDirective>* referenceDirectives;
};

// The links of a text of the kind, shown at where, whose documents stand in
// documentsFolder. scan keeps what was found, for the pages a page names.
// A page's scripts run with the script files it loads, read from files. Its
// directives silence what they name unless handling.inlineConfig is false
// (--no-inline-config).
void CheckLinks(const PageText& page, TextKind kind, const Place& where, const std::string& documentsFolder,
                Package* package, const PageHandling& handling, CheckResults* results, PageScan* scan,
                ScriptFiles* files = nullptr);
