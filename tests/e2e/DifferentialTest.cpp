// Tipstart.exe and tipstart-check side by side: links drawn from a fixed
// seed over a package whose names come in several scripts and cases, and
// links that run programs, leave the package or name devices, run through
// the real program installed where the checker takes it to be, and predicted
// by the checker. Every link must land in the same class in both.
#include <gtest/gtest.h>

#include <string.h>

#include <random>

#include "tests/e2e/Harness.h"

namespace {

std::string PackageRoot()
{
    return FixtureRoot() + "\\diff";
}

// The checker's default install folder.
std::string PackageExt()
{
    return "C:\\Program Files (x86)\\ZEZODA Extension";
}

// A Tipstart.exe outside the package, which a ShortCut may name.
std::string OtherExt()
{
    return PackageRoot() + "\\Other";
}

enum Outcome {
    OpensDocument,
    StartsToolAlone,
    ShowsBox,
    DoesNothing,
    RunsProgram,
    ReachesOutside,
    HandsDevice,
    Unknown
};

const char* OutcomeName(Outcome outcome)
{
    static const char* const names[] = {"opens the document", "starts the tool without one", "a message box",
                                        "nothing", "runs a program", "reaches a file outside the package",
                                        "hands a tool a device", "unknown"};
    return names[outcome];
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                     static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length));
    return wide;
}

std::string Utf8(const std::wstring& text)
{
    std::string narrow(text.size() * 4, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                                     static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length));
    return narrow;
}

// Windows' own case mapping of a whole name, for the links in another case.
std::string ChangeCase(const std::string& name, bool upper)
{
    std::wstring wide = Wide(name);
    if (upper) {
        CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    } else {
        CharLowerBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    }
    return Utf8(wide);
}

// The package: documents in Latin, Czech, German, Greek and Cyrillic names,
// one with "ß", a folder named as a document, and a document in a folder.
// A program in the package and a batch file that runs it, one more program
// outside it, a file named as a device, and a second Tipstart.exe elsewhere.
void MakePackage()
{
    CreateDirectoryW(Wide(PackageRoot()).c_str(), nullptr);
    for (const char* folder : {"", "\\docs", "\\docs\\sub", "\\docs\\album.txt", "\\my docs"}) {
        CreateDirectoryW(Wide(PackageExt() + folder).c_str(), nullptr);
    }
    CopyFileOrFail(ExtFolder() + "Tipstart.exe", PackageExt() + "\\Tipstart.exe");
    for (const char* document : {"docs\\one.txt", "docs\\Česky.txt", "docs\\Überblick.txt", "docs\\Ωmega.txt",
                                 "docs\\Жук.txt", "docs\\straße.txt", "docs\\sub\\two.txt", "my docs\\three.txt",
                                 "docs\\five.tsdoc", "docs\\Fünf.tsdoc"}) {
        WriteFile(PackageExt() + "\\" + document, "document\r\n");
    }
    CopyFileOrFail(StandInPath(), PackageExt() + "\\docs\\setup.exe");
    WriteFile(PackageExt() + "\\docs\\run.bat", "@\"%~dp0setup.exe\" from-batch\r\n");
    CreateDirectoryA("C:\\tools", nullptr);
    CopyFileOrFail(StandInPath(), "C:\\tools\\assoc.exe");
    // Only a path of the \\?\ form makes a file of a device's name.
    HANDLE device = CreateFileW(Wide("\\\\?\\" + PackageExt() + "\\docs\\aux.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    CloseHandle(device);
    for (const char* folder : {"", "\\docs"}) {
        CreateDirectoryA((OtherExt() + folder).c_str(), nullptr);
    }
    CopyFileOrFail(ExtFolder() + "Tipstart.exe", OtherExt() + "\\Tipstart.exe");
    WriteFile(OtherExt() + "\\docs\\one.txt", "elsewhere\r\n");
}

struct Draw {
    std::mt19937 random{20261208};

    size_t Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); }

    // A link's document path: a name of the package, or a missing one, in
    // one of the forms Windows resolves or refuses.
    std::string Path(bool byAssociation)
    {
        static const char* const documents[] = {"docs\\one.txt", "docs\\Česky.txt", "docs\\Überblick.txt",
                                                "docs\\Ωmega.txt", "docs\\Жук.txt", "docs\\straße.txt",
                                                "docs\\sub\\two.txt", "my docs\\three.txt", "docs\\album.txt",
                                                "docs\\missing.txt", "docs\\STRASSE.txt"};
        static const char* const associated[] = {"docs\\five.tsdoc", "docs\\Fünf.tsdoc", "docs\\missing.tsdoc"};
        std::string path = byAssociation ? associated[Pick(3)] : documents[Pick(11)];
        size_t slash = path.find('\\');
        switch (Pick(11)) {
        case 0:
            return ChangeCase(path, true);
        case 1:
            return ChangeCase(path, false);
        case 2:
            return path + ".";
        case 3:
            return path + " .";
        case 4:
            return path + "..";
        case 5:
            std::replace(path.begin(), path.end(), '\\', '/');
            return path;
        case 6:
            return path.substr(0, slash) + "\\\\" + path.substr(slash + 1);
        case 7:
            return path.substr(0, slash) + "\\.\\" + path.substr(slash + 1);
        case 8:
            return path.substr(0, slash) + "\\sub\\..\\" + path.substr(slash + 1);
        case 9:
            return path.substr(0, slash) + "\\nosuch\\..\\" + path.substr(slash + 1);
        default:
            return path;
        }
    }

    std::string Argument()
    {
        switch (Pick(12)) {
        case 0:
            return "^7docs\\one.txt";
        case 1:
            return "^5" + Path(true);
        case 2:
        case 3:
            return "^2" + Path(false);
        case 4:
        case 5:
        case 6:
            return "^3" + Path(false);
        default:
            return "^4" + Path(false);
        }
    }
};

