// Texts read on the other core ahead of the run: each comes back in the
// order it was handed over, read as the run itself reads it.
#include <gtest/gtest.h>

#include <memory>

#include "checker/Ahead.h"
#include "tests/checker/unit/TestCheck.h"

namespace {

std::unique_ptr<TextRead> Text(const std::string& bytes, TextKind kind = TextPage)
{
    std::unique_ptr<TextRead> text(new TextRead);
    text->bytes = bytes;
    text->kind = kind;
    text->in = {"pages/sub", "Help.chm", ""};
    return text;
}

// What a text read comes to: its reason or its links, in order.
std::string Described(const TextRead& text)
{
    if (!text.read) {
        return "unread: " + text.reason;
    }
    std::string all = text.asksFiles ? "asks files\n" : "";
    for (const FoundLink& link : text.scan.links) {
        all += std::to_string(link.line) + ":" + std::to_string(link.column) + " " + link.program + "|" +
               link.parameters + (link.clickedByPage ? " clicked" : "") + "\n";
    }
    for (const PageTarget& target : text.targets) {
        all += "target " + std::to_string(target.place.line) + ":" + std::to_string(target.place.column) + " " +
               target.reference + " -> " + target.path + "\n";
    }
    return all;
}

// The i-th of many texts, each unlike the one before: pages with a link at
// a line of their own, a link list, a script that writes a link, no text.
std::string Many(size_t i, TextKind* kind)
{
    *kind = i % 4 == 1 ? TextList : i % 4 == 2 ? TextJScript : TextPage;
    std::string lines(i % 7, '\n');
    if (i % 4 == 1) {
        return lines + "Tipstart.exe ^3list" + std::to_string(i);
    }
    if (i % 4 == 2) {
        return lines + "document.write('" + ShortCut(",Tipstart.exe,^3js" + std::to_string(i)) + "');";
    }
    if (i % 4 == 3 && i % 3 == 0) {
        return std::string("\x01\x02\x03\x04\x05 binary", 12);
    }
    return lines + "<a href=\"../p" + std::to_string(i) + ".htm#top\">up</a>\n" +
           ShortCut(",Tipstart.exe,^3page" + std::to_string(i));
}

// Many texts handed over to a TextsAhead of so many cores, taken back as
// the run takes them: each as the run itself would read it.
void ExpectTakenInOrder(unsigned cores)
{
    ScriptBudget budget;
    TextsAhead ahead(budget, cores);
    std::vector<std::string> taken;
    std::vector<std::string> expected;
    for (size_t i = 0; i < 200; ++i) {
        TextKind kind = TextPage;
        std::string bytes = Many(i, &kind);
        TextRead here;
        here.bytes = bytes;
        here.kind = kind;
        here.in = {"pages/sub", "Help.chm", ""};
        TargetResolutions resolutions;
        ReadAndFind(&here, budget, nullptr, &resolutions);
        expected.push_back(Described(here));
        if (ahead.Full()) {
            taken.push_back(Described(*ahead.TakeOldest()));
        }
        ahead.Add(Text(bytes, kind));
    }
    while (!ahead.Empty()) {
        taken.push_back(Described(*ahead.TakeOldest()));
    }
    ASSERT_EQ(taken.size(), expected.size());
    for (size_t i = 0; i < taken.size(); ++i) {
        EXPECT_EQ(taken[i], expected[i]) << "text " << i << " with " << cores << " cores";
    }
    EXPECT_NE(expected[0].find("^3page0"), std::string::npos);
    EXPECT_NE(expected[0].find("target 1:10 ../p0.htm#top -> pages/p0.htm"), std::string::npos) << expected[0];
    EXPECT_EQ(expected[3].rfind("unread: ", 0), 0u);
}

TEST(TextsAheadTest, TextsComeBackInTheirOrderReadAsTheRunReadsThem)
{
    ExpectTakenInOrder(2);
    ExpectTakenInOrder(1);  // no second thread: the run reads each as it takes it
}

TEST(TextsAheadTest, APageWhoseScriptsAskForTheFilesItLoadsIsLeftToTheRun)
{
    ScriptBudget budget;
    TextsAhead ahead(budget, 2);
    ahead.Add(Text("<script src=\"links.js\"></script>" + ShortCut(",Tipstart.exe,^3a")));
    ahead.Add(Text("<img src=\"gone.png\" onerror=\"x = 1\">" + ShortCut(",Tipstart.exe,^3b")));
    ahead.Add(Text("<script>var x = 1;</script>" + ShortCut(",Tipstart.exe,^3c")));
    EXPECT_EQ(Described(*ahead.TakeOldest()), "asks files\n1:174 Tipstart.exe|^3a\n");
    EXPECT_EQ(Described(*ahead.TakeOldest()), "asks files\n1:178 Tipstart.exe|^3b\n");
    EXPECT_EQ(Described(*ahead.TakeOldest()), "1:169 Tipstart.exe|^3c\n");
    EXPECT_TRUE(ahead.Empty());
}

TEST(TextsAheadTest, OneLargeTextFillsIt)
{
    ScriptBudget budget;
    TextsAhead ahead(budget, 2);
    ahead.Add(Text(std::string(8 * 1024 * 1024, ' ')));
    EXPECT_TRUE(ahead.Full());
    EXPECT_EQ(Described(*ahead.TakeOldest()), "");
    EXPECT_FALSE(ahead.Full());
}

}  // namespace
