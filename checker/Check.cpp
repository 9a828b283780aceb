#include "checker/Check.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "checker/LinkFinder.h"
#include "checker/Names.h"
#include "checker/Package.h"
#include "checker/PageText.h"
#include "checker/chm/ChmStorage.h"
#include "checker/system/System.h"

namespace fs = std::filesystem;

namespace {

const char* const ListExtension = ".txt";

std::string LimitText()
{
    return "is larger than " + std::to_string(PageLimit / (1024 * 1024)) + " MiB";
}

void InputError(const std::string& file, const std::string& reason, CheckRun* run)
{
    run->findings.push_back({file, 0, 0, &RuleById("unreadable-input"), reason});
    run->inputFailed = true;
}

// With "/" on every system, so that both builds report alike.
std::string Shown(const fs::path& path)
{
    return path.generic_u8string();
}

// A byte that no text page holds; UTF-16 with its mark holds NUL bytes.
const char* BinaryReason(const char* bytes, size_t size)
{
    size_t markSize = 0;
    unsigned marked = ByteOrderMark(bytes, size, &markSize);
    if (marked == 1200 || marked == 1201) {
        return nullptr;
    }
    if (memchr(bytes, 0, size)) {
        return "holds NUL bytes: not a text file (UTF-16 without a byte-order mark, or binary); not checked";
    }
    static const bool* const control = [] {
        static bool table[256] = {};
        for (unsigned c = 0; c < 0x20; ++c) {
            table[c] = c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B;
        }
        return table;
    }();
    for (size_t i = 0; i < size; ++i) {
        if (control[static_cast<unsigned char>(bytes[i])]) {
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
    std::string().swap(*bytes);
    long expected = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    rewind(file);
    if (expected > 0 && expected <= PageLimit) {
        bytes->reserve(static_cast<size_t>(expected));  // no second copy while growing
    }
    char block[65536];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, file)) > 0) {
        if (bytes->size() + got > PageLimit) {
            fclose(file);
            *reason = LimitText() + ", more than any help page or link list; not checked";
            return false;
        }
        bytes->append(block, got);
    }
    int error = ferror(file) ? errno : 0;
    fclose(file);
    if (error) {
        *reason = std::string("cannot be read: ") + strerror(error);
        return false;
    }
    return true;
}

// The code page of a help project's language (its Language= line).
unsigned ProjectCodePage(const fs::path& project, CheckRun* run)
{
    if (project.empty()) {
        return 0;
    }
    auto known = run->projectCodePages.find(project.u8string());
    if (known != run->projectCodePages.end()) {
        return known->second;
    }
    unsigned codePage = 0;
    std::string bytes;
    std::string reason;
    if (ReadWholeFile(project, &bytes, &reason)) {
        size_t at = AsciiLower(bytes).find("\nlanguage=");
        if (at != std::string::npos) {
            codePage = SystemLanguageCodePage(static_cast<unsigned>(strtoul(bytes.c_str() + at + 10, nullptr, 0)));
        }
    }
    run->projectCodePages[project.u8string()] = codePage;
    return codePage;
}

// The package of a help file: where its documents are.
void UsePackageOf(const fs::path& file, bool compiled, const fs::path& limit, CheckRun* run)
{
    PackageSetFolder(DocumentsFolder(file, compiled, limit, &run->folders));
}

void CheckHelpFile(const fs::path& path, const fs::path& limit, CheckRun* run);
void CheckProject(const fs::path& path, const fs::path& limit, CheckRun* run);
void CheckPageText(const PageText& page, InputKind kind, const std::string& file, CheckRun* run);

// A page in a code page of one byte a character, decoded a block at a time
// as the file is read again, so that its bytes and its text are never both
// held whole: a character may take three bytes in UTF-8.
bool DecodeFileByBlocks(const fs::path& path, size_t markSize, PageText* page, std::string* reason)
{
    FILE* file = fopen(Shown(path).c_str(), "rb");
    if (!file || fseek(file, static_cast<long>(markSize), SEEK_SET) != 0) {
        *reason = std::string("cannot be read again: ") + strerror(errno);
        if (file) {
            fclose(file);
        }
        return false;
    }
    char block[65536];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, file)) > 0) {
        DecodePageBytes(block, got, page);
    }
    int error = ferror(file) ? errno : 0;
    fclose(file);
    if (error) {
        *reason = std::string("cannot be read again: ") + strerror(error);
        return false;
    }
    return true;
}

