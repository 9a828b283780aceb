#include "checker/predict/MissingPages.h"

#include <atomic>
#include <unordered_map>

#include "checker/input/FolderChoice.h"
#include "checker/page/LinkFinder.h"
#include "checker/system/Names.h"
#include "checker/page/PageReferences.h"
#include "checker/page/PageText.h"
#include "checker/input/Project.h"
#include "checker/core/TextTools.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace {

// A member of a compiled file is named as the URL names it: its parts
// between "/" and "\\" joined by "/", "." and ".." resolved, and no trailing
// period or space dropped, as Windows drops them from a file's name. False
// when it has no part, or ".." climbs above the root. Built in place: most
// targets of a large help file are resolved so.
bool ResolveMemberPath(const std::string& joined, std::string* path)
{
    path->clear();
    bool parts = false;
    size_t start = 0;
    while (start < joined.size()) {
        size_t end = FindAnyOf(joined, "\\/", start);
        end = end == std::string::npos ? joined.size() : end;
        size_t length = end - start;
        parts = parts || length > 0;
        if (length == 2 && joined[start] == '.' && joined[start + 1] == '.') {
            if (path->empty()) {
                return false;
            }
            size_t slash = path->find_last_of('/');
            path->resize(slash == std::string::npos ? 0 : slash);
        } else if (length > 0 && !(length == 1 && joined[start] == '.')) {
            if (!path->empty()) {
                *path += '/';
            }
            path->append(joined, start, length);
        }
        start = end + 1;
    }
    return parts;
}

// The page a target names from a page's folder: a member of the help file,
// or for a folder on disk (absolute, its parts resolved once as folder) a
// file by Windows' rules; false when it climbs above the help file's root.
bool ResolveTarget(const std::string& folderName, const PartsResolved& folder, const std::string& target,
                   std::string* path)
{
    bool absolute = !folderName.empty() && folderName[0] == '/';
    if (!absolute) {
        return ResolveMemberPath(target[0] == '/' ? target : folderName + "/" + target, path);
    }
    PartsResolved parts = folder;
    parts.AddParts(target);
    if (!parts.resolved) {
        return false;
    }
    *path = parts.path.empty() ? "/" : parts.path;
    return true;
}

}  // namespace

bool SameFileTarget(const std::string& reference, const std::string& helpName, std::string* target)
{
    // Most references name no such scheme: they are let go before a copy.
    std::string_view trimmed = TrimmedView(reference);
    const char* text = trimmed.data();
    size_t size = trimmed.size();
    size_t scheme = StartsWithNoCase(text, size, 0, "ms-its:")           ? 7
                    : StartsWithNoCase(text, size, 0, "its:")           ? 4
                    : StartsWithNoCase(text, size, 0, "mk:@msitstore:") ? 14
                                                                        : 0;
    if (scheme == 0 || helpName.empty()) {
        return false;
    }
    std::string url(trimmed);
    size_t separator = url.find("::", scheme);
    if (separator == std::string::npos) {
        return false;
    }
    std::string file = url.substr(scheme, separator - scheme);
    file = file.substr(file.find_last_of("/\\") == std::string::npos ? 0 : file.find_last_of("/\\") + 1);
    if (NameKey(file) != NameKey(helpName)) {
        return false;
    }
    *target = url.substr(separator + 2);
    return !target->empty();
}

