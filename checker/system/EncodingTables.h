// The encoding tables generated from Wine's Windows by
// scripts/generate-encoding-tables.sh: the charset database the help viewer
// reads labels through, and each language id's ANSI code page. The Linux
// build answers from them; the Windows build asks Windows, and the win64
// tier's checker_encoding_tables test holds the tables against Wine.
#pragma once

#include <stddef.h>

#include <string>

struct CharsetRow {
    const char* label;  // as the database spells it
    unsigned codePage;  // its InternetEncoding, aliases followed
};

struct LanguageRow {
    unsigned id;        // a language id, default sort
    unsigned codePage;  // 0 for a language without an ANSI code page
};

extern const CharsetRow CharsetTable[];
extern const size_t CharsetTableSize;
extern const LanguageRow LanguageTable[];
extern const size_t LanguageTableSize;

// The code page the database gives a label, in any letter case; 0 for a
// label outside it.
unsigned TableCharsetCodePage(const std::string& label);

// The ANSI code page of a language id's table row; 0 for an id not in it.
unsigned TableLanguageCodePage(unsigned languageId);

// Whether a language id stands for the machine's own locale (neutral, user
// or system default, custom): its code page is the machine's, no help file's.
bool IsMachineLanguage(unsigned languageId);
