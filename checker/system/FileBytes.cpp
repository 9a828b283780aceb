#include "checker/system/FileBytes.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

std::string TooLargeText()
{
    return "is larger than " + std::to_string(PageLimit / (1024 * 1024)) + " MiB";
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason)
{
    FILE* file = fopen(path.c_str(), "rb");
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
            *reason = TooLargeText() + ", more than any help page or link list; not checked";
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
