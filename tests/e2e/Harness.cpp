#include "tests/e2e/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#ifndef TIPSTART_EXE
#error "TIPSTART_EXE must name the Tipstart.exe under test"
#endif
#ifndef STAND_IN_EXE
#error "STAND_IN_EXE must name the stand-in tool"
#endif
#ifndef PLANTED_DLL
#error "PLANTED_DLL must name the planted compstui.dll"
#endif

namespace {


// Build paths come as Unix paths when cross-built; Wine shows them on Z:.
std::string HostPath(const char* path)
{
    std::string converted = path[0] == '/' ? std::string("Z:") + path : std::string(path);
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}

// A file the environment names (the shipped 32-bit Tipstart.exe and its
// planted DLL, say), else the one built beside this program.
std::string ChosenFile(const char* variable, const char* built)
{
    const char* chosen = getenv(variable);
    return HostPath(chosen && *chosen ? chosen : built);
}

std::string TipstartUnderTest()
{
    return ChosenFile("TIPSTART_EXE", TIPSTART_EXE);
}

std::string ProbePath()
{
    return FixtureRoot() + "\\launches.txt";
}

std::string ReadWholeFile(const std::string& path)
{
    std::string contents;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return contents;
    }
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        contents.append(buffer, got);
    }
    CloseHandle(file);
    return contents;
}

std::vector<SeenLaunch> ParseLaunches(const std::string& contents)
{
    std::vector<SeenLaunch> launches;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) {
            break;  // a line still being written
        }
        std::string line = contents.substr(start, end - start);
        start = end + 1;
        size_t a = line.find('\t');
        size_t b = line.find('\t', a + 1);
        size_t c = line.find('\t', b + 1);
        SeenLaunch launch;
        launch.program = line.substr(0, a);
        launch.show = atoi(line.substr(a + 1, b - a - 1).c_str());
        launch.folder = line.substr(b + 1, c - b - 1);
        launch.commandLine = line.substr(c + 1);
        launches.push_back(launch);
    }
    return launches;
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ModuleNameOf(HANDLE file)
{
    char path[MAX_PATH * 2] = {};
    if (!file || !GetFinalPathNameByHandleA(file, path, sizeof path, 0)) {
        return "";
    }
    std::string full = path;
    size_t slash = full.find_last_of("\\/");
    return Lower(slash == std::string::npos ? full : full.substr(slash + 1));
}

struct DialogScan {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM context)
{
    DialogScan* scan = reinterpret_cast<DialogScan*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == scan->processId && IsWindowVisible(window) && strcmp(className, "#32770") == 0) {
        scan->found.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM context)
{
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Button") == 0 && IsWindowVisible(child)) {
        reinterpret_cast<std::vector<int>*>(context)->push_back(GetDlgCtrlID(child));
    }
    return TRUE;
}

bool IsFileChooser(HWND dialog)
{
    // The open-file dialog's file name box (cmb13 or edt1).
    return GetDlgItem(dialog, 0x47C) || GetDlgItem(dialog, 0x480);
}

SeenBox ReadBox(HWND box)
{
    SeenBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, 0xFFFF));
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&seen.buttons));
    return seen;
}

}  // namespace

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {

struct Debuggee {
    PROCESS_INFORMATION process = {};
    bool wow64 = false;  // a 32-bit program: its registers are WOW64_CONTEXT
    BYTE* imageBase = nullptr;
    SIZE_T imageSize = 0;
    bool sawLoaderBreakpoint = false;
    // A breakpoint on SetWindowPos in the debuggee, re-armed after each hit.
    BYTE* trapAddress = nullptr;
    BYTE trapOriginal = 0;
    bool trapRearm = false;
};

template <typename T>
bool ReadRemote(HANDLE process, const BYTE* at, T* value)
{
    SIZE_T done = 0;
    return ReadProcessMemory(process, at, value, sizeof *value, &done) && done == sizeof *value;
}

// The optional header of a module image in the debuggee, PE32 or PE32+.
BYTE* RemoteOptionalHeader(HANDLE process, BYTE* base)
{
    IMAGE_DOS_HEADER dos = {};
    return ReadRemote(process, base, &dos) ? base + dos.e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER) : nullptr;
}

