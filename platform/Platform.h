// The operating-system operations the launcher needs, in the program's own
// terms. Each program links one implementation, so the shipped exe carries
// no indirection: platform/Win32Platform.cpp (Tipstart.exe, on Windows),
// tests/host/FakePlatform.cpp (the host tests' double) and
// checker/predict/LauncherRun.cpp (tipstart-check, answering from the package).
#pragma once

#include <stddef.h>

// Every buffer handed to these operations is a WorkText of this size.
enum { PlatformBufferSize = 2048 };

typedef void* WindowHandle;

enum RegistryRoot { RegistryCurrentUser, RegistryLocalMachine };

// Message box styles and the one answer the program looks at.
enum : unsigned {
    BoxOk = 0x0,
    BoxIconError = 0x10,
    BoxYesNoQuestionTaskModal = 0x2024,
};
enum { AnswerYes = 6 };

enum ShowCommand { ShowNormal = 1, ShowMaximized = 3 };

// Limits the search for DLLs loaded later to the system folder, where the
// system offers that; a help folder unpacked into Downloads may hold anything.
void PlatformRestrictLibrarySearch();

// The whole command line as the process received it, quotes as typed.
const char* PlatformCommandLine();

WindowHandle PlatformActiveWindow();

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style);

// Short (8.3) form of an existing path; leaves buffer untouched when there is
// none or when it would not fit with its terminator.
void PlatformShortPathName(const char* longPath, char* buffer, size_t capacity);

// True when path names an existing file (not a folder).
bool PlatformFileExists(const char* path);

// System folder, such as C:\Windows\system32; buffer untouched on failure.
void PlatformSystemDirectory(char* buffer, size_t capacity);

// Asks the shell to "open" file; parameters may be null. Result not reported.
void PlatformShellOpen(const char* file, const char* parameters, const char* folder, ShowCommand show);

// Reads a value of any type into buffer (at most capacity bytes) and gives its
// size in bytes. False, with buffer contents unspecified, when the key or value
// is missing or the value does not fit. Under the local machine a value missing
// from the program's own registry view is read from the other one.
bool PlatformRegistryRead(RegistryRoot root, const char* keyPath, const char* valueName, char* buffer,
                          size_t capacity, size_t* size);

// Stores text as a string value, creating the key path as needed.
void PlatformRegistryWriteText(RegistryRoot root, const char* keyPath, const char* valueName, const char* text);

// The open-file dialog, centred on the desktop when it first activates.
// filterList is the double-NUL-terminated list of description/pattern pairs.
// True when the user picked a file, whose path is then in file.
bool PlatformOpenFileDialog(const char* title, const char* filterList, WindowHandle owner, const char* initialFolder,
                            char* file, size_t fileCapacity, char* fileTitle, size_t fileTitleCapacity);
