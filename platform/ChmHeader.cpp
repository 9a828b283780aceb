#include <string.h>

#include "platform/ChmStorage.h"

namespace {

unsigned long long LittleEndian(const unsigned char* bytes, int count)
{
    unsigned long long value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

bool EndsWith(const char* name, size_t length, const char* end)
{
    size_t endLength = strlen(end);
    if (length < endLength) {
        return false;
    }
    for (size_t i = 0; i < endLength; ++i) {
        char c = name[length - endLength + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != end[i]) {
            return false;
        }
    }
    return true;
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

bool ChmIsPageName(const char* name)
{
    size_t length = strlen(name);
    return EndsWith(name, length, ".htm") || EndsWith(name, length, ".html") || EndsWith(name, length, ".hhc") ||
           EndsWith(name, length, ".hhk");
}
