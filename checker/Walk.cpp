#include "checker/Walk.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "checker/core/TextTools.h"
#include "checker/input/FolderChoice.h"
#include "checker/input/Input.h"
#include "checker/system/FileBytes.h"
#include "checker/system/FolderListing.h"

namespace fs = std::filesystem;

namespace {

struct TreeWalk {
    fs::path root;                            // canonical
    std::vector<std::string> ancestors;       // canonical folders from the root down
    std::unordered_set<std::string> visited;  // canonical folders
    const FileFound& found;
    std::vector<Finding>* findings;
    const FilesComing& coming;
    std::unordered_map<std::string, std::string> resolved;  // a path's canonical one, for the parts links lead through
};

void Report(const fs::path& path, RuleId rule, const std::string& message, TreeWalk* walk)
{
    Place place = {path.generic_u8string(), std::string(), 0, 0};
    walk->findings->push_back({place, rule, message});
}

void WalkFolder(const fs::path& folder, const fs::path& absolute, TreeWalk* walk);

enum { MostLinksFollowed = 40 };  // as the system's own resolution

// The canonical path of the entry named so in a canonical folder, as
// fs::canonical gives it: each link read once, the parts it leads through
// remembered, so that a tree of many links costs a readlink or two a link
// rather than one for every part of its path. folder's ".." is its parent:
// it holds no link.
std::string ResolveEntry(const std::string& folder, const std::string& name, bool remember, TreeWalk* walk,
                         int* links, std::error_code* error);

std::string ResolveParts(std::string at, const fs::path& relative, TreeWalk* walk, int* links, std::error_code* error)
{
    std::vector<std::string> parts;
    for (const fs::path& part : relative.relative_path()) {
        parts.push_back(part.u8string());
    }
    for (size_t i = 0; i < parts.size() && !*error; ++i) {
        if (parts[i].empty() || parts[i] == ".") {
            continue;
        }
        if (parts[i] == "..") {
            size_t slash = at.rfind('/');
            at = slash == 0 || slash == std::string::npos ? "/" : at.substr(0, slash);
            continue;
        }
        // The last part's own answer is not kept: it is a link's target, one of many.
        at = ResolveEntry(at, parts[i], i + 1 < parts.size(), walk, links, error);
    }
    return at;
}

std::string ResolveEntry(const std::string& folder, const std::string& name, bool remember, TreeWalk* walk,
                         int* links, std::error_code* error)
{
    std::string path = folder == "/" ? "/" + name : folder + "/" + name;
    auto known = walk->resolved.find(path);
    if (known != walk->resolved.end()) {
        return known->second;
    }
    std::error_code readError;
    fs::path target = fs::read_symlink(fs::u8path(path), readError);
    std::string canonical = path;
    if (readError == std::errc::invalid_argument) {
        // There, and no link.
    } else if (readError) {
        *error = readError;
        return std::string();
    } else if (++*links > MostLinksFollowed) {
        *error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        return std::string();
    } else {
        canonical = ResolveParts(target.is_absolute() ? std::string("/") : folder, target, walk, links, error);
        if (*error) {
            return std::string();
        }
    }
    if (remember) {
        walk->resolved.emplace(path, canonical);
    }
    return canonical;
}

// A folder or link met in the folder walked: a folder's canonical path is
// the walked folder's with its name; a link's is resolved from there. A
// system whose paths are not POSIX ones resolves it itself.
fs::path CanonicalOf(const fs::path& path, const FolderEntry& entry, TreeWalk* walk, std::error_code* error)
{
    error->clear();
    if (walk->root.empty() || (entry.symlink && fs::path::preferred_separator != '/')) {
        return fs::canonical(path, *error);
    }
    if (entry.symlink) {
        int links = 0;
        std::string canonical = ResolveEntry(walk->ancestors.back(), entry.name, false, walk, &links, error);
        return *error ? fs::path() : fs::u8path(canonical);
    }
    return fs::u8path(walk->ancestors.back()) / fs::u8path(entry.name);
}

// Folders and links to them are walked into, once each, and never out of
// the tree; a link to a file is checked as the file. folderAbsolute: the
// absolute path of the folder the entry is in.
void WalkInto(const fs::path& path, const fs::path& folderAbsolute, const FolderEntry& entry, TreeWalk* walk)
{
    if (entry.type == fs::file_type::directory || entry.symlink) {
        std::error_code error;
        fs::path canonical = CanonicalOf(path, entry, walk, &error);
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
                WalkFolder(path, folderAbsolute.empty() ? fs::path() : folderAbsolute / fs::u8path(entry.name), walk);
                ancestors.pop_back();
            }
            return;
        }
    }
    walk->found(path);
}

bool IsRepositoryRecord(const FolderEntry& entry)
{
    return entry.name == ".git" || entry.name == ".hg" || entry.name == ".svn";
}

// The pages and scripts by name from entries[first] on, up to the next
// folder, which the walk is to hand over one after another. Links are left
// out: one that leads out of the tree is not handed over.
void TellComing(const fs::path& folder, const std::vector<FolderEntry>& entries, size_t first, TreeWalk* walk)
{
    std::vector<std::string> files;
    for (size_t i = first; i < entries.size() && entries[i].type != fs::file_type::directory; ++i) {
        InputKind kind = KindOfName(entries[i].name);
        if (entries[i].type == fs::file_type::regular && !entries[i].symlink && (kind == InputPage || kind == InputScript)) {
            files.push_back((folder / fs::u8path(entries[i].name)).generic_u8string());
        }
    }
    if (!files.empty()) {
        walk->coming(files);
    }
}

