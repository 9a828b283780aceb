// Planted beside Tipstart.exe as compstui.dll, which the file chooser's
// libraries import: when loaded, it leaves compstui.loaded beside itself.
#include <windows.h>
#include <string.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 16] = {};
        DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
        char* dot = strrchr(marker, '.');
        if (length && dot) {
            strcpy(dot, ".loaded");
            CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    return TRUE;
}

// What the printing library imports from the real one.
extern "C" __declspec(dllexport) LONG WINAPI CommonPropertySheetUIW(HWND, void*, LPARAM, DWORD*)
{
    return -1;
}
