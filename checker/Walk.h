// The walk through a path given: a folder's pages and compiled help files as
// they come, so that nothing is held but the folder being read, or the one
// file given; each decided, then read.
#pragma once

#include <filesystem>
#include <string>

struct CheckRun;

// given: the path as the user wrote it, for the words about it.
void WalkTree(const std::filesystem::path& path, bool folder, const std::string& given, CheckRun* run);
