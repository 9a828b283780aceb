#include "platform/RegistryText.h"

#include <string.h>

#include "text/Text.h"

namespace {

char readBuffer[RegistryReadBufferSize];

}  // namespace

char* RegistryTextGet(RegistryRoot root, const char* keyPath, const char* valueName)
{
    memset(readBuffer, 0, sizeof readBuffer);
    size_t size = 0;
    bool read = PlatformRegistryRead(root, keyPath, valueName, readBuffer, sizeof readBuffer, &size);
    // A value with no terminator inside the buffer (a REG_BINARY of 2048 bytes,
    // say) would be cut to a text nobody stored: it counts as no value at all.
    if (!read || !memchr(readBuffer, 0, sizeof readBuffer)) {
        memset(readBuffer, 0, sizeof readBuffer);
    }
    size_t length = strlen(readBuffer);
    char* text = ScratchAlloc(length);
    memcpy(text, readBuffer, length);
    return text;
}

void RegistryTextPut(RegistryRoot root, const char* keyPath, const char* valueName, const char* text)
{
    PlatformRegistryWriteText(root, keyPath, valueName, text);
}
