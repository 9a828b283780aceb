// The walk through a folder given: its files as they come, folder by
// folder, so that nothing is held but the folder being read. Each file worth
// checking is handed to the run; what cannot be walked into is a finding.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "checker/core/Findings.h"

// Receives each file met: a page, script or compiled help file by its name.
typedef std::function<void(const std::filesystem::path& file)> FileFound;

// Walks folder, which exists, into its subfolders and the links to them,
// once each and never out of the tree.
void WalkFolderTree(const std::filesystem::path& folder, const FileFound& found, std::vector<Finding>* findings);
