#include "checker/system/FolderListing.h"

#include <algorithm>

namespace fs = std::filesystem;

bool ListFolder(const fs::path& folder, std::vector<FolderEntry>* entries, std::error_code* error)
{
    entries->clear();
    error->clear();
    fs::directory_iterator iterator(folder, *error);
    for (; !*error && iterator != fs::directory_iterator(); iterator.increment(*error)) {
        std::error_code typeError;
        fs::file_type type = iterator->status(typeError).type();
        std::error_code linkError;
        bool symlink = iterator->is_symlink(linkError);
        entries->push_back({iterator->path().filename().u8string(), typeError ? fs::file_type::unknown : type, symlink});
    }
    std::sort(entries->begin(), entries->end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return !*error;
}
