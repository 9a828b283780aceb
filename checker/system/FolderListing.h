// One folder's entries, as every part of the checker lists a folder.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

struct FolderEntry {
    std::string name;
    std::filesystem::file_type type;  // of what the entry leads to; unknown when that cannot be told
    bool symlink;
};

// The entries of folder, sorted by name. False, with error set, when the
// folder cannot be read to its end; the entries read until then are kept.
bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>* entries, std::error_code* error);

// A folder's listing held while a walk goes through the folder: a ListFolder
// of it meanwhile, by its absolute and normal path, gives the listing held
// instead of reading the folder again. Dropped in the reverse order.
void HoldListing(const std::filesystem::path& folder, const std::vector<FolderEntry>* entries);
void DropListing();
