// Finding links: the ShortCut objects of pages as the HTML Help control
// reads them, their character references, and the lines of link lists.
#include <gtest/gtest.h>

#include "checker/page/LinkFinder.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

// The links of UTF-8 text, as a page or as a link list.
PageScan Links(const std::string& text, bool isList = false)
{
    PageScan scan;
    if (isList) {
        FindListLinks(text.data(), text.size(), nullptr, &scan);
    } else {
        FindPageLinks(text.data(), text.size(), nullptr, &scan);
    }
    return scan;
}

// Each link as "line:column program|parameters", with "*" for one that
// starts Tipstart.
std::string Described(const PageScan& scan)
{
    std::string all;
    for (const FoundLink& link : scan.links) {
        all += std::to_string(link.line) + ":" + std::to_string(link.column) + (link.startsTipstart ? " *" : " ") +
               link.program + "|" + link.parameters + "\n";
    }
    return all;
}

TEST(LinkFinderTest, LfCrlfAndALoneCrEachEndALine)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_EQ(Links("a\rb\r" + link).links[0].line, 3u);
    EXPECT_EQ(Links("a\r\nb\n\r" + link).links[0].line, 4u);
    PageScan list = Links("# links\rTipstart.exe ^3a\r\n\r\"C:\\Program Files\\Tipstart.exe\"  ^4b", true);
    ASSERT_EQ(list.links.size(), 2u);
    EXPECT_EQ(list.links[0].line, 2u);
    EXPECT_EQ(list.links[0].parameters, "^3a");
    EXPECT_EQ(list.links[1].line, 4u);
    EXPECT_EQ(list.links[1].column, 34u);
    EXPECT_EQ(list.links[1].program, "C:\\Program Files\\Tipstart.exe");
}

TEST(LinkFinderTest, WhatIsAndIsNotALink)
{
    std::string link = ShortCut(",Tipstart.exe,^3x");
    EXPECT_TRUE(Links("<!-- " + link + " -->").links.empty());
    EXPECT_TRUE(Links("<script>" + link + "</script>").links.empty());
    EXPECT_EQ(Links("<SCRIPT>var a;</SCRIPT>" + link).links.size(), 1u);
    EXPECT_EQ(Links("<style>p{}</STYLE>" + link).links.size(), 1u);
    PageScan other = Links(ShortCut(",cmd.exe,/c calc") + ShortCut(",C:\\X\\TIPSTART.EXE,^3x"));
    ASSERT_EQ(other.links.size(), 2u);
    EXPECT_FALSE(other.links[0].startsTipstart);
    EXPECT_EQ(other.links[0].program, "cmd.exe");
    EXPECT_EQ(other.links[0].parameters, "/c calc");
    EXPECT_TRUE(other.links[1].startsTipstart);
}

TEST(LinkFinderTest, CharacterReferencesAreDecodedAndPlaced)
{
    PageScan scan = Links(ShortCut(",Tipstart.exe,&#X5E;3a&amp;b&#x5e;&lt;") + "\n" +
                          ShortCut(",Tipstart.exe,^3&#;x"));
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(scan.links[0].parameters, "^3a&b^<");
    EXPECT_EQ(scan.links[0].column, 142u);
    ASSERT_EQ(scan.remarks.size(), 1u);
    EXPECT_EQ(scan.remarks[0].line, 2u);
    EXPECT_EQ(scan.remarks[0].column, 144u);
}

TEST(LinkFinderTest, EachMalformedReferenceIsSaidAtItsPlace)
{
    PageScan scan = Links(ShortCut(",Tipstart.exe,^3&#;a&#xD800;b&#99999999999;c&#0;d&#65 e&amp f&nosuch;g&h&nbsp;") +
                          ShortCut(",cmd.exe,&#;"));
    ASSERT_EQ(scan.links.size(), 2u);
    EXPECT_EQ(scan.links[0].parameters,
              "^3&#;a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD" "dA e& f&nosuch;g&h\xC2\xA0");
    std::string remarks;
    for (const PageRemark& remark : scan.remarks) {
        EXPECT_EQ(remark.rule, RuleCharacterReference);
        remarks += std::to_string(remark.line) + ":" + std::to_string(remark.column) + " " + remark.message + "\n";
    }
    // The other program's reference is not Tipstart's concern.
    EXPECT_EQ(remarks,
              "1:144 malformed character reference \"&#;\": no digits; kept as written\n"
              "1:148 malformed character reference \"&#xD800;\": no such character; read as U+FFFD\n"
              "1:157 malformed character reference \"&#99999999999;\": no such character; read as U+FFFD\n"
              "1:172 malformed character reference \"&#0;\": no such character; read as U+FFFD\n"
              "1:177 character reference \"&#65\" lacks its \";\"\n"
              "1:183 character reference \"&amp\" lacks its \";\"\n"
              "1:189 unknown character reference \"&nosuch;\"; kept as written\n");
}

