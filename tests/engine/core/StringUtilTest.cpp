#include "engine/core/StringUtil.h"

#include <climits>
#include <gtest/gtest.h>

TEST(StringUtil, AppendFormatGrowsFarBeyondTwoKilobytes)
{
    std::string big(10000, 'x');
    std::string out = "head:";
    appendFormat(out, "%s|%d|%s", big.c_str(), 42, big.c_str());
    EXPECT_EQ(out, "head:" + big + "|42|" + big);

    // Appending keeps what is there, also after the target is already long.
    appendFormat(out, "%05d", 7);
    EXPECT_EQ(out.size(), 5 + 10000 + 4 + 10000 + 5);
    EXPECT_EQ(out.substr(out.size() - 5), "00007");

    std::string many;
    for (int i = 0; i < 1000; ++i) {
        appendFormat(many, "%d,", i);
    }
    EXPECT_EQ(many.size(), 10 * 2 + 90 * 3 + 900 * 4);
    EXPECT_EQ(formatString("%s", big.c_str()), big);
    std::string into = "old";
    formatInto(into, "%.3000d", 1);
    EXPECT_EQ(into.size(), 3000u);
}

TEST(StringUtil, FormatThousands)
{
    EXPECT_EQ(formatThousands(0), "0");
    EXPECT_EQ(formatThousands(999), "999");
    EXPECT_EQ(formatThousands(1000), "1,000");
    EXPECT_EQ(formatThousands(-1234567), "-1,234,567");
    EXPECT_EQ(formatThousands(100000), "100,000");
    EXPECT_EQ(formatThousands(INT_MAX), "2,147,483,647");
    EXPECT_EQ(formatThousands(INT_MIN), "-2,147,483,648");
    EXPECT_EQ(formatThousands(LLONG_MIN), "-9,223,372,036,854,775,808");
}

TEST(StringUtil, WordHelpers)
{
    EXPECT_STREQ(pluralSuffix(1), "");
    EXPECT_STREQ(pluralSuffix(0), "s");
    EXPECT_STREQ(pluralSuffix(2), "s");
    EXPECT_STREQ(pluralSuffix(-1), "s");

    EXPECT_STREQ(possessiveSuffix("Boris"), "'");
    EXPECT_STREQ(possessiveSuffix("JAMES"), "'");
    EXPECT_STREQ(possessiveSuffix("Anna"), "'s");
    EXPECT_STREQ(possessiveSuffix(""), "'s");

    EXPECT_STREQ(indefiniteArticle("apple"), "an");
    EXPECT_STREQ(indefiniteArticle("Orc"), "an");
    EXPECT_STREQ(indefiniteArticle("Umbral blade"), "an");
    EXPECT_STREQ(indefiniteArticle("sword"), "a");
    EXPECT_STREQ(indefiniteArticle(""), "a");
}

TEST(StringUtil, OrdinalSuffixByLastDigitOnly)
{
    EXPECT_STREQ(ordinalSuffix(1), "st");
    EXPECT_STREQ(ordinalSuffix(2), "nd");
    EXPECT_STREQ(ordinalSuffix(3), "rd");
    EXPECT_STREQ(ordinalSuffix(4), "th");
    EXPECT_STREQ(ordinalSuffix(10), "th");
    // Callers handle the teens themselves.
    EXPECT_STREQ(ordinalSuffix(11), "st");
    EXPECT_STREQ(ordinalSuffix(12), "nd");
    EXPECT_STREQ(ordinalSuffix(21), "st");
    EXPECT_STREQ(ordinalSuffix(112), "nd");
    EXPECT_STREQ(ordinalSuffix(-3), "rd");
}

TEST(StringUtil, FormatDurationClockStyle)
{
    EXPECT_EQ(formatDuration(65.0f, true, 0.0f), " 1:05");
    EXPECT_EQ(formatDuration(5.9f, true, 0.0f), " 0:05");
    EXPECT_EQ(formatDuration(3600.0f, true, 0.0f), "60:00");
    EXPECT_EQ(formatDuration(-3.0f, true, 0.0f), " 0:00");
}

TEST(StringUtil, FormatDurationInWords)
{
    EXPECT_EQ(formatDuration(1.0f, false, 0.05f), "1 second");
    EXPECT_EQ(formatDuration(0.98f, false, 0.05f), "1 second");
    EXPECT_EQ(formatDuration(0.0f, false, 0.05f), "0 seconds");
    EXPECT_EQ(formatDuration(5.0f, false, 0.05f), "5 seconds");
    EXPECT_EQ(formatDuration(5.5f, false, 0.05f), "5.5 seconds");
    EXPECT_EQ(formatDuration(5.5f, false, 0.5f), "6 seconds");
    EXPECT_EQ(formatDuration(59.9f, false, 0.05f), "59.9 seconds");
    EXPECT_EQ(formatDuration(60.0f, false, 0.05f), "1 minute");
    EXPECT_EQ(formatDuration(90.0f, false, 0.05f), "1.5 minutes");
    EXPECT_EQ(formatDuration(120.0f, false, 0.05f), "2 minutes");
    EXPECT_EQ(formatTimeLeft(121.0f), "2 minutes");
    EXPECT_EQ(formatTimeLeft(126.0f), "2.1 minutes");
}

