#include <gtest/gtest.h>

#include "tests/e2e/Harness.h"

namespace {

const char* const Question = "Path to Oberix 2 executable was not found. Do you wish to specify one now ?";
const char* const QuestionCaption = "Path to Oberix 2 was Not Found!";

// What the test saw of the file chooser before answering it.
struct ChooserSeen {
    std::string title;
    std::string folder;
    std::vector<std::string> filters;
    RECT settled = {};
};

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok)
{
    DWORD_PTR answer = 0;
    *ok = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
    return static_cast<LRESULT>(answer);
}

// The chooser's current folder, asked inside the program's own process.
std::string FolderOf(HWND dialog, HANDLE process)
{
    const SIZE_T size = 1024;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::string folder;
    bool ok = false;
    LRESULT length = SendWithTimeout(dialog, CDM_GETFOLDERPATH, size, reinterpret_cast<LPARAM>(remote), &ok);
    if (ok && length > 0) {
        std::vector<char> buffer(size, '\0');
        SIZE_T done = 0;
        ReadProcessMemory(process, remote, buffer.data(), size - 1, &done);
        folder = buffer.data();
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return folder;
}

std::vector<std::string> FiltersOf(HWND dialog)
{
    std::vector<std::string> filters;
    HWND types = GetDlgItem(dialog, cmb1);
    bool ok = false;
    LRESULT count = SendWithTimeout(types, CB_GETCOUNT, 0, 0, &ok);
    for (LRESULT i = 0; ok && i < count; ++i) {
        // The wide form: Wine marshals the ANSI one across processes badly.
        wchar_t wide[512] = {};
        DWORD_PTR answer = 0;
        ok = SendMessageTimeoutW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 2000,
                                 &answer) != 0;
        char text[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        filters.push_back(text);
    }
    return filters;
}

// Looks at the chooser once it has settled, then types path into its file
// name box and presses Open; an empty path presses Cancel.
Script AnswerYesThenChoose(const std::string& path, ChooserSeen* seen)
{
    Script script;
    script.answers = {IDYES};
    auto firstSeen = std::make_shared<ULONGLONG>(0);
    script.chooser = [path, seen, firstSeen](HWND dialog, HANDLE process) {
        if (*firstSeen == 0) {
            *firstSeen = GetTickCount64();
        }
        if (GetTickCount64() - *firstSeen < 700) {
            return false;
        }
        seen->title = WindowText(dialog);
        seen->folder = FolderOf(dialog, process);
        seen->filters = FiltersOf(dialog);
        GetWindowRect(dialog, &seen->settled);
        if (path.empty()) {
            Press(dialog, IDCANCEL);
            return true;
        }
        HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
        bool ok = false;
        SendWithTimeout(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), &ok);
        if (!ok) {
            return false;
        }
        Press(dialog, IDOK);
        return true;
    };
    return script;
}

class Version2FirstUse : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearToolLocations();
        TakeLaunches(0);
    }
    void TearDown() override
    {
        ClearToolLocations();
        DeleteFileA("C:\\ob.exe");
    }

    static void ExpectQuestion(const RunResult& result)
    {
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(result.faults.empty()) << result.faults.front();
        ASSERT_EQ(result.boxes.size(), 1u);
        EXPECT_EQ(result.boxes[0].caption, QuestionCaption);
        EXPECT_EQ(result.boxes[0].text, Question);
        EXPECT_EQ(result.boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    }

    static std::string Record()
    {
        DWORD type = 0;
        std::string bytes;
        if (!RegRead(HKEY_CURRENT_USER, V2, "Path", &type, &bytes)) {
            return "<absent>";
        }
        return type == REG_SZ ? bytes : "<not a string>";
    }
};