// Where a module of the debuggee exports name, read from the export table in
// the debuggee's own memory, so that a 32-bit module is read as such.
BYTE* RemoteExport(HANDLE process, BYTE* base, const char* name)
{
    BYTE* optional = RemoteOptionalHeader(process, base);
    WORD magic = 0;
    if (!optional || !ReadRemote(process, optional, &magic)) {
        return nullptr;
    }
    size_t directories = magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC ? offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory)
                                                                : offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    IMAGE_DATA_DIRECTORY table = {};
    IMAGE_EXPORT_DIRECTORY exports = {};
    if (!ReadRemote(process, optional + directories, &table) ||
        !ReadRemote(process, base + table.VirtualAddress, &exports)) {
        return nullptr;
    }
    for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
        DWORD nameAt = 0;
        char candidate[64] = {};
        SIZE_T done = 0;
        ReadRemote(process, base + exports.AddressOfNames + 4 * i, &nameAt);
        ReadProcessMemory(process, base + nameAt, candidate, sizeof candidate - 1, &done);
        if (strcmp(candidate, name) == 0) {
            WORD ordinal = 0;
            DWORD function = 0;
            ReadRemote(process, base + exports.AddressOfNameOrdinals + 2 * i, &ordinal);
            ReadRemote(process, base + exports.AddressOfFunctions + 4 * ordinal, &function);
            return base + function;
        }
    }
    return nullptr;
}

void WriteByte(HANDLE process, BYTE* at, BYTE value)
{
    SIZE_T done = 0;
    WriteProcessMemory(process, at, &value, 1, &done);
    FlushInstructionCache(process, at, 1);
}

void ArmTrap(Debuggee& debuggee, const std::string& module, BYTE* base)
{
    if (debuggee.trapAddress || module != "user32.dll") {
        return;
    }
    debuggee.trapAddress = RemoteExport(debuggee.process.hProcess, base, "SetWindowPos");
    if (debuggee.trapAddress) {
        ReadRemote(debuggee.process.hProcess, debuggee.trapAddress, &debuggee.trapOriginal);
        WriteByte(debuggee.process.hProcess, debuggee.trapAddress, 0xCC);
    }
}

// SetWindowPos(hwnd, after, x, y, cx, cy, flags) at its first instruction.
void NoteCentringCall(HWND window, int x, int y, UINT flags, CentringCall* call)
{
    if (call->seen || flags != (SWP_NOSIZE | SWP_NOACTIVATE)) {
        return;
    }
    call->seen = true;
    call->window = window;
    call->x = x;
    call->y = y;
    GetWindowRect(call->window, &call->windowAtCall);
    GetWindowRect(GetDesktopWindow(), &call->desktop);
}

// At SetWindowPos's first instruction: note the call, and move the
// instruction pointer back onto the breakpoint.
void NoteAndRewind(HANDLE process, WOW64_CONTEXT& context, CentringCall* call)
{
    DWORD arguments[8] = {};  // the return address, then the seven arguments
    ReadRemote(process, reinterpret_cast<const BYTE*>(static_cast<UINT_PTR>(context.Esp)), &arguments);
    NoteCentringCall(reinterpret_cast<HWND>(static_cast<UINT_PTR>(arguments[1])), static_cast<int>(arguments[3]),
                     static_cast<int>(arguments[4]), arguments[7], call);
    context.Eip -= 1;
}

void NoteAndRewind(HANDLE process, CONTEXT& context, CentringCall* call)
{
    // hwnd, x and y in rcx, r8 and r9; flags above the return address and
    // the 32-byte home area.
    UINT64 flags = 0;
    ReadRemote(process, reinterpret_cast<const BYTE*>(context.Rsp) + 0x38, &flags);
    NoteCentringCall(reinterpret_cast<HWND>(context.Rcx), static_cast<int>(context.R8), static_cast<int>(context.R9),
                     static_cast<UINT>(flags), call);
    context.Rip -= 1;
}

// Our own breakpoint and the single step that re-arms it: note the call, let
// the original instruction run once, then put the breakpoint back.
template <typename Context, BOOL(WINAPI* Get)(HANDLE, Context*), BOOL(WINAPI* Set)(HANDLE, const Context*)>
void StepOverTrap(Debuggee& debuggee, HANDLE thread, DWORD flags, bool hit, RunResult& result)
{
    HANDLE process = debuggee.process.hProcess;
    Context context = {};
    context.ContextFlags = flags;
    Get(thread, &context);
    if (hit) {
        NoteAndRewind(process, context, &result.centring);
        WriteByte(process, debuggee.trapAddress, debuggee.trapOriginal);
        context.EFlags |= 0x100;  // trap after one instruction
        debuggee.trapRearm = true;
    } else {
        WriteByte(process, debuggee.trapAddress, 0xCC);
        debuggee.trapRearm = false;
    }
    Set(thread, &context);
}

