// Reading the registry over Win32, for Tipstart.exe and the checker.
#include <windows.h>

#include "platform/MachineRegistry.h"

namespace {

// The registry view a 32-bit program does not see by default on 64-bit
// Windows, and the other way round.
const REGSAM OtherRegistryView =
#ifdef _WIN64
    KEY_WOW64_32KEY;
#else
    KEY_WOW64_64KEY;
#endif

LONG ReadValue(HKEY root, REGSAM view, const char* keyPath, const char* valueName, char* buffer, DWORD* bytes)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE | view, &key);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), bytes);
    RegCloseKey(key);
    return status;
}

}  // namespace

bool MachineRegistryAvailable()
{
    return true;
}

bool MachineRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                         size_t capacity, size_t* size)
{
    HKEY rootKey = root == RegistryLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    DWORD bytes = static_cast<DWORD>(capacity);
    LONG status = ReadValue(rootKey, 0, keyPath, valueName, buffer, &bytes);
    // A tool whose installer wrote the other view of the local machine is
    // installed all the same. The current user's software is one key in both.
    bool missing = status == ERROR_FILE_NOT_FOUND;
    if (missing && root == RegistryLocalMachine) {
        bytes = static_cast<DWORD>(capacity);
        status = ReadValue(HKEY_LOCAL_MACHINE, OtherRegistryView, keyPath, valueName, buffer, &bytes);
    }
    *size = bytes;
    return status == ERROR_SUCCESS && bytes <= capacity;
}
