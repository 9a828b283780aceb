// The rule table: every rule the checker applies, each with the function
// that words its finding from a link's prediction.
#pragma once

#include <string>
#include <vector>

#include "checker/Findings.h"

struct Prediction;

// Gives the rule's message for a prediction, or false when it does not apply.
typedef bool (*RuleCheck)(const Prediction& prediction, std::string* message);

struct Rule {
    const char* id;
    Severity severity;
    const char* shortDescription;
    const char* fullDescription;
    RuleCheck check;  // null for the rules of pages and inputs, found as they are read
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

// The findings of the rules that apply to a link's prediction, at place.
void ApplyRules(const Prediction& prediction, const Place& place, std::vector<Finding>* findings);
