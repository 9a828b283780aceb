// The page of each rule, docs/rules/RULE.md, built into the program: what
// --explain prints and what a SARIF log gives as each rule's help.
#pragma once

#include <string>
#include <vector>

#include "checker/core/Findings.h"

// The rule's page, in Markdown.
std::string RulePage(RuleId rule);

// The names of the pages built in (docs/rules/NAME.md), sorted.
std::vector<std::string> RulePageNames();
