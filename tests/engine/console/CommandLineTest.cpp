#include "engine/console/CommandLine.h"
#include "engine/console/CommandRecord.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::string> split(std::string_view line, bool comments = false)
{
    std::vector<std::string> out;
    splitCommandLine(line, out, comments);
    return out;
}

CommandRecord withTypes(const std::string& types)
{
    CommandRecord rec;
    rec.name = "test";
    rec.argTypes = types;
    return rec;
}
} // namespace

TEST(CommandLineTest, SplitsOnBlanksAndKeepsQuotedWordsWhole)
{
    EXPECT_EQ(split("useSkill 1 2\t3   4"), (std::vector<std::string>{"useSkill", "1", "2", "3", "4"}));
    EXPECT_EQ(split("msg 2 \"You found a chest\""),
              (std::vector<std::string>{"msg", "2", "You found a chest"}));
    EXPECT_EQ(split("  \t \r\n"), std::vector<std::string>{});
    // An empty quoted word is still a word.
    EXPECT_EQ(split("set name \"\""), (std::vector<std::string>{"set", "name", ""}));
    // A quote inside a word starts a new quoted word.
    EXPECT_EQ(split("a\"b c\"d"), (std::vector<std::string>{"a", "b c", "d"}));
}

TEST(CommandLineTest, UnterminatedQuoteRunsToTheEnd)
{
    EXPECT_EQ(split("msg 1 \"half open text"), (std::vector<std::string>{"msg", "1", "half open text"}));
    EXPECT_EQ(split("msg \""), (std::vector<std::string>{"msg", ""}));
}

TEST(CommandLineTest, CommentsOnlyWhenAskedAndOnlyAtAWordStart)
{
    EXPECT_EQ(split("name value // note", true), (std::vector<std::string>{"name", "value"}));
    EXPECT_EQ(split("// whole line", true), std::vector<std::string>{});
    EXPECT_EQ(split("url http://x \"//quoted\"", true),
              (std::vector<std::string>{"url", "http://x", "//quoted"}));
    EXPECT_EQ(split("echo // not a comment"),
              (std::vector<std::string>{"echo", "//", "not", "a", "comment"}));
}

TEST(CommandLineTest, QuotedWordsSplitBackToTheSameText)
{
    for (std::string word : {"plain", "two words", "", "tab\there", "//slashes"}) {
        std::string line = "cmd " + quoteCommandWord(word) + " tail";
        EXPECT_EQ(split(line, true), (std::vector<std::string>{"cmd", word, "tail"})) << line;
    }
    // Double quotes and line breaks cannot be carried and are dropped.
    EXPECT_EQ(quoteCommandWord("say \"hi\"\nnow"), "\"say hi now\"");
    EXPECT_EQ(quoteCommandWord("\"\""), "\"\"");
}

TEST(CommandLineTest, IntegerArgumentsMustBeWholeDecimalNumbers)
{
    CommandRecord rec = withTypes("i");
    for (const char* good : {"0", "-12", "+7", "2147483647", "-2147483648"}) {
        EXPECT_EQ(rec.checkArguments({good}), "") << good;
    }
    for (const char* bad : {"12x", "1.5", "", " 3", "0x10", "2147483648", "abc"}) {
        EXPECT_NE(rec.checkArguments({bad}), "") << bad;
    }
}

TEST(CommandLineTest, FloatAndBooleanArguments)
{
    CommandRecord f = withTypes("f");
    for (const char* good : {"1.5", "-2", "1e3", ".5"}) {
        EXPECT_EQ(f.checkArguments({good}), "") << good;
    }
    for (const char* bad : {"abc", "1.5.2", "nan", "inf", "", "1e39", "-1e300"}) {
        EXPECT_NE(f.checkArguments({bad}), "") << bad;
    }
    CommandRecord b = withTypes("b");
    for (const char* good : {"0", "1", "true", "FALSE"}) {
        EXPECT_EQ(b.checkArguments({good}), "") << good;
    }
    for (const char* bad : {"2", "yes", "-1"}) {
        EXPECT_NE(b.checkArguments({bad}), "") << bad;
    }
}

TEST(CommandLineTest, ArgumentCountFollowsRequiredAndOptionalLetters)
{
    CommandRecord rec = withTypes("siFS");
    EXPECT_EQ(rec.requiredArgCount(), 2u);
    EXPECT_EQ(rec.maxArgCount(), 4u);
    EXPECT_NE(rec.checkArguments({"a"}), "");
    EXPECT_EQ(rec.checkArguments({"a", "1"}), "");
    EXPECT_EQ(rec.checkArguments({"a", "1", "2.5", "x"}), "");
    EXPECT_NE(rec.checkArguments({"a", "1", "2.5", "x", "extra"}), "");
    // Optional arguments are type-checked when given.
    EXPECT_NE(rec.checkArguments({"a", "1", "notafloat"}), "");
    // "d" is counted, not checked.
    CommandRecord d = withTypes("dd");
    EXPECT_EQ(d.checkArguments({"anything", "goes"}), "");
    EXPECT_NE(d.checkArguments({"one"}), "");
}
