// Markup as the viewer's engine reads it: the declared encoding, comments
// and conditional comments, and values with their character references.
#include <gtest/gtest.h>

#include "checker/page/Markup.h"

namespace {

std::string Charset(const std::string& page)
{
    return FindDeclaredCharset(page.data(), page.size());
}

TEST(MarkupTest, TheDeclaredEncodingIsNotInCommentsNorTextElements)
{
    EXPECT_EQ(Charset("<!-- <meta charset=\"koi8-r\"> --><meta charset=\"utf-8\">"), "utf-8");
    EXPECT_EQ(Charset("<!--> <meta charset=\"koi8-r\">"), "koi8-r");
    EXPECT_EQ(Charset("<!-- --!><meta charset=\"koi8-r\">"), "koi8-r");
    EXPECT_EQ(Charset("<title><meta charset=\"koi8-r\"></title><script>'<meta charset=x>'</script>"
                      "<noscript><meta charset=y></noscript><META CHARSET=windows-1251>"),
              "windows-1251");
    EXPECT_EQ(Charset("<textarea><meta charset=\"koi8-r\">"), "");
    // A live conditional comment declares; one that does not hold does not.
    EXPECT_EQ(Charset("<!--[if gt IE 7]><meta charset=\"koi8-r\"><![endif]--><!--[if IE]><meta charset=big5>"), "big5");
    EXPECT_EQ(Charset("<body><meta charset=\"koi8-r\">"), "");
}

TEST(MarkupTest, AQuotedCharsetInTheContentTypeIsRead)
{
    EXPECT_EQ(Charset("<meta http-equiv=\"Content-Type\" content='text/html; charset=\"koi8-r\"'>"), "koi8-r");
    EXPECT_EQ(Charset("<meta http-equiv=Content-Type content=\"text/html; charset='shift_jis'; x\">"), "shift_jis");
    EXPECT_EQ(Charset("<meta http-equiv=Content-Type content=\"text/html; charset=&quot;big5&quot;\">"), "big5");
    EXPECT_EQ(Charset("<meta http-equiv=Content-Type content=\"text/html; charset=\"><meta charset=gbk>"), "gbk");
}

TEST(MarkupTest, ConditionsAreReadForTheDocumentMode)
{
    EXPECT_TRUE(ConditionHolds(" IE", 7));
    EXPECT_TRUE(ConditionHolds(" IE 7", 7));
    EXPECT_TRUE(ConditionHolds(" IE 7.0", 7));
    EXPECT_FALSE(ConditionHolds(" IE 5.5", 7));
    EXPECT_TRUE(ConditionHolds(" lt IE 8", 7));
    EXPECT_TRUE(ConditionHolds(" lte IE 7", 7));
    EXPECT_FALSE(ConditionHolds(" gt IE 7", 7));
    EXPECT_TRUE(ConditionHolds(" gte IE 5.5", 7));
    EXPECT_FALSE(ConditionHolds(" !IE", 7));
    EXPECT_TRUE(ConditionHolds(" (IE 6)|(IE 7)", 7));
    EXPECT_FALSE(ConditionHolds(" (gt IE 5)&!(IE 7)", 7));
    EXPECT_TRUE(ConditionHolds(" IE 9", 9));
    EXPECT_FALSE(ConditionHolds(" WindowsEdition", 7));
    EXPECT_TRUE(ConditionHolds(" true", 7));
    EXPECT_FALSE(ConditionHolds("", 7) && ConditionHolds(" !", 7));
}

TEST(MarkupTest, TheDocumentModeIsTheHighestAskedFor)
{
    auto mode = [](const std::string& page) { return FindDocumentMode(page.data(), page.size()); };
    EXPECT_EQ(mode("<p>"), 7);
    EXPECT_EQ(mode("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">"), 11);
    EXPECT_EQ(mode("<meta http-equiv=x-ua-compatible content=\"IE=9; IE=8\">"), 9);
    EXPECT_EQ(mode("<meta http-equiv=X-UA-Compatible content=IE=EmulateIE7>"), 7);
    EXPECT_EQ(mode("<body><meta http-equiv=X-UA-Compatible content=IE=10>"), 7);
    EXPECT_EQ(mode("<html><head><title>a</title><meta charset=utf-8><meta http-equiv=X-UA-Compatible content=IE=9>"), 9);
    EXPECT_EQ(mode("<!-- <meta http-equiv=X-UA-Compatible content=IE=9> -->"), 7);
    EXPECT_EQ(mode("<style></style><meta http-equiv=X-UA-Compatible content=IE=9>"), 7);
    EXPECT_EQ(mode("x<meta http-equiv=X-UA-Compatible content=IE=9>"), 7);
    EXPECT_EQ(mode("<head></head><meta http-equiv=X-UA-Compatible content=IE=9>"), 7);
}

TEST(MarkupTest, ACommentEndsWhereHtml5EndsIt)
{
    auto end = [](const std::string& page, int mode = 7) {
        Comment comment;
        size_t after = ReadComment(page.data(), page.size(), 0, mode, &comment);
        return std::to_string(after) + (comment.live ? " live " : " ") +
               page.substr(comment.textStart, comment.textEnd - comment.textStart);
    };
    EXPECT_EQ(end("<!-->x-->"), "5 ");
    EXPECT_EQ(end("<!--->x-->"), "6 ");
    EXPECT_EQ(end("<!-- a --!>b-->"), "11  a ");
    EXPECT_EQ(end("<!-- a -- > b -->"), "17  a -- > b ");
    EXPECT_EQ(end("<!-- open"), "9  open");
    EXPECT_EQ(end("<!--[if IE]><p><![endif]-->"), "12 live [if IE");
    EXPECT_EQ(end("<!--[if IE]><p><![endif]-->", 11), "27 [if IE]><p><![endif]");
    EXPECT_EQ(end("<!--[if !IE]><p><![endif]-->"), "28 [if !IE]><p><![endif]");
}

}  // namespace

TEST(MarkupTest, ARawTextEndTagIsTheWholeName)
{
    auto end = [](const std::string& page, const char* name) { return TextElementEnd(page.data(), page.size(), 0, name); };
    EXPECT_EQ(end("a</scripts></script>", "script"), 11u);
    EXPECT_EQ(end("a</SCRIPT\n>", "script"), 1u);
    EXPECT_EQ(end("a</script/>", "script"), 1u);
    EXPECT_EQ(end("a</script", "script"), 9u);
    EXPECT_EQ(end("</textareax></textarea>", "textarea"), 12u);
}

TEST(MarkupTest, BogusCommentsEndAtTheFirstGreaterThan)
{
    auto end = [](const std::string& page) { return ReadBogusComment(page.data(), page.size(), 0); };
    EXPECT_EQ(end("<![CDATA[ <b> ]]>"), 13u);
    EXPECT_EQ(end("<!x <b>"), 7u);
    EXPECT_EQ(end("<?xml?>x"), 7u);
    EXPECT_EQ(end("</ b>"), 5u);
    EXPECT_EQ(end("</>x"), 3u);
    EXPECT_EQ(end("<?x"), 3u);
    EXPECT_EQ(end("</b>"), 0u);
    EXPECT_EQ(end("<b>"), 0u);
}

TEST(MarkupTest, ATagNameStartsWithALetter)
{
    TagName name;
    bool closing;
    std::string page = "<OBJECT:x a>";
    EXPECT_EQ(ReadTagName(page.data(), page.size(), 0, &name, &closing), 7u);
    EXPECT_EQ(std::string_view(name), "object");
    page = "<1object>";
    ReadTagName(page.data(), page.size(), 0, &name, &closing);
    EXPECT_EQ(std::string_view(name), "");
    // At most sixteen letters and digits are its name.
    page = "<ABCDEFGHIJKLMNOP>";
    EXPECT_EQ(ReadTagName(page.data(), page.size(), 0, &name, &closing), 17u);
    EXPECT_EQ(std::string_view(name), "abcdefghijklmnop");
    // An end tag whose name goes on past them ends no element of that name.
    page = "</abcdefghijklmnopq>";
    EXPECT_EQ(ReadTagName(page.data(), page.size(), 0, &name, &closing), 18u);
    EXPECT_EQ(std::string_view(name), "abcdefghijklmnop+");
    EXPECT_TRUE(closing);
    page = "</object:x>";
    EXPECT_EQ(ReadTagName(page.data(), page.size(), 0, &name, &closing), 8u);
    EXPECT_EQ(std::string_view(name), "object+");
    page = "</object >";
    ReadTagName(page.data(), page.size(), 0, &name, &closing);
    EXPECT_EQ(std::string_view(name), "object");
}
