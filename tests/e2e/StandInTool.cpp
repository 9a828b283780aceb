// Stands in for the OBX tool: appends one line describing how it was started
// (its own path, command line, working folder, show state) to the file named
// by TIPSTART_PROBE, then exits.
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char probe[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("TIPSTART_PROBE", probe, MAX_PATH)) {
        return 1;
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    static char line[70000];
    wsprintfA(line, "%s\t%d\t%s\t", self, show, folder);
    size_t head = strlen(line);
    const char* commandLine = GetCommandLineA();
    size_t length = strlen(commandLine);
    if (length > sizeof line - head - 2) {
        length = sizeof line - head - 2;
    }
    memcpy(line + head, commandLine, length);
    memcpy(line + head + length, "\n", 2);

    // Several starts may race for the file: retry while it is held.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(probe, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 2;
}