TEST_F(Version2FirstUse, AnswerNoStoresAndStartsNothing)
{
    RunResult result = RunTipstart(LinkCommandLine("^2docs\\one.txt"), Script{{IDNO}, nullptr});
    ExpectQuestion(result);
    EXPECT_EQ(result.choosers, 0);
    EXPECT_EQ(Record(), "<absent>");
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST_F(Version2FirstUse, PickedObIsStoredAndStartedFromACentredChooser)
{
    ChooserSeen seen;
    std::string picked = FixtureRoot() + "\\O2\\ob.exe";
    RunResult result = RunTipstart(LinkCommandLine("^2docs\\one.txt"), AnswerYesThenChoose(picked, &seen));
    ExpectQuestion(result);
    ASSERT_EQ(result.choosers, 1);
    EXPECT_EQ(seen.title, "Broswe the path to ob.exe");
    EXPECT_EQ(_stricmp(seen.folder.c_str(), "C:\\Program Files"), 0) << seen.folder;
    EXPECT_EQ(seen.filters, std::vector<std::string>{"Oberix 2 Executable(ob.exe)"});

    // Centred at its first activation, on the size it had then.
    const CentringCall& centring = result.centring;
    ASSERT_TRUE(centring.seen);
    const RECT& d = centring.desktop;
    const RECT& r = centring.windowAtCall;
    int x = (d.left + d.right - r.right + r.left) / 2;
    int y = (d.top + d.bottom - r.bottom + r.top) / 2;
    EXPECT_EQ(centring.x, x);
    EXPECT_EQ(centring.y, y);
    EXPECT_LE(std::abs(seen.settled.left - x), 1) << seen.settled.left;
    EXPECT_LE(std::abs(seen.settled.top - y), 1) << seen.settled.top;

    EXPECT_EQ(Record(), FixtureRoot() + "\\O2\\" + std::string(1, '\0'));
    std::vector<SeenLaunch> launches = TakeLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), picked.c_str()), 0) << launches[0].program;
    EXPECT_EQ(launches[0].show, SW_SHOWMAXIMIZED);
    std::string shortTarget = ShortPath(ExtFolder() + "docs\\one.txt");
    EXPECT_NE(launches[0].commandLine.find("O2\\\\ob.exe"), std::string::npos) << launches[0].commandLine;
    EXPECT_EQ(launches[0].commandLine.substr(launches[0].commandLine.size() - shortTarget.size()), shortTarget);

    // The record now serves the next request without asking.
    RunResult again = RunTipstart(LinkCommandLine("^2docs\\one.txt"));
    EXPECT_TRUE(again.boxes.empty());
    EXPECT_EQ(TakeLaunches(1).size(), 1u);
}