// What a 64-bit debugger sees of a 32-bit program's int3 and single step on
// Windows; Wine reports the usual codes.
const DWORD Wow64Breakpoint = 0x4000001F;
const DWORD Wow64SingleStep = 0x4000001E;

bool OnTrap(Debuggee& debuggee, const DEBUG_EVENT& event, RunResult& result)
{
    const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
    bool hit = (record.ExceptionCode == EXCEPTION_BREAKPOINT || record.ExceptionCode == Wow64Breakpoint) &&
               debuggee.trapAddress && static_cast<BYTE*>(record.ExceptionAddress) == debuggee.trapAddress;
    bool step = (record.ExceptionCode == EXCEPTION_SINGLE_STEP || record.ExceptionCode == Wow64SingleStep) &&
                debuggee.trapRearm;
    if (!hit && !step) {
        return false;
    }
    HANDLE thread = OpenThread(THREAD_ALL_ACCESS, FALSE, event.dwThreadId);
    if (debuggee.wow64) {
        StepOverTrap<WOW64_CONTEXT, Wow64GetThreadContext, Wow64SetThreadContext>(debuggee, thread,
                                                                                  WOW64_CONTEXT_FULL, hit, result);
    } else {
        StepOverTrap<CONTEXT, GetThreadContext, SetThreadContext>(debuggee, thread, CONTEXT_FULL, hit, result);
    }
    CloseHandle(thread);
    return true;
}

SIZE_T ImageSizeOf(HANDLE process, BYTE* base)
{
    static_assert(offsetof(IMAGE_OPTIONAL_HEADER32, SizeOfImage) == offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfImage),
                  "one offset for both layouts");
    BYTE* optional = RemoteOptionalHeader(process, base);
    DWORD size = 0;
    return optional && ReadRemote(process, optional + offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfImage), &size) ? size : 0;
}

bool IsFatal(DWORD code)
{
    return code == EXCEPTION_STACK_OVERFLOW || code == 0xC0000374 /* heap corruption */ ||
           code == 0xC0000409 /* stack buffer overrun */;
}

// Returns the continue status for one exception event, noting faults.
DWORD OnException(Debuggee& debuggee, const EXCEPTION_DEBUG_INFO& info, RunResult& result)
{
    const EXCEPTION_RECORD& record = info.ExceptionRecord;
    if (record.ExceptionCode == EXCEPTION_BREAKPOINT && !debuggee.sawLoaderBreakpoint) {
        debuggee.sawLoaderBreakpoint = true;
        return DBG_CONTINUE;
    }
    BYTE* at = static_cast<BYTE*>(record.ExceptionAddress);
    bool inProgram = at >= debuggee.imageBase && at < debuggee.imageBase + debuggee.imageSize;
    if (!info.dwFirstChance || IsFatal(record.ExceptionCode) || (inProgram && record.ExceptionCode != 0x406D1388)) {
        char description[128];
        snprintf(description, sizeof description, "exception 0x%08lX at %p (%s chance%s)",
                 static_cast<unsigned long>(record.ExceptionCode), record.ExceptionAddress,
                 info.dwFirstChance ? "first" : "second", inProgram ? ", in Tipstart.exe" : "");
        result.faults.push_back(description);
    }
    return DBG_EXCEPTION_NOT_HANDLED;
}

struct ChooserState {
    HWND dialog = nullptr;
    bool done = false;
};

void AnswerDialogs(const Debuggee& debuggee, const Script& script, size_t* nextAnswer,
                   std::vector<HWND>* handled, ChooserState* chooser, RunResult& result)
{
    DialogScan scan = {debuggee.process.dwProcessId, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&scan));
    for (HWND dialog : scan.found) {
        if (dialog == chooser->dialog) {
            if (!chooser->done) {
                chooser->done = script.chooser(dialog, debuggee.process.hProcess);
            }
            continue;
        }
        if (std::find(handled->begin(), handled->end(), dialog) != handled->end()) {
            continue;
        }
        handled->push_back(dialog);
        if (IsFileChooser(dialog)) {
            ++result.choosers;
            if (script.chooser) {
                *chooser = ChooserState();
                chooser->dialog = dialog;
                chooser->done = script.chooser(dialog, debuggee.process.hProcess);
            } else {
                Press(dialog, IDCANCEL);
            }
            continue;
        }
        result.boxes.push_back(ReadBox(dialog));
        int answer = *nextAnswer < script.answers.size() ? script.answers[(*nextAnswer)++] : IDOK;
        Press(dialog, answer);
    }
}

}  // namespace

