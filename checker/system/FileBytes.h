// A file's bytes, read whole within the limit no page or project passes.
#pragma once

#include <string>

// Pages and link lists larger than this are not checked.
enum { PageLimit = 32 * 1024 * 1024 };

// "is larger than 32 MiB"
std::string TooLargeText();

// The whole file at path (with "/" separators, in UTF-8), up to PageLimit.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason);