namespace {

// Whether a target names a page: "a.htm." does too, which Windows opens as
// a.htm from a folder, but which no member of a compiled file is.
bool NamesPage(std::string target)
{
    while (!target.empty() && (target.back() == '.' || target.back() == ' ')) {
        target.pop_back();
    }
    return ChmIsPageName(target.c_str());
}

// What a page's relative references are read from: its own folder (an
// empty prefix) or the folder its base names ("sub/"; "/sub/" from the help
// file's root). False when the base is no page of the help file: they name
// none of its pages.
bool BasePrefix(const std::string& base, const std::string& helpName, std::string* prefix, bool* ownFile)
{
    prefix->clear();
    std::string own;
    *ownFile = SameFileTarget(base, helpName, &own);
    return base.empty() || BaseFolder(*ownFile ? own : base, prefix);
}

// Where one reference leads from a page: whether it names a local page, and
// its path from the help file's root (empty when it climbs above it); and
// whether the help file held it, when asked one with a key.
struct Resolution {
    std::string path;
    bool namesPage;
    bool held = false;
    unsigned heldKey = 0;  // of the help file asked; 0 for none
};

Resolution ResolveReference(const std::string& value, const PageInHelp& in, const PartsResolved& folder,
                            bool baseLocal, const std::string& prefix, bool baseInFile)
{
    std::string target;
    std::string own;
    std::string url = UrlText(value);
    bool inFile = SameFileTarget(url, in.helpName, &own);
    if (!(inFile ? LocalTarget(own, &target) : LocalTarget(url, &target)) || !NamesPage(target)) {
        return {std::string(), false};
    }
    if (!inFile && target[0] != '/') {
        if (!baseLocal) {
            return {std::string(), false};
        }
        target = prefix + target;
        inFile = baseInFile;
    }
    std::string path;
    if (!ResolveTarget(inFile ? "" : in.folder, folder, target, &path)) {
        path.clear();
    }
    return {path, true};
}

typedef std::unordered_map<std::string, Resolution> Resolutions;

}  // namespace

struct TargetResolutions::Known {
    std::unordered_map<std::string, Resolutions> byContext;
    size_t entries = 0;
    // The context of the page before, whose pages come one after another
    // from a folder: theirs is not looked up again.
    Resolutions* last = nullptr;
    std::string lastHelpName;
    std::string lastFolder;
    std::string lastBase;
    // The parts of the last folder on disk resolved, for its pages' targets.
    std::string partsFolder;
    PartsResolved parts;
};

TargetResolutions::TargetResolutions() : known(new Known) {}

TargetResolutions::~TargetResolutions() = default;

void TargetResolutions::LetGo()
{
    known.reset();
}

namespace {

Resolutions& ResolutionsFor(const PageInHelp& in, const std::string& base, TargetResolutions::Known& known)
{
    enum { MostEntries = 1 << 15 };  // each thread's: together as many as one thread kept
    if (known.entries > MostEntries) {
        known.byContext.clear();
        known.entries = 0;
        known.last = nullptr;
    }
    if (known.last && in.helpName == known.lastHelpName && in.folder == known.lastFolder && base == known.lastBase) {
        return *known.last;
    }
    std::string context = std::to_string(in.helpName.size()) + ":" + in.helpName +
                          std::to_string(in.folder.size()) + ":" + in.folder + base;
    known.last = &known.byContext[context];
    known.lastHelpName = in.helpName;
    known.lastFolder = in.folder;
    known.lastBase = base;
    return *known.last;
}

// A page's folder on disk, its parts resolved once for the pages of the folder.
const PartsResolved& FolderParts(const std::string& folder, TargetResolutions::Known& known)
{
    if (known.partsFolder != folder) {
        known.partsFolder = folder;
        known.parts = PartsResolved();
        known.parts.AddParts(folder, true);
    }
    return known.parts;
}

// The local pages a page names that holds does not know (all without it),
// line and column left for later.
// Whether holds holds a resolution's path, asked once for each key.
bool Held(const HoldsPage& holds, Resolution* resolution)
{
    if (holds.key == 0 || resolution->heldKey != holds.key) {
        resolution->held = holds(resolution->path);
        resolution->heldKey = holds.key;
    }
    return resolution->held;
}

void FindTargetsOf(const PageScan& scan, const PageInHelp& in, const Place& where, const HoldsPage* holds,
                   TargetResolutions::Known& known, std::vector<PageTarget>* targets)
{
    std::string prefix;
    bool baseInFile = false;
    bool baseLocal = BasePrefix(UrlText(scan.base), in.helpName, &prefix, &baseInFile);
    Resolutions& resolutions = ResolutionsFor(in, scan.base, known);
    const PartsResolved& folder = FolderParts(in.folder, known);
    for (const PageReference& reference : scan.references) {
        auto found = resolutions.find(reference.value);
        if (found == resolutions.end()) {
            found = resolutions
                        .emplace(reference.value, ResolveReference(reference.value, in, folder, baseLocal, prefix, baseInFile))
                        .first;
            ++known.entries;
        }
        Resolution& resolution = found->second;
        if (resolution.namesPage && !(holds && !resolution.path.empty() && Held(*holds, &resolution))) {
            targets->emplace_back();
            PageTarget& target = targets->back();
            target.place.file = where.file;
            target.place.member = where.member;
            target.offset = reference.offset;
            target.reference = reference.value;
            target.path = resolution.path;
            target.shown = resolution.path;
        }
    }
}

// From the first target to place: the targets before it are placed.
void PlaceTargets(const PageText& page, size_t first, std::vector<PageTarget>* targets)
{
    TextCursor cursor(page.text, page.size);
    for (size_t i = first; i < targets->size(); ++i) {
        PageTarget& target = (*targets)[i];
        cursor.MoveTo(target.offset);
        target.place.line = cursor.line;
        target.place.column = cursor.column;
    }
}

}  // namespace

