// Drives the real Tipstart.exe: starts it as a debuggee with an exact command
// line (so faults are seen even where Wine would exit quietly), reads and
// answers its dialogs, and collects what the stand-in tool recorded.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The registry places the program reads, and the version-2 record it writes.
inline const std::string V2 = "Software\\Quistral\\OBX\\2.0";
inline const std::string V30 = "Software\\Quistral\\OBX\\3.0";
inline const std::string V35 = "Software\\Quistral\\OBX\\3.5";
inline const std::string V4 = "Software\\Quistral\\OBX\\4.0";
inline const std::string V5 = "SOFTWARE\\Vantrell\\OBX\\5.0";

struct SeenBox {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // visible button ids, in child order
};

struct SeenLaunch {
    std::string program;  // the stand-in's own path
    int show;             // STARTUPINFO wShowWindow, -1 when not given
    std::string folder;   // working folder
    std::string commandLine;
};

struct Script {
    std::vector<int> answers;  // one per message box, in order; IDOK once used up
    // Called at every poll while the file chooser is up, until it returns
    // true; it must then have closed the dialog. Without it: Cancel.
    // The debuggee can be stopped at a debug event during the call, so the
    // callback must not block on the dialog (post, or send with a timeout).
    std::function<bool(HWND dialog, HANDLE process)> chooser;
};

// The program's one SetWindowPos call that moves without sizing or activating
// (the centring at the chooser's first activation), caught at its entry.
struct CentringCall {
    bool seen = false;
    HWND window = nullptr;
    int x = 0;
    int y = 0;
    RECT windowAtCall = {};  // the window's rect when the call was made
    RECT desktop = {};
};

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<std::string> faults;  // crashes, timeouts
    std::vector<SeenBox> boxes;
    int choosers = 0;
    std::vector<std::string> loadedModules;  // lower-case file names
    CentringCall centring;
};

// The harness and the stand-in tool run with UTF-8 as their ANSI code page,
// like Tipstart.exe: every text here is UTF-8.

// The fixture: C:\tsfix with Ext\Tipstart.exe, documents and stand-in tools.
std::string FixtureRoot();
std::string ExtFolder();     // with trailing "\"
std::string StandInPath();   // the built stand-in tool
std::string PlantedDllPath(); // compstui.dll that marks its own loading
std::string CheckerPath();    // this build's tipstart-check.exe
void PrepareFixture();
void WriteFile(const std::string& path, const std::string& contents);
void CopyFileOrFail(const std::string& from, const std::string& to);
std::string ShortPath(const std::string& path);

// Runs the fixture's Ext\Tipstart.exe, or program when given.
RunResult RunTipstart(const std::string& commandLine, const Script& script = Script(),
                      const std::string& program = std::string());
// The quoted program path, a space, and the text after it.
std::string LinkCommandLine(const std::string& afterProgram);

// Launches recorded by the stand-in since the last call; waits up to 10 s for
// expected of them, then a moment more for any surplus.
std::vector<SeenLaunch> TakeLaunches(size_t expected);

// One launch: the tool at program started maximised with the short path of
// document as its parameter, in the document's folder.
void ExpectToolStarted(const std::vector<SeenLaunch>& launches, const std::string& program,
                       const std::string& document);

// Registry access for the cases, in the harness's view or the one given
// (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
void RegSetText(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                REGSAM view = 0);
void RegSetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
               REGSAM view = 0);
void RegDeleteValueIfAny(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
// The registry view Tipstart.exe under test reads by default, and the other.
REGSAM TipstartOwnView();
REGSAM TipstartOtherView();
bool RegRead(HKEY root, const std::string& key, const std::string& name, DWORD* type, std::string* bytes);
void ClearToolLocations();

// Dialog helpers.
std::string WindowText(HWND window);
// Clicks a dialog's button without waiting for the dialog.
void Press(HWND dialog, int id);
