// Compiled help files through libmspack: maintained, used by virus scanners
// on whatever arrives by mail, and fuzzed by its authors and by ours.
#include <mspack.h>
#include <stdarg.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "checker/input/chm/MspackChmStorage.h"

namespace {

// What libmspack reads (the help file, on disk or in memory) or writes (one
// page, into memory, never past the size its directory entry gave).
struct ChmFile {
    std::string* message;  // where the library's messages about this file go
    const ChmMend* mends;
    unsigned mendCount;
    FILE* disk;
    const unsigned char* data;
    size_t size;
    size_t position;
    std::string* page;
    size_t pageSize;
};

struct ChmSystem {
    mspack_system base;
    ChmMend mends[ChmMendCapacity];
    unsigned mendCount;
    const char* diskPath;         // the help file, or null when in memory
    const unsigned char* data;
    size_t size;
    std::string page;
    size_t pageSize;
    std::string message;  // the library's last message
};

const char* const HelpName = "help";
const char* const PageName = "page";

mspack_file* Open(mspack_system* self, const char* name, int mode)
{
    ChmSystem* system = reinterpret_cast<ChmSystem*>(self);
    ChmFile* file = static_cast<ChmFile*>(calloc(1, sizeof(ChmFile)));
    if (!file) {
        return nullptr;
    }
    file->message = &system->message;
    if (mode == MSPACK_SYS_OPEN_READ && strcmp(name, HelpName) == 0) {
        file->mends = system->mends;
        file->mendCount = system->mendCount;
        if (system->diskPath) {
            file->disk = fopen(system->diskPath, "rb");
            if (!file->disk) {
                free(file);
                return nullptr;
            }
        } else {
            file->data = system->data;
            file->size = system->size;
        }
    } else if (mode == MSPACK_SYS_OPEN_WRITE && strcmp(name, PageName) == 0) {
        system->page.clear();
        system->page.reserve(system->pageSize);  // the visitor may have taken the last page's room
        file->page = &system->page;
        file->pageSize = system->pageSize;
    } else {
        free(file);
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(file);
}

void Close(mspack_file* handle)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (file && file->disk) {
        fclose(file->disk);
    }
    free(file);
}

int Read(mspack_file* handle, void* buffer, int bytes)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (!file || bytes < 0) {
        return -1;
    }
    if (file->disk) {
        long long start = ftello(file->disk);
        size_t done = fread(buffer, 1, static_cast<size_t>(bytes), file->disk);
        if (ferror(file->disk)) {
            return -1;
        }
        ChmApplyMends(file->mends, file->mendCount, static_cast<unsigned long long>(start),
                      static_cast<unsigned char*>(buffer), done);
        return static_cast<int>(done);
    }
    size_t count = std::min(static_cast<size_t>(bytes), file->size - file->position);
    memcpy(buffer, file->data + file->position, count);
    ChmApplyMends(file->mends, file->mendCount, file->position, static_cast<unsigned char*>(buffer), count);
    file->position += count;
    return static_cast<int>(count);
}

int Write(mspack_file* handle, void* buffer, int bytes)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (!file || !file->page || bytes < 0 || file->page->size() + static_cast<size_t>(bytes) > file->pageSize) {
        return -1;
    }
    file->page->append(static_cast<const char*>(buffer), static_cast<size_t>(bytes));
    return bytes;
}

int Seek(mspack_file* handle, off_t offset, int mode)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (!file || file->page) {
        return -1;
    }
    if (file->disk) {
        int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR : SEEK_END;
        return fseeko(file->disk, offset, whence) == 0 ? 0 : -1;
    }
    long long base = mode == MSPACK_SYS_SEEK_START ? 0
                     : mode == MSPACK_SYS_SEEK_CUR ? static_cast<long long>(file->position)
                                                    : static_cast<long long>(file->size);
    long long target = base + offset;
    if (target < 0 || target > static_cast<long long>(file->size)) {
        return -1;
    }
    file->position = static_cast<size_t>(target);
    return 0;
}

off_t Tell(mspack_file* handle)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (!file) {
        return -1;
    }
    return file->disk ? ftello(file->disk) : static_cast<off_t>(file->position);
}

// libmspack explains some failures in a message about the file it reads;
// the last one is kept.
void Message(mspack_file* handle, const char* format, ...)
{
    ChmFile* file = reinterpret_cast<ChmFile*>(handle);
    if (!file) {
        return;
    }
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    *file->message = text;
}

const char* ErrorText(int error)
{
    switch (error) {
    case MSPACK_ERR_ARGS: return "bad arguments";
    case MSPACK_ERR_OPEN: return "cannot open";
    case MSPACK_ERR_READ: return "read error";
    case MSPACK_ERR_WRITE: return "write error";
    case MSPACK_ERR_SEEK: return "seek error";
    case MSPACK_ERR_NOMEMORY: return "out of memory";
    case MSPACK_ERR_SIGNATURE: return "bad signature";
    case MSPACK_ERR_DATAFORMAT: return "bad data format";
    case MSPACK_ERR_CHECKSUM: return "bad checksum";
    case MSPACK_ERR_CRUNCH: return "compression error";
    case MSPACK_ERR_DECRUNCH: return "decompression error";
    default: return "unknown error";
    }
}

void Fail(ChmFailure* failure, const char* page, const std::string& reason, const ChmSystem& system)
{
    failure->page = page ? page : "";
    failure->library = "libmspack";
    failure->reason = reason + (system.message.empty() ? "" : ", " + system.message);
}

void* Alloc(mspack_system*, size_t bytes)
{
    return malloc(bytes);
}

void Free(void* block)
{
    free(block);
}