void FindPageTargets(const PageText& page, const PageScan& scan, const PageInHelp& in, const Place& where,
                     const HoldsPage* holds, TargetResolutions* resolutions, std::vector<PageTarget>* targets)
{
    size_t first = targets->size();
    FindTargetsOf(scan, in, where, holds, *resolutions->known, targets);
    PlaceTargets(page, first, targets);
}

unsigned NewHoldsKey()
{
    static std::atomic<unsigned> last(0);
    return ++last;
}

struct FilesOnDisk::Known {
    SystemLock lock;
    std::unordered_map<std::string, bool> files;  // by absolute path
    FolderNames names;  // many missing pages of one folder list it once
};

FilesOnDisk::FilesOnDisk() : known_(new Known), key_(NewHoldsKey()) {}

FilesOnDisk::~FilesOnDisk() = default;

bool FilesOnDisk::Hold(const std::string& path)
{
    known_->lock.Lock();
    auto found = known_->files.find(path);
    bool known = found != known_->files.end();
    bool held = known && found->second;
    known_->lock.Unlock();
    if (known) {
        return held;
    }
    // Looked for outside the lock: two threads may both look, once.
    held = FileOnDisk(path, &known_->names);
    known_->lock.Lock();
    known_->files.emplace(path, held);
    known_->lock.Unlock();
    return held;
}

HoldsPage FilesOnDisk::Holds()
{
    return {[this](const std::string& path) { return Hold(path); }, key_};
}

namespace {

void ReportMissingPage(const PageTarget& target, const std::string& shown, std::vector<Finding>* findings)
{
    std::string reference = target.reference;
    if (reference.size() > 200) {
        size_t cut = 200;
        while (cut > 0 && (static_cast<unsigned char>(reference[cut]) & 0xC0) == 0x80) {
            --cut;  // not inside a UTF-8 character
        }
        reference = reference.substr(0, cut) + "...";
    }
    std::string message;
    message.reserve(reference.size() + shown.size() + 64);
    message.append("\"").append(reference).append("\" names a page the help file does not hold");
    if (target.path.empty()) {
        message.append(": it leads above its root");
    } else if (shown != target.reference) {
        message.append(" (").append(Quoted(shown)).append(")");
    }
    findings->push_back({target.place, RuleMissingPage, std::move(message)});
}

// A target's path from the folder it is shown from, when it is below it:
// its suffix when both are plain (most pages), as lexically_relative gives it.
std::string ShownFrom(const PageTarget& target, const std::string& from, bool plainFrom)
{
    const std::string& path = target.path;
    if (plainFrom && IsPlainAbsolutePath(path)) {
        bool within = path.compare(0, from.size(), from) == 0 &&
                      (path.size() == from.size() || path[from.size()] == '/' || from.size() == 1);
        if (!within) {
            return target.shown;
        }
        size_t skip = from.size() == 1 ? 1 : from.size() + 1;
        return path.size() > skip ? path.substr(skip) : std::string(".");
    }
    std::filesystem::path file = std::filesystem::u8path(path);
    std::filesystem::path folder = std::filesystem::u8path(from);
    return PathWithin(file, folder) ? file.lexically_relative(folder).generic_u8string() : target.shown;
}

}  // namespace

