#include <gtest/gtest.h>

#include <string>

#include "platform/FileChooser.h"
#include "platform/RegistryText.h"
#include "tests/host/FakePlatform.h"

namespace {

const char* const Key = "Software\\Quistral\\OBX\\4.0";

class RegistryTextTest : public ::testing::Test {
protected:
    void SetUp() override { FakeReset(); }

    std::string Read() { return RegistryTextGet(RegistryCurrentUser, Key, "Path"); }
};

TEST_F(RegistryTextTest, MissingKeyOrValueReadsEmpty)
{
    EXPECT_EQ(Read(), "");
    FakeSetValue(RegistryCurrentUser, Key, "Other", std::string("x\0", 2));
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(RegistryTextGet(RegistryLocalMachine, Key, "Other"), std::string());
}

TEST_F(RegistryTextTest, StoredTextReadsBackUnchanged)
{
    RegistryTextPut(RegistryCurrentUser, Key, "Path", "C:\\Tools \xE9\\");
    EXPECT_EQ(FakeValue(RegistryCurrentUser, Key, "Path"), std::string("C:\\Tools \xE9\\\0", 12));
    EXPECT_EQ(Read(), "C:\\Tools \xE9\\");
    RegistryTextPut(RegistryCurrentUser, Key, "Path", "");
    EXPECT_EQ(Read(), "");
}

TEST_F(RegistryTextTest, ValuesThatFitTheBufferReadWhole)
{
    FakeSetValue(RegistryCurrentUser, Key, "Path", std::string(2047, 'a') + '\0');
    EXPECT_EQ(Read(), std::string(2047, 'a'));
    FakeSetValue(RegistryCurrentUser, Key, "Path", "abc");  // no terminator of its own
    EXPECT_EQ(Read(), "abc");
}

TEST_F(RegistryTextTest, ValuesBeyondTheBufferReadEmpty)
{
    for (size_t size : {2049u, 4096u, 60000u}) {
        FakeSetValue(RegistryCurrentUser, Key, "Path", std::string(size - 1, 'a') + '\0');
        EXPECT_EQ(Read(), "") << size;
    }
    FakeSetValue(RegistryCurrentUser, Key, "Path", std::string(2048, 'b'));
    EXPECT_EQ(Read(), "");
}

TEST_F(RegistryTextTest, OtherTypesReadUpToTheirFirstZeroByte)
{
    FakeSetValue(RegistryCurrentUser, Key, "Path", std::string("\x61\x62\x63\x00", 4));  // REG_DWORD 0x636261
    EXPECT_EQ(Read(), "abc");
    FakeSetValue(RegistryCurrentUser, Key, "Path", std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(Read(), "\x01");
    FakeSetValue(RegistryCurrentUser, Key, "Path", std::string(2047, '\xCC'));
    EXPECT_EQ(Read(), std::string(2047, '\xCC'));
}

TEST(FilterList, BarsAfterTheFirstCharacterBecomeSeparators)
{
    char list[ChooserFilterCapacity] = {};
    FilterListFromText("Oberix 2 Executable(ob.exe)|ob.exe", list, sizeof list);
    EXPECT_EQ(std::string(list, 36), std::string("Oberix 2 Executable(ob.exe)\0ob.exe\0\0", 36));

    char single[ChooserFilterCapacity] = {};
    FilterListFromText("All files", single, sizeof single);
    EXPECT_EQ(std::string(single, 11), std::string("All files\0\0", 11));

    char leading[ChooserFilterCapacity] = {};
    FilterListFromText("|a|b", leading, sizeof leading);
    EXPECT_EQ(std::string(leading, 6), std::string("|a\0b\0\0", 6));
}

TEST(FilterList, LongFilterIsCutToKeepTheDoubleTerminator)
{
    std::string filter(400, 'f');
    filter[100] = '|';
    char list[ChooserFilterCapacity + 8];
    memset(list, 0, sizeof list);
    list[ChooserFilterCapacity] = '#';
    FilterListFromText(filter.c_str(), list, ChooserFilterCapacity);
    EXPECT_EQ(list[ChooserFilterCapacity - 3], 'f');
    EXPECT_EQ(list[ChooserFilterCapacity - 2], '\0');
    EXPECT_EQ(list[ChooserFilterCapacity - 1], '\0');
    EXPECT_EQ(list[ChooserFilterCapacity], '#');
    EXPECT_EQ(list[100], '\0');
}

TEST(CentredPosition, TruncatesTowardZero)
{
    int x = 0;
    int y = 0;
    CentredPosition({0, 0, 800, 600}, {10, 20, 511, 320}, &x, &y);
    EXPECT_EQ(x, 149);
    EXPECT_EQ(y, 150);
    // A dialog wider than the desktop: -1 / 2 is 0, not -1.
    CentredPosition({0, 0, 800, 600}, {0, 0, 801, 603}, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -1);
    CentredPosition({-1920, 0, 0, 1080}, {0, 0, 500, 300}, &x, &y);
    EXPECT_EQ(x, -1210);
    EXPECT_EQ(y, 390);
}

TEST(FileChooser, CancelGivesTheEmptyTextAndAPickItsFullPath)
{
    FakeReset();
    EXPECT_STREQ(FileChooserOpen("t", "d|p", nullptr, "C:\\"), "");
    Fake().dialogPicks = true;
    Fake().dialogPick = "C:\\a b\\ob.exe";
    EXPECT_STREQ(FileChooserOpen("t", "d|p", nullptr, "C:\\"), "C:\\a b\\ob.exe");
}

}  // namespace
