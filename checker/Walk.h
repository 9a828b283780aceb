// The walk through a folder given: every page and compiled help file in it,
// as it comes, so that nothing is held but the folder being read.
#pragma once

#include <filesystem>

struct CheckRun;

// limit: the highest folder the documents' search may reach.
void WalkTree(const std::filesystem::path& folder, const std::filesystem::path& limit, CheckRun* run);
