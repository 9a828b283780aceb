#include <gtest/gtest.h>

#include <map>

#include "tests/e2e/Harness.h"

namespace {

struct Location {
    HKEY root;
    std::string key;
    const char* name;
};

const Location Locations[] = {
    {HKEY_CURRENT_USER, V2, "Path"},  {HKEY_CURRENT_USER, V30, "Path"}, {HKEY_CURRENT_USER, V35, "Path"},
    {HKEY_CURRENT_USER, V4, "Path"}, {HKEY_LOCAL_MACHINE, V5, "Folder"},
};

std::map<std::string, std::string> Snapshot()
{
    std::map<std::string, std::string> values;
    for (const Location& location : Locations) {
        DWORD type = 0;
        std::string bytes;
        values[location.key] = RegRead(location.root, location.key, location.name, &type, &bytes)
                                   ? std::to_string(type) + ":" + bytes
                                   : "<absent>";
    }
    return values;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearToolLocations();
        RegSetText(HKEY_CURRENT_USER, Locations[0].key, "Path", FixtureRoot() + "\\O2\\");
        RegSetText(HKEY_CURRENT_USER, Locations[2].key, "Path", FixtureRoot() + "\\Obx35");
        RegSetText(HKEY_CURRENT_USER, Locations[3].key, "Path", FixtureRoot() + "\\Obx4");
        RegSetText(HKEY_LOCAL_MACHINE, Locations[4].key, "Folder", "C:\\Obx5");
        TakeLaunches(0);
    }
    void TearDown() override { ClearToolLocations(); }

    // Runs a line that must change no registry value; gives what it started.
    std::vector<SeenLaunch> RunUnchanged(const std::string& commandLine, size_t expectedLaunches)
    {
        std::map<std::string, std::string> before = Snapshot();
        RunResult result = RunTipstart(commandLine);
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(result.faults.empty()) << result.faults.front();
        EXPECT_LE(result.boxes.size(), 1u);
        EXPECT_EQ(Snapshot(), before);
        return TakeLaunches(expectedLaunches);
    }
};

TEST_F(HostileInput, HighBytesInTheRelativePathReachTheTool)
{
    std::string name = "docs\\café ©ÿ.txt";
    WriteFile(ExtFolder() + name, "high bytes\r\n");
    std::vector<SeenLaunch> launches = RunUnchanged(LinkCommandLine("^3" + name), 1);
    ASSERT_EQ(launches.size(), 1u);
    std::string shortTarget = ShortPath(ExtFolder() + name);
    ASSERT_FALSE(shortTarget.empty());
    EXPECT_EQ(launches[0].commandLine.substr(launches[0].commandLine.size() - shortTarget.size()), shortTarget);

    std::string every;
    for (int c = 0x80; c <= 0x3FF; ++c) {  // Latin-1 to Greek and Coptic, in UTF-8
        every += static_cast<char>(0xC0 | c >> 6);
        every += static_cast<char>(0x80 | (c & 0x3F));
    }
    launches = RunUnchanged(LinkCommandLine("^4" + every), 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), (FixtureRoot() + "\\Obx4\\obx.exe").c_str()), 0);
}

TEST_F(HostileInput, OversizedLinesAndTargetsStartNothingAndChangeNothing)
{
    const std::string lines[] = {
        LinkCommandLine("^3" + std::string(32000, 'd')),
        LinkCommandLine("^2Reset_" + std::string(32000, ' ')),
        LinkCommandLine(std::string(32000, '^')),
        "\"" + ExtFolder() + "tipstart.exe\" ^3" + std::string(2000, 'd'),
        "\"" + ExtFolder() + "tipstart.exe\" ^2" + std::string(1100, '\\'),
    };
    for (const std::string& line : lines) {
        EXPECT_TRUE(RunUnchanged(line, 0).empty()) << line.substr(0, 60);
    }
}

TEST_F(HostileInput, OddArgumentsStartOnlyWhatTheyName)
{
    // Quotes only, a marker and spaces only, control characters: each either
    // starts the tool its digit names or nothing at all.
    EXPECT_TRUE(RunUnchanged(LinkCommandLine("\"\"^\"\""), 0).empty());
    EXPECT_TRUE(RunUnchanged(LinkCommandLine("^ \t "), 0).empty());
    std::vector<SeenLaunch> launches = RunUnchanged(LinkCommandLine("^3\x01\x1f\x7f"), 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(_stricmp(launches[0].program.c_str(), (FixtureRoot() + "\\Obx35\\obx.exe").c_str()), 0);
}

}  // namespace
