// What the checker reports: findings at a place, each under a stable rule.
#pragma once

#include <stddef.h>

#include <string>

enum Severity { SeverityError, SeverityWarning, SeverityNote };

struct Rule {
    const char* id;
    Severity severity;
    const char* shortDescription;
    const char* fullDescription;
};

// Every rule the checker applies, in a fixed order (SARIF refers to them by index).
extern const Rule Rules[];
extern const size_t RuleCount;
const Rule& RuleById(const char* id);

struct Finding {
    std::string file;  // as shown: a path, or "Help.chm::/folder/page.htm"
    size_t line;       // 1-based; 0 when the finding concerns the whole file
    size_t column;     // 1-based, in characters
    const Rule* rule;
    std::string message;
};
