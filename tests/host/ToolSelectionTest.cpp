#include <gtest/gtest.h>

#include <string>

#include "launcher/Launcher.h"
#include "tests/host/FakePlatform.h"

namespace {

const std::string V2 = "Software\\Quistral\\OBX\\2.0";
const std::string V30 = "Software\\Quistral\\OBX\\3.0";
const std::string V35 = "Software\\Quistral\\OBX\\3.5";
const std::string V4 = "Software\\Quistral\\OBX\\4.0";
const std::string V5 = "SOFTWARE\\Vantrell\\OBX\\5.0";

std::string Sz(const std::string& text)
{
    return std::string(text.c_str(), text.size() + 1);
}

class ToolSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeReset();
        Fake().shortPaths["C:\\Ext\\docs\\one.txt"] = "C:\\Ext\\docs\\one.txt";
        Fake().shortPaths["C:\\Ext\\my docs\\one.txt"] = "C:\\Ext\\MYDOCS~1\\one.txt";
    }

    void Run(const std::string& argument, const std::string& program = "\"C:\\Ext\\Tipstart.exe\" ")
    {
        Fake().commandLine = program + "^" + argument;
        ASSERT_EQ(LauncherMain(), 0);
    }

    void ExpectOneLaunch(const std::string& file, const std::string& parameters = "C:\\Ext\\docs\\one.txt")
    {
        EXPECT_TRUE(Fake().boxes.empty());
        ASSERT_EQ(Fake().launches.size(), 1u);
        EXPECT_EQ(Fake().launches[0].file, file);
        EXPECT_TRUE(Fake().launches[0].hasParameters);
        EXPECT_EQ(Fake().launches[0].parameters, parameters);
        EXPECT_EQ(Fake().launches[0].show, ShowMaximized);
    }

    void ExpectNothing()
    {
        EXPECT_TRUE(Fake().boxes.empty());
        EXPECT_TRUE(Fake().launches.empty());
        EXPECT_TRUE(Fake().writes.empty());
    }
};

TEST_F(ToolSelectionTest, Version3OpensTheDocumentMaximisedInItsFolder)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    Run("3docs\\one.txt");
    ExpectOneLaunch("C:\\Obx35\\obx.exe");
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\docs\\");
    EXPECT_TRUE(Fake().writes.empty());
}

TEST_F(ToolSelectionTest, Version3FallsBackTo30OnlyWhen35IsAbsent)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    FakeSetValue(RegistryCurrentUser, V30, "Path", Sz("C:\\Obx30"));
    Run("3docs\\one.txt");
    ExpectOneLaunch("C:\\Obx35\\obx.exe");

    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:"));
    Fake().launches.clear();
    Run("3docs\\one.txt");
    ExpectOneLaunch("C:\\Obx30\\obx.exe");
}

TEST_F(ToolSelectionTest, PresenceNeedsThreeCharactersAsRead)
{
    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz("C:"));
    Run("4docs\\one.txt");
    ExpectNothing();

    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz("C:\\"));
    Run("4docs\\one.txt");
    ExpectOneLaunch("C:\\\\obx.exe");

    Fake().launches.clear();
    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz("   "));
    Run("4docs\\one.txt");
    ExpectOneLaunch("\\obx.exe");
}

TEST_F(ToolSelectionTest, ToolPathIsTrimmedAfterJoining)
{
    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz(" \tC:\\Obx 4 "));
    Run("4docs\\one.txt");
    ExpectOneLaunch("C:\\Obx 4 \\obx.exe");
}

TEST_F(ToolSelectionTest, AbsentLocationsOfVersions3To5EndQuietly)
{
    Run("3docs\\one.txt");
    Run("4docs\\one.txt");
    Run("5docs\\one.txt");
    ExpectNothing();
}

TEST_F(ToolSelectionTest, Version5OpensTheDocumentItselfInANormalWindow)
{
    FakeSetValue(RegistryLocalMachine, V5, "Folder", Sz("C:\\Obx5"));
    FakeSetValue(RegistryCurrentUser, V5, "Folder", Sz("C:\\Obx5"));
    Run(" 5my docs\\one.txt ");
    EXPECT_TRUE(Fake().boxes.empty());
    ASSERT_EQ(Fake().launches.size(), 1u);
    // The full path, not the short form: the association gets the real name.
    EXPECT_EQ(Fake().launches[0].file, "C:\\Ext\\my docs\\one.txt");
    EXPECT_FALSE(Fake().launches[0].hasParameters);
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\my docs\\");
    EXPECT_EQ(Fake().launches[0].show, ShowNormal);
}

// Found by the run fuzzer: started by its bare name with nothing after the
// version, the target is empty, and version 5 hands the shell just that.
TEST_F(ToolSelectionTest, Version5OpensTheTargetEvenWhenItIsEmpty)
{
    FakeSetValue(RegistryLocalMachine, V5, "Folder", Sz("C:\\"));
    Run("5", "\"Tipstart.exeA");
    ASSERT_EQ(Fake().launches.size(), 1u);
    EXPECT_EQ(Fake().launches[0].file, "");
    EXPECT_EQ(Fake().launches[0].folder, "\\");
    EXPECT_FALSE(Fake().launches[0].hasParameters);
    EXPECT_EQ(Fake().launches[0].show, ShowNormal);
}

