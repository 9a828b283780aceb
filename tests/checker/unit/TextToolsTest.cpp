// The checker's text toolkit: UTF-8 as pages hold it, ASCII case, blanks,
// and lines and columns as editors count them.
#include <gtest/gtest.h>

#include "checker/core/ByteScan.h"
#include "checker/core/TextTools.h"

namespace {

// The length ReadUtf8 gives for the whole of bytes, and the character.
size_t Utf8Length(const std::string& bytes, char32_t* c)
{
    *c = 0;
    return ReadUtf8(bytes, 0, c);
}

TEST(TextToolsTest, Utf8TakesOnlyShortestFormsOfCharacters)
{
    char32_t c = 0;
    EXPECT_EQ(Utf8Length("\xC3\xA9", &c), 2u);
    EXPECT_EQ(c, U'\u00E9');
    EXPECT_EQ(Utf8Length("\xEF\xBF\xBF", &c), 3u);
    EXPECT_EQ(c, U'\uFFFF');
    EXPECT_EQ(Utf8Length("\xF4\x8F\xBF\xBF", &c), 4u);
    EXPECT_EQ(c, U'\U0010FFFF');
    // Overlong forms, surrogates, values past U+10FFFF, lone continuation
    // bytes and cut-off characters start no character.
    for (const char* bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xC3\x28", "\xE2\x82"}) {
        EXPECT_EQ(Utf8Length(bad, &c), 0u) << bad;
    }
    for (char32_t each : {U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFD', U'\U00010000', U'\U0010FFFF'}) {
        std::string text;
        AppendUtf8(each, &text);
        EXPECT_EQ(Utf8Length(text, &c), text.size());
        EXPECT_EQ(c, each);
    }
}

TEST(TextToolsTest, BlanksAndCaseAreHtmlsAndAsciis)
{
    // Form feed is a blank of HTML; a vertical tab is not.
    EXPECT_EQ(Trim(" \t\r\n\fx y\f\n"), "x y");
    EXPECT_EQ(Trim("\vx"), "\vx");
    EXPECT_EQ(AsciiLower("TipStart.EXE \xC3\x80"), "tipstart.exe \xC3\x80");
    std::string text = "b---B--bo--BO";
    EXPECT_EQ(FindNoCase(text.data(), text.size(), 0, "bo"), 7u);
    EXPECT_EQ(FindNoCase(text.data(), text.size(), 8, "bo"), 11u);
    EXPECT_EQ(FindNoCase(text.data(), text.size(), 12, "bo"), text.size());
}

TEST(TextToolsTest, TheCursorCountsLinesAndCharacters)
{
    // LF, CRLF and a lone CR each end a line; a character counts one column,
    // and so does a byte that starts none.
    std::string text = "a\r\nb\rc\n\xC3\xA9\xFFx";
    TextCursor cursor(text.data(), text.size());
    cursor.MoveTo(4);
    EXPECT_EQ(cursor.line, 2u);
    EXPECT_EQ(cursor.column, 2u);
    cursor.MoveTo(7);
    EXPECT_EQ(cursor.line, 4u);
    EXPECT_EQ(cursor.column, 1u);
    cursor.MoveTo(10);
    EXPECT_EQ(cursor.column, 3u);
    cursor.MoveTo(100);
    EXPECT_EQ(cursor.offset, text.size());
    EXPECT_EQ(cursor.line, 4u);
    EXPECT_EQ(cursor.column, 4u);
}

TEST(TextToolsTest, TheCursorCountsTheSameInOneMoveAsByteByByte)
{
    // Lines passed whole, sixteen bytes at a time, against the same text
    // walked one byte at a time: line ends and characters that straddle the
    // blocks, a CRLF split across them, a lone CR at the end.
    std::string text = "0123456789abcd\r\n"           // CRLF across bytes 15 and 16
                       "\xC3\xA9\xE2\x82\xAC xyz\xFF\n"  // characters, and a byte that starts none
                       "a long line of plain ASCII, longer than one block\r"
                       "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80 end\r";
    for (size_t target = 0; target <= text.size() + 1; ++target) {
        TextCursor jump(text.data(), text.size());
        jump.MoveTo(target);
        TextCursor walk(text.data(), text.size());
        for (size_t step = 0; step <= target; ++step) {
            walk.MoveTo(step);
        }
        EXPECT_EQ(jump.line, walk.line) << target;
        EXPECT_EQ(jump.column, walk.column) << target;
        EXPECT_EQ(jump.offset, walk.offset) << target;
    }
    TextCursor cursor(text.data(), text.size());
    cursor.MoveTo(15);  // onto the LF of a CRLF: the pair ends one line
    EXPECT_EQ(cursor.line, 2u);
    EXPECT_EQ(cursor.offset, 16u);
    cursor.MoveTo(text.size());
    EXPECT_EQ(cursor.line, 5u);
    EXPECT_EQ(cursor.column, 1u);
    cursor = TextCursor(text.data(), text.size());
    cursor.MoveTo(text.find(" end"));
    EXPECT_EQ(cursor.line, 4u);
    EXPECT_EQ(cursor.column, 5u);  // four characters of four bytes each
}

TEST(TextToolsTest, ByteScansFindEveryMarkedByteInOrder)
{
    // Marked bytes at every place of two blocks and a tail.
    std::string text(40, 'x');
    for (size_t at = 0; at < text.size(); ++at) {
        for (char marked : {'<', '=', '\n', '\x7F', '\x80', '\xFF', '\x1F', '\0'}) {
            std::string page = text;
            page[at] = marked;
            std::vector<size_t> found;
            AnyNotPrintable(page.data(), page.size(), [&](size_t i) {
                found.push_back(i);
                return false;
            });
            bool printable = marked >= 0x20 && marked <= 0x7E;  // signed: bytes above 0x7F are below 0
            EXPECT_EQ(found, printable || marked == '\x7F' ? std::vector<size_t>() : std::vector<size_t>{at}) << at;
            found.clear();
            EXPECT_EQ(AnyOfTwo(page.data(), page.size(), '<', '=', [&](size_t i) {
                          found.push_back(i);
                          return true;
                      }),
                      marked == '<' || marked == '=');
            EXPECT_EQ(found, marked == '<' || marked == '=' ? std::vector<size_t>{at} : std::vector<size_t>()) << at;
        }
    }
    // Each is visited in order, until one stops the scan.
    std::string page = "<a=b<c=d<e=f<g=h<i=j<k=l";
    std::vector<size_t> seen;
    EXPECT_TRUE(AnyOfTwo(page.data(), page.size(), '<', '=', [&](size_t i) {
        seen.push_back(i);
        return i >= 18;
    }));
    EXPECT_EQ(seen, (std::vector<size_t>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18}));
}

TEST(TextToolsTest, EditDistanceCountsCharactersUpToItsLimit)
{
    EXPECT_EQ(EditDistance("Tipstart.exe", "Tipstart.exe", 2), 0u);
    EXPECT_EQ(EditDistance("Tipstrat.exe", "Tipstart.exe", 2), 2u);  // two letters swapped: two edits
    EXPECT_EQ(EditDistance("Tipstart.ex", "Tipstart.exe", 2), 1u);
    EXPECT_EQ(EditDistance("TIPSTART.EXE", "tipstart.exe", 2), 0u);   // ASCII case does not count
    EXPECT_EQ(EditDistance("Tipstart", "Tipstart.exe", 2), 3u);       // past the limit: limit + 1
    EXPECT_EQ(EditDistance("", "ab", 2), 2u);
    EXPECT_EQ(EditDistance("abc", "", 2), 3u);
    EXPECT_EQ(EditDistance("kitten", "sitting", 3), 3u);
    EXPECT_EQ(EditDistance("\xD0\x9D\xD0\xB5\xD1\x82", "\xD0\x9D\xD0\xB0\xD1\x82", 2), 1u);  // a character, not bytes
    EXPECT_EQ(EditDistance(std::string(100000, 'a'), std::string(100000, 'a') + "b", 1), 1u);
}

TEST(TextToolsTest, TheNearestWordSuggested)
{
    std::vector<std::string> rules = {"doubled-separator", "dropped-quotes", "other-program"};
    EXPECT_EQ(DidYouMean("doubled-seperator", rules), ": did you mean \"doubled-separator\"?");
    EXPECT_EQ(DidYouMean("other-programs", rules), ": did you mean \"other-program\"?");
    EXPECT_EQ(DidYouMean("nothing-alike", rules), "");
    EXPECT_EQ(DidYouMean("ab", {"abc", "xy"}), ": did you mean \"abc\"?");
    EXPECT_EQ(NearestWord("abd", {"abc", "abe"}, 1), "abc");  // the first of the nearest
}

}  // namespace
