#include "checker/Check.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "checker/LinkFinder.h"
#include "checker/Package.h"
#include "platform/ChmStorage.h"

namespace fs = std::filesystem;

namespace {

enum InputKind { InputPage, InputList, InputHelp };

std::string LowerName(const fs::path& path)
{
    std::string name = path.filename().u8string();
    for (char& c : name) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

std::string Extension(const fs::path& path)
{
    std::string name = LowerName(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

InputKind KindOf(const fs::path& path)
{
    std::string extension = Extension(path);
    if (extension == ".chm") {
        return InputHelp;
    }
    return ChmIsPageName(LowerName(path).c_str()) ? InputPage : InputList;
}

void InputError(const std::string& file, const std::string& reason, CheckRun* run)
{
    const Rule& rule = RuleById("unreadable-input");
    run->findings.push_back({file, 0, 0, &rule, rule.severity, reason});
    run->inputFailed = true;
}

// With "/" on every system, so that both builds report alike.
std::string Shown(const fs::path& path)
{
    return path.generic_u8string();
}

// A byte that no text page holds.
const char* BinaryReason(const char* bytes, size_t size)
{
    if (memchr(bytes, 0, size)) {
        return "holds NUL bytes: not a text file (UTF-16 or binary); not checked";
    }
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B) {
            return "holds control bytes: not a text file; not checked";
        }
    }
    return nullptr;
}

bool ReadWholeFile(const fs::path& path, std::string* bytes, std::string* reason)
{
    FILE* file = fopen(Shown(path).c_str(), "rb");
    if (!file) {
        *reason = std::string("cannot be opened: ") + strerror(errno);
        return false;
    }
    bytes->clear();
    char block[65536];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, file)) > 0) {
        if (bytes->size() + got > PageLimit) {
            fclose(file);
            *reason = "is larger than 32 MiB, more than any help page or link list; not checked";
            return false;
        }
        bytes->append(block, got);
    }
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        *reason = std::string("cannot be read: ") + strerror(errno);
        return false;
    }
    return true;
}

bool HasFileNamed(const fs::path& folder, const char* lowerName, bool byExtension)
{
    std::error_code error;
    for (fs::directory_iterator entries(folder, error); !error && entries != fs::directory_iterator();
         entries.increment(error)) {
        bool match = byExtension ? Extension(entries->path()) == lowerName : LowerName(entries->path()) == lowerName;
        if (match && entries->is_regular_file(error)) {
            return true;
        }
    }
    return false;
}

// For a file given alone: the nearest folder up from it that holds
// Tipstart.exe or a help project (.hhp); else its own folder.
fs::path PackageFolderOfFile(const fs::path& file)
{
    std::error_code error;
    fs::path own = fs::absolute(file, error).parent_path();
    for (fs::path folder = own; !folder.empty(); folder = folder.parent_path()) {
        if (HasFileNamed(folder, "tipstart.exe", false) || HasFileNamed(folder, ".hhp", true)) {
            return folder;
        }
        if (folder == folder.parent_path()) {
            break;
        }
    }
    return own;
}

void UsePackageFolder(const fs::path& folder, const CheckRun& run)
{
    PackageSetFolder(run.exeFolder.empty() ? Shown(folder) : run.exeFolder);
}

void CheckHelpFile(const fs::path& path, CheckRun* run);

void CheckFile(const fs::path& path, InputKind kind, CheckRun* run)
{
    if (kind == InputHelp) {
        CheckHelpFile(path, run);
        return;
    }
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, &bytes, &reason)) {
        InputError(Shown(path), reason, run);
        return;
    }
    CheckPageBytes(bytes.data(), bytes.size(), kind == InputList, Shown(path), run);
}

struct HelpVisit {
    std::string shownHelp;
    CheckRun* run;
    size_t pages;
};

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
    std::string shown = visit->shownHelp + "::" + (name[0] == '/' ? "" : "/") + name;
    if (!bytes) {
        InputError(shown, "is larger than 32 MiB, more than any help page; not checked", visit->run);
        return;
    }
    CheckPageBytes(bytes, size, false, shown, visit->run);
}

void CheckHelpFile(const fs::path& path, CheckRun* run)
{
    HelpVisit visit = {Shown(path), run, 0};
    ChmStatus status = ChmReadPages(Shown(path).c_str(), PageLimit, VisitHelpPage, &visit);
    switch (status) {
    case ChmRead:
        // Every help file has a page; a directory the library skipped as
        // unreadable leaves none.
        if (visit.pages == 0) {
            InputError(visit.shownHelp, "holds no pages: its directory is empty or corrupt", run);
        }
        break;
    case ChmEmpty:
        InputError(visit.shownHelp, "is empty: not a compiled help file", run);
        break;
    case ChmNotHelp:
        InputError(visit.shownHelp, "is not a compiled help file (no ITSF signature)", run);
        break;
    case ChmTruncated:
        InputError(visit.shownHelp, "is a truncated compiled help file: its header reaches past its end", run);
        break;
    case ChmCorrupt:
        InputError(visit.shownHelp, "is a corrupt compiled help file: its directory or a page cannot be read", run);
        break;
    case ChmUnreadable:
        InputError(visit.shownHelp, "cannot be read", run);
        break;
    }
}

