#include "checker/FileCheck.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <system_error>

#include "checker/Check.h"
#include "checker/PageCheck.h"
#include "checker/PageText.h"
#include "checker/Project.h"
#include "checker/chm/ChmStorage.h"

namespace fs = std::filesystem;

namespace {

std::string LimitText()
{
    return "is larger than " + std::to_string(PageLimit / (1024 * 1024)) + " MiB";
}

// A page in a code page of one byte a character, decoded a block at a time
// as the file is read again, so that its bytes and its text are never both
// held whole: a character may take three bytes in UTF-8.
bool DecodeFileByBlocks(const Input& input, size_t markSize, PageText* page, std::string* reason)
{
    FILE* file = fopen(input.shown.c_str(), "rb");
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

// A page or a link list, as the help viewer reads its text.
bool ReadTextFile(const Input& input, PageText* page, std::string* reason)
{
    std::string bytes;
    if (!ReadWholeFile(input.path, &bytes, reason)) {
        return false;
    }
    const char* binary = BinaryReason(bytes.data(), bytes.size());
    if (binary) {
        *reason = binary;
        return false;
    }
    bool isList = input.kind == InputList;
    size_t markSize = 0;
    unsigned codePage = PageCodePage(bytes.data(), bytes.size(), isList, input.codePage, &markSize);
    if (IsSingleByteCodePage(codePage) && !PageIsText(bytes.data() + markSize, bytes.size() - markSize, codePage)) {
        size_t size = bytes.size();
        std::string().swap(bytes);
        StartPageText(codePage, page);
        ReserveText(size, page);
        return DecodeFileByBlocks(input, markSize, page, reason);
    }
    ReadPageText(bytes.data(), bytes.size(), isList, input.codePage, page);
    if (page->text != page->decoded.data()) {
        size_t offset = static_cast<size_t>(page->text - bytes.data());
        page->ownBytes.swap(bytes);  // the text is the bytes, after the mark: they are kept, not copied
        page->text = page->ownBytes.data() + offset;
    }
    return true;
}

void CheckTextFile(const Input& input, CheckRun* run)
{
    PageText page;
    std::string reason;
    if (!ReadTextFile(input, &page, &reason)) {
        AddUnreadable({input.shown, "", 0, 0}, reason, &run->results);
        return;
    }
    PackageUseFolder(input.documentsFolder, &run->caches.package);
    CheckPageText(page, input.kind, {input.shown, "", 0, 0}, run);
}

struct HelpVisit {
    const Input& help;
    CheckRun* run;
    size_t pages;
};

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
    Place place = {visit->help.shown, std::string(name[0] == '/' ? "" : "/") + name, 0, 0};
    if (!bytes) {
        AddUnreadable(place, LimitText() + ", more than any help page; not checked", &visit->run->results);
        return;
    }
    CheckPageBytes(bytes, size, InputPage, visit->help.codePage, place, visit->run);
}

// The words for a compiled help file that could not be read.
std::string HelpFailure(ChmStatus status, const ChmFailure& failure, size_t pages)
{
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
        return pages == 0 ? "holds no pages: its directory is empty or corrupt" : "";
    case ChmEmpty:
        return "is empty: not a compiled help file";
    case ChmNotHelp:
        return "is not a compiled help file (no ITSF signature)";
    case ChmTruncated:
        return "is a truncated compiled help file: its header reaches past its end";
    case ChmCorrupt:
        return "is a corrupt compiled help file: " + where + " cannot be read" + because;
    case ChmUnreadable:
        return "cannot be read" + because;
    }
    return "";
}

void CheckHelpFile(const Input& input, CheckRun* run)
{
    PackageUseFolder(input.documentsFolder, &run->caches.package);
    HelpVisit visit = {input, run, 0};
    ChmFailure failure;
    ChmStatus status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    std::string reason = HelpFailure(status, failure, visit.pages);
    if (!reason.empty()) {
        AddUnreadable({input.shown, "", 0, 0}, reason, &run->results);
    }
}

// A project and its pages, or a folder and a page in it, may both be given.
// The full path is compared as written: resolving links would cost a system
// call per folder of every page.
bool FirstVisit(const fs::path& path, CheckRun* run)
{
    return run->caches.checked.insert(AbsolutePath(path, run->options.folders).u8string()).second;
}

void CheckListedPage(const fs::path& page, const Input& project, CheckRun* run)
{
    std::error_code error;
    if (!fs::is_regular_file(page, error)) {
        AddUnreadable({ShownPath(page), "", 0, 0}, "is listed in " + project.shown + " but is not a file",
                      &run->results);
        return;
    }
    if (FirstVisit(page, run)) {
        CheckTextFile(DecideInput(page, InputPage, project.limit, project.path, run->options.folders,
                                  &run->caches.folders, &run->caches.projectCodePages),
                      run);
    }
}

void CheckProject(const Input& input, CheckRun* run)
{
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(input.path, &bytes, &reason)) {
        AddUnreadable({input.shown, "", 0, 0}, reason, &run->results);
        return;
    }
    for (const std::string& name : ProjectFiles(bytes)) {
        if (KindOfName(name) == InputPage) {
            CheckListedPage(ListedPath(input.path, name), input, run);
        }
    }
}

}  // namespace

const char* BinaryReason(const char* bytes, size_t size)
{
    size_t markSize = 0;
    unsigned marked = ByteOrderMark(bytes, size, &markSize);
    if (marked == 1200 || marked == 1201) {
        return nullptr;  // UTF-16 with its mark holds NUL bytes
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
    FILE* file = fopen(ShownPath(path).c_str(), "rb");
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

void CheckFile(const fs::path& path, InputKind kind, const fs::path& limit, CheckRun* run)
{
    if (kind == InputOther || !FirstVisit(path, run)) {
        return;
    }
    Input input = DecideInput(path, kind, limit, fs::path(), run->options.folders, &run->caches.folders,
                              &run->caches.projectCodePages);
    switch (kind) {
    case InputHelp:
        CheckHelpFile(input, run);
        break;
    case InputProject:
        CheckProject(input, run);
        break;
    case InputPage:
    case InputList:
        CheckTextFile(input, run);
        break;
    case InputOther:
        break;
    }
}