// A page or list file: its own package and its language's code page.
void CheckTextFile(const fs::path& path, InputKind kind, const fs::path& limit, unsigned codePage, CheckRun* run)
{
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, &bytes, &reason)) {
        InputError(Shown(path), reason, run);
        return;
    }
    UsePackageOf(path, false, limit, run);
    if (kind == InputPage && !codePage) {
        codePage = ProjectCodePage(NearestProject(path, limit, &run->folders), run);
    }
    const char* binary = BinaryReason(bytes.data(), bytes.size());
    if (binary) {
        InputError(Shown(path), binary, run);
        return;
    }
    size_t markSize = 0;
    unsigned pageCodePage = PageCodePage(bytes.data(), bytes.size(), kind == InputList, codePage, &markSize);
    PageText page;
    if (IsSingleByteCodePage(pageCodePage) &&
        !PageIsText(bytes.data() + markSize, bytes.size() - markSize, pageCodePage)) {
        size_t size = bytes.size();
        std::string().swap(bytes);
        StartPageText(pageCodePage, &page);
        ReserveText(size, &page);
        if (!DecodeFileByBlocks(path, markSize, &page, &reason)) {
            InputError(Shown(path), reason, run);
            return;
        }
    } else {
        ReadPageText(bytes.data(), bytes.size(), kind == InputList, codePage, &page);
        if (page.text == page.decoded.data()) {
            std::string().swap(bytes);  // the page is held once, as its text
        }
    }
    CheckPageText(page, kind, Shown(path), run);
}

// A project and its pages, or a folder and a page in it, may both be given.
// The full path is compared as written: resolving links would cost a system
// call per folder of every page.
bool FirstVisit(const fs::path& path, CheckRun* run)
{
    return run->checked.insert(AbsolutePath(path, run->folders).u8string()).second;
}

void CheckFile(const fs::path& path, InputKind kind, const fs::path& limit, CheckRun* run)
{
    if (!FirstVisit(path, run)) {
        return;
    }
    switch (kind) {
    case InputHelp:
        CheckHelpFile(path, limit, run);
        break;
    case InputProject:
        CheckProject(path, limit, run);
        break;
    case InputPage:
    case InputList:
        CheckTextFile(path, kind, limit, 0, run);
        break;
    case InputOther:
        break;
    }
}

struct HelpVisit {
    std::string shownHelp;
    unsigned codePage;
    CheckRun* run;
    size_t pages;
};

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
    std::string shown = visit->shownHelp + "::" + (name[0] == '/' ? "" : "/") + name;
    if (!bytes) {
        InputError(shown, LimitText() + ", more than any help page; not checked", visit->run);
        return;
    }
    CheckPageBytes(bytes, size, InputPage, visit->codePage, shown, visit->run);
}

// The language identifier in a compiled help file's header.
unsigned HelpFileLanguage(const fs::path& path)
{
    unsigned char header[0x18] = {};
    FILE* file = fopen(Shown(path).c_str(), "rb");
    if (!file) {
        return 0;
    }
    size_t got = fread(header, 1, sizeof header, file);
    fclose(file);
    if (got < sizeof header || memcmp(header, "ITSF", 4) != 0) {
        return 0;
    }
    return static_cast<unsigned>(header[0x14] | header[0x15] << 8 | header[0x16] << 16 | header[0x17] << 24);
}

void CheckHelpFile(const fs::path& path, const fs::path& limit, CheckRun* run)
{
    UsePackageOf(path, true, limit, run);
    HelpVisit visit = {Shown(path), SystemLanguageCodePage(HelpFileLanguage(path)), run, 0};
    ChmFailure failure;
    ChmStatus status = ChmReadPages(Shown(path).c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    // The libraries read pages in different orders, so the page that fails
    // first is part of their detail; the words before it are both builds'.
    std::string because = failure.reason;
    because.insert(0, failure.page.empty() ? "" : failure.page + ": ");
    because.insert(0, failure.library.empty() ? "" : failure.library + ", ");
    because = because.empty() ? because : " (" + because + ")";
    std::string where = failure.page.empty() ? "its directory" : "a page";
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
        InputError(visit.shownHelp, "is a corrupt compiled help file: " + where + " cannot be read" + because, run);
        break;
    case ChmUnreadable:
        InputError(visit.shownHelp, "cannot be read" + because, run);
        break;
    }
}

