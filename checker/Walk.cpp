#include "checker/Walk.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <unordered_set>

#include "checker/core/TextTools.h"
#include "checker/input/FolderChoice.h"
#include "checker/input/Input.h"
#include "checker/system/FolderListing.h"

namespace fs = std::filesystem;

namespace {

struct TreeWalk {
    fs::path root;                            // canonical
    std::vector<std::string> ancestors;       // canonical folders from the root down
    std::unordered_set<std::string> visited;  // canonical folders
    const FileFound& found;
    std::vector<Finding>* findings;
};

void Report(const fs::path& path, RuleId rule, const std::string& message, TreeWalk* walk)
{
    Place place = {path.generic_u8string(), std::string(), 0, 0};
    walk->findings->push_back({place, rule, message});
}

void WalkFolder(const fs::path& folder, TreeWalk* walk);

// Folders and links to them are walked into, once each, and never out of
// the tree; a link to a file is checked as the file.
void WalkInto(const fs::path& path, const FolderEntry& entry, TreeWalk* walk)
{
    if (entry.type == fs::file_type::directory || entry.symlink) {
        std::error_code error;
        fs::path canonical = fs::canonical(path, error);
        if (error) {
            Report(path, RuleUnreadableInput, "cannot be followed: " + error.message(), walk);
            return;
        }
        std::vector<std::string>& ancestors = walk->ancestors;
        if (std::find(ancestors.begin(), ancestors.end(), canonical.u8string()) != ancestors.end()) {
            Report(path, RuleUnreadableInput,
                   "is a symbolic link loop back to " + Quoted(canonical.generic_u8string()) + "; not followed", walk);
            return;
        }
        if (entry.symlink && !PathWithin(canonical, walk->root)) {
            Report(path, RuleOutsideLink,
                   "is a symbolic link to " + Quoted(canonical.generic_u8string()) + ", outside the tree checked; not followed",
                   walk);
            return;
        }
        if (entry.type == fs::file_type::directory) {
            if (walk->visited.insert(canonical.u8string()).second) {  // not reached before by another link
                ancestors.push_back(canonical.u8string());
                WalkFolder(path, walk);
                ancestors.pop_back();
            }
            return;
        }
    }
    walk->found(path);
}

// A folder is listed whole, so that its pages are checked in order.
void WalkFolder(const fs::path& folder, TreeWalk* walk)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    if (!ListFolder(folder, &entries, &error)) {
        Report(folder, RuleUnreadableInput, "cannot be read as a folder: " + error.message(), walk);
        return;
    }
    for (const FolderEntry& entry : entries) {
        if (entry.name == ".git" || entry.name == ".hg" || entry.name == ".svn") {
            continue;  // a repository's own records, never part of a help file
        }
        fs::path path = folder / fs::u8path(entry.name);
        InputKind kind = entry.type == fs::file_type::regular ? KindOfFile(path) : KindOfName(entry.name);
        bool checked = kind == InputPage || kind == InputScript || kind == InputHelp;
        if (entry.type == fs::file_type::directory || (entry.type == fs::file_type::regular && checked)) {
            WalkInto(path, entry, walk);
        } else if (entry.type != fs::file_type::regular && checked) {
            Report(path, RuleUnreadableInput, "cannot be read: a broken link, or not a file", walk);
        }
    }
}

}  // namespace

void WalkFolderTree(const fs::path& folder, const FileFound& found, std::vector<Finding>* findings)
{
    std::error_code error;
    TreeWalk walk = {fs::canonical(folder, error), {}, {}, found, findings};
    walk.ancestors.push_back(walk.root.u8string());
    walk.visited.insert(walk.root.u8string());
    WalkFolder(folder, &walk);
}