TEST(LinkFinderTest, ItemOneIsAWindowClassAProgramAndItsParameters)
{
    // Commas after the second belong to the parameters; without a second,
    // there are none.
    EXPECT_EQ(Described(Links(ShortCut(",Tipstart.exe,^3a,b") + ShortCut(" , Tipstart.exe ,^3 x") +
                              ShortCut(",Tipstart.exe") + ShortCut("Tipstart.exe,^3x") +
                              ShortCut(",Tip&#115;tart.exe,^3x"))),
              "1:142 *Tipstart.exe|^3a,b\n1:302 *Tipstart.exe|^3 x\n1:457 *Tipstart.exe|\n1:611 ^3x|\n"
              "1:768 *Tipstart.exe|^3x\n");
    EXPECT_TRUE(NamesTipstart("C:/Ext\\tipstart.EXE"));
    EXPECT_FALSE(NamesTipstart("MyTipstart.exe"));
    // Every line of a list counts as a Tipstart link.
    EXPECT_EQ(Described(Links("  # a comment\n\n\"C:\\Program Files\\Tipstart.exe\"^4x\ncmd.exe /c calc\nTipstart.exe",
                              true)),
              "3:32 *C:\\Program Files\\Tipstart.exe|^4x\n4:9 *cmd.exe|/c calc\n5:13 *Tipstart.exe|\n");
}

// Each link as "line:column parameters", and each remark as
// "line:column rule-index message".
std::string Placed(const PageScan& scan)
{
    std::string all;
    for (const FoundLink& link : scan.links) {
        all += std::to_string(link.line) + ":" + std::to_string(link.column) + " " + link.parameters +
               (link.clickedByPage ? " (clicked)" : "") + "\n";
    }
    for (const PageRemark& remark : scan.remarks) {
        all += std::to_string(remark.line) + ":" + std::to_string(remark.column) + " #" +
               std::to_string(remark.rule) + " " + remark.message + "\n";
    }
    return all;
}

TEST(LinkFinderTest, CommentsEndAsHtml5EndsThem)
{
    EXPECT_EQ(Placed(Links("<!-->" + ShortCut(",Tipstart.exe,^3a") + "\n<!--->" + ShortCut(",Tipstart.exe,^3b") +
                           "\n<!-- x --!>" + ShortCut(",Tipstart.exe,^3c") + "\n<!---->" +
                           ShortCut(",Tipstart.exe,^3d") + "\n<!-- -- > " + ShortCut(",Tipstart.exe,^3e") + " -->")),
              "1:147 ^3a\n2:148 ^3b\n3:153 ^3c\n4:149 ^3d\n");
}

