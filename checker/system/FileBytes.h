// A file's bytes, read whole within the limit no page or project passes.
#pragma once

#include <stddef.h>

#include <string>

// Pages and link lists larger than this are not checked.
enum { PageLimit = 32 * 1024 * 1024 };

// "is larger than 32 MiB"
std::string TooLargeText();

// The whole file at path (with "/" separators, in UTF-8), up to PageLimit.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason);

// The same, read from the file now, never from what was read ahead: any
// thread may read so.
bool ReadFileBytes(const std::string& path, std::string* bytes, std::string* reason);

// Reads the file at path whole now, as ReadWholeFile does, and gives its
// first bytes (up to size, into start): the next ReadWholeFile, when it is
// of the same path, takes what was read instead of opening the file again.
// A file's kind is told by its first bytes just before it is read.
size_t ReadAhead(const std::string& path, char* start, size_t size);

// Lets go of a file read ahead that will not be read as a whole.
void DropReadAhead();