std::string FixtureRoot()
{
    return "C:\\tsfix";
}

std::string ExtFolder()
{
    return FixtureRoot() + "\\Ext\\";
}

std::string StandInPath()
{
    return HostPath(STAND_IN_EXE);
}

std::string CheckerPath()
{
    return ChosenFile("TIPSTART_CHECKER", CHECKER_EXE);
}

std::string PlantedDllPath()
{
    return ChosenFile("TIPSTART_PLANTED_DLL", PLANTED_DLL);
}

void WriteFile(const std::string& path, const std::string& contents)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot write " + path);
    }
    DWORD written = 0;
    ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
}

void CopyFileOrFail(const std::string& from, const std::string& to)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + from + " to " + to);
    }
}

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH * 4] = {};
    GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return buffer;
}

void PrepareFixture()
{
    for (const char* folder : {"", "\\Ext", "\\Ext\\docs", "\\Ext\\my docs", "\\Obx30", "\\Obx35", "\\Obx4",
                               "\\Obx5", "\\O2", "\\Obx 4"}) {
        CreateDirectoryA((FixtureRoot() + folder).c_str(), nullptr);
    }
    CopyFileOrFail(TipstartUnderTest(), ExtFolder() + "Tipstart.exe");
    WriteFile(ExtFolder() + "docs\\one.txt", "one\r\n");
    WriteFile(ExtFolder() + "docs\\five.tsdoc", "five\r\n");
    WriteFile(ExtFolder() + "my docs\\one.txt", "spaced\r\n");
    for (const char* tool : {"\\Obx30\\obx.exe", "\\Obx35\\obx.exe", "\\Obx4\\obx.exe", "\\Obx5\\obx5.exe",
                             "\\O2\\ob.exe", "\\Obx 4\\obx.exe"}) {
        CopyFileOrFail(StandInPath(), FixtureRoot() + tool);
    }
    // Version 5 opens documents through their association; wine reads it
    // from HKEY_CLASSES_ROOT itself.
    RegSetText(HKEY_CLASSES_ROOT, ".tsdoc", "", "TipstartTest.Document");
    RegSetText(HKEY_CLASSES_ROOT, "TipstartTest.Document\\shell\\open\\command", "",
               "\"" + FixtureRoot() + "\\Obx5\\obx5.exe\" \"%1\"");
    SetEnvironmentVariableA("TIPSTART_PROBE", ProbePath().c_str());
    DeleteFileA(ProbePath().c_str());
}

std::string LinkCommandLine(const std::string& afterProgram)
{
    return "\"" + ExtFolder() + "Tipstart.exe\" " + afterProgram;
}

RunResult RunTipstart(const std::string& commandLine, const Script& script, const std::string& chosenProgram)
{
    RunResult result;
    std::string program = chosenProgram.empty() ? ExtFolder() + "Tipstart.exe" : chosenProgram;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Debuggee debuggee;
    // Under load Wine now and then refuses to create a process with
    // ERROR_INTERNAL_ERROR before the program runs at all: that is tried again.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                                 nullptr, FixtureRoot().c_str(), &startup, &debuggee.process) != FALSE;
        error = started ? 0 : GetLastError();
        if (!started && error != ERROR_INTERNAL_ERROR) {
            break;
        }
    }
    if (!started) {
        result.faults.push_back("CreateProcessA failed: " + std::to_string(error));
        return result;
    }
    size_t nextAnswer = 0;
    std::vector<HWND> handled;
    ChooserState chooser;
    BOOL wow64 = FALSE;
    IsWow64Process(debuggee.process.hProcess, &wow64);
    debuggee.wow64 = wow64 != FALSE;
    ULONGLONG deadline = GetTickCount64() + 30000;
    bool running = true;
    while (running) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 20)) {
            if (GetTickCount64() > deadline) {
                result.faults.push_back("still running after 30 s");
                TerminateProcess(debuggee.process.hProcess, 99);
                deadline = ~0ULL;
            }
            AnswerDialogs(debuggee, script, &nextAnswer, &handled, &chooser, result);
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            debuggee.imageBase = static_cast<BYTE*>(event.u.CreateProcessInfo.lpBaseOfImage);
            debuggee.imageSize = ImageSizeOf(debuggee.process.hProcess, debuggee.imageBase);
            if (event.u.CreateProcessInfo.hFile) {
                CloseHandle(event.u.CreateProcessInfo.hFile);
            }
            break;
        case LOAD_DLL_DEBUG_EVENT:
            result.loadedModules.push_back(ModuleNameOf(event.u.LoadDll.hFile));
            ArmTrap(debuggee, result.loadedModules.back(), static_cast<BYTE*>(event.u.LoadDll.lpBaseOfDll));
            if (event.u.LoadDll.hFile) {
                CloseHandle(event.u.LoadDll.hFile);
            }
            break;
        case EXCEPTION_DEBUG_EVENT:
            status = OnTrap(debuggee, event, result) ? DBG_CONTINUE : OnException(debuggee, event.u.Exception, result);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            result.exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    CloseHandle(debuggee.process.hThread);
    CloseHandle(debuggee.process.hProcess);
    return result;
}

