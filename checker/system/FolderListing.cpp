#include "checker/system/FolderListing.h"

#include <algorithm>

#include "checker/system/System.h"

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

// What the entry at path leads to, as the system says when asked (a stat):
// unknown when it cannot say.
fs::file_type StatusType(const fs::path& path)
{
    std::error_code error;
    fs::file_type type = fs::status(path, error).type();
    return error ? fs::file_type::unknown : type;
}

// Whether the path of an entry of folder is long: only built when its
// UTF-8 length (never shorter than the system's) says it may be.
bool IsLongPath(const fs::path& folder, const std::string& name)
{
    return folder.native().size() + 1 + name.size() >= LongPath &&
           (folder / fs::u8path(name)).native().size() >= LongPath;
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
    std::vector<SystemEntry> listed;
    SystemListFolder(folder.u8string(), &listed, error);
    // A folder that can be listed but not searched gives no entry's type: the
    // first entry that is no link is asked the system, as links always are.
    bool searchable = false;
    bool probed = false;
    for (SystemEntry& entry : listed) {
        bool symlink = entry.kind == SystemEntryLink;
        bool linkError = entry.kind == SystemEntryLinkError;
        fs::file_type type = fs::file_type::unknown;
        if (symlink || linkError || !probed || !searchable || IsLongPath(folder, entry.name)) {
            type = StatusType(folder / fs::u8path(entry.name));
            if (!symlink && !linkError && !probed) {
                probed = true;
                searchable = type != fs::file_type::unknown;
            }
        } else {
            type = entry.kind == SystemEntryFile     ? fs::file_type::regular
                   : entry.kind == SystemEntryFolder ? fs::file_type::directory
                                                     : StatusType(folder / fs::u8path(entry.name));
        }
        entries->push_back({std::move(entry.name), type, symlink});
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
