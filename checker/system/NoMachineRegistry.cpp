#include "platform/MachineRegistry.h"

bool MachineRegistryAvailable()
{
    return false;
}

bool MachineRegistryRead(RegistryRoot, const char*, const char*, char*, size_t, size_t*)
{
    return false;
}