std::string Upper(std::string text)
{
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Whether Windows takes the path for one inside the package.
bool InsidePackage(const std::string& path)
{
    char full[MAX_PATH * 4] = {};
    char longPath[MAX_PATH * 4] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (!GetLongPathNameA(full, longPath, sizeof longPath)) {
        strcpy(longPath, full);
    }
    std::string package = Upper(PackageExt() + "\\");
    return Upper(longPath).compare(0, package.size(), package) == 0;
}

// A device's path is made \\.\NAME by GetFullPathName.
bool NamesDevice(const std::string& path)
{
    char full[MAX_PATH * 4] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return strncmp(full, "\\\\.\\", 4) == 0;
}

bool IsTool(const std::string& program)
{
    std::string tools = Upper(FixtureRoot() + "\\O");
    return Upper(program).compare(0, tools.size(), tools) == 0;  // O2, Obx30, Obx35, Obx4, Obx5
}

// What the run did: a tool started with a document or without one, or a
// program that the shell ran.
Outcome OutcomeOfRun(const RunResult& result, const std::vector<SeenLaunch>& launches)
{
    if (!result.boxes.empty()) {
        return ShowsBox;
    }
    if (launches.empty()) {
        return DoesNothing;
    }
    const SeenLaunch& launch = launches[0];
    if (!IsTool(launch.program)) {
        return InsidePackage(launch.program) ? RunsProgram : ReachesOutside;
    }
    std::string line = launch.commandLine;
    size_t programEnd = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
    std::string rest = programEnd >= line.size() ? std::string() : line.substr(programEnd);
    size_t start = rest.find_first_not_of(' ');
    if (start == std::string::npos) {
        return StartsToolAlone;
    }
    std::string document = rest.substr(start);
    document.erase(std::remove(document.begin(), document.end(), '"'), document.end());
    if (NamesDevice(document)) {
        return HandsDevice;
    }
    return InsidePackage(document) ? OpensDocument : ReachesOutside;
}

// What the checker said of a link: its note, and the rules of its findings.
struct CheckerView {
    std::string note;
    std::vector<std::string> rules;
};

bool Has(const CheckerView& view, const char* rule)
{
    return std::find(view.rules.begin(), view.rules.end(), rule) != view.rules.end();
}

Outcome OutcomeOfChecker(const CheckerView& view)
{
    const std::string& note = view.note;
    if (Has(view, "leaves-package")) {
        return ReachesOutside;
    }
    if (Has(view, "starts-program")) {
        return RunsProgram;
    }
    if (note.rfind("opens ", 0) == 0) {
        return OpensDocument;
    }
    if (note.rfind("hands ", 0) == 0) {
        return HandsDevice;
    }
    if (note.rfind("starts ", 0) == 0 && note.find("without a document") != std::string::npos) {
        return StartsToolAlone;
    }
    if (note.rfind("shows ", 0) == 0) {
        return ShowsBox;
    }
    if (note.rfind("does nothing", 0) == 0 || note.rfind("forgets ", 0) == 0) {
        return DoesNothing;
    }
    return Unknown;
}

std::string ReadFileText(const std::string& path)
{
    std::string contents;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[65536];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        contents.append(buffer, got);
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return contents;
}

// The checker's --list view of each line of a link list or page, by line number.
std::vector<CheckerView> CheckerViews(const std::string& path, size_t lines)
{
    std::string output = PackageRoot() + "\\checker.out";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::string checker = CheckerPath();
    std::string commandLine = "\"" + checker + "\" --list --exe-folder \"" + PackageExt() + "\" \"" + path + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    bool started = CreateProcessA(checker.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(out);
    std::vector<CheckerView> views(lines + 1);
    if (!started) {
        ADD_FAILURE() << "cannot start " << checker << ": " << GetLastError();
        return views;
    }
    // A guard against a hang only: under a loaded machine's Wine a run can take a minute.
    WaitForSingleObject(process.hProcess, 300000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string text = ReadFileText(output);
    const std::string marker = path.substr(path.find_last_of('\\') + 1) + ":";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        size_t end = text.find('\n', at);
        std::string found = text.substr(at + marker.size(), end - at - marker.size());
        if (!found.empty() && found.back() == '\r') {
            found.pop_back();
        }
        size_t number = strtoul(found.c_str(), nullptr, 10);
        size_t open = found.rfind(" [");
        if (number < 1 || number > lines || open == std::string::npos) {
            continue;
        }
        std::string rule = found.substr(open + 2, found.size() - open - 3);
        views[number].rules.push_back(rule);
        size_t note = found.find(": note: ");
        if (rule == "link-action" && note != std::string::npos) {
            views[number].note = found.substr(note + 8, open - note - 8);
        }
    }
    return views;
}

class Differential : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFixture();
        ClearToolLocations();
        RegSetText(HKEY_CURRENT_USER, V2, "Path", FixtureRoot() + "\\O2");
        RegSetText(HKEY_CURRENT_USER, V35, "Path", FixtureRoot() + "\\Obx35");
        RegSetText(HKEY_CURRENT_USER, V30, "Path", FixtureRoot() + "\\Obx30");
        RegSetText(HKEY_CURRENT_USER, V4, "Path", FixtureRoot() + "\\Obx4");
        RegSetText(HKEY_LOCAL_MACHINE, V5, "Folder", "C:\\Anything", TipstartOwnView());
        MakePackage();
        TakeLaunches(0);
    }
    void TearDown() override { ClearToolLocations(); }
};