TEST(StringUtil, FormatDurationDaysAndMilliseconds)
{
    EXPECT_EQ(formatDuration(0, 0), "0m ");
    EXPECT_EQ(formatDuration(0, 59999), "0m ");
    EXPECT_EQ(formatDuration(0, 3723000), "1h 2m ");
    EXPECT_EQ(formatDuration(2, 60000), "2d 0h 1m ");
    // Milliseconds beyond a day carry into the days.
    EXPECT_EQ(formatDuration(1, 86400000 + 7200000), "2d 2h 0m ");
    EXPECT_EQ(formatDuration(0, -5), "0m ");
}

TEST(StringUtil, Latin1AndUtf8)
{
    EXPECT_EQ(latin1ToUtf8("Caf\xE9 \xA9 plain"), "Caf\xC3\xA9 \xC2\xA9 plain");
    EXPECT_EQ(latin1ToUtf8(std::string("\xFF\x80\0x", 4)), std::string("\xC3\xBF\xC2\x80\0x", 6));
    EXPECT_EQ(utf8ToLatin1("Caf\xC3\xA9 \xC2\xA9"), "Caf\xE9 \xA9");
    // Beyond Latin-1, overlong forms and broken or cut sequences: '?'.
    EXPECT_EQ(utf8ToLatin1("\xE2\x82\xAC" "5"), "?5");     // the euro sign
    EXPECT_EQ(utf8ToLatin1("\xF0\x9F\x98\x80!"), "?!"); // an emoji
    EXPECT_EQ(utf8ToLatin1("\xC1\x81"), "?");           // overlong 'A'
    EXPECT_EQ(utf8ToLatin1("a\xC3"), "a?");             // cut short
    EXPECT_EQ(utf8ToLatin1("\x80\xBFz"), "??z");        // stray continuation bytes
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(utf8ToLatin1(latin1ToUtf8(all)), all);
}

TEST(StringUtil, TextEditing)
{
    std::string s = "line1\\nline2\\n\\";
    unescapeNewlines(s);
    EXPECT_EQ(s, "line1\nline2\n\\");

    EXPECT_EQ(stripTextKeyMarkers("$$Key$$ text $$$"), "Key text $");

    std::string r = "aaa";
    replaceAll(r, "aa", "b");
    EXPECT_EQ(r, "ba");
    r = "x.y.z";
    replaceAll(r, ".", "..");
    EXPECT_EQ(r, "x..y..z");
    replaceAll(r, "", "q");
    EXPECT_EQ(r, "x..y..z");
    replaceAll(r, "missing", "q");
    EXPECT_EQ(r, "x..y..z");

    // Only the ends lose blanks, tabs and CRs; inner ones and line feeds stay.
    EXPECT_EQ(trimBlanks(" \t a b \r"), "a b");
    EXPECT_EQ(trimBlanks("\nkey\n"), "\nkey\n");
    EXPECT_EQ(trimBlanks(" \t\r "), "");
    EXPECT_EQ(trimBlanks(""), "");
}

TEST(StringUtil, ListSearchAndHash)
{
    std::vector<std::string> list{"Alpha", "beta", "alpha", "beta"};
    EXPECT_EQ(findStringInList(list, "beta"), 1);
    EXPECT_EQ(findStringInList(list, "alpha"), 2);
    EXPECT_EQ(findStringInList(list, "ALPHA"), -1);
    EXPECT_EQ(findStringInList({}, "x"), -1);

    EXPECT_EQ(hashString(""), 0);
    EXPECT_EQ(hashString("ab"), 97 + 98);
    EXPECT_NE(hashString("A"), hashString("a"));
    EXPECT_EQ(hashString("\xE9"), -23); // signed bytes
    EXPECT_EQ(hashString("a\xFF"), 96);
}

TEST(StringUtil, NumbersFromTextSaturateAndStayFinite)
{
    EXPECT_EQ(textToInt("42abc"), 42);
    EXPECT_EQ(textToInt(" -7"), -7);
    EXPECT_EQ(textToInt("x"), 0);
    EXPECT_EQ(textToInt("4294967297"), INT_MAX);
    EXPECT_EQ(textToInt("-99999999999999999999"), INT_MIN);
    EXPECT_FLOAT_EQ(textToFloat("2.5"), 2.5f);
    EXPECT_EQ(textToFloat("nan"), 0.0f);
    EXPECT_EQ(textToFloat("-inf"), 0.0f);
    EXPECT_EQ(textToFloat("1e39"), 0.0f);
}