void ReportPageTargets(const std::vector<PageTarget>& missing, const PageInHelp& in, std::vector<Finding>* findings)
{
    // Each was looked up: none is held.
    bool plainFrom = IsPlainAbsolutePath(in.shownFrom);
    for (const PageTarget& target : missing) {
        ReportMissingPage(target, in.shownFrom.empty() ? target.shown : ShownFrom(target, in.shownFrom, plainFrom),
                          findings);
    }
}

void ReportMissingPages(const std::vector<PageTarget>& targets, const HoldsPage& holds,
                        std::vector<Finding>* findings)
{
    for (const PageTarget& target : targets) {
        if (target.path.empty() || !holds(target.path)) {
            ReportMissingPage(target, target.shown, findings);
        }
    }
}

PageInHelp PageOnDiskIn(const std::string& path, const std::string& working)
{
    // A plain path's folder is the text before its last "/": most pages of
    // a walk are placed so, without a path taken apart. Only from a plain
    // working folder: on Windows a path from "/" takes the working folder's drive.
    std::string joined = !path.empty() && path[0] == '/' ? path : working == "/" ? "/" + path : working + "/" + path;
    if (IsPlainAbsolutePath(working) && IsPlainAbsolutePath(joined)) {
        size_t slash = joined.rfind('/');
        return {slash == 0 ? std::string("/") : joined.substr(0, slash), "", working};
    }
    std::filesystem::path file = std::filesystem::u8path(path);
    // From the working folder asked once, not once a page; a path with a
    // drive of its own is left to the system.
    std::filesystem::path absolute = file.is_absolute() || file.has_root_name() ? std::filesystem::absolute(file)
                                                                                : std::filesystem::u8path(working) / file;
    return {absolute.parent_path().lexically_normal().generic_u8string(), "", working};
}

bool FileOnDisk(const std::string& path, FolderNames* names)
{
    namespace fs = std::filesystem;
    fs::path file = fs::u8path(path);
    std::error_code error;
    if (fs::is_regular_file(file, error)) {
        return true;  // most targets: one stat, no listing
    }
    std::string relative = file.relative_path().generic_u8string();
    std::vector<std::string> parts = RelativeNameParts(relative);
    if (names && !parts.empty() && parts[0] != "..") {
        // A folder listed as written is every part before the last as
        // FindProjectFile finds it: the name is looked for in that folder's
        // listing alone, when the path names it as written.
        fs::path folder = file.root_path();
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            folder /= fs::u8path(parts[i]);
        }
        ListedName found = names->Find(folder, parts.back());
        if (found.listed && (folder / fs::u8path(parts.back())).native() == file.native()) {
            // An entry of the name as written that leads somewhere is the one
            // (not a file: it was asked); else the first of any case.
            bool leads = found.exact != fs::file_type::not_found && found.exact != fs::file_type::unknown &&
                         found.exact != fs::file_type::none;
            return !leads && found.type == fs::file_type::regular;
        }
    }
    return fs::is_regular_file(FindProjectFile(file.root_path(), relative, names), error);
}
