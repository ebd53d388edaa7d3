#include "engine/core/TextReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<std::string> allTokens(TextReader& r)
{
    std::vector<std::string> out;
    std::string t;
    while (r.readToken(t, true)) {
        out.push_back(t);
    }
    return out;
}

std::vector<std::string> allTokens(std::string_view text)
{
    TextReader r(text, "test.txt");
    return allTokens(r);
}

using Tokens = std::vector<std::string>;

} // namespace

TEST(TextReader, BlanksTabsAndComments)
{
    EXPECT_EQ(allTokens("a b\t c // comment x y\n/* block\n z */ d"), (Tokens{"a", "b", "c", "d"}));
    EXPECT_EQ(allTokens("10//note\nx/*c*/y"), (Tokens{"10", "x", "y"}));
    EXPECT_EQ(allTokens("path/to/file a/b"), (Tokens{"path/to/file", "a/b"}));
    EXPECT_EQ(allTokens("a /* never closed\n b c"), (Tokens{"a"}));
    EXPECT_EQ(allTokens(""), Tokens{});
    EXPECT_EQ(allTokens("  \n\t\r\n // only a comment"), Tokens{});
}

TEST(TextReader, QuotedTokens)
{
    EXPECT_EQ(allTokens("\"hello world\" x \"\""), (Tokens{"hello world", "x", ""}));
    EXPECT_EQ(allTokens("\"a // b /* c\" d"), (Tokens{"a // b /* c", "d"}));
    // An unterminated quote runs to the end of its line, without the CR.
    EXPECT_EQ(allTokens("\"abc def\nnext"), (Tokens{"abc def", "next"}));
    EXPECT_EQ(allTokens("\"abc def\r\nnext"), (Tokens{"abc def", "next"}));
    EXPECT_EQ(allTokens("\"open"), (Tokens{"open"}));
}

TEST(TextReader, QuoteFlagsOfTheLastToken)
{
    TextReader r("\"closed\" bare \"\" \"open\r\nnext", "q.txt");
    std::string t;
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_TRUE(r.lastTokenQuoted());
    EXPECT_FALSE(r.lastQuoteUnclosed());
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_FALSE(r.lastTokenQuoted());
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "");
    EXPECT_TRUE(r.lastTokenQuoted()); // an empty quoted token is still quoted
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "open");
    EXPECT_TRUE(r.lastTokenQuoted());
    EXPECT_TRUE(r.lastQuoteUnclosed());
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "next");
    EXPECT_FALSE(r.lastQuoteUnclosed());
    EXPECT_FALSE(r.readToken(t, true)); // a failed read clears the flags
    EXPECT_FALSE(r.lastTokenQuoted());
}

TEST(TextReader, BraceTokensOnlyWhenAsked)
{
    const char* text = "anim{ x }y \"{q}\" a{b}c // {comment}\n}";
    EXPECT_EQ(allTokens(text), (Tokens{"anim{", "x", "}y", "{q}", "a{b}c", "}"}));

    TextReader r(text, "braces.txt");
    r.setBraceTokens(true);
    EXPECT_EQ(allTokens(r), (Tokens{"anim", "{", "x", "}", "y", "{q}", "a", "{", "b", "}", "c", "}"}));
    EXPECT_EQ(r.getLine(), 2);

    // A brace is a token of its own on the current line: the line rule holds.
    TextReader line("key{\n}", "line.txt");
    line.setBraceTokens(true);
    std::string t;
    ASSERT_TRUE(line.readToken(t, true));
    ASSERT_TRUE(line.readToken(t, false));
    EXPECT_EQ(t, "{");
    EXPECT_FALSE(line.readToken(t, false));
    ASSERT_TRUE(line.readToken(t, true));
    EXPECT_EQ(t, "}");
    EXPECT_FALSE(line.lastTokenQuoted());
}

TEST(TextReader, TokenViewsMatchCopiedTokens)
{
    // Quoted, unclosed on a CR LF line, braces, comments, line ends and the
    // old terminator: a view reader reading the text in place sees what the
    // copying reader sees, flags and lines too, and its views lie in the text.
    const std::string_view text = "a{b} \"q q\" // c\r\n  /* x\n */ x\"y \"open\r\n}\xFF";
    for (bool braces : {false, true}) {
        TextReader copying(text, "copy.txt");
        TextReader viewing(TextReader::InPlace{}, text, "view.txt");
        copying.setBraceTokens(braces);
        viewing.setBraceTokens(braces);
        std::string copied;
        std::string_view viewed;
        for (int i = 0; i < 20; ++i) {
            bool cross = i % 3 != 1;
            bool a = copying.readToken(copied, cross);
            bool b = viewing.readTokenView(viewed, cross);
            ASSERT_EQ(a, b) << "token " << i;
            EXPECT_EQ(copied, viewed) << "token " << i;
            if (b) {
                EXPECT_TRUE(viewed.data() >= text.data() &&
                            viewed.data() + viewed.size() < text.data() + text.size())
                    << "token " << i;
            }
            EXPECT_EQ(copying.lastTokenQuoted(), viewing.lastTokenQuoted());
            EXPECT_EQ(copying.getLine(), viewing.getLine());
            if (!a && copying.atEnd()) {
                break;
            }
        }
        EXPECT_TRUE(viewing.atEnd());
    }
}

