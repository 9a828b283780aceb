#include <gtest/gtest.h>

#include <string>

#include "launcher/Launcher.h"
#include "tests/host/FakePlatform.h"

namespace {

class LaunchRequestTest : public ::testing::Test {
protected:
    void SetUp() override { FakeReset(); }

    const LaunchRequest& Parse(const std::string& commandLine)
    {
        request = LaunchRequest();
        ParseLaunchRequest(commandLine.c_str(), &request);
        return request;
    }

    LaunchRequest request;
};

TEST_F(LaunchRequestTest, DerivesEveryFieldOfATypicalLink)
{
    Fake().shortPaths["C:\\Ext\\docs\\one.txt"] = "C:\\Ext\\docs\\one.txt";
    Parse("\"C:\\Ext\\Tipstart.exe\" ^3docs\\one.txt");
    EXPECT_EQ(request.kind, LaunchOpen);
    EXPECT_STREQ(request.ownFolder, "C:\\Ext\\");
    EXPECT_STREQ(request.commandText, "3docs\\one.txt");
    EXPECT_STREQ(request.versionText, "3");
    EXPECT_EQ(request.version, 3);
    EXPECT_STREQ(request.relativePath, "docs\\one.txt");
    EXPECT_STREQ(request.target, "C:\\Ext\\docs\\one.txt");
    EXPECT_STREQ(request.shortTarget, "C:\\Ext\\docs\\one.txt");
    EXPECT_STREQ(request.targetFolder, "C:\\Ext\\docs\\");
}

TEST_F(LaunchRequestTest, RefusesAMissingOrEarlyMarker)
{
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" 3docs\\one.txt").kind, LaunchRefused);
    EXPECT_EQ(Parse("^3docs\\one.txt").kind, LaunchRefused);
    EXPECT_EQ(Parse("a^3docs\\one.txt").kind, LaunchRefused);
    EXPECT_EQ(Parse("").kind, LaunchRefused);
    EXPECT_EQ(Parse("ab^3x").kind, LaunchOpen);
}

TEST_F(LaunchRequestTest, RefusalBoxIsTheOnlyOutcomeOfARefusedLine)
{
    Fake().commandLine = "C:\\Ext\\Tipstart.exe";
    Fake().activeWindow = reinterpret_cast<WindowHandle>(0x1234);
    EXPECT_EQ(LauncherMain(), 0);
    ASSERT_EQ(Fake().boxes.size(), 1u);
    EXPECT_EQ(Fake().boxes[0].text, "This Utility can be accessed only from the Help File of ZEZODA Extension.");
    EXPECT_EQ(Fake().boxes[0].caption, "ZEZODA Helper Tool");
    EXPECT_EQ(Fake().boxes[0].style, 0x10u);
    EXPECT_EQ(Fake().boxes[0].owner, reinterpret_cast<WindowHandle>(0x1234));
    EXPECT_TRUE(Fake().launches.empty());
    EXPECT_TRUE(Fake().writes.empty());
}

TEST_F(LaunchRequestTest, ResetKeywordIsExactAfterTrimming)
{
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^2Reset_  ").kind, LaunchReset);
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^  2Reset_").kind, LaunchReset);
    Parse("\"C:\\Ext\\Tipstart.exe\" ^2reset_");
    EXPECT_EQ(request.kind, LaunchOpen);
    EXPECT_EQ(request.version, 2);
    EXPECT_STREQ(request.relativePath, "reset_");
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^2Reset_x").kind, LaunchOpen);
}

TEST_F(LaunchRequestTest, OnlyTheFirstCharacterIsTheVersion)
{
    Parse("\"C:\\Ext\\Tipstart.exe\" ^23x");
    EXPECT_EQ(request.version, 2);
    EXPECT_STREQ(request.relativePath, "3x");
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^x3").version, 0);
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^").version, 0);
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^9a").version, 9);
    EXPECT_EQ(Parse("\"C:\\Ext\\Tipstart.exe\" ^\xB3" "a").version, 0);
}

