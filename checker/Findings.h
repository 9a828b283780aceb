// What the checker reports: findings at a place, each under a rule of the
// rule table (Rules.h), and the counts of a run.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

enum Severity { SeverityError, SeverityWarning, SeverityNote };

// The rules, in the order of the rule table (SARIF refers to them by index).
enum RuleId {
    RuleRefusedLink,
    RuleUnservedVersion,
    RuleMissingDocument,
    RuleProgramName,
    RuleResetSpelling,
    RulePathTooLong,
    RuleDoubledSeparator,
    RuleDroppedQuotes,
    RuleNonAsciiName,
    RuleDocumentCase,
    RuleFolderDocument,
    RuleUndecodableText,
    RuleOtherProgram,
    RuleCharacterReference,
    RuleUnreadableInput,
    RuleOutsideLink,
    RuleLinkAction,
    RuleThisMachine,
    RuleThisMachineMissing,
    RuleCount
};

// Where a finding is: a file on disk, as given or found ("/" separates),
// the member inside it for a compiled help file ("/folder/page.htm"), and
// the line and column (1-based; columns in characters), 0 for the whole file.
struct Place {
    std::string file;
    std::string member;
    size_t line = 0;
    size_t column = 0;
};

struct Finding {
    Place place;
    RuleId rule;
    std::string message;
};

struct CheckResults {
    std::vector<Finding> findings;
    size_t links = 0;
    size_t files = 0;
};

