#include "checker/system/FileBytes.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

// A file read ahead of its ReadWholeFile: what that call would have given.
struct FileRead {
    std::string path;  // empty when none is held
    bool read;
    std::string bytes;
    std::string reason;
};

FileRead& HeldRead()
{
    static FileRead held = {std::string(), false, std::string(), std::string()};
    return held;
}

// The size the system gives for an open file; 0 when it gives none.
size_t SizeOf(FILE* file)
{
    struct stat facts;
    return fstat(fileno(file), &facts) == 0 && facts.st_size > 0 ? static_cast<size_t>(facts.st_size) : 0;
}

// An open file to its end, unbuffered: one read of the size the file says it
// has, and one more that finds its end. What was read is kept on failure.
bool ReadOpenFile(FILE* file, std::string* bytes, std::string* reason)
{
    setvbuf(file, nullptr, _IONBF, 0);
    size_t want = std::min(SizeOf(file), static_cast<size_t>(PageLimit)) + 1;
    for (;;) {
        size_t had = bytes->size();
        bytes->resize(had + want);
        size_t got = fread(&(*bytes)[had], 1, want, file);
        bytes->resize(had + got);
        if (bytes->size() > PageLimit) {
            *reason = TooLargeText() + ", more than any help page or link list; not checked";
            return false;
        }
        if (got < want) {
            break;
        }
        want = 65536;  // the file has grown since
    }
    if (ferror(file)) {
        *reason = std::string("cannot be read: ") + strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes, std::string* reason)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        *reason = std::string("cannot be opened: ") + strerror(errno);
        return false;
    }
    std::string().swap(*bytes);
    bool read = ReadOpenFile(file, bytes, reason);
    fclose(file);
    return read;
}

std::string TooLargeText()
{
    return "is larger than " + std::to_string(PageLimit / (1024 * 1024)) + " MiB";
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason)
{
    FileRead& held = HeldRead();
    if (held.path.empty() || held.path != path) {
        DropReadAhead();  // held for one call only
        return ReadFileBytes(path, bytes, reason);
    }
    held.path.clear();
    if (!held.read) {
        *reason = held.reason;
        return false;
    }
    bytes->swap(held.bytes);
    std::string().swap(held.bytes);
    return true;
}

size_t ReadAhead(const std::string& path, char* start, size_t size)
{
    FileRead& held = HeldRead();
    held.path = path;
    held.reason.clear();
    held.read = ReadFileBytes(path, &held.bytes, &held.reason);
    size_t got = std::min(size, held.bytes.size());
    memcpy(start, held.bytes.data(), got);
    if (!held.read) {
        std::string().swap(held.bytes);
    }
    return got;
}

void DropReadAhead()
{
    FileRead& held = HeldRead();
    held.path.clear();
    std::string().swap(held.bytes);
}