void Copy(void* from, void* to, size_t bytes)
{
    memmove(to, from, bytes);
}

struct PageEntry {
    mschmd_file* file;
    int section;
};

ChmStatus ReadWith(ChmSystem* system, unsigned long long helpSize, size_t pageLimit, ChmPageVisitor visit,
                   void* context, ChmFailure* failure, const std::vector<std::string>* only = nullptr,
                   unsigned long long asideFrom = ~0ULL)
{
    system->base = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
    mschm_decompressor* chm = mspack_create_chm_decompressor(&system->base);
    if (!chm) {
        Fail(failure, nullptr, "no decompressor", *system);
        return ChmUnreadable;
    }
    mschmd_header* header = chm->open(chm, HelpName);
    if (!header) {
        int error = chm->last_error(chm);
        mspack_destroy_chm_decompressor(chm);
        Fail(failure, nullptr, ErrorText(error), *system);
        return error == MSPACK_ERR_OPEN || error == MSPACK_ERR_READ ? ChmUnreadable : ChmCorrupt;
    }
    // The contents and index files are the ones #SYSTEM names.
    std::vector<std::string> navigation;
    for (mschmd_file* file = header->files; file; file = file->next) {
        if (file->filename && strcmp(file->filename, "/#SYSTEM") == 0 && file->length <= ChmSystemLimit) {
            system->pageSize = static_cast<size_t>(file->length);
            if (chm->extract(chm, file, PageName) == MSPACK_ERR_OK) {
                navigation = ChmSystemNavigation(reinterpret_cast<const unsigned char*>(system->page.data()),
                                                 system->page.size());
            }
            break;
        }
    }
    std::vector<PageEntry> pages;
    std::unordered_set<std::string> listed;
    for (mschmd_file* file = header->files; file; file = file->next) {
        // chmcmd lists a page twice when [FILES] names one its scan reaches
        // again; ITSS reads such an entry once, and so do we.
        if (!file->filename || !ChmIsMemberName(file->filename) || !listed.insert(file->filename).second) {
            continue;
        }
        failure->members.push_back(file->filename);
        if (!ChmIsReadMember(file->filename, navigation, only)) {
            continue;
        }
        unsigned long long length = static_cast<unsigned long long>(file->length);
        if (length > asideFrom && length <= pageLimit && ChmIsPageName(file->filename)) {
            failure->aside.push_back(file->filename);
        } else {
            pages.push_back({file, static_cast<int>(file->section->id)});
        }
    }
    failure->membersListed = true;
    // In the order of the compressed stream, so that each page continues the
    // decompression where the last one ended.
    std::stable_sort(pages.begin(), pages.end(), [](const PageEntry& a, const PageEntry& b) {
        return a.section != b.section ? a.section < b.section : a.file->offset < b.file->offset;
    });
    ChmStatus status = ChmRead;
    unsigned long long budget = ChmExpansionBudget(helpSize);
    for (const PageEntry& entry : pages) {
        mschmd_file* file = entry.file;
        unsigned long long length = static_cast<unsigned long long>(file->length);
        if (length > pageLimit) {
            visit(context, file->filename, nullptr, static_cast<size_t>(length));
            continue;
        }
        if (length > budget) {
            Fail(failure, file->filename, "expands past the expansion budget", *system);
            status = ChmCorrupt;
            break;
        }
        budget -= length;
        system->pageSize = static_cast<size_t>(length);
        int error = chm->extract(chm, file, PageName);
        if (error != MSPACK_ERR_OK || system->page.size() != length) {
            Fail(failure, file->filename, error != MSPACK_ERR_OK ? ErrorText(error) : "shorter than its entry",
                 *system);
            status = ChmCorrupt;
            break;
        }
        visit(context, file->filename, &system->page, system->page.size());
    }
    chm->close(chm, header);
    mspack_destroy_chm_decompressor(chm);
    return status;
}

}  // namespace

ChmStatus ChmReadPages(const char* path, size_t pageLimit, ChmPageVisitor visit, void* context, ChmFailure* failure,
                       const std::vector<std::string>* only, unsigned long long asideFrom)
{
    FILE* help = fopen(path, "rb");
    if (!help) {
        failure->reason = strerror(errno);
        return ChmUnreadable;
    }
    unsigned char header[ChmPrefixSize] = {};
    size_t headerSize = fread(header, 1, sizeof header, help);
    int readError = ferror(help) ? errno : 0;
    struct stat info;
    bool measured = fstat(fileno(help), &info) == 0;
    int measureError = measured ? 0 : errno;
    fclose(help);
    if (readError || !measured) {
        failure->reason = strerror(readError ? readError : measureError);
        return ChmUnreadable;
    }
    unsigned long long size = static_cast<unsigned long long>(info.st_size);
    ChmStatus status = ChmCheckHeader(header, headerSize, size);
    if (status != ChmRead) {
        return status;
    }
    ChmSystem system = {};
    system.diskPath = path;
    system.mendCount = ChmFindMends(header, headerSize, system.mends);
    return ReadWith(&system, size, pageLimit, visit, context, failure, only, asideFrom);
}

ChmStatus ChmReadPagesFromMemory(const unsigned char* data, size_t size, size_t pageLimit, ChmPageVisitor visit,
                                 void* context, ChmFailure* failure)
{
    ChmStatus status = ChmCheckHeader(data, std::min<size_t>(size, 0x60), size);
    if (status != ChmRead) {
        return status;
    }
    ChmSystem system = {};
    system.mendCount = ChmFindMends(data, std::min<size_t>(size, ChmPrefixSize), system.mends);
    system.data = data;
    system.size = size;
    return ReadWith(&system, size, pageLimit, visit, context, failure);
}
