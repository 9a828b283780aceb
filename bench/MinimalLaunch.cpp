// The yardstick for Tipstart's start-up: a program that makes only the calls
// a version-3 launch cannot avoid (one registry read, the short path, the
// shell launch), on the same document and tool.
#include <windows.h>
#include <shellapi.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char folder[2048] = {};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quistral\\OBX\\3.5", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof folder - 1;
        RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
        RegCloseKey(key);
    }
    char shortTarget[2048] = {};
    GetShortPathNameA("C:\\bench\\Ext\\docs\\one.txt", shortTarget, sizeof shortTarget);
    strcat(folder, "\\obx.exe");
    ShellExecuteA(nullptr, "open", folder, shortTarget, "C:\\bench\\Ext\\docs\\", SW_SHOWMAXIMIZED);
    return 0;
}
