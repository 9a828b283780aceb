// VBScript, read and not run: its strings as VBScript decodes them, each
// byte with the page offset it comes from, and the objects it clicks.
#include <gtest/gtest.h>

#include "checker/script/ScriptReader.h"

namespace {

// Each run as "start:text", "+" marking one joined to an expression, and
// the origin of every byte after "@".
std::string Strings(const std::string& script)
{
    std::vector<ScriptString> strings;
    ReadScriptStrings(script.data(), script.size(), nullptr, 100, &strings);
    std::string all;
    for (const ScriptString& string : strings) {
        EXPECT_EQ(string.origins.size(), string.text.size());
        all += std::to_string(string.start) + (string.joinedToExpression ? "+" : "") + ":" + string.text;
        all += "@";
        for (size_t origin : string.origins) {
            all += std::to_string(origin) + ",";
        }
        all += "|";
    }
    return all;
}

TEST(ScriptReaderTest, VBScriptStringsJoinWithAmpersandPlusAndContinuations)
{
    EXPECT_EQ(Strings("x = \"a\"\"b\" & _\r\n  \"c\" + Chr(60) & ChrW(233) & vbCrLf & vbTab & y\r\n"
                      "' \"comment\"\r\nRem \"also\"\r\nz = \"d\" : Rem \"e\"\r\nMyChr(60)"),
              "104+:a\"bc<\xC3\xA9\r\n\t@105,106,108,119,124,134,134,146,146,155,|195:d@196,|");
    EXPECT_EQ(ScriptLanguageOf("VBScript"), ScriptVBScript);
    EXPECT_EQ(ScriptLanguageOf("text/vbscript"), ScriptVBScript);
    EXPECT_EQ(ScriptLanguageOf("JavaScript1.2"), ScriptJScript);
}

bool Clicks(const std::string& script, const std::string& id)
{
    return ScriptsClick({{script.data(), script.size()}}, id);
}

// VBScript calls a method with or without parentheses.
TEST(ScriptReaderTest, AClickIsACallOfTheObjectsClickMethod)
{
    const std::string vb = "a.Click\r\nb . click ( )\r\nsetTimeout \"c.Click\", 9\r\n' d.Click\r\nRem e.Click\r\n"
                           "f.Clickable\r\ngf.Click\r\nother.i.Click\r\ndocument.all.j.Click\r\nk.HHClick\r\n";
    for (const char* id : {"a", "b", "A", "c", "j", "k"}) {
        EXPECT_TRUE(Clicks(vb, id)) << id;
    }
    for (const char* id : {"d", "e", "f", "g", "i", ""}) {
        EXPECT_FALSE(Clicks(vb, id)) << id;
    }
}

// A click in a routine runs as the page opens only when the routine does:
// named for the load, or named by code that runs, in any of the page's scripts.
TEST(ScriptReaderTest, AClickInARoutineRunsWhenTheRoutineRuns)
{
    const std::string vb = "Sub Later\r\n  a.Click\r\nEnd Sub\r\nSub window_onload()\r\n  b.Click\r\nEnd Sub\r\n"
                           "Function Go()\r\n  c.Click\r\n  Exit Function\r\nEnd Function\r\nGo\r\n";
    EXPECT_FALSE(Clicks(vb, "a"));
    EXPECT_TRUE(Clicks(vb, "b"));
    EXPECT_TRUE(Clicks(vb, "c"));
    // Declared in one script, called from another (a handler's "Init").
    const std::string declared = "Sub Init\r\n  g.Click\r\nEnd Sub\r\n";
    const std::string handler = "Init";
    EXPECT_TRUE(ScriptsClick({{declared.data(), declared.size()}, {handler.data(), handler.size()}}, "g"));
    EXPECT_FALSE(Clicks(declared, "g"));
}

}  // namespace
