// String values of the registry by their tool location.
#pragma once

#include "platform/Platform.h"

enum { RegistryReadBufferSize = 2048 };

// The value's text as a scratch text, or the empty text when the key or value
// is missing or the value holds no terminator within 2048 bytes.
char* RegistryTextGet(RegistryRoot root, const char* keyPath, const char* valueName);

void RegistryTextPut(RegistryRoot root, const char* keyPath, const char* valueName, const char* text);
