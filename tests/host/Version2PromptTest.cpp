#include <gtest/gtest.h>

#include <string>

#include "launcher/Launcher.h"
#include "tests/host/FakePlatform.h"

namespace {

const std::string V2 = "Software\\Quistral\\OBX\\2.0";

class Version2PromptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeReset();
        Fake().commandLine = "\"C:\\Ext\\Tipstart.exe\" ^2docs\\one.txt";
        Fake().shortPaths["C:\\Ext\\docs\\one.txt"] = "C:\\Ext\\docs\\one.txt";
    }

    void AnswerAndPick(int answer, bool picks, const std::string& pick = "")
    {
        Fake().boxAnswers = {answer};
        Fake().dialogPicks = picks;
        Fake().dialogPick = pick;
        Fake().files.insert(pick);
        ASSERT_EQ(LauncherMain(), 0);
    }
};

TEST_F(Version2PromptTest, AsksFirstAndShowsTheChooserOnlyAfterYes)
{
    Fake().activeWindow = reinterpret_cast<WindowHandle>(0x1234);
    AnswerAndPick(7, true, "C:\\Tools\\O2\\ob.exe");
    ASSERT_EQ(Fake().boxes.size(), 1u);
    EXPECT_EQ(Fake().boxes[0].text, "Path to Oberix 2 executable was not found. Do you wish to specify one now ?");
    EXPECT_EQ(Fake().boxes[0].caption, "Path to Oberix 2 was Not Found!");
    EXPECT_EQ(Fake().boxes[0].style, 0x2024u);
    EXPECT_EQ(Fake().boxes[0].owner, reinterpret_cast<WindowHandle>(0x1234));
    EXPECT_TRUE(Fake().dialogs.empty());
    EXPECT_TRUE(Fake().launches.empty());
    EXPECT_TRUE(Fake().writes.empty());
}

TEST_F(Version2PromptTest, AShortRecordCountsAsAbsent)
{
    FakeSetValue(RegistryCurrentUser, V2, "Path", std::string("C:", 3));
    AnswerAndPick(7, false);
    EXPECT_EQ(Fake().boxes.size(), 1u);
}

TEST_F(Version2PromptTest, PickedFileBecomesTheRecordAndIsStarted)
{
    AnswerAndPick(6, true, "C:\\Tools\\O2\\ob.exe");
    ASSERT_EQ(Fake().dialogs.size(), 1u);
    const FakeDialog& dialog = Fake().dialogs[0];
    EXPECT_EQ(dialog.title, "Broswe the path to ob.exe");
    EXPECT_EQ(dialog.filterList, std::string("Oberix 2 Executable(ob.exe)\0ob.exe\0\0", 36));
    EXPECT_EQ(dialog.initialFolder, "C:\\Program Files");
    EXPECT_EQ(dialog.owner, nullptr);
    EXPECT_EQ(dialog.fileCapacity, 500000u);
    EXPECT_EQ(dialog.fileTitleCapacity, 255u);
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string("C:\\Tools\\O2\\", 13));
    ASSERT_EQ(Fake().launches.size(), 1u);
    EXPECT_EQ(Fake().launches[0].file, "C:\\Tools\\O2\\\\ob.exe");
    EXPECT_EQ(Fake().launches[0].parameters, "C:\\Ext\\docs\\one.txt");
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\docs\\");
    EXPECT_EQ(Fake().launches[0].show, ShowMaximized);
}

// Another name, typed or picked, would be cut to a record that holds no
// Oberix 2 and is never asked for again: it counts as a Cancel.
TEST_F(Version2PromptTest, OnlyAnExistingObExeIsStored)
{
    AnswerAndPick(6, true, "D:\\O2\\oberix.exe");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_TRUE(Fake().launches.empty());

    Fake().boxAnswers = {6};
    Fake().dialogPick = "D:\\O2\\ob.exe";  // typed, and not there
    ASSERT_EQ(LauncherMain(), 0);
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_TRUE(Fake().launches.empty());

    AnswerAndPick(6, true, "D:\\O2\\OB.EXE");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string("D:\\O2\\", 7));
    ASSERT_EQ(Fake().launches.size(), 1u);
    EXPECT_EQ(Fake().launches[0].file, "D:\\O2\\\\ob.exe");
}

TEST_F(Version2PromptTest, CancelStoresTheEmptyRecordAndStartsNothing)
{
    AnswerAndPick(6, false);
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_TRUE(Fake().launches.empty());

    // The empty record is absent, so the next request asks again.
    Fake().boxes.clear();
    AnswerAndPick(7, false);
    EXPECT_EQ(Fake().boxes.size(), 1u);
}

TEST_F(Version2PromptTest, PickOfSixCharactersOrFewerStoresTheEmptyText)
{
    AnswerAndPick(6, true, "ob.exe");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), std::string(1, '\0'));
    EXPECT_TRUE(Fake().launches.empty());
}

TEST_F(Version2PromptTest, ChooserOpensInTheBareFolderWithoutASystemFolder)
{
    Fake().hasSystemDirectory = false;
    AnswerAndPick(6, false);
    ASSERT_EQ(Fake().dialogs.size(), 1u);
    EXPECT_EQ(Fake().dialogs[0].initialFolder, "Program Files");

    FakeReset();
    Fake().commandLine = "\"C:\\Ext\\Tipstart.exe\" ^2x";
    Fake().systemDirectory = "E:\\W\\system32";
    AnswerAndPick(6, false);
    EXPECT_EQ(Fake().dialogs[0].initialFolder, "E:\\Program Files");
}

TEST_F(Version2PromptTest, PickBeyondAWorkTextStoresNothing)
{
    for (size_t folderLength : {3000u, 2048u - 10u}) {
        std::string pick = "C:\\" + std::string(folderLength, 'p') + "\\ob.exe";
        AnswerAndPick(6, true, pick);
        EXPECT_EQ(FakeValue(RegistryCurrentUser, V2, "Path"), "<absent>") << pick.size();
        EXPECT_TRUE(Fake().launches.empty());
    }
}

TEST_F(Version2PromptTest, AskingHappensAfterTheTargetIsDerived)
{
    Fake().boxAnswers = {6};
    Fake().dialogPicks = true;
    Fake().dialogPick = "C:\\O2\\ob.exe";
    Fake().files.insert(Fake().dialogPick);
    Fake().commandLine = "\"C:\\Ext\\Tipstart.exe\" ^2 my docs\\x.txt";
    ASSERT_EQ(LauncherMain(), 0);
    ASSERT_EQ(Fake().launches.size(), 1u);
    EXPECT_EQ(Fake().launches[0].folder, "C:\\Ext\\ my docs\\");
}

}  // namespace
