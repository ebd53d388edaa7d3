#include "engine/core/ColorCodes.h"

#include <gtest/gtest.h>

TEST(ColorCodes, FormatUsesThreeDigits)
{
    EXPECT_EQ(formatColorCode(5), "^c005");
    EXPECT_EQ(formatColorCode(61), "^c061");
    EXPECT_EQ(formatColorCode(145), "^c145");
    EXPECT_EQ(formatColorCode(0), "^c000");
    char letter = 0;
    int number = -1;
    std::string code = formatColorCode(147);
    ASSERT_TRUE(isColorCodeAt(code, 0, &letter, &number));
    EXPECT_EQ(letter, 'c');
    EXPECT_EQ(number, 147);
}

TEST(ColorCodes, RecognisesTheThreeLetters)
{
    const std::string text = "a^c001b^f006c^l000";
    char letter = 0;
    int number = -1;
    ASSERT_TRUE(isColorCodeAt(text, 1, &letter, &number));
    EXPECT_EQ(letter, 'c');
    EXPECT_EQ(number, 1);
    ASSERT_TRUE(isColorCodeAt(text, 7, &letter, &number));
    EXPECT_EQ(letter, 'f');
    EXPECT_EQ(number, 6);
    ASSERT_TRUE(isColorCodeAt(text, 13, &letter, &number));
    EXPECT_EQ(letter, 'l');
    EXPECT_EQ(number, 0);
    EXPECT_FALSE(isColorCodeAt(text, 0));
    EXPECT_FALSE(isColorCodeAt(text, 2));
    EXPECT_FALSE(isColorCodeAt("^x123", 0));
    EXPECT_FALSE(isColorCodeAt("^C123", 0)); // letters are lower case
    EXPECT_FALSE(isColorCodeAt("c^123", 0));
}

TEST(ColorCodes, RequiresThreeDecimalDigits)
{
    char letter = 'z';
    int number = 42;
    for (const char* text : {"^cab1", "^c1a2", "^c12a", "^c-12", "^c 12", "^c+12", "^c1.5", "^c12\xff"}) {
        EXPECT_FALSE(isColorCodeAt(text, 0, &letter, &number)) << text;
    }
    // Outputs are left alone when there is no code.
    EXPECT_EQ(letter, 'z');
    EXPECT_EQ(number, 42);
    EXPECT_TRUE(isColorCodeAt("^c999", 0, &letter, &number));
    EXPECT_EQ(number, 999);
}

TEST(ColorCodes, NeedsFiveCharactersFromThePosition)
{
    EXPECT_FALSE(isColorCodeAt("^c01", 0));
    EXPECT_FALSE(isColorCodeAt("x^c01", 1));
    EXPECT_TRUE(isColorCodeAt("x^c012", 1));
    EXPECT_FALSE(isColorCodeAt("^c012", 5));
    EXPECT_FALSE(isColorCodeAt("^c012", 100));
    EXPECT_FALSE(isColorCodeAt("", 0));
    // A code may be followed by a NUL byte inside a longer view.
    EXPECT_TRUE(isColorCodeAt(std::string_view("^c012\0", 6), 0));
}

TEST(ColorCodes, StripRemovesOnlyRealCodes)
{
    std::string text = "^c061Gold^c145 and ^f006title^l000 x";
    stripColorCodes(text);
    EXPECT_EQ(text, "Gold and title x");

    std::string fake = "^cab1 and ^c12 and ^^c001^";
    stripColorCodes(fake);
    EXPECT_EQ(fake, "^cab1 and ^c12 and ^^");

    std::string joined = "^c001^c002^c003";
    stripColorCodes(joined);
    EXPECT_EQ(joined, "");

    // A code that appears only after another is removed is not re-formed.
    std::string nested = "^c^c001001";
    stripColorCodes(nested);
    EXPECT_EQ(nested, "^c001");

    EXPECT_EQ(stripColorCodesCopy("plain text"), "plain text");
    EXPECT_EQ(stripColorCodesCopy("^c005warn"), "warn");
}