TEST(TextReader, CrLfAndLfBothEndLines)
{
    TextReader r("key 1\r\nother 2.5\nlast\r\n", "crlf.txt");
    std::string t;
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "key");
    EXPECT_EQ(r.getInt(), 1);
    EXPECT_EQ(r.getInt(), 0); // the CR is not a value
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "other");
    EXPECT_EQ(r.getLine(), 2);
    EXPECT_FLOAT_EQ(r.getFloat(), 2.5f);
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "last");
    EXPECT_EQ(r.getLine(), 3);
    EXPECT_FALSE(r.readToken(t, true));
}

TEST(TextReader, GettersNeverCrossALineBreak)
{
    TextReader r("size 4\nname \"x y\"\ncount\n7\n", "lines.txt");
    std::string t;
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(r.getInt(), 4);
    Vec2 v = r.getVec2();
    EXPECT_EQ(v, Vec2());
    EXPECT_FALSE(r.readToken(t, false));
    EXPECT_TRUE(t.empty());
    EXPECT_FALSE(r.getBool());
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "name");
    std::string s = "unchanged";
    ASSERT_TRUE(r.readString(s));
    EXPECT_EQ(s, "x y");
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "count");
    // The value is on the next line: line-bound readers fail and leave the target.
    int n = 99;
    EXPECT_FALSE(r.readInt(n));
    EXPECT_EQ(n, 99);
    s = "kept";
    EXPECT_FALSE(r.readString(s));
    EXPECT_EQ(s, "kept");
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "7");
    EXPECT_EQ(r.getLine(), 4);
}

TEST(TextReader, BlockCommentOverALineBreakEndsTheLine)
{
    TextReader r("key /* spans\n two lines */ 5\nnext /* short */ 6", "block.txt");
    std::string t;
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(r.getInt(), 0);
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "5");
    EXPECT_EQ(r.getLine(), 2);
    ASSERT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "next");
    EXPECT_EQ(r.getInt(), 6);
    EXPECT_EQ(r.getLine(), 3);
}

TEST(TextReader, ValueConversions)
{
    TextReader r("12abc -7 99999999999 x 1.5e2 nan 2 0 abc", "values.txt");
    EXPECT_EQ(r.getInt(), 12);
    EXPECT_EQ(r.getInt(), -7);
    EXPECT_EQ(r.getInt(), 2147483647);
    EXPECT_EQ(r.getInt(), 0);
    EXPECT_FLOAT_EQ(r.getFloat(), 150.0f);
    EXPECT_EQ(r.getFloat(), 0.0f); // not-a-number is refused
    EXPECT_TRUE(r.getBool());
    EXPECT_FALSE(r.getBool());
    bool b = true;
    EXPECT_TRUE(r.readBool(b));
    EXPECT_FALSE(b);
    float f = 3.0f;
    EXPECT_FALSE(r.readFloat(f));
    EXPECT_EQ(f, 3.0f);
    EXPECT_TRUE(r.atEnd());
}

TEST(TextReader, GetVec2ReadsTwoValuesOnTheLine)
{
    TextReader r("pos 1.5 -2\npos 3\n", "vec.txt");
    std::string t;
    r.readToken(t, true);
    EXPECT_EQ(r.getVec2(), Vec2(1.5f, -2.0f));
    r.readToken(t, true);
    EXPECT_EQ(r.getVec2(), Vec2(3.0f, 0.0f));
}

TEST(TextReader, ExpectConsumesEitherWay)
{
    TextReader r("{\n  a\n}", "expect.txt");
    EXPECT_TRUE(r.expect("{"));
    EXPECT_FALSE(r.expect("}"));
    EXPECT_TRUE(r.expect("}"));
    EXPECT_FALSE(r.expect("}"));
}

TEST(TextReader, AtEndDoesNotMoveTheCursor)
{
    TextReader r("a\n\n  b", "end.txt");
    std::string t;
    r.readToken(t, true);
    EXPECT_FALSE(r.atEnd());
    EXPECT_EQ(r.getLine(), 1);
    EXPECT_FALSE(r.readToken(t, false)); // b is two lines down
    EXPECT_TRUE(r.readToken(t, true));
    EXPECT_EQ(t, "b");
    EXPECT_TRUE(r.atEnd());
}

TEST(TextReader, ReportNamesFileAndLine)
{
    LogCapture log;
    TextReader r("one\ntwo\nbad 5\n", "menus/main.txt");
    std::string t;
    while (r.readToken(t, true) && t != "bad") {
    }
    r.report(3, "Unknown menu parm %s", t.c_str());
    EXPECT_TRUE(log.contains("menus/main.txt:3: Unknown menu parm bad\n", 3));
    EXPECT_EQ(r.location(), "menus/main.txt:3");
}

TEST(TextReader, TrailingFFIsATerminator)
{
    LogCapture log;
    EXPECT_EQ(allTokens("a b\xFF"), (Tokens{"a", "b"}));
    EXPECT_EQ(log.count(2), 0u);
}

TEST(TextReader, FFInsideTheTextDoesNotEndIt)
{
    LogCapture log;
    TextReader r("name caf\xFF\nrest 1\n", "font.txt");
    EXPECT_EQ(allTokens(r), (Tokens{"name", "caf\xFF", "rest", "1"}));
    EXPECT_TRUE(log.contains("font.txt:1:", 2));

    log.clear();
    TextReader s("\xFF\xFF", "two.txt");
    EXPECT_EQ(allTokens(s), (Tokens{"\xFF"}));
    EXPECT_TRUE(log.contains("two.txt:1:", 2));
}

TEST(TextReader, ZeroBytesAreBlanks)
{
    EXPECT_EQ(allTokens(std::string_view("a\0b\0", 4)), (Tokens{"a", "b"}));
}
