// Tipstart.exe and tipstart-check side by side: links drawn from a fixed
// seed over a package whose names come in several scripts and cases, run
// through the real program and predicted by the checker. Every link must land
// in the same class in both.
#include <gtest/gtest.h>

#include <random>

#include "tests/e2e/Harness.h"

namespace {

std::string PackageRoot()
{
    return FixtureRoot() + "\\diff";
}

std::string PackageExt()
{
    return PackageRoot() + "\\Ext";
}

enum Outcome { OpensDocument, StartsToolAlone, ShowsBox, DoesNothing, Unknown };

const char* OutcomeName(Outcome outcome)
{
    static const char* const names[] = {"opens the document", "starts the tool without one", "a message box",
                                        "nothing", "unknown"};
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
void MakePackage()
{
    for (const char* folder : {"", "\\Ext", "\\Ext\\docs", "\\Ext\\docs\\sub", "\\Ext\\docs\\album.txt",
                               "\\Ext\\my docs"}) {
        CreateDirectoryW(Wide(PackageRoot() + folder).c_str(), nullptr);
    }
    CopyFileOrFail(ExtFolder() + "Tipstart.exe", PackageExt() + "\\Tipstart.exe");
    for (const char* document : {"docs\\one.txt", "docs\\Česky.txt", "docs\\Überblick.txt", "docs\\Ωmega.txt",
                                 "docs\\Жук.txt", "docs\\straße.txt", "docs\\sub\\two.txt", "my docs\\three.txt",
                                 "docs\\five.tsdoc", "docs\\Fünf.tsdoc"}) {
        WriteFile(PackageExt() + "\\" + document, "document\r\n");
    }
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

// What the stand-in tools recorded: the parameter after the program's path.
Outcome OutcomeOfRun(const RunResult& result, const std::vector<SeenLaunch>& launches)
{
    if (!result.boxes.empty()) {
        return ShowsBox;
    }
    if (launches.empty()) {
        return DoesNothing;
    }
    std::string line = launches[0].commandLine;
    size_t programEnd = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
    std::string rest = programEnd >= line.size() ? std::string() : line.substr(programEnd);
    return rest.find_first_not_of(' ') == std::string::npos ? StartsToolAlone : OpensDocument;
}

Outcome OutcomeOfNote(const std::string& note)
{
    if (note.rfind("opens ", 0) == 0) {
        return OpensDocument;
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

// The checker's --list note for each line of the link list, by line number.
std::vector<std::string> CheckerNotes(const std::string& listPath, size_t links)
{
    std::string output = PackageRoot() + "\\checker.out";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::string checker = CheckerPath();
    std::string commandLine = "\"" + checker + "\" --list --exe-folder " + PackageExt() + " --install-folder " +
                              PackageExt() + " " + listPath;
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
    std::vector<std::string> notes(links + 1);
    if (!started) {
        ADD_FAILURE() << "cannot start " << checker << ": " << GetLastError();
        return notes;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string text = ReadFileText(output);
    const std::string marker = "links.txt:";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        size_t end = text.find('\n', at);
        std::string found = text.substr(at + marker.size(), end - at - marker.size());
        size_t number = strtoul(found.c_str(), nullptr, 10);
        size_t note = found.find(": note: ");
        size_t rule = found.rfind(" [link-action]");
        if (number >= 1 && number <= links && note != std::string::npos && rule != std::string::npos) {
            notes[number] = found.substr(note + 8, rule - note - 8);
        }
    }
    return notes;
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

TEST_F(Differential, TipstartAndTheCheckerPutEveryLinkInTheSameClass)
{
    // The cases seen to part Tipstart and earlier checkers, then drawn ones;
    // the Reset last, as it forgets the Oberix 2 folder.
    std::vector<std::string> arguments = {"^3docs\\česky.txt", "^4docs\\ΩMEGA.TXT", "^3docs\\жук.txt",
                                          "^3docs\\one.txt.", "^4docs\\one.txt .", "^3docs\\album.txt",
                                          "^3docs\\nosuch\\..\\one.txt", "^4docs\\" + std::string(300, 'x') + ".txt",
                                          "^3docs\\on?.txt", "^4d*\\one.txt", "^5docs\\fiv?.tsdoc", "^3docs\\x*.txt"};
    Draw draw;
    while (arguments.size() < 47) {
        arguments.push_back(draw.Argument());
    }
    arguments.push_back("^2Reset_");
    const size_t count = arguments.size();
    std::string list;
    for (const std::string& argument : arguments) {
        list += "\"" + PackageExt() + "\\Tipstart.exe\" " + argument + "\n";
    }
    std::string listPath = PackageRoot() + "\\links.txt";
    WriteFile(listPath, list);
    std::vector<std::string> notes = CheckerNotes(listPath, count);

    size_t seen[Unknown + 1] = {};
    std::string disagreements;
    for (size_t i = 0; i < count; ++i) {
        RunResult result = RunTipstart("\"" + PackageExt() + "\\Tipstart.exe\" " + arguments[i], Script(),
                                       PackageExt() + "\\Tipstart.exe");
        ASSERT_TRUE(result.faults.empty()) << arguments[i] << ": " << result.faults.front();
        Outcome real = OutcomeOfRun(result, TakeLaunches(result.boxes.empty() ? 1 : 0));
        Outcome predicted = OutcomeOfNote(notes[i + 1]);
        ++seen[real];
        printf("  %-40.60s %s\n", arguments[i].c_str(), OutcomeName(real));
        if (real != predicted) {
            disagreements += "  " + arguments[i] + ": Tipstart " + OutcomeName(real) + ", the checker " +
                             OutcomeName(predicted) + " (\"" + notes[i + 1] + "\")\n";
        }
    }
    printf("%zu links: %zu open the document, %zu start the tool without one, %zu show a box, %zu do nothing\n",
           count, seen[OpensDocument], seen[StartsToolAlone], seen[ShowsBox], seen[DoesNothing]);
    EXPECT_TRUE(disagreements.empty()) << "Tipstart and the checker disagree on:\n" << disagreements;
}

}  // namespace
