// The rules of links: each one's check of what Tipstart does with a link,
// worded as its finding.
#pragma once

#include <string>
#include <vector>

#include "checker/core/Findings.h"

struct Prediction;

// A rule that a link's prediction decides: the message for the prediction,
// or false when the rule does not apply.
struct RuleCheck {
    RuleId rule;
    bool (*applies)(const Prediction& prediction, std::string* message);
};

// The findings of the rules that apply to a link's prediction, at place.
void ApplyRules(const Prediction& prediction, const Place& place, std::vector<Finding>* findings);

// Whether a link's prediction decides the rule; the others are found as
// pages, inputs and suppressions are read.
bool DecidedByPrediction(RuleId rule);