TEST_F(ToolSelectionTest, Version5IsLookedUpUnderTheLocalMachineOnly)
{
    FakeSetValue(RegistryCurrentUser, V5, "Folder", Sz("C:\\Obx5"));
    Run("5docs\\one.txt");
    ExpectNothing();
}

TEST_F(ToolSelectionTest, UnservedVersionsGetTheirBoxAndNothingElse)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    for (const char* argument : {"0docs\\one.txt", "1docs\\one.txt", "6x", "7x", "8x", "9x", "", "xdocs"}) {
        FakeReset();
        Fake().activeWindow = reinterpret_cast<WindowHandle>(0x1234);
        Run(argument);
        ASSERT_EQ(Fake().boxes.size(), 1u) << argument;
        EXPECT_EQ(Fake().boxes[0].text, "No OBX Version Specified!");
        EXPECT_EQ(Fake().boxes[0].caption, "Rerirodeze");
        EXPECT_EQ(Fake().boxes[0].style, 0u);
        EXPECT_EQ(Fake().boxes[0].owner, reinterpret_cast<WindowHandle>(0x1234));
        EXPECT_TRUE(Fake().launches.empty());
    }
}

TEST_F(ToolSelectionTest, StoredVersion2RecordStartsObWithoutAsking)
{
    FakeSetValue(RegistryCurrentUser, V2, "Path", Sz("C:\\Tools\\O2\\"));
    Run("2docs\\one.txt");
    ExpectOneLaunch("C:\\Tools\\O2\\\\ob.exe");
}

TEST_F(ToolSelectionTest, LowerCaseResetIsAVersion2Launch)
{
    FakeSetValue(RegistryCurrentUser, V2, "Path", Sz("C:\\O2\\"));
    Run("2reset_");
    ExpectOneLaunch("C:\\O2\\\\ob.exe", "");
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\");
}

TEST_F(ToolSelectionTest, ResetEmptiesTheRecordAndKeepsItsNeighbours)
{
    FakeSetValue(RegistryCurrentUser, V2, "Path", Sz("C:\\O2\\"));
    FakeSetValue(RegistryCurrentUser, V2, "Other", Sz("kept"));
    Run("2Reset_ ");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Other"), Sz("kept"));
    EXPECT_EQ(Fake().writes.size(), 1u);
    EXPECT_TRUE(Fake().boxes.empty());
    EXPECT_TRUE(Fake().launches.empty());
}

TEST_F(ToolSelectionTest, ResetWithoutAnyRecordCreatesAnEmptyOne)
{
    Run("2Reset_");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_TRUE(Fake().launches.empty());
}

TEST_F(ToolSelectionTest, DocumentInAFolderWithSpacesArrivesInItsShortForm)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    Run("3my docs\\one.txt");
    ExpectOneLaunch("C:\\Obx35\\obx.exe", "C:\\Ext\\MYDOCS~1\\one.txt");
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\my docs\\");
}

// A drive without 8.3 names gives the long form back: it arrives as one
// argument, a trailing backslash doubled so it does not escape the quote.
TEST_F(ToolSelectionTest, ShortFormWithBlanksArrivesQuoted)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    Fake().shortPaths["C:\\Ext\\help files\\one.txt"] = "D:\\Help Files\\one.txt";
    Fake().shortPaths["C:\\Ext\\tab\\"] = "D:\\Help\tFiles\\";
    Run("3help files\\one.txt");
    ExpectOneLaunch("C:\\Obx35\\obx.exe", "\"D:\\Help Files\\one.txt\"");
    Fake().launches.clear();
    Run("3tab\\");
    ExpectOneLaunch("C:\\Obx35\\obx.exe", "\"D:\\Help\tFiles\\\\\"");
}

TEST_F(ToolSelectionTest, MissingDocumentStartsTheToolWithoutParameters)
{
    FakeSetValue(RegistryCurrentUser, V35, "Path", Sz("C:\\Obx35"));
    Run("3docs\\missing.txt");
    ExpectOneLaunch("C:\\Obx35\\obx.exe", "");
}

TEST_F(ToolSelectionTest, ToolPathBeyondAWorkTextStartsNothing)
{
    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz("C:\\" + std::string(2040, 'p')));
    Run("4docs\\one.txt");
    ExpectNothing();

    FakeSetValue(RegistryCurrentUser, V4, "Path", Sz("C:\\" + std::string(2036, 'p')));
    Run("4docs\\one.txt");
    ASSERT_EQ(Fake().launches.size(), 1u);
    EXPECT_EQ(Fake().launches[0].file.size(), 2047u);
}

}  // namespace
