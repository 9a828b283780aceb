// Reading this machine's registry, for programs that also run where there is
// none (the checker on Linux).
#pragma once

#include <stddef.h>

#include "platform/Platform.h"

// False where the system has no registry.
bool MachineRegistryAvailable();

// As PlatformRegistryRead: the program's own view of the local machine
// first, then the other one.
bool MachineRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                         size_t capacity, size_t* size);
