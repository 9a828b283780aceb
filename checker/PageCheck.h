// One page's or link list's text: its links found, each predicted, and the
// rules applied.
#pragma once

#include <stddef.h>

#include "checker/Findings.h"
#include "checker/Input.h"

struct CheckRun;
struct PageText;

void CheckPageText(const PageText& page, InputKind kind, const Place& where, CheckRun* run);

// A page's bytes (a page inside a compiled help file, or the fuzzer's), in
// the code page of its help file's language (0 for none), or a link list.
void CheckPageBytes(const char* bytes, size_t size, InputKind kind, unsigned languageCodePage, const Place& where,
                    CheckRun* run);
