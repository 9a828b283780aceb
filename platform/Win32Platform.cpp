// The platform operations over Win32.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <stddef.h>
#include <string.h>

#include "platform/FileChooser.h"
#include "platform/MachineRegistry.h"
#include "platform/Platform.h"

static_assert(BoxIconError == MB_ICONERROR, "message box style");
static_assert(BoxYesNoQuestionTaskModal == (MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL), "message box style");
static_assert(AnswerYes == IDYES, "message box answer");
static_assert(ShowNormal == SW_SHOWNORMAL && ShowMaximized == SW_SHOWMAXIMIZED, "show command");
#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,"the dialog record keeps its 76-byte layout");
#endif

namespace {

HHOOK centringHook;
RECT desktopRect;
RECT windowRect;

HKEY RootKey(RegistryRoot root)
{
    return root == RegistryLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Centres the first window activated on the thread (the dialog) once, then
// removes itself. Returns 0 for every code and passes none on.
LRESULT CALLBACK DesktopCentringHook(int code, WPARAM window, LPARAM)
{
    if (code == HCBT_ACTIVATE) {
        HWND dialog = reinterpret_cast<HWND>(window);
        GetWindowRect(GetDesktopWindow(), &desktopRect);
        GetWindowRect(dialog, &windowRect);
        ScreenRect desktop = {desktopRect.left, desktopRect.top, desktopRect.right, desktopRect.bottom};
        ScreenRect own = {windowRect.left, windowRect.top, windowRect.right, windowRect.bottom};
        int x = 0;
        int y = 0;
        CentredPosition(desktop, own, &x, &y);
        SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        UnhookWindowsHookEx(centringHook);
    }
    return 0;
}

typedef BOOL(WINAPI* OpenFileNameFunction)(LPOPENFILENAMEA);

// comdlg32 is loaded only when the chooser is shown, from the system folder,
// so that every other request starts without it.
OpenFileNameFunction LoadOpenFileDialog()
{
    char path[MAX_PATH + 16] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    strcat(path, "\\comdlg32.dll");
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        return nullptr;
    }
    return reinterpret_cast<OpenFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "GetOpenFileNameA")));
}

}  // namespace

void PlatformRestrictLibrarySearch()
{
    // Looked up, not imported: Windows 7 without KB2533623 lacks it.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    SetDefaultDllDirectoriesFunction setSearchFolders = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setSearchFolders) {
        setSearchFolders(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

const char* PlatformCommandLine()
{
    return GetCommandLineA();
}

WindowHandle PlatformActiveWindow()
{
    return GetActiveWindow();
}

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

void PlatformShortPathName(const char* longPath, char* buffer, size_t capacity)
{
    DWORD length = GetShortPathNameA(longPath, buffer, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) {
        memset(buffer, 0, capacity);
    }
}

bool PlatformFileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void PlatformSystemDirectory(char* buffer, size_t capacity)
{
    UINT length = GetSystemDirectoryA(buffer, static_cast<UINT>(capacity));
    if (length == 0 || length >= capacity) {
        memset(buffer, 0, capacity);
    }
}

void PlatformShellOpen(const char* file, const char* parameters, const char* folder, ShowCommand show)
{
    ShellExecuteA(nullptr, "open", file, parameters, folder, show);
}

bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size)
{
    return MachineRegistryRead(root, keyPath, valueName, buffer, capacity, size);
}

void PlatformRegistryWriteText(RegistryRoot root, const char* keyPath, const char* valueName, const char* text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootKey(root), keyPath, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
}

bool PlatformOpenFileDialog(const char* title, const char* filterList, WindowHandle owner, const char* initialFolder,
                            char* file, size_t fileCapacity, char* fileTitle, size_t fileTitleCapacity)
{
    OpenFileNameFunction openFileName = LoadOpenFileDialog();
    if (!openFileName) {
        return false;
    }
    centringHook = SetWindowsHookExA(WH_CBT, DesktopCentringHook, nullptr, GetCurrentThreadId());

    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    // The layout that ends with the template name: 76 bytes in the shipped
    // 32-bit program, its own size in a 64-bit build.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = filterList;
    dialog.lpstrFile = file;
    dialog.nMaxFile = static_cast<DWORD>(fileCapacity);
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = static_cast<DWORD>(fileTitleCapacity);
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_HIDEREADONLY;
    return openFileName(&dialog) != 0;
}
