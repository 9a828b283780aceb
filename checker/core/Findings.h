// core/, beneath every stage. In: nothing of a run. Out: findings and their
// places, the rule table, and the text tools every stage reads with.
//
// What the checker reports: findings at a place, each under a rule of the
// rule table (Rules.h), and the counts of a run.
#pragma once

#include <stddef.h>

#include <string>
#include <unordered_set>
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
    RuleUnusedSuppression,
    RuleUnknownRule,
    RuleStartsProgram,
    RuleLeavesPackage,
    RuleDeviceName,
    RuleProgramPath,
    RuleScriptedShortcut,
    RuleUnknownCharset,
    RuleUndeclaredEncoding,
    RuleMissingPage,
    RuleUnfinishedScript,
    RuleSeveralCommands,
    RuleAutorunProgram,
    RuleItem1Fields,
    RuleMalformedDirective,
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
    size_t endLine = 0;    // just after what it is about, when that is known; else 0
    size_t endColumn = 0;
};

// The name of a finding's fingerprint among SARIF's partialFingerprints.
const char* const FingerprintName = "tipstart-check/v1";

enum Suppression { NotSuppressed, SuppressedInSource, SuppressedExternally };

struct Finding {
    Place place;
    RuleId rule;
    std::string message;
    // The link it is about, for ignore entries and fingerprints; empty for
    // a finding about a whole file.
    std::string program = std::string();     // as the link spells it
    std::string parameters = std::string();  // as decoded
    std::string document = std::string();    // the path after the version digit
    bool autorun = false;                    // the page clicks the link as it opens
    Suppression suppression = NotSuppressed;
    std::string justification = std::string();  // the reason given for the suppression
    std::string fingerprint = std::string();    // the same for the same link whatever its line
    std::string fingerprintFile = std::string();  // the file as the fingerprint names it, from its root
    bool unchanged = false;     // the baseline holds it
    bool strict = false;        // a warning that fails the run: --warnings-as-errors, or its configuration's
};

struct CheckResults {
    std::vector<Finding> findings;
    size_t links = 0;
    size_t files = 0;
    std::unordered_set<std::string> checkedFiles;  // every file read, as shown: a baseline's other files are not gone
    // With --baseline: its results that this run found again, and those it
    // no longer finds.
    bool baseline = false;
    size_t baselineMatched = 0;
    size_t baselineFixed = 0;
    // The baseline's SARIF results that this run no longer finds, each one
    // JSON object marked "absent", for a SARIF log to list.
    std::vector<std::string> baselineAbsent;
};

// Whether the finding counts: not suppressed, not in the baseline.
inline bool Counts(const Finding& finding)
{
    return finding.suppression == NotSuppressed && !finding.unchanged;
}

