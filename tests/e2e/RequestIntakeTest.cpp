#include <gtest/gtest.h>

#include "tests/e2e/Harness.h"

namespace {

const char* const RefusalText = "This Utility can be accessed only from the Help File of ZEZODA Extension.";

class FixtureEnvironment : public ::testing::Environment {
public:
    void SetUp() override { PrepareFixture(); }
};

const ::testing::Environment* const fixture = ::testing::AddGlobalTestEnvironment(new FixtureEnvironment);

void ExpectCleanExit(const RunResult& result)
{
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.faults.empty()) << result.faults.front();
}

void ExpectRefusal(const std::string& commandLine)
{
    RunResult result = RunTipstart(commandLine);
    ExpectCleanExit(result);
    ASSERT_EQ(result.boxes.size(), 1u) << commandLine.substr(0, 80);
    EXPECT_EQ(result.boxes[0].caption, "ZEZODA Helper Tool");
    EXPECT_EQ(result.boxes[0].text, RefusalText);
    EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST(RequestIntake, LineWithoutMarkerIsRefused)
{
    ExpectRefusal(LinkCommandLine("3docs\\one.txt"));
    ExpectRefusal("\"" + ExtFolder() + "Tipstart.exe\"");
}

TEST(RequestIntake, MarkerAtPositionOneOrTwoIsRefused)
{
    ExpectRefusal("^3docs\\one.txt");
    ExpectRefusal("x^3docs\\one.txt");
}

TEST(RequestIntake, LineBeyondTwoThousandFortySevenCharactersIsRefused)
{
    ExpectRefusal(LinkCommandLine("^3" + std::string(32000, 'd')));
    ExpectRefusal(LinkCommandLine(std::string(32000, 'd')));
}

TEST(RequestIntake, ValidRequestShowsNoBox)
{
    ClearToolLocations();
    RunResult result = RunTipstart(LinkCommandLine("^3docs\\one.txt"));
    ExpectCleanExit(result);
    EXPECT_TRUE(result.boxes.empty());
    EXPECT_TRUE(TakeLaunches(0).empty());
}

TEST(RequestIntake, TargetBeyondTwoThousandFortySevenCharactersEndsQuietly)
{
    RegSetText(HKEY_CURRENT_USER, V35, "Path", FixtureRoot() + "\\Obx35");
    // Under another file name the own folder is the whole line, so the
    // target doubles the line's length.
    RunResult result = RunTipstart("\"" + ExtFolder() + "tipstart.exe\" ^3" + std::string(1500, 'd'));
    ExpectCleanExit(result);
    EXPECT_TRUE(result.boxes.empty());
    EXPECT_TRUE(TakeLaunches(0).empty());
    ClearToolLocations();
}

}  // namespace
