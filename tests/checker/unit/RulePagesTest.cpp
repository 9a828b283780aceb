// The rules' pages, docs/rules/RULE.md, held against the rule table: a page
// for every rule and a rule for every page, each with its level and the
// parts a reader looks for.
#include <gtest/gtest.h>

#include "checker/core/Rules.h"
#include "checker/report/RulePages.h"

namespace {

const char* LevelWords(Severity severity)
{
    return severity == SeverityError     ? "This rule's findings are an error"
           : severity == SeverityWarning ? "This rule's findings are a warning"
                                         : "This rule's findings are a note";
}

TEST(RulePagesTest, EachRuleHasItsPageAndEachPageARule)
{
    std::vector<std::string> names = RulePageNames();
    EXPECT_EQ(names.size(), static_cast<size_t>(RuleCount));
    for (const std::string& name : names) {
        RuleId rule;
        EXPECT_TRUE(FindRule(name, &rule)) << "docs/rules/" << name << ".md names no rule";
    }
    for (size_t i = 0; i < RuleCount; ++i) {
        const Rule& rule = Rules[i];
        std::string page = RulePage(static_cast<RuleId>(i));
        EXPECT_EQ(page.find(std::string("# ") + rule.id + "\n\n" + rule.shortDescription + ". "), 0u)
            << rule.id << ": the page starts with its id and the table's short description";
        EXPECT_NE(page.find(LevelWords(rule.severity)), std::string::npos) << rule.id;
        for (const char* part : {"\n## What it finds\n", "\n## Why it matters\n", "\n## How to fix it\n",
                                 "\n## Example\n", "\nBefore:\n", "\nAfter:\n"}) {
            EXPECT_NE(page.find(part), std::string::npos) << rule.id << " has no" << part;
        }
    }
}

}  // namespace
