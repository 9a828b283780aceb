#include "checker/report/RulePages.h"

#include <string.h>

#include "checker/core/Rules.h"

namespace {

struct RulePageText {
    const char* id;
    const char* text;
};

// Made at build time from docs/rules/*.md by cmake/EmbedRulePages.cmake;
// the last row is {nullptr, nullptr}.
const RulePageText RulePageTexts[] = {
#include "RulePagesData.inc"
};

}  // namespace

std::vector<std::string> RulePageNames()
{
    std::vector<std::string> names;
    for (const RulePageText& page : RulePageTexts) {
        if (page.id) {
            names.push_back(page.id);
        }
    }
    return names;
}

std::string RulePage(RuleId rule)
{
    const Rule& row = RuleOf(rule);
    for (const RulePageText& page : RulePageTexts) {
        if (page.id && strcmp(page.id, row.id) == 0) {
            return page.text;
        }
    }
    // A rule without a page (a test holds every rule to have one) is told
    // by its description.
    return std::string("# ") + row.id + "\n\n" + row.shortDescription + ".\n\n" + row.fullDescription + "\n";
}
