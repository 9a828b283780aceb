// JScript's function declarations that bind, as code the engine compiles:
// declared under a name of their own, bound at the code's start, every line
// where it was, and only code touched.
#include <gtest/gtest.h>

#include "checker/script/FunctionBindings.h"

namespace {

size_t LineEnds(const std::string& code)
{
    size_t ends = 0;
    for (char c : code) {
        ends += c == '\n';
    }
    return ends;
}

TEST(FunctionBindingsTest, AnEventHandlerIsDeclaredAndAttachedAtTheStart)
{
    EXPECT_EQ(TranslateFunctionBindings("x();\nfunction window::onload(e) { a.Click(); }\n"),
              "try { window.attachEvent(\"onload\", $tipstartBound0); } catch (e) {} x();\n"
              "function $tipstartBound0(e) { a.Click(); }\n");
}

TEST(FunctionBindingsTest, APropertyIsSetAtTheStartAndWhereItStands)
{
    EXPECT_EQ(TranslateFunctionBindings("var o = {};\nfunction o . m() {}"),
              "try { o.m = $tipstartBound0; } catch (e) {} var o = {};\n"
              "try { o.m = $tipstartBound0; } catch (e) {} function $tipstartBound0() {}");
    EXPECT_EQ(TranslateFunctionBindings("function document.body::onclick() {}"),
              "try { document.body.attachEvent(\"onclick\", $tipstartBound0); } catch (e) {} function $tipstartBound0() {}");
}

TEST(FunctionBindingsTest, EachBindingHasANameOfItsOwn)
{
    std::string code = TranslateFunctionBindings("function a::onclick() {}\nfunction b::onclick() {}");
    EXPECT_NE(code.find("function $tipstartBound0() {}\nfunction $tipstartBound1() {}"), std::string::npos) << code;
}

TEST(FunctionBindingsTest, LinesTheNameSpansStay)
{
    std::string code = "function window\r\n  ::onload\n  () {}\nwrite();";
    std::string translated = TranslateFunctionBindings(code);
    EXPECT_EQ(LineEnds(translated), LineEnds(code));
    EXPECT_NE(translated.find("function $tipstartBound0\r\n\n() {}\nwrite();"), std::string::npos) << translated;
}

TEST(FunctionBindingsTest, StringsCommentsAndRegularExpressionsStayAsTheyAre)
{
    for (const char* code : {"var s = \"function w::onload() {}\";", "var s = 'function w::onload() {}';",
                             "// function w::onload() {}", "/* function w::onload() {} */",
                             "var r = /function w::onload() {}/;", "x = a(/[/]function w::onload() {}/);",
                             "var s = 'it\\'s function w::onload() {}';"}) {
        EXPECT_EQ(TranslateFunctionBindings(code), code);
    }
    // What they hold does not hide a binding after them.
    std::string code = TranslateFunctionBindings("/* don't */ var r = /\"'/; var s = \"'\"; function w::onload() {}");
    EXPECT_NE(code.find("function $tipstartBound0()"), std::string::npos) << code;
    code = TranslateFunctionBindings("x = a / b; y = (c) / 2; function w::onload() {}");
    EXPECT_NE(code.find("function $tipstartBound0()"), std::string::npos) << code;
}

TEST(FunctionBindingsTest, OtherCodeIsLeftAsItIs)
{
    for (const char* code : {"function f() {}", "var f = function () {};", "o.function::x()",
                             "function f(a::b) {}", "function a::b::c() {}", "function a::() {}",
                             "function a.() {}", "function 1.x() {}", "myfunction a::b() {}",
                             "if (x) { function window::onload() {} }", "(function () { function a.b() {} })();"}) {
        EXPECT_EQ(TranslateFunctionBindings(code), code);
    }
}

}  // namespace