std::vector<SeenLaunch> TakeLaunches(size_t expected)
{
    ULONGLONG deadline = GetTickCount64() + 10000;
    while (ParseLaunches(ReadWholeFile(ProbePath())).size() < expected && GetTickCount64() < deadline) {
        Sleep(50);
    }
    Sleep(expected == 0 ? 800 : 300);
    std::vector<SeenLaunch> launches = ParseLaunches(ReadWholeFile(ProbePath()));
    DeleteFileA(ProbePath().c_str());
    return launches;
}

void ExpectToolStarted(const std::vector<SeenLaunch>& launches, const std::string& program,
                       const std::string& document)
{
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), program.c_str()), 0) << launches[0].program;
    EXPECT_EQ(launches[0].show, SW_SHOWMAXIMIZED);
    std::string shortTarget = ShortPath(document);
    ASSERT_FALSE(shortTarget.empty()) << document;
    EXPECT_EQ(shortTarget.find(' '), std::string::npos);
    const std::string& line = launches[0].commandLine;
    ASSERT_GE(line.size(), shortTarget.size() + 1) << line;
    EXPECT_EQ(line.substr(line.size() - shortTarget.size() - 1), " " + shortTarget) << line;
    std::string folder = document.substr(0, document.find_last_of('\\'));
    EXPECT_EQ(_stricmp(launches[0].folder.c_str(), folder.c_str()), 0) << launches[0].folder;
}

void RegSetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
               REGSAM view)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot create key " + key);
    }
    RegSetValueExA(opened, name.empty() ? nullptr : name.c_str(), 0, type,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(opened);
}

void RegSetText(HKEY root, const std::string& key, const std::string& name, const std::string& text, REGSAM view)
{
    RegSetRaw(root, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1), view);
}

void RegDeleteValueIfAny(HKEY root, const std::string& key, const std::string& name, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE | view, &opened) == ERROR_SUCCESS) {
        RegDeleteValueA(opened, name.c_str());
        RegCloseKey(opened);
    }
}

bool RegRead(HKEY root, const std::string& key, const std::string& name, DWORD* type, std::string* bytes)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LONG status = RegQueryValueExA(opened, name.c_str(), nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        bytes->assign(size, '\0');
        status = RegQueryValueExA(opened, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size);
        bytes->resize(size);
    }
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

void ClearToolLocations()
{
    for (const std::string& key : {V2, V30, V35, V4}) {
        RegDeleteValueIfAny(HKEY_CURRENT_USER, key, "Path");
    }
    RegDeleteValueIfAny(HKEY_LOCAL_MACHINE, V5, "Folder", KEY_WOW64_32KEY);
    RegDeleteValueIfAny(HKEY_LOCAL_MACHINE, V5, "Folder", KEY_WOW64_64KEY);
}

REGSAM TipstartOwnView()
{
    DWORD type = SCS_64BIT_BINARY;
    GetBinaryTypeA(TipstartUnderTest().c_str(), &type);
    return type == SCS_32BIT_BINARY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

REGSAM TipstartOtherView()
{
    return TipstartOwnView() == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::string WindowText(HWND window)
{
    char text[4096] = {};
    if (window) {
        GetWindowTextA(window, text, sizeof text);
    }
    return text;
}
