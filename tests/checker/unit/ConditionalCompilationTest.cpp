// JScript's conditional compilation, as code the engine compiles: decided
// before it runs, every line where it was, and nothing read that is not
// certain.
#include <gtest/gtest.h>

#include <string>

#include "checker/script/ConditionalCompilation.h"

namespace {

std::string Translate(const std::string& code)
{
    ConditionalCompilation state;
    return TranslateConditionalCompilation(code, &state);
}

// The value "@name" gets once the code sets it.
std::string ValueOf(const std::string& set)
{
    std::string code = "/*@cc_on @set @v = " + set + " @*/\n@v";
    std::string translated = Translate(code);
    size_t line = translated.find('\n');
    return line == std::string::npos ? translated : translated.substr(line + 1);
}

TEST(ConditionalCompilationTest, CodeWithoutItIsLeftAsItIs)
{
    for (const char* code : {"/*@ a.Click(); @*/", "//@ a.Click();", "var s = '@cc_on';", "/* @if (@_jscript) */",
                             "// @set @a = 1", "/*@author me */", "mail('me@example.com');"}) {
        EXPECT_EQ(Translate(code), code);
    }
}

TEST(ConditionalCompilationTest, ItsCommentsAreCodeOnceItIsOn)
{
    EXPECT_EQ(Translate("/*@cc_on a.Click(); @*/"), "         a.Click();    ");
    EXPECT_EQ(Translate("var isIE = /*@cc_on!@*/false;"), "var isIE =         !   false;");
    EXPECT_EQ(Translate("//@cc_on\n//@ a.Click();"), "        \n    a.Click();");
    EXPECT_EQ(Translate("@cc_on\n/*@\n a.Click();\n@*/"), "      \n   \n a.Click();\n   ");
}

TEST(ConditionalCompilationTest, ItStaysOnForTheNextScripts)
{
    ConditionalCompilation state;
    TranslateConditionalCompilation("/*@cc_on @set @a = 2 @*/", &state);
    EXPECT_EQ(TranslateConditionalCompilation("/*@ a.Click(@a); @*/", &state), "    a.Click((2));    ");
}

TEST(ConditionalCompilationTest, IfAndSetTurnItOn)
{
    EXPECT_EQ(Translate("/*@if (@_jscript) a(); @end @*/"), "                  a();         ");
    EXPECT_EQ(Translate("/*@set @a = 1 @*/ /*@ b(@a); @*/"), "                      b((1));    ");
}

TEST(ConditionalCompilationTest, OnlyTheBranchTakenIsCompiled)
{
    std::string code =
        "/*@cc_on @*/\n"
        "/*@if (@_jscript_version >= 4)\n"
        "   a();\n"
        "   @else @*/\n"
        "   b();\n"
        "/*@end @*/\n";
    EXPECT_EQ(Translate(code),
              "            \n"
              "                              \n"
              "   a();\n"
              "            \n"
              "       \n"
              "          \n");
    std::string chain =
        Translate("@cc_on @if (@_win16) a(); @elif (@_win32 && @_x86) b(); @elif (1) c(); @else d(); @end");
    EXPECT_NE(chain.find("b();"), std::string::npos) << chain;
    for (const char* other : {"a()", "c()", "d()"}) {
        EXPECT_EQ(chain.find(other), std::string::npos) << chain;
    }
    std::string nested = Translate("@cc_on @if (0) @if (1) a(); @else b(); @end @else c(); @end");
    EXPECT_EQ(nested.find("a()"), std::string::npos) << nested;
    EXPECT_EQ(nested.find("b()"), std::string::npos) << nested;
    EXPECT_NE(nested.find("c();"), std::string::npos) << nested;
}

TEST(ConditionalCompilationTest, VariablesAreTheViewersValues)
{
    EXPECT_EQ(Translate("@cc_on x = @_jscript;"), "       x = true     ;");
    EXPECT_EQ(Translate("@cc_on x = @_jscript_version;"), "       x = (5.7999999999999998);");
    EXPECT_EQ(Translate("@cc_on x = [@_win32, @_x86, @_microsoft];"), "       x = [true   , true , true       ];");
    EXPECT_EQ(Translate("@cc_on x = [@_win16, @_win64, @_mac, @_unknown];"),
              "       x = [(0/0)  , (0/0)  , (0/0), (0/0)    ];");
}

TEST(ConditionalCompilationTest, ExpressionsAreECMAScripts)
{
    EXPECT_EQ(ValueOf("(1 + 2 * 3)"), "(7)");
    EXPECT_EQ(ValueOf("((1 + 2) * 3)"), "(9)");
    EXPECT_EQ(ValueOf("(@_jscript_version * 10)"), "(58)");
    EXPECT_EQ(ValueOf("(true + 1)"), "(2)");
    EXPECT_EQ(ValueOf("(7 % 4 - -1)"), "(4)");
    EXPECT_EQ(ValueOf("(1 / 0)"), "(1/0)");
    EXPECT_EQ(ValueOf("(-8 >>> 28)"), "(15)");
    EXPECT_EQ(ValueOf("(-8 >> 1)"), "(-4)");
    EXPECT_EQ(ValueOf("(1 << 31)"), "(-2147483648)");
    EXPECT_EQ(ValueOf("(6 & 3 | 8 ^ 1)"), "(11)");
    EXPECT_EQ(ValueOf("(~5)"), "(-6)");
    EXPECT_EQ(ValueOf("0x1F"), "(31)");
    EXPECT_EQ(ValueOf("(0 || 2)"), "(2)");
    EXPECT_EQ(ValueOf("(0 && 2)"), "(0)");
    EXPECT_EQ(ValueOf("(@nothing != @nothing)"), "true");
    EXPECT_EQ(ValueOf("(@nothing == @nothing)"), "false");
    EXPECT_EQ(ValueOf("(1 == true)"), "true");
    EXPECT_EQ(ValueOf("!@_win16"), "true");
    EXPECT_EQ(ValueOf("(1 < 2 && 2 <= 2 && 3 > 2 && 2 >= 3)"), "false");
}

TEST(ConditionalCompilationTest, EveryLineStaysWhereItWas)
{
    std::string code =
        "/*@cc_on\r\n"
        "@set @a = (1 +\n"
        "  2)\n"
        "@if (@a == 3\n"
        "     && @_win32)\n"
        "  b();\n"
        "@end @*/\n"
        "c();\n";
    std::string translated = Translate(code);
    EXPECT_EQ(translated,
              "        \r\n"
              "              \n"
              "    \n"
              "            \n"
              "                \n"
              "  b();\n"
              "        \n"
              "c();\n");
}

TEST(ConditionalCompilationTest, StringsCommentsAndRegularExpressionsStayAsTheyAre)
{
    for (const char* code :
         {"/*@cc_on @*/var s = \"/*@ a(); @*/ //@ a();\";", "/*@cc_on @*/var t = '@if (1) a(); @end';",
          "/*@cc_on @*/var r = /\\/*@ b() @*\\//;", "/*@cc_on @*/ /* @if (@_jscript) b(); @end */",
          "/*@cc_on @*/ // @if (@_jscript) c(); @end", "/*@cc_on @*/ /* //@ c(); */"}) {
        std::string translated = Translate(code);
        EXPECT_EQ(translated.substr(12), std::string(code).substr(12)) << code;
    }
}

// What is not read with certainty is left as it stands, from its "@" on:
// the engine cannot compile it, and says so.
TEST(ConditionalCompilationTest, WhatCannotBeReadIsLeftForTheEngineToRefuse)
{
    EXPECT_EQ(Translate("x();\n/*@cc_on @if (@_jscript) a(); @*/"), "x();\n         @if (@_jscript) a(); @*/");
    EXPECT_EQ(Translate("/*@cc_on @if (window.b) b(); @end @*/"), "         @if (window.b) b(); @end @*/");
    EXPECT_EQ(Translate("/*@cc_on c(); @end @*/"), "         c(); @end @*/");
    EXPECT_EQ(Translate("@cc_on @if (1) a(); @else b(); @elif (1) c(); @end"),
              "               a();            @elif (1) c(); @end");
    EXPECT_EQ(Translate("@cc_on @if 1 a(); @end"), "       @if 1 a(); @end");
    EXPECT_EQ(Translate("@cc_on @set a = 1"), "       @set a = 1");
    EXPECT_EQ(Translate("@cc_on @set @a == 1"), "       @set @a == 1");
    EXPECT_EQ(Translate("@cc_on @if (1 === 1) a(); @end"), "       @if (1 === 1) a(); @end");
    EXPECT_EQ(Translate("@cc_on @if (010) a(); @end"), "       @if (010) a(); @end");
    EXPECT_EQ(Translate("@cc_on x = @ 1;"), "       x = @ 1;");
    // Turned off, a variable is JScript's error too.
    EXPECT_EQ(Translate("document.write(@_jscript); /*@set @a = 1 @*/"),
              "document.write(@_jscript); /*@set @a = 1 @*/");
}

TEST(ConditionalCompilationTest, HostileNestingIsRefusedNotFollowed)
{
    std::string deep = "@cc_on @if (" + std::string(100000, '(') + "1" + std::string(100000, ')') + ") a(); @end";
    EXPECT_EQ(Translate(deep), "       " + deep.substr(7));
    std::string negations = "@cc_on @set @a = " + std::string(100000, '!') + "1";
    EXPECT_EQ(Translate(negations), "       " + negations.substr(7));
    std::string depthOk = "@cc_on @set @a = " + std::string(30, '(') + "!!1" + std::string(30, ')') + " @a";
    EXPECT_EQ(Translate(depthOk).substr(Translate(depthOk).size() - 4), "true");
}

}  // namespace