TEST(LinkFinderTest, ConditionalCommentsHoldMarkupInTheViewersMode)
{
    std::string live = "<!--[if IE]>" + ShortCut(",Tipstart.exe,^3a") + "<![endif]-->\n" + "<!--[if lt IE 8]>" +
                       ShortCut(",Tipstart.exe,^3b") + "<![endif]-->\n" + "<!--[if (IE 6)|(IE 7)]>" +
                       ShortCut(",Tipstart.exe,^3c") + "<![endif]-->\n";
    std::string hidden = "<!--[if !IE]>" + ShortCut(",Tipstart.exe,^3x") + "<![endif]-->\n" + "<!--[if gte IE 8]>" +
                         ShortCut(",Tipstart.exe,^3y") + "<![endif]-->\n" + "<!--[if IE 5.5]>" +
                         ShortCut(",Tipstart.exe,^3z") + "<![endif]-->\n";
    EXPECT_EQ(Placed(Links(hidden + live)), "4:154 ^3a\n5:159 ^3b\n6:165 ^3c\n");
    // A page in IE=edge has no conditional comments: they are comments.
    EXPECT_EQ(Placed(Links("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">" + live)), "");
    EXPECT_EQ(Placed(Links("<meta http-equiv=X-UA-Compatible content=IE=EmulateIE7>" + live)),
              "1:209 ^3a\n2:159 ^3b\n3:165 ^3c\n");
}

// Markup for browsers other than IE: hidden from IE up to 9, live from 10 on.
TEST(LinkFinderTest, MarkupForOtherBrowsersIsHiddenFromTheViewer)
{
    std::string others = "<!--[if !IE]><!-->" + ShortCut(",Tipstart.exe,^3x") + "<!--<![endif]-->\n" +
                         "<![if !IE]>" + ShortCut(",Tipstart.exe,^3y") + "<![endif]>\n" + "<![if IE]>" +
                         ShortCut(",Tipstart.exe,^3a") + "<![endif]>\n";
    EXPECT_EQ(Placed(Links(others)), "3:152 ^3a\n");
    EXPECT_EQ(Placed(Links("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n" + others)),
              "2:160 ^3x\n3:153 ^3y\n4:152 ^3a\n");
}

TEST(LinkFinderTest, TextElementsHoldTextNotLinks)
{
    for (const char* name : {"textarea", "title", "xmp", "noscript", "iframe", "noembed", "noframes", "TEXTAREA"}) {
        std::string element = name;
        EXPECT_EQ(Placed(Links("<" + element + " rows=2>" + ShortCut(",Tipstart.exe,^3x") + "</" + element + ">\n" +
                               ShortCut(",Tipstart.exe,^3a"))),
                  "2:142 ^3a\n")
            << name;
    }
    EXPECT_EQ(Placed(Links("<plaintext>" + ShortCut(",Tipstart.exe,^3x") + "</plaintext>" +
                           ShortCut(",Tipstart.exe,^3y"))),
              "");
}

TEST(LinkFinderTest, AParamBelongsToTheInnermostOpenObject)
{
    const std::string open = "<OBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">";
    const std::string command = "<PARAM name=\"Command\" value=\"ShortCut\">";
    // A fallback image inside the ShortCut object.
    EXPECT_EQ(Placed(Links(open + command + "<OBJECT data=\"a.png\"><PARAM name=\"Item1\" value=\",Tipstart.exe,^3x\">"
                           "</OBJECT>\n<PARAM name=\"Item1\" value=\",Tipstart.exe,^3a\"></OBJECT>")),
              "2:42 ^3a\n");
    // A ShortCut inside another object: the inner closes first, the outer
    // keeps its own PARAMs, and the links stand in the order of their places.
    EXPECT_EQ(Placed(Links(open + command + "<PARAM name=\"Item1\" value=\",Tipstart.exe,^3outer\">\n" + open +
                           command + "<PARAM name=\"Item1\" value=\",Tipstart.exe,^3inner\"></OBJECT></OBJECT>")),
              "1:142 ^3outer\n2:142 ^3inner\n");
}

TEST(LinkFinderTest, NamedReferencesAreHtml5sAndNumbersFrom128To159AreWindows1252)
{
    EXPECT_EQ(Placed(Links(ShortCut(",Tipstart.exe,^3caf&eacute;&hearts;&thetasym;&AMP;&fjlig;&NotEqualTilde;"))),
              "1:142 ^3caf\xC3\xA9\xE2\x99\xA5\xCF\x91&fj\xE2\x89\x82\xCC\xB8\n");
    EXPECT_EQ(Placed(Links(ShortCut(",Tipstart.exe,^3&#150;&#x80;&#x9d;&#159;&#127;&#160;"))),
              "1:142 ^3\xE2\x80\x93\xE2\x82\xAC\xC2\x9D\xC5\xB8\x7F\xC2\xA0\n");
    // Legacy names without ";": read, but not before a letter, digit or "=".
    EXPECT_EQ(Placed(Links(ShortCut(",Tipstart.exe,^3&eacute &notin &notit; &not= &copy2 &Eacutex"))),
              "1:142 ^3\xC3\xA9 &notin &notit; &not= &copy2 &Eacutex\n"
              "1:144 #13 character reference \"&eacute\" lacks its \";\"\n"
              "1:159 #13 unknown character reference \"&notit;\"; kept as written\n");
}

TEST(LinkFinderTest, MarkupAScriptWritesIsReadWhereItsWritingCodeStands)
{
    const std::string classId = "clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11";
    // JScript runs: escapes decoded, literals joined with "+" across lines;
    // the link stands at the line of the call that wrote it.
    EXPECT_EQ(Placed(Links("<script>\ndocument.write('\\x3COBJECT classid=\"" + classId + "\">' +\n"
                           "  \"<PARAM name='Command' value='ShortCut'>\" + // the program\n"
                           "  '<PARAM name=\"Item1\" value=\",Tipstart.exe,^3\\u0064ocs\\\\a\\'b.txt\">\\\n</OBJECT>');\n"
                           "</script>")),
              "5:1 ^3docs\\a'b.txt\n");
    // VBScript: "" is a quote, "&" and "_" join, Chr(34) is a literal.
    EXPECT_EQ(Placed(Links("<script language=\"VBScript\">\r\n' \"a comment\r\ndocument.write \"<OBJECT classid=\"\"" +
                           classId + "\"\"><PARAM name=Command value=ShortCut>\" & _\r\n  \"<PARAM name=Item1 value=\" & "
                           "Chr(34) & \",Tipstart.exe,^3b.txt\" & Chr(34) & \"></OBJECT>\"\r\n</script>")),
              "4:57 ^3b.txt\n");
    // An event handler's script, its references decoded first.
    EXPECT_EQ(Placed(Links("<img src=a.png onerror=\"document.write(&quot;<OBJECT classid='" + classId +
                           "'><PARAM name=Command value=ShortCut><PARAM name=Item1 value=',Tipstart.exe,^3c'>&quot;)\">")),
              "1:25 ^3c\n");
    // Strings in comments and regular expressions are not strings.
    EXPECT_EQ(Placed(Links("<script>/* '<OBJECT' */ var r = /'<OBJECT/; // '" + ShortCut(",Tipstart.exe,^3x") +
                           "\n</script>")),
              "");
}

TEST(LinkFinderTest, AControlAVBScriptBuildsIsSaidOncePerScript)
{
    const std::string said = " #" + std::to_string(RuleScriptedShortcut) + " this script builds an HTML Help ShortCut control in a way that cannot be read as "
                             "text; what it starts is decided as the page runs\n";
    // JScript runs: an object with no command is no ShortCut, and code that
    // fails before it writes writes nothing, in the viewer too.
    EXPECT_EQ(Placed(Links("<script>\nvar o = document.createElement(\"object\");\n"
                           "o.setAttribute(\"classid\", \"clsid:ADB880A6-D8FF-11CF-9377-00AA003B7A11\");\n"
                           "o.setAttribute(\"classid\", \"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\");\n</script>")),
              "");
    EXPECT_EQ(Placed(Links("<script>\nx.innerHTML = '<object classid=\"clsid:52a2aaae-085d-4187-97ea-8c30db990436\">"
                           "<param name=\"Item1\" value=\"' + cmd + '\">';\n</script><script>\np.value = \"ShortCut\";"
                           "</script><script language=vbscript>\nx = \"<param name=Command value=ShortCut>\" & c\n"
                           "</script>")),
              "5:5" + said);
    EXPECT_EQ(Placed(Links("<script>document.write('" + ShortCut(",cmd.exe,/c") + "' + more);</script>")), "");
    // Written whole, or saying "shortcut" in words, it builds nothing unseen.
    EXPECT_EQ(Placed(Links("<script>alert('Make a shortcut'); document.write('" + ShortCut(",cmd.exe,/c") +
                           "');</script>")),
              "1:9 /c\n");
}

TEST(LinkFinderTest, AReadersHandlerIsReadOnlyInVBScript)
{
    // A handler of the reader's actions waits for the reader: in JScript it
    // never runs, in VBScript its strings are read, as its prefix, a
    // reference spelling it, or its tag's language says.
    const std::string said = " #" + std::to_string(RuleScriptedShortcut) + " this script builds an HTML Help ShortCut control in a way that cannot be read as "
                             "text; what it starts is decided as the page runs\n";
    const std::string code = "x = \"<param name=Command value=ShortCut>\" & c'>";
    EXPECT_EQ(Placed(Links("<a onclick='vbscript:" + code)), "1:26" + said);
    EXPECT_EQ(Placed(Links("<a ONCLICK='VBScript:" + code)), "1:26" + said);
    EXPECT_EQ(Placed(Links("<a onclick='&#118;bscript:" + code)), "1:31" + said);
    EXPECT_EQ(Placed(Links("<a language=VBScript onclick='" + code)), "1:35" + said);
    EXPECT_EQ(Placed(Links("<a onclick='javascript:" + code)), "");
    EXPECT_EQ(Placed(Links("<a onclick='" + code)), "");
}

TEST(LinkFinderTest, AShortCutThePageClicksRunsAsItOpens)
{
    std::string object = "<OBJECT id=\"run\" classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
                         "<PARAM name=\"Command\" value=\"ShortCut\"><PARAM name=\"Item1\" value=\",cmd.exe,/c\">"
                         "</OBJECT>\n";
    EXPECT_EQ(Placed(Links(object + "<script>run.Click();</script>")), "1:146 /c (clicked)\n");
    EXPECT_EQ(Placed(Links(object + "<script language=VBScript>run.Click</script>")), "1:146 /c (clicked)\n");
    EXPECT_EQ(Placed(Links("<body onload=\"run.Click()\">" + object)), "1:173 /c (clicked)\n");
    EXPECT_EQ(Placed(Links(object + "<span onreadystatechange='run . Click ( )'>")), "1:146 /c (clicked)\n");
    // The reader's own click, or another object's, is not the page's.
    EXPECT_EQ(Placed(Links(object + "<button onclick=\"run.Click()\">")), "1:146 /c\n");
    EXPECT_EQ(Placed(Links(object + "<script>rerun.Click(); run.Clicks(); // run.Click()\n</script>")),
              "1:146 /c\n");
    EXPECT_EQ(Placed(Links("<body onload=\"setTimeout('run.Click()', 10)\">" + object)), "1:191 /c (clicked)\n");
}

// The page's elements nest as its end tags say: one that no element stands
// open for closes nothing. The load's timers run once each, in order, and
// a cleared one does not run.
TEST(LinkFinderTest, EndTagsAndTimersShapeWhatThePageClicks)
{
    std::string object = "<OBJECT id=\"run\" classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
                         "<PARAM name=\"Command\" value=\"ShortCut\"><PARAM name=\"Item1\" value=\",cmd.exe,/c\">"
                         "</OBJECT>\n";
    std::string nested = "<div id=d><b></i></b></i><span id=s><i></span></div>";
    EXPECT_EQ(Placed(Links(nested + object + "<script>if (s.parentNode === d && d.childNodes.length === 2 && "
                                             "run.parentNode !== d) run.Click();</script>")),
              "1:198 /c (clicked)\n");
    EXPECT_EQ(Placed(Links(object + "<script>var t = setTimeout('run.Click()', 1); clearTimeout(t);</script>")),
              "1:146 /c\n");
    EXPECT_EQ(Placed(Links(object + "<script>var n = 0;\nfor (var i = 0; i < 300; i++) setTimeout('n++', 1);\n"
                                    "setTimeout('if (n === 300) run.Click()', 1);</script>")),
              "1:146 /c (clicked)\n");
}

// A page that writes hundreds of objects, one document.write each, in a
// loop or one by one: every one is found, each at its writing code.
TEST(LinkFinderTest, EveryOneOfManyWrittenShortCutsIsFound)
{
    const std::string start = "document.write('<object classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
                              "<param name=\"Command\" value=\"ShortCut\"><param name=\"Item1\" value=\",a.exe,";
    PageScan loop = Links("<script>\nfor (var i = 0; i < 422; i++)\n  " + start + "' + i + '\"></object>');\n</script>");
    ASSERT_EQ(loop.links.size(), 422u);
    EXPECT_EQ(loop.links[0].parameters, "0");
    EXPECT_EQ(loop.links[421].parameters, "421");
    EXPECT_EQ(loop.links[421].line, 3u);
    std::string page = "<script>\n";
    for (int i = 0; i < 422; ++i) {
        page += start + std::to_string(i) + "\"></object>');\n";
    }
    PageScan written = Links(page + "</script>");
    ASSERT_EQ(written.links.size(), 422u);
    EXPECT_EQ(written.links[421].line, 423u);
    EXPECT_TRUE(written.links[421].writtenByScript);
}

// The engine's budget ends a script that does not end, and says where.
TEST(LinkFinderTest, AScriptThatDoesNotEndIsStoppedAndSaid)
{
    ScriptBudget budget;
    budget.instructions = 1000000;
    PageScan scan;
    std::string page = "<p>\n<script>\ndocument.write('<b>');\nwhile (true) {}\n</script>";
    FindPageLinks(page.data(), page.size(), nullptr, &scan, budget);
    ASSERT_EQ(scan.remarks.size(), 1u);
    EXPECT_EQ(scan.remarks[0].rule, RuleUnfinishedScript);
    EXPECT_EQ(scan.remarks[0].line, 3u);
    EXPECT_EQ(scan.remarks[0].message, "the script stopped at line 4: it ran past the page's budget of 1000000 "
                                       "instructions; what it writes after that is not checked");
}

}  // namespace
