#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "checker/core/TextTools.h"
#include "checker/input/chm/ChmStorage.h"

namespace {

unsigned long long LittleEndian(const unsigned char* bytes, int count)
{
    unsigned long long value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

}  // namespace

// Only the fixed header is looked at, so that both builds give the same
// reason for a file that is no compiled help at all; the library reads the rest.
ChmStatus ChmCheckHeader(const unsigned char* header, size_t headerSize, unsigned long long fileSize)
{
    if (fileSize == 0) {
        return ChmEmpty;
    }
    if (headerSize < 4 || memcmp(header, "ITSF", 4) != 0) {
        return ChmNotHelp;
    }
    if (headerSize < 0x58) {
        return ChmTruncated;
    }
    unsigned long long headerLength = LittleEndian(header + 8, 4);
    unsigned long long directoryOffset = LittleEndian(header + 0x48, 8);
    unsigned long long directoryLength = LittleEndian(header + 0x50, 8);
    if (headerLength > fileSize || directoryOffset > fileSize || directoryLength > fileSize - directoryOffset) {
        return ChmTruncated;
    }
    return ChmRead;
}

unsigned ChmFindMends(const unsigned char* prefix, size_t prefixSize, ChmMend* mends)
{
    const size_t firstGuid = 0x18;
    const size_t secondGuid = 0x28;
    if (prefixSize < 0x58 || memcmp(prefix, "ITSF", 4) != 0 || prefix[firstGuid] != 0x10 ||
        memcmp(prefix + firstGuid, prefix + secondGuid, 16) != 0) {
        return 0;
    }
    unsigned count = 0;
    mends[count++] = {secondGuid, {0x11, 0, 0, 0}, 1};
    // The directory header, then its chunk 0: a listing chunk with no chunk
    // before it is the first, whatever the header says.
    unsigned long long directory = LittleEndian(prefix + 0x48, 8);
    if (directory > prefixSize || prefixSize - directory < 0x54 || memcmp(prefix + directory, "ITSP", 4) != 0) {
        return count;
    }
    unsigned long long firstChunk = directory + LittleEndian(prefix + directory + 8, 4);
    unsigned long long firstListing = LittleEndian(prefix + directory + 0x20, 4);
    if (firstListing != 0 && firstChunk <= prefixSize && prefixSize - firstChunk >= 0x14 &&
        memcmp(prefix + firstChunk, "PMGL", 4) == 0 && LittleEndian(prefix + firstChunk + 0x0C, 4) == 0xFFFFFFFFull) {
        mends[count++] = {directory + 0x20, {0, 0, 0, 0}, 4};
    }
    return count;
}

void ChmApplyMends(const ChmMend* mends, unsigned count, unsigned long long start, unsigned char* bytes, size_t size)
{
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned k = 0; k < mends[i].size; ++k) {
            unsigned long long at = mends[i].offset + k;
            if (at >= start && at - start < size) {
                bytes[at - start] = mends[i].bytes[k];
            }
        }
    }
}

bool ChmIsPageName(const char* name)
{
    size_t length = strlen(name);
    return EndsWithNoCase(name, length, ".htm") || EndsWithNoCase(name, length, ".html") ||
           EndsWithNoCase(name, length, ".hhc") || EndsWithNoCase(name, length, ".hhk");
}

bool ChmIsScriptName(const char* name)
{
    size_t length = strlen(name);
    return EndsWithNoCase(name, length, ".js") || EndsWithNoCase(name, length, ".vbs");
}

unsigned ChmHeaderLanguage(const unsigned char* header, size_t headerSize)
{
    if (headerSize < 0x18 || memcmp(header, "ITSF", 4) != 0) {
        return 0;
    }
    return static_cast<unsigned>(LittleEndian(header + 0x14, 4));
}

unsigned ChmReadLanguage(const char* path)
{
    unsigned char header[0x18] = {};
    FILE* file = fopen(path, "rb");
    if (!file) {
        return 0;
    }
    size_t got = fread(header, 1, sizeof header, file);
    fclose(file);
    return ChmHeaderLanguage(header, got);
}

unsigned long long ChmExpansionBudget(unsigned long long helpSize)
{
    return 256ull * 1024 * 1024 + 64ull * helpSize;
}

bool ChmIsMemberName(const char* name)
{
    size_t length = strlen(name);
    return length > 0 && name[length - 1] != '/' && strncmp(name, "::", 2) != 0;
}

std::vector<std::string> ChmSystemNavigation(const unsigned char* system, size_t size)
{
    std::vector<std::string> names;
    size_t at = 4;  // after its version
    while (at + 4 <= size) {
        unsigned code = static_cast<unsigned>(LittleEndian(system + at, 2));
        size_t length = static_cast<size_t>(LittleEndian(system + at + 2, 2));
        at += 4;
        if (length > size - at) {
            break;
        }
        if (code <= 1) {
            std::string name(reinterpret_cast<const char*>(system + at), length);
            name.resize(strlen(name.c_str()));
            std::replace(name.begin(), name.end(), '\\', '/');
            if (!name.empty()) {
                names.push_back(name[0] == '/' ? name : "/" + name);
            }
        }
        at += length;
    }
    return names;
}

bool ChmIsReadMember(const char* name, const std::vector<std::string>& navigation,
                     const std::vector<std::string>* only)
{
    if (!only && (ChmIsPageName(name) || ChmIsScriptName(name))) {
        return true;
    }
    std::string lower = AsciiLower(std::string(name[0] == '/' ? "" : "/") + name);
    for (const std::string& file : only ? *only : navigation) {
        if (AsciiLower(file) == lower) {
            return true;
        }
    }
    return false;
}

std::string ChmFailureText(ChmStatus status, const ChmFailure& failure, size_t pages)
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
        if (pages > 0) {
            return "";
        }
        if (failure.members.empty()) {
            return "holds no pages: its directory lists no files";
        }
        return "holds no pages: its directory lists " + std::to_string(failure.members.size()) +
               (failure.members.size() == 1 ? " file" : " files") + ", none of them a page (.htm .html .hhc .hhk)";
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