// One link: what the checker reads, and the command line that starts
// Tipstart (the HTML Help control starts the program as the link names it).
struct Link {
    std::string label;
    std::string program;
    std::string commandLine;
};

struct Tally {
    size_t seen[Unknown + 1] = {};
    size_t count = 0;
    std::string disagreements;
};

void Compare(const std::vector<Link>& links, const std::vector<CheckerView>& views, Tally* tally)
{
    for (size_t i = 0; i < links.size(); ++i) {
        const Link& link = links[i];
        RunResult result = RunTipstart(link.commandLine, Script(), link.program);
        ASSERT_TRUE(result.faults.empty()) << link.label << ": " << result.faults.front();
        Outcome real = OutcomeOfRun(result, TakeLaunches(result.boxes.empty() ? 1 : 0));
        Outcome predicted = OutcomeOfChecker(views[i + 1]);
        ++tally->seen[real];
        ++tally->count;
        printf("  %-50.70s %s\n", link.label.c_str(), OutcomeName(real));
        if (real != predicted) {
            tally->disagreements += "  " + link.label + ": Tipstart " + OutcomeName(real) + ", the checker " +
                                    OutcomeName(predicted) + " (\"" + views[i + 1].note + "\")\n";
        }
    }
}

// A page of one ShortCut object a line, each with the program as given.
std::string ShortCutPage(const std::vector<std::pair<std::string, std::string>>& items)
{
    std::string page;
    for (const auto& item : items) {
        page += "<OBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\"><PARAM name=\"Command\" "
                "value=\"ShortCut\"><PARAM name=\"Item1\" value='," + item.first + "," + item.second + "'></OBJECT>\n";
    }
    return page;
}