std::string TrimLine(const std::string& line)
{
    size_t first = line.find_first_not_of(" \t\r");
    size_t last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

// The files a help project compiles: its [FILES] and its contents and index
// files, in its own folder's terms.
std::vector<std::string> ProjectFiles(const std::string& bytes)
{
    std::vector<std::string> files;
    std::string section;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", at);
        end = end == std::string::npos ? bytes.size() : end;
        std::string line = TrimLine(bytes.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            section = AsciiLower(line);
            continue;
        }
        if (section == "[files]") {
            files.push_back(line);
        } else if (section == "[options]") {
            size_t equals = line.find('=');
            std::string key = AsciiLower(TrimLine(line.substr(0, equals == std::string::npos ? 0 : equals)));
            if (key == "contents file" || key == "index file") {
                files.push_back(TrimLine(line.substr(equals + 1)));
            }
        }
    }
    return files;
}

void CheckProject(const fs::path& path, const fs::path& limit, CheckRun* run)
{
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, &bytes, &reason)) {
        InputError(Shown(path), reason, run);
        return;
    }
    unsigned codePage = ProjectCodePage(path, run);
    for (std::string name : ProjectFiles(bytes)) {
        std::replace(name.begin(), name.end(), '\\', '/');
        fs::path page = (path.parent_path() / fs::u8path(name)).lexically_normal();
        if (KindOfName(name) != InputPage) {
            continue;
        }
        std::error_code error;
        if (!fs::is_regular_file(page, error)) {
            InputError(Shown(page), "is listed in " + Shown(path) + " but is not a file", run);
            continue;
        }
        if (FirstVisit(page, run)) {
            CheckTextFile(page, InputPage, limit, codePage, run);
        }
    }
}

// An entry of a folder, kept small: a folder of 10,000 pages is listed whole
// so that its pages are checked in order.
struct FolderEntry {
    std::string name;
    fs::file_type type;
    bool symlink;
};

