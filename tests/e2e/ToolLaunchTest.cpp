#include <gtest/gtest.h>

#include "tests/e2e/Harness.h"

namespace {

class ToolLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearToolLocations();
        TakeLaunches(0);
    }
    void TearDown() override { ClearToolLocations(); }

    static std::string Tool(const std::string& folder) { return FixtureRoot() + "\\" + folder; }
    static std::string Doc(const std::string& relative) { return ExtFolder() + relative; }

    // Runs a link and expects a clean exit with no box.
    std::vector<SeenLaunch> RunQuietly(const std::string& argument, size_t expectedLaunches)
    {
        RunResult result = RunTipstart(LinkCommandLine(argument));
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(result.faults.empty()) << result.faults.front();
        EXPECT_TRUE(result.boxes.empty()) << result.boxes.front().text;
        return TakeLaunches(expectedLaunches);
    }
};

TEST_F(ToolLaunch, Version3OpensTheDocumentWithThe35Tool)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", Tool("Obx35"));
    RegSetText(HKEY_CURRENT_USER, V30, "Path", Tool("Obx30"));
    ExpectToolStarted(RunQuietly("^3docs\\one.txt", 1), Tool("Obx35\\obx.exe"), Doc("docs\\one.txt"));
}

TEST_F(ToolLaunch, Version3FallsBackTo30WhenThe35ValueHasTwoCharacters)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", "C:");
    RegSetText(HKEY_CURRENT_USER, V30, "Path", Tool("Obx30"));
    ExpectToolStarted(RunQuietly("^3docs\\one.txt", 1), Tool("Obx30\\obx.exe"), Doc("docs\\one.txt"));
}

TEST_F(ToolLaunch, ThreeCharactersArePresentEvenWhereNoToolLives)
{
    // "C:\" counts as present, so 3.0 is never looked at and C:\\obx.exe
    // does not exist: nothing starts.
    RegSetText(HKEY_CURRENT_USER, V35, "Path", "C:\\");
    RegSetText(HKEY_CURRENT_USER, V30, "Path", Tool("Obx30"));
    EXPECT_TRUE(RunQuietly("^3docs\\one.txt", 0).empty());
}

TEST_F(ToolLaunch, Version4LocationEndingInSeparatorStillStartsTheTool)
{
    RegSetText(HKEY_CURRENT_USER, V4, "Path", Tool("Obx4") + "\\");
    std::vector<SeenLaunch> launches = RunQuietly("^4docs\\one.txt", 1);
    ExpectToolStarted(launches, Tool("Obx4\\obx.exe"), Doc("docs\\one.txt"));
    // The shell was handed the doubled separator as it stands.
    EXPECT_NE(launches[0].commandLine.find("Obx4\\\\obx.exe"), std::string::npos) << launches[0].commandLine;
}

TEST_F(ToolLaunch, Version4WithATwoCharacterLocationStartsNothing)
{
    RegSetText(HKEY_CURRENT_USER, V4, "Path", "C:");
    EXPECT_TRUE(RunQuietly("^4docs\\one.txt", 0).empty());
}

TEST_F(ToolLaunch, AbsentLocationsStartNothing)
{
    EXPECT_TRUE(RunQuietly("^3docs\\one.txt", 0).empty());
    EXPECT_TRUE(RunQuietly("^4docs\\one.txt", 0).empty());
    EXPECT_TRUE(RunQuietly("^5docs\\five.tsdoc", 0).empty());
}

TEST_F(ToolLaunch, ToolInAFolderWithSpacesGetsTheShortPathOfASpacedDocument)
{
    RegSetText(HKEY_CURRENT_USER, V4, "Path", Tool("Obx 4"));
    ExpectToolStarted(RunQuietly("^4my docs\\one.txt", 1), Tool("Obx 4\\obx.exe"), Doc("my docs\\one.txt"));
}

TEST_F(ToolLaunch, MissingDocumentStartsTheToolWithoutParameters)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", Tool("Obx35"));
    std::vector<SeenLaunch> launches = RunQuietly("^3docs\\missing.txt", 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].show, SW_SHOWMAXIMIZED);
    std::string line = launches[0].commandLine;
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    EXPECT_EQ(line.find("missing"), std::string::npos) << line;
    EXPECT_EQ(_stricmp(line.substr(line.size() - 7).c_str(), "obx.exe") == 0 ||
                  _stricmp(line.substr(line.size() - 8).c_str(), "obx.exe\"") == 0,
              true)
        << line;
}

TEST_F(ToolLaunch, Version5OpensTheDocumentThroughItsAssociation)
{
    RegSetText(HKEY_LOCAL_MACHINE, V5, "Folder", "C:\\Anything", TipstartOwnView());
    std::vector<SeenLaunch> launches = RunQuietly("^5docs\\five.tsdoc", 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), Tool("Obx5\\obx5.exe").c_str()), 0);
    EXPECT_NE(launches[0].commandLine.find("five.tsdoc"), std::string::npos) << launches[0].commandLine;
    EXPECT_EQ(launches[0].show, SW_SHOWNORMAL);
    EXPECT_EQ(_stricmp(launches[0].folder.c_str(), Doc("docs").c_str()), 0) << launches[0].folder;
}

