// The strings of JScript and VBScript as their engines decode them, each
// byte with the page offset it comes from.
#include <gtest/gtest.h>

#include "checker/script/ScriptReader.h"

namespace {

// Each run as "start:text", "+" marking one joined to an expression, and
// the origin of every byte after "@".
std::string Strings(const std::string& script, ScriptLanguage language = ScriptJScript, bool origins = false)
{
    std::vector<ScriptString> strings;
    ReadScriptStrings(script.data(), script.size(), nullptr, 100, language, &strings);
    std::string all;
    for (const ScriptString& string : strings) {
        EXPECT_EQ(string.origins.size(), string.text.size());
        all += std::to_string(string.start) + (string.joinedToExpression ? "+" : "") + ":" + string.text;
        if (origins) {
            all += "@";
            for (size_t origin : string.origins) {
                all += std::to_string(origin) + ",";
            }
        }
        all += "|";
    }
    return all;
}

TEST(ScriptReaderTest, JScriptEscapesAreDecodedAtTheirPlaces)
{
    const char decoded[] = "100:a<\xC3\xA9\n'\"\\q\0" "A@101,102,106,106,112,114,116,118,120,122,124,|";
    EXPECT_EQ(Strings("'a\\x3C\\u00e9\\n\\'\\\"\\\\\\q\\0\\101'", ScriptJScript, true),
              std::string(decoded, sizeof decoded - 1));
    EXPECT_EQ(Strings("\"a\\\nb\" 'c"), "100:ab|107:c|");
    EXPECT_EQ(Strings("'\\x4' '\\u12'"), "100:x4|106:u12|");
}

TEST(ScriptReaderTest, JScriptLiteralsJoinedWithPlusAreOne)
{
    EXPECT_EQ(Strings("f('a' +\n 'b' + /* c */ \"d\"); g('e' + x + 'f', y + 'g')"), "102:abd|131+:e|141+:f|150+:g|");
    // Comments and regular expressions hold no strings.
    EXPECT_EQ(Strings("// 'a'\nx = /'b\\/[/']/g; y = a / 2 / 'c'; <!-- 'd'\n'e'"), "136:c|150:e|");
}

TEST(ScriptReaderTest, VBScriptStringsJoinWithAmpersandPlusAndContinuations)
{
    EXPECT_EQ(Strings("x = \"a\"\"b\" & _\r\n  \"c\" + Chr(60) & ChrW(233) & vbCrLf & vbTab & y\r\n"
                      "' \"comment\"\r\nRem \"also\"\r\nz = \"d\" : Rem \"e\"\r\nMyChr(60)",
                      ScriptVBScript, true),
              "104+:a\"bc<\xC3\xA9\r\n\t@105,106,108,119,124,134,134,146,146,155,|195:d@196,|");
    EXPECT_EQ(ScriptLanguageOf("VBScript"), ScriptVBScript);
    EXPECT_EQ(ScriptLanguageOf("text/vbscript"), ScriptVBScript);
    EXPECT_EQ(ScriptLanguageOf("JavaScript1.2"), ScriptJScript);
}

bool Clicks(const std::string& script, ScriptLanguage language, const std::string& id)
{
    return ScriptsClick({{script.data(), script.size(), language}}, id);
}

TEST(ScriptReaderTest, AClickIsACallOfTheObjectsClickMethod)
{
    const std::string js = "a.Click(); b . click ( ); setTimeout('c.Click()', 9); // d.Click()\n e.Click; "
                           "f.Clickable(); gf.Click(); /* h.Click() */ other.i.Click(); document.all.j.Click();";
    for (const char* id : {"a", "b", "A", "c", "j"}) {
        EXPECT_TRUE(Clicks(js, ScriptJScript, id)) << id;
    }
    for (const char* id : {"d", "e", "f", "g", "h", "i", ""}) {
        EXPECT_FALSE(Clicks(js, ScriptJScript, id)) << id;
    }
    const std::string vb = "e.Click\r\n' d.Click\r\n";
    EXPECT_TRUE(Clicks(vb, ScriptVBScript, "E"));
    EXPECT_FALSE(Clicks(vb, ScriptVBScript, "d"));
}

// A click in a routine runs as the page opens only when the routine does:
// named for the load, or named by code that runs, in any of the page's scripts.
TEST(ScriptReaderTest, AClickInARoutineRunsWhenTheRoutineRuns)
{
    const std::string js = "function later() { a.Click(); }\nfunction now() { if (x) { b.Click(); } c(); }\n"
                           "function c() { c1.Click(); }\nnow();\nwindow.onload = function () { d.Click(); };\n"
                           "function window.onload() { e.Click(); }\nsetTimeout(handed, 10); function handed() { f.Click() }";
    for (const char* id : {"b", "c1", "d", "e", "f"}) {
        EXPECT_TRUE(Clicks(js, ScriptJScript, id)) << id;
    }
    EXPECT_FALSE(Clicks(js, ScriptJScript, "a"));
    const std::string vb = "Sub Later\r\n  a.Click\r\nEnd Sub\r\nSub window_onload()\r\n  b.Click\r\nEnd Sub\r\n"
                           "Function Go()\r\n  c.Click\r\n  Exit Function\r\nEnd Function\r\nGo\r\n";
    EXPECT_FALSE(Clicks(vb, ScriptVBScript, "a"));
    EXPECT_TRUE(Clicks(vb, ScriptVBScript, "b"));
    EXPECT_TRUE(Clicks(vb, ScriptVBScript, "c"));
    // Declared in one script, called from another (a handler's "init()").
    const std::string declared = "function init() { g.Click(); }";
    const std::string handler = "init()";
    EXPECT_TRUE(ScriptsClick({{declared.data(), declared.size(), ScriptJScript},
                              {handler.data(), handler.size(), ScriptJScript}},
                             "g"));
}

}  // namespace
