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
class ScriptFiles;

// What a text holds: a page's markup, a link list's command lines, or the
// code of a script file that pages load.
enum TextKind { TextPage, TextList, TextJScript, TextVBScript };

// A page's kind, or a script file's by its extension (.js, .vbs).
TextKind TextKindOfName(const std::string& name);

// The links of a text of the kind, shown at where, whose documents stand in
// documentsFolder. scan keeps what was found, for the pages a page names.
// A page's scripts run with the script files it loads, read from files.
void CheckLinks(const PageText& page, TextKind kind, const Place& where, const std::string& documentsFolder,
                Package* package, CheckRun* run, PageScan* scan, ScriptFiles* files = nullptr);

// A text's bytes (a page or script inside a compiled help file, or the
// fuzzer's), in the code page of its help file's language (0 for none);
// its documents stand in documentsFolder.
void CheckPageBytes(const char* bytes, size_t size, TextKind kind, unsigned languageCodePage, const Place& where,
                    const std::string& documentsFolder, Package* package, CheckRun* run);
