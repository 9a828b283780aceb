#include <gtest/gtest.h>

#include <string>

#include "text/Text.h"

TEST(TextFind, PositionsAreOneBasedWhateverTheStart)
{
    EXPECT_EQ(TextFind("abc", "c", 3), 3);
    EXPECT_EQ(TextFind("abc", "c", 4), 0);
    EXPECT_EQ(TextFind("abc", "a", 0), 1);
    EXPECT_EQ(TextFind("abc", "a", -5), 1);
    EXPECT_EQ(TextFind("abcabc", "b", 3), 5);
    EXPECT_EQ(TextFind("abc", "b", 3), 0);
}

TEST(TextFind, NothingIsFoundInOrForAbsentOrEmptyTexts)
{
    EXPECT_EQ(TextFind("abc", "", 0), 0);
    EXPECT_EQ(TextFind(nullptr, "a", 0), 0);
    EXPECT_EQ(TextFind("abc", nullptr, 0), 0);
    EXPECT_EQ(TextFind("", "a", 0), 0);
    EXPECT_EQ(TextFind("abc", "abcd", 0), 0);
}

TEST(TextBeforeAfter, CutAtTheFirstOccurrence)
{
    EXPECT_STREQ(TextBefore("a^b^c", "^"), "a");
    EXPECT_STREQ(TextBefore("abc", "x"), "abc");
    EXPECT_STREQ(TextBefore("abc", ""), "");
    EXPECT_STREQ(TextAfter("a^b^c", "^"), "b^c");
    EXPECT_STREQ(TextAfter("abc", "c"), "");
}

TEST(TextBeforeAfter, AfterReturnsPositionsInsideItsArgument)
{
    const char* text = "C:\\Ext\\Tipstart.exe ^3x";
    EXPECT_EQ(TextAfter(text, "^"), text + 21);
    EXPECT_EQ(TextAfter(text, "#"), text);
}

TEST(TextMid, TakesCountCharactersFromAOneBasedStart)
{
    EXPECT_STREQ(TextMid("abc", 2, -1), "bc");
    EXPECT_STREQ(TextMid("abc", 4, -1), "");
    EXPECT_STREQ(TextMid("abc", 0, 2), "");
    EXPECT_STREQ(TextMid("abc", 3, 10), "c");
    EXPECT_STREQ(TextMid("abc", 1, 0), "");
    EXPECT_STREQ(TextMid("abc", 1, 1), "a");
    EXPECT_STREQ(TextMid("", 1, -1), "");
    EXPECT_STREQ(TextMid("abc", 2, 2147483647), "bc");
}

TEST(TextTrim, DropsTheFiveWhitespaceCharactersOnly)
{
    EXPECT_STREQ(TextTrim(" \t\r\n\vab c \t\r\n\v"), "ab c");
    EXPECT_STREQ(TextTrim("a\f"), "a\f");
    EXPECT_STREQ(TextTrim("\fa"), "\fa");
    EXPECT_STREQ(TextTrim("  "), "");
    EXPECT_STREQ(TextTrim(""), "");
    EXPECT_STREQ(TextTrim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(TextReverse, MirrorsTheCharacters)
{
    EXPECT_STREQ(TextReverse("abc"), "cba");
    EXPECT_STREQ(TextReverse("a"), "a");
    EXPECT_STREQ(TextReverse(""), "");
}

TEST(TextRemoveAll, RemovesOccurrencesThatRemovalsForm)
{
    EXPECT_STREQ(TextRemoveAll("aabb", "ab"), "");
    EXPECT_STREQ(TextRemoveAll("\"C:\\x\\\" ^3\"a b\"", "\""), "C:\\x\\ ^3a b");
    EXPECT_STREQ(TextRemoveAll("abc", ""), "abc");
    EXPECT_STREQ(TextRemoveAll("abc", "x"), "abc");
}

TEST(TextOfChars, EndsAtTheFirstZeroCode)
{
    EXPECT_STREQ(TextOfChars(92, 0, 0, 0, 0, 0, 0, 0, 0, 0), "\\");
    EXPECT_STREQ(TextOfChars(65, 66, 0, 67, 0, 0, 0, 0, 0, 0), "AB");
    EXPECT_STREQ(TextOfChars(65 + 256, 66 - 512, 0, 0, 0, 0, 0, 0, 0, 0), "AB");
}

TEST(TextCompare, RanksBytesAsUnsigned)
{
    EXPECT_EQ(TextCompare("2Reset_", "2Reset_"), 0);
    EXPECT_EQ(TextCompare("2reset_", "2Reset_"), 1);
    EXPECT_EQ(TextCompare("\x80", "\x7F"), 1);
    EXPECT_EQ(TextCompare("a", "\xFF"), -1);
    EXPECT_EQ(TextCompare("ab", "a"), 1);
    EXPECT_EQ(TextCompare("", "a"), -1);
}

TEST(ScratchRing, AScratchTextOutlivesTwoThousandFortySevenFurtherAllocations)
{
    char* kept = TextReverse("kept");
    for (int i = 0; i < ScratchRingSlots - 1; ++i) {
        ScratchAlloc(1);
    }
    EXPECT_STREQ(kept, "tpek");
}

TEST(ScratchRing, BlocksAreZeroFilledWithSlackBeyondTheirCount)
{
    char* block = ScratchAlloc(10);
    for (int i = 0; i < 10 + ScratchSlack; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
}
