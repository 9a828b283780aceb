// The rule table: every rule the checker applies, as a user meets it: its
// id, its level and what it finds. The checks that apply the rules of links
// stand with the prediction they read (predict/RuleChecks.h).
#pragma once

#include <string>
#include <vector>

#include "checker/core/Findings.h"

struct Rule {
    const char* id;
    Severity severity;
    const char* shortDescription;
    const char* fullDescription;
};

// Indexed by RuleId.
extern const Rule Rules[RuleCount];

inline const Rule& RuleOf(RuleId id)
{
    return Rules[id];
}

// The rule of an id as the user writes it ("missing-document").
bool FindRule(const std::string& id, RuleId* rule);

// Every rule's id, in the table's order: for "did you mean".
std::vector<std::string> RuleIds();
