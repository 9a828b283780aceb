// Windows' rules for the file names Tipstart hands the system, as Microsoft
// documents them in "File path formats on Windows systems" and "Naming
// Files, Paths, and Namespaces".
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

// MAX_PATH less its terminator: the longest path the ANSI file functions and
// the shell take from a program that is not long-path aware.
enum { MaxPathCharacters = 259 };

// The parts of a path between separators: "\" and "/" both separate, and a
// run of them counts as one, so no part is empty.
std::vector<std::string> PathParts(const std::string& path);

// Whether the path ends in a separator, which keeps its last part untrimmed.
bool EndsWithSeparator(const std::string& path);

// Resolves "." and ".." textually, as GetFullPathName does, and drops the
// trailing periods and spaces of the last part unless the path ended in a
// separator. False when ".." climbs above the first part.
bool ResolvePathParts(std::vector<std::string>* parts, bool endsWithSeparator);

// What two names share when Windows takes them for one: every character
// replaced by its simple uppercase mapping. Bytes that are not UTF-8 stay.
std::string NameKey(const std::string& name);

// The length MAX_PATH is counted in: UTF-16 code units.
size_t WindowsPathLength(const std::string& path);
