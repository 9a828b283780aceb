#include "checker/Walk.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "checker/Check.h"
#include "checker/FileBytes.h"
#include "checker/FolderListing.h"
#include "checker/HelpFile.h"
#include "checker/LinkFinder.h"
#include "checker/MissingPages.h"
#include "checker/Names.h"
#include "checker/PageCheck.h"
#include "checker/PageText.h"
#include "checker/Project.h"
#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"

namespace fs = std::filesystem;

namespace {

struct TreeWalk {
    fs::path root;                            // canonical
    std::vector<std::string> ancestors;       // canonical folders from the root down
    std::unordered_set<std::string> visited;  // canonical folders
    CheckRun* run;
};

// A page's entries and links, held against its project's gathered pages, or
// against the files on disk.
void CheckPageTargets(const Input& input, const PageText& page, const PageScan& scan, const Place& place, CheckRun* run)
{
    std::vector<Finding>* findings = &run->results.findings;
    if (input.gathered) {
        std::string below = input.path.parent_path().lexically_relative(input.project.parent_path()).generic_u8string();
        std::string compiledName = run->caches.inputs.compiledNames[input.project.u8string()];
        const std::unordered_set<std::string>& pages = run->caches.inputs.projectPages[input.project.u8string()];
        HoldsPage holds = [&pages](const std::string& path) { return pages.count(NameKey(path)) > 0; };
        CheckPageTargets(page, scan, {below == "." ? "" : below, compiledName, ""}, holds, place, findings);
        return;
    }
    std::error_code error;
    std::string working = fs::current_path(error).generic_u8string();
    std::string folder = fs::absolute(input.path).parent_path().lexically_normal().generic_u8string();
    // Pages link to the same pages again and again: each is looked for once.
    std::unordered_map<std::string, bool>& known = run->caches.filesOnDisk;
    HoldsPage holds = [&known](const std::string& path) {
        auto found = known.find(path);
        return found != known.end() ? found->second : known.emplace(path, FileOnDisk(path)).first->second;
    };
    CheckPageTargets(page, scan, {folder, "", working}, holds, place, findings);
}

void Report(const fs::path& path, RuleId rule, const std::string& message, CheckRun* run)
{
    run->results.findings.push_back({{path.generic_u8string(), "", 0, 0}, rule, message});
}

void CheckFound(const fs::path& path, const std::string& shownGiven, CheckRun* run);

// The script files a page on disk loads (<script src>), read with it and
// once in a run: a folder's walk finds them too, and a project gathers those
// its pages load.
void CheckLoadedScripts(const Input& page, const PageScan& scan, CheckRun* run)
{
    for (const PageReference& reference : scan.references) {
        std::string target;
        if (!LocalTarget(UrlText(reference.value), &target) || !ChmIsScriptName(target.c_str()) || target[0] == '/') {
            continue;
        }
        fs::path script = FindProjectFile(page.path.parent_path(), target).lexically_normal();
        std::error_code error;
        if (fs::is_regular_file(script, error)) {
            CheckFound(script, script.generic_u8string(), run);
        }
    }
}

// A file found or given: decided, then read as its kind is.
void CheckFound(const fs::path& path, const std::string& shownGiven, CheckRun* run)
{
    if (!run->caches.inputs.configurationError.empty()) {
        return;  // the run stops at a configuration it cannot read
    }
    for (const Input& input : DecideInputs(path, run->options.folders, &run->caches.inputs)) {
        if (!input.problem.empty()) {
            run->results.findings.push_back({{input.shown, "", 0, 0}, RuleUnreadableInput, input.problem});
            continue;
        }
        switch (input.kind) {
        case InputHelp:
            CheckHelpFile(input, run);
            break;
        case InputPage:
        case InputScript:
        case InputList: {
            PageText page;
            std::string bytes;
            std::string reason;
            bool isList = input.kind == InputList;
            Place place = {input.shown, std::string(), 0, 0};
            if (!ReadWholeFile(input.shown, &bytes, &reason) ||
                !ReadTextFile(input.shown, &bytes, isList, input.codePage, &page, &reason)) {
                run->results.findings.push_back({place, RuleUnreadableInput, reason});
                break;
            }
            PageScan scan;
            TextKind kind = isList ? TextList : TextKindOfName(input.shown);
            CheckLinks(page, kind, place, input.documentsFolder, run->PackageFor(input.installFolder), run, &scan);
            if (kind == TextPage) {
                CheckPageTargets(input, page, scan, place, run);
            }
            if (kind == TextPage && !input.gathered) {
                CheckLoadedScripts(input, scan, run);
            }
            break;
        }
        case InputOther:
            run->results.findings.push_back(
                {{shownGiven, "", 0, 0}, RuleUnreadableInput,
                 std::string("is not a page (.htm .html .hhc .hhk), a script (.js .vbs), a compiled help file (.chm), "
                             "a help project (.hhp) or a link list (") +
                     ListExtension + "); not checked"});
            break;
        case InputProject:
            break;  // it stands for its pages
        }
    }
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
            Report(path, RuleUnreadableInput, "cannot be followed: " + error.message(), walk->run);
            return;
        }
        std::vector<std::string>& ancestors = walk->ancestors;
        if (std::find(ancestors.begin(), ancestors.end(), canonical.u8string()) != ancestors.end()) {
            Report(path, RuleUnreadableInput,
                   "is a symbolic link loop back to " + Quoted(canonical.generic_u8string()) + "; not followed", walk->run);
            return;
        }
        if (entry.symlink && !PathWithin(canonical, walk->root)) {
            Report(path, RuleOutsideLink,
                   "is a symbolic link to " + Quoted(canonical.generic_u8string()) + ", outside the tree checked; not followed",
                   walk->run);
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
    CheckFound(path, path.generic_u8string(), walk->run);
}

// A folder is listed whole, so that its pages are checked in order.
void WalkFolder(const fs::path& folder, TreeWalk* walk)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    if (!ListFolder(folder, &entries, &error)) {
        Report(folder, RuleUnreadableInput, "cannot be read as a folder: " + error.message(), walk->run);
        return;
    }
    for (const FolderEntry& entry : entries) {
        if (entry.name == ".git" || entry.name == ".hg" || entry.name == ".svn") {
            continue;  // a repository's own records, never part of a help file
        }
        fs::path path = folder / fs::u8path(entry.name);
        InputKind kind = KindOfName(entry.name);
        bool checked = kind == InputPage || kind == InputScript || kind == InputHelp;
        if (entry.type == fs::file_type::directory || (entry.type == fs::file_type::regular && checked)) {
            WalkInto(path, entry, walk);
        } else if (entry.type != fs::file_type::regular && checked) {
            Report(path, RuleUnreadableInput, "cannot be read: a broken link, or not a file", walk->run);
        }
    }
}

}  // namespace

void WalkTree(const fs::path& path, bool folder, const std::string& given, CheckRun* run)
{
    if (!folder) {
        CheckFound(path, given, run);
        return;
    }
    TreeWalk walk;
    std::error_code error;
    walk.root = fs::canonical(path, error);
    walk.run = run;
    walk.ancestors.push_back(walk.root.u8string());
    walk.visited.insert(walk.root.u8string());
    WalkFolder(path, &walk);
}
