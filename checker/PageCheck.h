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

// What the run hands on with every page: how its links are predicted,
// whether its own directives count, and where directives on the page
// references after them wait to be settled.
struct PageHandling {
    const PredictionOptions& prediction;
    bool inlineConfig;
    std::vector<ReferenceDirective>* referenceDirectives;
};

// The links found in a text of the kind (scan; utf8, as it would read in
// UTF-8), shown at where, whose documents stand in documentsFolder. Its
// directives silence what they name unless handling.inlineConfig is false
// (--no-inline-config).
void CheckLinks(const PageText& page, TextKind kind, const PageScan& scan, const PageScan& utf8, const Place& where,
                const std::string& documentsFolder, Package* package, const PageHandling& handling,
                CheckResults* results);