bool ListFolder(const fs::path& folder, std::vector<FolderEntry>* entries, CheckRun* run)
{
    std::error_code error;
    fs::directory_iterator iterator(folder, error);
    for (; !error && iterator != fs::directory_iterator(); iterator.increment(error)) {
        std::error_code typeError;
        fs::file_type type = iterator->status(typeError).type();
        std::error_code linkError;
        bool symlink = iterator->is_symlink(linkError);
        entries->push_back({iterator->path().filename().u8string(), typeError ? fs::file_type::unknown : type, symlink});
    }
    if (error) {
        InputError(Shown(folder), "cannot be read as a folder: " + error.message(), run);
        return false;
    }
    std::sort(entries->begin(), entries->end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

// The walk through the tree given: every page and compiled help file as it
// comes, so that nothing of the project is held but the folder being read.
struct TreeWalk {
    fs::path root;       // canonical
    fs::path limit;      // of the upward search
    std::vector<std::string> ancestors;  // canonical folders from the root down
    std::unordered_set<std::string> visited;  // canonical folders
};

void WalkFolder(const fs::path& folder, TreeWalk* walk, CheckRun* run);

void WalkInto(const fs::path& path, const FolderEntry& entry, TreeWalk* walk, CheckRun* run)
{
    if (entry.type != fs::file_type::directory && !entry.symlink) {
        CheckFile(path, KindOfName(entry.name), walk->limit, run);
        return;
    }
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    if (error) {
        InputError(Shown(path), "cannot be followed: " + error.message(), run);
        return;
    }
    if (std::find(walk->ancestors.begin(), walk->ancestors.end(), canonical.u8string()) != walk->ancestors.end()) {
        InputError(Shown(path), "is a symbolic link loop back to " + Shown(canonical) + "; not followed", run);
        return;
    }
    if (entry.symlink && !PathWithin(canonical, walk->root)) {
        run->findings.push_back({Shown(path), 0, 0, &RuleById("outside-link"),
                                 "is a symbolic link to " + Shown(canonical) + ", outside the tree checked; not followed"});
        return;
    }
    if (entry.type != fs::file_type::directory) {
        CheckFile(path, KindOfName(entry.name), walk->limit, run);
        return;
    }
    if (!walk->visited.insert(canonical.u8string()).second) {
        return;  // reached before by another link
    }
    walk->ancestors.push_back(canonical.u8string());
    WalkFolder(path, walk, run);
    walk->ancestors.pop_back();
}

void WalkFolder(const fs::path& folder, TreeWalk* walk, CheckRun* run)
{
    std::vector<FolderEntry> entries;
    if (!ListFolder(folder, &entries, run)) {
        return;
    }
    for (const FolderEntry& entry : entries) {
        fs::path path = folder / fs::u8path(entry.name);
        InputKind kind = KindOfName(entry.name);
        bool checked = kind == InputPage || kind == InputHelp;
        if (entry.type == fs::file_type::directory || (entry.type == fs::file_type::regular && checked)) {
            WalkInto(path, entry, walk, run);
        } else if (entry.type != fs::file_type::regular && checked) {
            InputError(Shown(path), "cannot be read: a broken link, or not a file", run);
        }
    }
}

void CheckFolder(const fs::path& folder, const fs::path& limit, CheckRun* run)
{
    TreeWalk walk;
    std::error_code error;
    walk.root = fs::canonical(folder, error);
    walk.limit = limit;
    walk.ancestors.push_back(walk.root.u8string());
    walk.visited.insert(walk.root.u8string());
    WalkFolder(folder, &walk, run);
}

}  // namespace

InputKind KindOfName(const std::string& name)
{
    std::string lower = AsciiLower(name);
    size_t dot = lower.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : lower.substr(dot);
    if (extension == ".chm") {
        return InputHelp;
    }
    if (extension == ".hhp") {
        return InputProject;
    }
    if (extension == ListExtension) {
        return InputList;
    }
    return ChmIsPageName(lower.c_str()) ? InputPage : InputOther;
}

void CheckPageBytes(const char* bytes, size_t size, InputKind kind, unsigned languageCodePage,
                    const std::string& file, CheckRun* run)
{
    const char* binary = BinaryReason(bytes, size);
    if (binary) {
        InputError(file, binary, run);
        return;
    }
    PageText page;
    ReadPageText(bytes, size, kind == InputList, languageCodePage, &page);
    CheckPageText(page, kind, file, run);
}

namespace {

void CheckPageText(const PageText& page, InputKind kind, const std::string& file, CheckRun* run)
{
    PageScan scan;
    if (kind == InputList) {
        FindListLinks(page.text, page.size, &page.undecodable, &scan);
    } else {
        FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    }
    ++run->files;
    for (const PageRemark& remark : scan.remarks) {
        run->findings.push_back({file, remark.line, remark.column, &RuleById("character-reference"), remark.message});
    }
    for (const FoundLink& link : scan.links) {
        if (link.undecodable) {
            run->findings.push_back({file, link.line, link.column, &RuleById("undecodable-text"),
                                     "the link's parameters hold bytes that are not " + page.encoding +
                                         " text; the help viewer reads each as U+FFFD"});
        }
        if (!link.startsTipstart) {
            ReportOtherProgram(link, file, run->options, &run->findings);
            continue;
        }
        ++run->links;
        PredictLink(link, file, run->options, &run->findings);
    }
}

}  // namespace

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
    fs::path limit = SearchLimit(path, run->folders);
    if (fs::is_directory(status)) {
        CheckFolder(path, limit, run);
        return;
    }
    InputKind kind = KindOfName(path.filename().u8string());
    if (kind == InputOther) {
        InputError(given, std::string("is not a page (.htm .html .hhc .hhk), a compiled help file (.chm), a help "
                                      "project (.hhp) or a link list (") + ListExtension + "); not checked",
                   run);
        return;
    }
    CheckFile(path, kind, limit, run);
}