// The files told and not handed over are let go of, before the listings
// held change: what is read ahead of the walk reads them too.
void LetGoOfTold(TreeWalk* walk)
{
    if (walk->coming) {
        walk->coming(std::vector<std::string>());
    }
}

// The entries of a folder listed, in order.
void WalkEntries(const fs::path& folder, const fs::path& absolute, const std::vector<FolderEntry>& entries,
                 TreeWalk* walk)
{
    bool told = false;  // the files up to the next folder are told
    for (size_t i = 0; i < entries.size(); ++i) {
        const FolderEntry& entry = entries[i];
        if (entry.type == fs::file_type::directory) {
            told = false;
        }
        if (IsRepositoryRecord(entry)) {
            continue;  // a repository's own records, never part of a help file
        }
        if (!told && entry.type != fs::file_type::directory && walk->coming) {
            TellComing(folder, entries, i, walk);
            told = true;
        }
        fs::path path = folder / fs::u8path(entry.name);
        // Only a file its name does not make checked is opened, for the
        // signature that makes it a compiled help file.
        InputKind kind = KindOfName(entry.name);
        if (entry.type == fs::file_type::regular && (kind == InputList || kind == InputOther)) {
            kind = KindOfFile(path);
        }
        bool checked = kind == InputPage || kind == InputScript || kind == InputHelp;
        if (entry.type == fs::file_type::directory || (entry.type == fs::file_type::regular && checked)) {
            WalkInto(path, absolute, entry, walk);
        } else if (entry.type != fs::file_type::regular && checked) {
            Report(path, RuleUnreadableInput, "cannot be read: a broken link, or not a file", walk);
        }
    }
}

// A folder is listed whole, so that its pages are checked in order; its
// listing is held meanwhile for the choice of its files' folders, by the
// folder's absolute path (empty when unknown).
void WalkFolder(const fs::path& folder, const fs::path& absolute, TreeWalk* walk)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    if (!ListFolder(folder, &entries, &error)) {
        Report(folder, RuleUnreadableInput, "cannot be read as a folder: " + error.message(), walk);
        return;
    }
    LetGoOfTold(walk);
    HoldListing(absolute, &entries);
    WalkEntries(folder, absolute, entries, walk);
    LetGoOfTold(walk);
    DropListing();
}

// A compiled help file's reading, as its reader hands the members over.
struct HelpWalk {
    const MemberFound& found;
    const std::map<std::string, ScriptLanguage>* loaded;  // in the second reading
    size_t* pages;
};

void VisitHelpMember(void* context, const char* name, std::string* bytes, size_t)
{
    HelpWalk* walk = static_cast<HelpWalk*>(context);
    ++*walk->pages;
    std::string member = std::string(name[0] == '/' ? "" : "/") + name;
    TextKind kind = TextKindOfName(member);
    if (walk->loaded) {
        // A script whatever its name, in the language of the tag that loads it.
        auto loaded = walk->loaded->find(AsciiLower(member));
        kind = loaded != walk->loaded->end() && loaded->second == ScriptVBScript ? TextVBScript : TextJScript;
    }
    walk->found(member, bytes, kind);
}

}  // namespace

std::string WalkHelpFile(const std::string& path, const MemberFound& found, const PagesRead& pagesRead,
                         const std::map<std::string, ScriptLanguage>& loaded, ChmFailure* failure,
                         unsigned long long asideFrom)
{
    size_t pages = 0;
    HelpWalk walk = {found, nullptr, &pages};
    ChmStatus status = ChmReadPages(path.c_str(), PageLimit, VisitHelpMember, &walk, failure, nullptr, asideFrom);
    pages += failure->aside.size();  // read beside, by pagesRead
    pagesRead(status);
    std::string reason = ChmFailureText(status, *failure, pages);
    if (!reason.empty() || loaded.empty()) {
        return reason;
    }
    std::vector<std::string> names;
    for (const auto& script : loaded) {
        names.push_back(script.first);
    }
    ChmFailure again;
    HelpWalk scripts = {found, &loaded, &pages};
    status = ChmReadPages(path.c_str(), PageLimit, VisitHelpMember, &scripts, &again, &names);
    return status == ChmRead ? std::string() : ChmFailureText(status, again, pages);
}

void WalkFolderTree(const fs::path& folder, const FileFound& found, std::vector<Finding>* findings,
                    const FilesComing& coming)
{
    std::error_code error;
    TreeWalk walk = {fs::canonical(folder, error), {}, {}, found, findings, coming, {}};
    walk.ancestors.push_back(walk.root.u8string());
    walk.visited.insert(walk.root.u8string());
    fs::path absolute = fs::absolute(folder, error).lexically_normal();
    if (error) {
        absolute.clear();
    } else if (!absolute.has_filename() && absolute != absolute.root_path()) {
        absolute = absolute.parent_path();  // "/a/b/" from "b/." is "/a/b"
    }
    WalkFolder(folder, absolute, &walk);
}