TEST_F(Version2FirstUse, CancelStoresTheEmptyRecordAndStartsNoRootOb)
{
    CopyFileOrFail(StandInPath(), "C:\\ob.exe");
    ChooserSeen seen;
    RunResult result = RunTipstart(LinkCommandLine("^2docs\\one.txt"), AnswerYesThenChoose("", &seen));
    ExpectQuestion(result);
    EXPECT_EQ(result.choosers, 1);
    EXPECT_EQ(Record(), std::string(1, '\0'));
    EXPECT_TRUE(TakeLaunches(0).empty());

    // The empty record is no record: the next request asks again.
    RunResult next = RunTipstart(LinkCommandLine("^2docs\\one.txt"), Script{{IDNO}, nullptr});
    ExpectQuestion(next);
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST_F(Version2FirstUse, OnlyAnExistingObExeTypedInTheChooserIsStored)
{
    const std::string tools = FixtureRoot() + "\\Tools";
    CreateDirectoryA(tools.c_str(), nullptr);
    CopyFileOrFail(StandInPath(), tools + "\\oberix.exe");
    CopyFileOrFail(StandInPath(), tools + "\\OB.EXE");
    ChooserSeen seen;

    RunResult other = RunTipstart(LinkCommandLine("^2docs\\one.txt"), AnswerYesThenChoose(tools + "\\oberix.exe", &seen));
    ExpectQuestion(other);
    EXPECT_EQ(Record(), std::string(1, '\0'));
    EXPECT_TRUE(TakeLaunches(0).empty());

    // A name that is not there: the chooser asks to create it, and Yes.
    Script missing = AnswerYesThenChoose(FixtureRoot() + "\\O2\\missing\\ob.exe", &seen);
    CreateDirectoryA((FixtureRoot() + "\\O2\\missing").c_str(), nullptr);
    missing.answers.push_back(IDYES);
    RunResult created = RunTipstart(LinkCommandLine("^2docs\\one.txt"), missing);
    ASSERT_EQ(created.boxes.size(), 2u);
    EXPECT_EQ(created.boxes[0].text, Question);
    EXPECT_EQ(Record(), std::string(1, '\0'));
    EXPECT_TRUE(TakeLaunches(0).empty());

    RunResult upper = RunTipstart(LinkCommandLine("^2docs\\one.txt"), AnswerYesThenChoose(tools + "\\OB.EXE", &seen));
    ExpectQuestion(upper);
    EXPECT_EQ(Record(), tools + "\\" + std::string(1, '\0'));
    EXPECT_EQ(TakeLaunches(1).size(), 1u);
}

TEST_F(Version2FirstUse, AfterAResetTheNextRequestAsksAgain)
{
    RegSetText(HKEY_CURRENT_USER, V2, "Path", FixtureRoot() + "\\O2\\");
    RunResult reset = RunTipstart(LinkCommandLine("^2Reset_"));
    EXPECT_TRUE(reset.boxes.empty());
    RunResult next = RunTipstart(LinkCommandLine("^2docs\\one.txt"), Script{{IDNO}, nullptr});
    ExpectQuestion(next);
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST_F(Version2FirstUse, NamesInAnyScriptServeVersions3And2)
{
    // A help folder, a document and a tool folder named outside the Western
    // code page, as users of Greek, Cyrillic or Japanese Windows have them.
    const std::string help = FixtureRoot() + "\\Hilfe ヘルプ\\";
    const std::string relative = "docs\\Überblick Ж.txt";
    const std::string tool = FixtureRoot() + "\\Werkzeug Ω";
    for (const std::string& folder : {help, help + "docs", tool}) {
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    CopyFileOrFail(ExtFolder() + "Tipstart.exe", help + "Tipstart.exe");
    CopyFileOrFail(StandInPath(), tool + "\\obx.exe");
    CopyFileOrFail(StandInPath(), tool + "\\ob.exe");
    WriteFile(help + relative, "Ж\r\n");
    const std::string program = help + "Tipstart.exe";

    RegSetText(HKEY_CURRENT_USER, V35, "Path", tool);
    RunResult version3 = RunTipstart("\"" + program + "\" ^3" + relative, Script(), program);
    EXPECT_TRUE(version3.boxes.empty());
    ExpectToolStarted(TakeLaunches(1), tool + "\\obx.exe", help + relative);

    ChooserSeen seen;
    RunResult version2 =
        RunTipstart("\"" + program + "\" ^2" + relative, AnswerYesThenChoose(tool + "\\ob.exe", &seen), program);
    ExpectQuestion(version2);
    EXPECT_EQ(Record(), tool + "\\" + std::string(1, '\0'));
    ExpectToolStarted(TakeLaunches(1), tool + "\\ob.exe", help + relative);
}

TEST_F(Version2FirstUse, CommonDialogsLoadOnlyWhenShownAndNothingFromTheProgramFolder)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", FixtureRoot() + "\\Obx35");
    RunResult plain = RunTipstart(LinkCommandLine("^3docs\\one.txt"));
    EXPECT_EQ(TakeLaunches(1).size(), 1u);
    const std::vector<std::string>& modules = plain.loadedModules;
    EXPECT_EQ(std::find(modules.begin(), modules.end(), "comdlg32.dll"), modules.end());

    // A DLL that the chooser's libraries import, planted beside the program,
    // with the native-first override Windows applies to such DLLs.
    CopyFileOrFail(PlantedDllPath(), ExtFolder() + "compstui.dll");
    const std::string marker = ExtFolder() + "compstui.loaded";
    char overrides[1024] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", (std::string(overrides) + ";compstui=n,b").c_str());
    ChooserSeen seen;
    RunResult chooser = RunTipstart(LinkCommandLine("^2docs\\one.txt"), AnswerYesThenChoose("", &seen));
    SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides);
    DeleteFileA((ExtFolder() + "compstui.dll").c_str());
    EXPECT_EQ(chooser.choosers, 1);
    EXPECT_NE(std::find(chooser.loadedModules.begin(), chooser.loadedModules.end(), "comdlg32.dll"),
              chooser.loadedModules.end());
    EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted DLL was loaded";
    DeleteFileA(marker.c_str());
}

}  // namespace