TEST_F(ToolLaunch, Version5RegisteredOnlyInTheOtherRegistryViewCounts)
{
    // An installer of the other word size writes the other view.
    RegSetText(HKEY_LOCAL_MACHINE, V5, "Folder", "C:\\Anything", TipstartOtherView());
    EXPECT_EQ(RunQuietly("^5docs\\five.tsdoc", 1).size(), 1u);
}

TEST_F(ToolLaunch, Version5UnderTheCurrentUserDoesNotCount)
{
    RegSetText(HKEY_CURRENT_USER, V5, "Folder", "C:\\Anything");
    EXPECT_TRUE(RunQuietly("^5docs\\five.tsdoc", 0).empty());
    RegDeleteValueIfAny(HKEY_CURRENT_USER, V5, "Folder");
}

TEST_F(ToolLaunch, UnservedVersionsShowTheirBoxAndStartNothing)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", Tool("Obx35"));
    for (const char* argument : {"^0docs\\one.txt", "^1docs\\one.txt", "^6docs\\one.txt", "^9docs\\one.txt", "^"}) {
        RunResult result = RunTipstart(LinkCommandLine(argument));
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(result.faults.empty());
        ASSERT_EQ(result.boxes.size(), 1u) << argument;
        EXPECT_EQ(result.boxes[0].caption, "Rerirodeze");
        EXPECT_EQ(result.boxes[0].text, "No OBX Version Specified!");
        EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
    }
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST_F(ToolLaunch, StoredVersion2RecordStartsObMaximised)
{
    RegSetText(HKEY_CURRENT_USER, V2, "Path", Tool("O2") + "\\");
    ExpectToolStarted(RunQuietly("^2docs\\one.txt", 1), Tool("O2\\ob.exe"), Doc("docs\\one.txt"));
}

TEST_F(ToolLaunch, LowerCaseResetIsAVersion2Launch)
{
    RegSetText(HKEY_CURRENT_USER, V2, "Path", Tool("O2") + "\\");
    std::vector<SeenLaunch> launches = RunQuietly("^2reset_", 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), Tool("O2\\ob.exe").c_str()), 0);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RegRead(HKEY_CURRENT_USER, V2, "Path", &type, &bytes));
    EXPECT_EQ(bytes, Tool("O2") + "\\" + std::string(1, '\0'));
}

TEST_F(ToolLaunch, ResetEmptiesTheRecordAndLeavesItsNeighbours)
{
    RegSetText(HKEY_CURRENT_USER, V2, "Path", Tool("O2") + "\\");
    RegSetText(HKEY_CURRENT_USER, V2, "Neighbour", "kept");
    EXPECT_TRUE(RunQuietly("^2Reset_  ", 0).empty());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RegRead(HKEY_CURRENT_USER, V2, "Path", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string(1, '\0'));
    ASSERT_TRUE(RegRead(HKEY_CURRENT_USER, V2, "Neighbour", &type, &bytes));
    EXPECT_EQ(bytes, std::string("kept", 5));
    RegDeleteValueIfAny(HKEY_CURRENT_USER, V2, "Neighbour");
}

TEST_F(ToolLaunch, ResetWithoutAnyRecordCreatesAnEmptyOne)
{
    RegDeleteValueIfAny(HKEY_CURRENT_USER, V2, "Path");
    EXPECT_TRUE(RunQuietly("^2Reset_", 0).empty());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RegRead(HKEY_CURRENT_USER, V2, "Path", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string(1, '\0'));
}

TEST_F(ToolLaunch, OversizedValuesReadAsAbsent)
{
    for (size_t length : {2048u, 4096u, 60000u}) {
        RegSetText(HKEY_CURRENT_USER, V4, "Path", Tool("Obx4") + std::string(length - Tool("Obx4").size(), '\\'));
        EXPECT_TRUE(RunQuietly("^4docs\\one.txt", 0).empty()) << length;
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(RegRead(HKEY_CURRENT_USER, V4, "Path", &type, &bytes));
        EXPECT_EQ(bytes.size(), length + 1);  // untouched
    }
}

TEST_F(ToolLaunch, OtherValueTypesReadUpToTheirFirstZeroByte)
{
    RegSetRaw(HKEY_CURRENT_USER, V4, "Path", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    EXPECT_TRUE(RunQuietly("^4docs\\one.txt", 0).empty());

    RegSetRaw(HKEY_CURRENT_USER, V4, "Path", REG_BINARY, std::string(2048, 'C'));
    EXPECT_TRUE(RunQuietly("^4docs\\one.txt", 0).empty());

    // Binary data without a terminator that names a folder is that folder.
    RegSetRaw(HKEY_CURRENT_USER, V4, "Path", REG_BINARY, Tool("Obx4"));
    ExpectToolStarted(RunQuietly("^4docs\\one.txt", 1), Tool("Obx4\\obx.exe"), Doc("docs\\one.txt"));
}

}  // namespace