TEST_F(LaunchRequestTest, QuotesGoEverywhereButInnerSpacesStay)
{
    Parse("\"C:\\My Ext\\Tipstart.exe\"  ^ 3 \"my docs\\one.txt\"  ");
    EXPECT_STREQ(request.ownFolder, "C:\\My Ext\\");
    EXPECT_STREQ(request.relativePath, " my docs\\one.txt");
    EXPECT_STREQ(request.target, "C:\\My Ext\\ my docs\\one.txt");
    EXPECT_STREQ(request.targetFolder, "C:\\My Ext\\ my docs\\");

    // Some shells and shortcut hosts pad the line before the program path.
    Parse("   \"C:\\Ext\\Tipstart.exe\" ^3docs\\one.txt");
    EXPECT_STREQ(request.ownFolder, "C:\\Ext\\");
}

TEST_F(LaunchRequestTest, ProgramNameIsMatchedCaseSensitively)
{
    Parse("\"C:\\Ext\\TIPSTART.EXE\" ^3a.txt");
    EXPECT_STREQ(request.ownFolder, "C:\\Ext\\TIPSTART.EXE ^3a.txt");
    EXPECT_STREQ(request.target, "C:\\Ext\\TIPSTART.EXE ^3a.txta.txt");
}

TEST_F(LaunchRequestTest, MarkerInsideTheProgramFolderStartsTheArgument)
{
    Parse("\"C:\\A^5b\\Tipstart.exe\" ^3x");
    EXPECT_EQ(request.version, 5);
    EXPECT_STREQ(request.relativePath, "b\\Tipstart.exe ^3x");
}

TEST_F(LaunchRequestTest, TargetWithoutSeparatorGetsOneForItsFolder)
{
    Parse("Tipstart.exe ^3one.txt");
    EXPECT_STREQ(request.ownFolder, "");
    EXPECT_STREQ(request.target, "one.txt");
    EXPECT_STREQ(request.targetFolder, "one.txt\\");
}

TEST_F(LaunchRequestTest, MissingDocumentLeavesTheShortFormEmpty)
{
    Parse("\"C:\\Ext\\Tipstart.exe\" ^3nothing.txt");
    EXPECT_EQ(request.kind, LaunchOpen);
    EXPECT_STREQ(request.shortTarget, "");
}

TEST_F(LaunchRequestTest, LongestFittingCommandLineIsServed)
{
    std::string document(2047 - 24, 'd');
    std::string line = "\"C:\\Ext\\Tipstart.exe\" ^3" + document;
    ASSERT_EQ(line.size(), 2047u);
    Parse(line);
    EXPECT_EQ(request.kind, LaunchOpen);
    EXPECT_EQ(request.target, "C:\\Ext\\" + document);
    // One more and the terminator would land in the next field.
    EXPECT_EQ(Parse(line + "d").kind, LaunchRefused);
}

TEST_F(LaunchRequestTest, CommandLineBeyondAWorkTextIsRefused)
{
    Fake().commandLine = "\"C:\\Ext\\Tipstart.exe\" ^3" + std::string(32000, 'd');
    EXPECT_EQ(LauncherMain(), 0);
    ASSERT_EQ(Fake().boxes.size(), 1u);
    EXPECT_EQ(Fake().boxes[0].caption, "ZEZODA Helper Tool");
    EXPECT_TRUE(Fake().launches.empty());
}

// Without "Tipstart.exe" in the line the own folder is the whole line, so the
// target can grow to twice the line's length.
TEST_F(LaunchRequestTest, TargetBeyondAWorkTextAbandonsTheRunQuietly)
{
    FakeSetValue(RegistryCurrentUser, "Software\\Quistral\\OBX\\3.5", "Path", std::string("C:\\Obx", 7));
    Fake().commandLine = "C:\\Ext\\tipstart.exe ^3" + std::string(1500, 'd');
    EXPECT_EQ(LauncherMain(), 0);
    EXPECT_TRUE(Fake().boxes.empty());
    EXPECT_TRUE(Fake().launches.empty());
    EXPECT_EQ(Parse(Fake().commandLine).kind, LaunchAbandoned);
}

TEST_F(LaunchRequestTest, TargetFolderMustFitWithItsAddedSeparator)
{
    // The target is the own folder "xyz^3" + r followed by r, with no "\".
    EXPECT_EQ(Parse("xyz^3" + std::string(1020, 'r')).kind, LaunchOpen);
    EXPECT_EQ(std::string(request.targetFolder).size(), 2046u);
    EXPECT_EQ(Parse("xyz^3" + std::string(1021, 'r')).kind, LaunchAbandoned);
}

}  // namespace
