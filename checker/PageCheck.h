// One page's or link list's text handed on: its links found, each
// predicted, the rules applied and the page's directives heeded. In: the
// decoded text and where it stands; out: findings and counts.
#pragma once

#include <string>

#include "checker/core/Findings.h"
#include "checker/script/ScriptEngine.h"

struct PageScan;
struct PageText;
struct Package;
struct PredictionOptions;
class ScriptFiles;

// What a text holds: a page's markup, a link list's command lines, or the
// code of a script file that pages load.
enum TextKind { TextPage, TextList, TextJScript, TextVBScript };

// The links of a text of the kind, shown at where, whose documents stand in
// documentsFolder. scan keeps what was found, for the pages a page names.
// A page's scripts run with the script files it loads, read from files. Its
// directives silence what they name unless inlineConfig is false
// (--no-inline-config).
void CheckLinks(const PageText& page, TextKind kind, const Place& where, const std::string& documentsFolder,
                Package* package, const PredictionOptions& prediction, CheckResults* results, PageScan* scan,
                const ScriptBudget& budget = ScriptBudget(), ScriptFiles* files = nullptr, bool inlineConfig = true);
