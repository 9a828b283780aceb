#include "checker/Walk.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "checker/Check.h"
#include "checker/FileCheck.h"
#include "checker/FolderListing.h"

namespace fs = std::filesystem;

namespace {

struct TreeWalk {
    fs::path root;                            // canonical
    fs::path limit;                           // of the upward search
    std::vector<std::string> ancestors;       // canonical folders from the root down
    std::unordered_set<std::string> visited;  // canonical folders
    CheckRun* run;
};

void WalkFolder(const fs::path& folder, TreeWalk* walk);

void Unreadable(const fs::path& path, const std::string& reason, TreeWalk* walk)
{
    AddUnreadable({ShownPath(path), "", 0, 0}, reason, &walk->run->results);
}

void WalkInto(const fs::path& path, const FolderEntry& entry, TreeWalk* walk)
{
    if (entry.type != fs::file_type::directory && !entry.symlink) {
        CheckFile(path, KindOfName(entry.name), walk->limit, walk->run);
        return;
    }
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    if (error) {
        Unreadable(path, "cannot be followed: " + error.message(), walk);
        return;
    }
    if (std::find(walk->ancestors.begin(), walk->ancestors.end(), canonical.u8string()) != walk->ancestors.end()) {
        Unreadable(path, "is a symbolic link loop back to " + ShownPath(canonical) + "; not followed", walk);
        return;
    }
    if (entry.symlink && !PathWithin(canonical, walk->root)) {
        walk->run->results.findings.push_back(
            {{ShownPath(path), "", 0, 0}, RuleOutsideLink,
             "is a symbolic link to " + ShownPath(canonical) + ", outside the tree checked; not followed"});
        return;
    }
    if (entry.type != fs::file_type::directory) {
        CheckFile(path, KindOfName(entry.name), walk->limit, walk->run);
        return;
    }
    if (!walk->visited.insert(canonical.u8string()).second) {
        return;  // reached before by another link
    }
    walk->ancestors.push_back(canonical.u8string());
    WalkFolder(path, walk);
    walk->ancestors.pop_back();
}

// An entry of a folder, kept small: a folder of 10,000 pages is listed whole
// so that its pages are checked in order.
void WalkFolder(const fs::path& folder, TreeWalk* walk)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    if (!ListFolder(folder, &entries, &error)) {
        Unreadable(folder, "cannot be read as a folder: " + error.message(), walk);
        return;
    }
    for (const FolderEntry& entry : entries) {
        fs::path path = folder / fs::u8path(entry.name);
        InputKind kind = KindOfName(entry.name);
        bool checked = kind == InputPage || kind == InputHelp;
        if (entry.type == fs::file_type::directory || (entry.type == fs::file_type::regular && checked)) {
            WalkInto(path, entry, walk);
        } else if (entry.type != fs::file_type::regular && checked) {
            Unreadable(path, "cannot be read: a broken link, or not a file", walk);
        }
    }
}

}  // namespace

void WalkTree(const fs::path& folder, const fs::path& limit, CheckRun* run)
{
    TreeWalk walk;
    std::error_code error;
    walk.root = fs::canonical(folder, error);
    walk.limit = limit;
    walk.run = run;
    walk.ancestors.push_back(walk.root.u8string());
    walk.visited.insert(walk.root.u8string());
    WalkFolder(folder, &walk);
}
