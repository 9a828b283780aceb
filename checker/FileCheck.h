// Reading one file the checker was given or found: a page, a link list, a
// compiled help file or a help project, each read once.
#pragma once

#include <filesystem>
#include <string>

#include "checker/Input.h"

struct CheckRun;

// Pages and link lists larger than this are not checked.
enum { PageLimit = 32 * 1024 * 1024 };

// The whole file, up to PageLimit.
bool ReadWholeFile(const std::filesystem::path& path, std::string* bytes, std::string* reason);

// Why bytes are no text page (a byte no text holds), or null.
const char* BinaryReason(const char* bytes, size_t size);

// Checks the file at path unless this run has checked it already.
void CheckFile(const std::filesystem::path& path, InputKind kind, const std::filesystem::path& limit, CheckRun* run);
