// One page's or link list's links: found, each predicted, and the rules
// applied.
#pragma once

#include <stddef.h>

#include <string>

#include "checker/Findings.h"

struct CheckRun;
struct PageScan;
struct PageText;
struct Package;

// The links of a page's (or, with isList, a link list's) text, shown at
// where, whose documents stand in documentsFolder. scan keeps what was
// found, for the pages the page names.
void CheckLinks(const PageText& page, bool isList, const Place& where, const std::string& documentsFolder,
                Package* package, CheckRun* run, PageScan* scan);

// A page's bytes (a page inside a compiled help file, or the fuzzer's), in
// the code page of its help file's language (0 for none), or a link list's;
// its documents stand in documentsFolder.
void CheckPageBytes(const char* bytes, size_t size, bool isList, unsigned languageCodePage, const Place& where,
                    const std::string& documentsFolder, Package* package, CheckRun* run);