TEST_F(Differential, TipstartAndTheCheckerPutEveryLinkInTheSameClass)
{
    // The cases seen to part Tipstart and earlier checkers, then drawn ones;
    // the Reset last, as it forgets the Oberix 2 folder.
    std::vector<std::string> arguments = {"^3docs\\česky.txt", "^4docs\\ΩMEGA.TXT", "^3docs\\жук.txt",
                                          "^3docs\\one.txt.", "^4docs\\one.txt .", "^3docs\\album.txt",
                                          "^3docs\\nosuch\\..\\one.txt", "^4docs\\" + std::string(300, 'x') + ".txt",
                                          "^3docs\\on?.txt", "^4d*\\one.txt", "^5docs\\fiv?.tsdoc", "^3docs\\x*.txt",
                                          // programs, paths that leave the package, Windows' name rules
                                          "^5docs\\setup.exe", "^5docs\\run.bat", "^5docs\\SETUP.EXE.",
                                          "^5..\\..\\tools\\assoc.exe", "^3..\\..\\Windows\\win.ini",
                                          "^4..\\..\\..\\..\\..\\Windows\\win.ini", "^3..\\ZEZODA Extension\\docs\\one.txt",
                                          "^5docs.\\five.tsdoc", "^3docs.\\one.txt", "^4docs.\\sub.\\two.txt",
                                          "^5docs\\aux.txt", "^3docs\\aux.txt", "^4docs\\NUL.txt", "^2docs\\com1.log",
                                          "^5docs\\five.tsdoc\\"};
    Draw draw;
    while (arguments.size() < 62) {
        arguments.push_back(draw.Argument());
    }
    arguments.push_back("^2Reset_");
    std::vector<Link> listed;
    std::string list;
    for (const std::string& argument : arguments) {
        std::string commandLine = "\"" + PackageExt() + "\\Tipstart.exe\" " + argument;
        list += commandLine + "\n";
        listed.push_back({argument, PackageExt() + "\\Tipstart.exe", commandLine});
    }
    std::string listPath = PackageRoot() + "\\links.txt";
    WriteFile(listPath, list);

    // The program as a ShortCut names it: the shell drops the quotes and
    // gives the program that path, quoted, as Wine's ShellExecute was seen to.
    std::string other = OtherExt() + "\\Tipstart.exe";
    std::vector<std::pair<std::string, std::string>> items = {
        {other, "^3docs\\one.txt"},
        {"\"" + other + "\"", "^3docs\\one.txt"},
        {"\"" + PackageExt() + "\\Tipstart.exe\"", "^3docs\\one.txt"},
        {PackageExt() + "\\.\\Tipstart.exe", "^4docs\\one.txt"},
    };
    std::vector<Link> shortcuts;
    for (const auto& item : items) {
        std::string program = item.first;
        program.erase(std::remove(program.begin(), program.end(), '"'), program.end());
        shortcuts.push_back({item.first + "," + item.second, program, "\"" + program + "\" " + item.second});
    }
    std::string pagePath = PackageRoot() + "\\shortcuts.htm";
    WriteFile(pagePath, ShortCutPage(items));
    std::vector<CheckerView> pageViews = CheckerViews(pagePath, shortcuts.size());
    EXPECT_TRUE(Has(pageViews[1], "program-path") && Has(pageViews[2], "program-path"));
    EXPECT_FALSE(Has(pageViews[3], "program-path") || Has(pageViews[4], "program-path"));

    Tally tally;
    Compare(shortcuts, pageViews, &tally);
    Compare(listed, CheckerViews(listPath, listed.size()), &tally);
    const size_t* seen = tally.seen;
    printf("%zu links: %zu open the document, %zu start the tool without one, %zu show a box, %zu do nothing, "
           "%zu run a program, %zu reach a file outside the package, %zu hand a tool a device\n",
           tally.count, seen[OpensDocument], seen[StartsToolAlone], seen[ShowsBox], seen[DoesNothing],
           seen[RunsProgram], seen[ReachesOutside], seen[HandsDevice]);
    EXPECT_TRUE(tally.disagreements.empty()) << "Tipstart and the checker disagree on:\n" << tally.disagreements;
}

}  // namespace
