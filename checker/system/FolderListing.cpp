#include "checker/system/FolderListing.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

// Paths this long are looked at one by one: the system may refuse them.
enum { LongPath = 1024 };

struct HeldListing {
    fs::path::string_type folder;
    const std::vector<FolderEntry>* entries;
};

std::vector<HeldListing>& HeldListings()
{
    static std::vector<HeldListing> held;
    return held;
}

const std::vector<FolderEntry>* ListingHeld(const fs::path& folder)
{
    for (const HeldListing& held : HeldListings()) {
        if (held.folder == folder.native()) {
            return held.entries;
        }
    }
    return nullptr;
}

// What an entry leads to, as the system says when asked (a stat): unknown
// when it cannot say.
fs::file_type StatusType(const fs::directory_entry& entry)
{
    std::error_code error;
    fs::file_type type = entry.status(error).type();
    return error ? fs::file_type::unknown : type;
}

// What an entry that is no link leads to: itself, whose type the listing
// gives where the system puts it there (d_type), else a stat.
fs::file_type OwnType(const fs::directory_entry& entry)
{
    std::error_code error;
    if (entry.is_regular_file(error)) {
        return fs::file_type::regular;
    }
    if (!error && entry.is_directory(error)) {
        return fs::file_type::directory;
    }
    return StatusType(entry);
}

}  // namespace

bool ListFolder(const fs::path& folder, std::vector<FolderEntry>* entries, std::error_code* error)
{
    error->clear();
    if (const std::vector<FolderEntry>* held = ListingHeld(folder)) {
        *entries = *held;
        return true;
    }
    entries->clear();
    // A folder that can be listed but not searched gives no entry's type: the
    // first entry that is no link is asked the system, as links always are.
    bool searchable = false;
    bool probed = false;
    fs::directory_iterator iterator(folder, *error);
    for (; !*error && iterator != fs::directory_iterator(); iterator.increment(*error)) {
        std::error_code linkError;
        bool symlink = iterator->is_symlink(linkError);
        fs::file_type type = fs::file_type::unknown;
        if (symlink || linkError || !probed || !searchable || iterator->path().native().size() >= LongPath) {
            type = StatusType(*iterator);
            if (!symlink && !linkError && !probed) {
                probed = true;
                searchable = type != fs::file_type::unknown;
            }
        } else {
            type = OwnType(*iterator);
        }
        entries->push_back({iterator->path().filename().u8string(), type, symlink});
    }
    std::sort(entries->begin(), entries->end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return !*error;
}

void HoldListing(const fs::path& folder, const std::vector<FolderEntry>* entries)
{
    // A path short enough that the system reads it the same way, however given.
    if (folder.is_absolute() && folder.native().size() < LongPath) {
        HeldListings().push_back({folder.native(), entries});
    } else {
        HeldListings().push_back({fs::path::string_type(), nullptr});
    }
}

void DropListing()
{
    HeldListings().pop_back();
}