// Two walks over a folder: the first only looks for Tipstart.exe, whose
// folder the documents are found in; the second checks every page as it
// comes, so that nothing of the project is held but the folder being read.
struct TreeWalk {
    bool checking = false;
    fs::path tipstartFolder;
    size_t tipstartDepth = static_cast<size_t>(-1);
    std::unordered_set<std::string> visited;  // canonical folders
};

// An entry of a folder, kept small: a folder of 10,000 pages is listed whole
// so that its pages are checked in order.
struct FolderEntry {
    std::string name;
    fs::file_type type;
};

void WalkFolder(const fs::path& folder, size_t depth, std::vector<std::string>* ancestors, TreeWalk* walk,
                CheckRun* run)
{
    std::error_code error;
    std::vector<FolderEntry> entries;
    fs::directory_iterator iterator(folder, error);
    for (; !error && iterator != fs::directory_iterator(); iterator.increment(error)) {
        std::error_code typeError;
        fs::file_type type = iterator->status(typeError).type();
        entries.push_back({iterator->path().filename().u8string(), typeError ? fs::file_type::unknown : type});
    }
    if (error) {
        if (walk->checking) {
            InputError(Shown(folder), "cannot be read as a folder: " + error.message(), run);
        }
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
        fs::path path = folder / fs::u8path(entry.name);
        if (entry.type == fs::file_type::directory) {
            std::error_code kindError;
            std::string canonical = fs::canonical(path, kindError).u8string();
            std::string problem;
            if (kindError) {
                problem = "cannot be followed: " + kindError.message();
            } else if (std::find(ancestors->begin(), ancestors->end(), canonical) != ancestors->end()) {
                problem = "is a symbolic link loop back to " + canonical + "; not followed";
            }
            if (!problem.empty()) {
                if (walk->checking) {
                    InputError(Shown(path), problem, run);
                }
                continue;
            }
            if (!walk->visited.insert(canonical).second) {
                continue;  // reached before by another link
            }
            ancestors->push_back(canonical);
            WalkFolder(path, depth + 1, ancestors, walk, run);
            ancestors->pop_back();
        } else if (entry.type == fs::file_type::regular) {
            if (!walk->checking && LowerName(path) == "tipstart.exe" && depth < walk->tipstartDepth) {
                walk->tipstartFolder = folder;
                walk->tipstartDepth = depth;
            }
            if (walk->checking && KindOf(path) != InputList) {
                CheckFile(path, KindOf(path), run);
            }
        } else if (walk->checking && KindOf(path) != InputList) {
            InputError(Shown(path), "cannot be read: a broken link, or not a file", run);
        }
    }
}

void WalkTree(const fs::path& folder, TreeWalk* walk, CheckRun* run)
{
    std::error_code error;
    std::string canonical = fs::canonical(folder, error).u8string();
    std::vector<std::string> ancestors = {canonical};
    walk->visited.insert(canonical);
    WalkFolder(folder, 0, &ancestors, walk, run);
}

void CheckFolder(const fs::path& folder, CheckRun* run)
{
    TreeWalk search;
    if (run->exeFolder.empty()) {
        WalkTree(folder, &search, run);
    }
    UsePackageFolder(search.tipstartDepth != static_cast<size_t>(-1) ? search.tipstartFolder : folder, *run);
    TreeWalk check;
    check.checking = true;
    WalkTree(folder, &check, run);
}

}  // namespace

void CheckPageBytes(const char* bytes, size_t size, bool isList, const std::string& file, CheckRun* run)
{
    const char* binary = BinaryReason(bytes, size);
    if (binary) {
        InputError(file, binary, run);
        return;
    }
    PageScan scan;
    if (isList) {
        FindListLinks(bytes, size, &scan);
    } else {
        FindPageLinks(bytes, size, &scan);
    }
    ++run->files;
    for (const PageRemark& remark : scan.remarks) {
        const Rule& rule = RuleById("character-reference");
        run->findings.push_back({file, remark.line, remark.column, &rule, rule.severity, remark.message});
    }
    for (const FoundLink& link : scan.links) {
        ++run->links;
        PredictLink(link, file, run->options, &run->findings);
    }
}

void CheckPath(const std::string& given, CheckRun* run)
{
    fs::path path = fs::u8path(given);
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        InputError(given, error && error != std::errc::no_such_file_or_directory
                              ? "cannot be read: " + error.message()
                              : std::string("does not exist"),
                   run);
        return;
    }
    if (fs::is_directory(status)) {
        CheckFolder(path, run);
        return;
    }
    UsePackageFolder(PackageFolderOfFile(path), *run);
    CheckFile(path, KindOf(path), run);
}
