#include "engine/core/Color.h"
#include "engine/core/ColorSystem.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

TEST(ColorSystem, FixedEntriesOfTheTable)
{
    EXPECT_EQ(ColorSystem::getColor(0), Color(1, 1, 1));
    EXPECT_EQ(ColorSystem::getColor(1), Color(1, 0.45f, 0.45f));
    EXPECT_EQ(ColorSystem::getColor(2), Color(0, 1, 0));
    EXPECT_EQ(ColorSystem::getColor(4), Color(0.502f, 0.502f, 0.502f));
    EXPECT_EQ(ColorSystem::getColor(ColorType::Black), Color(0, 0, 0)); // text shadow

    const std::pair<int, const char*> named[] = {
        {1, "Red"},    {2, "Green"},         {4, "Grey"},     {5, "Yellow"},    {6, "Orange"},
        {7, "Purple"}, {8, "Cyan"},          {26, "Copper"},  {32, "DarkCyan"}, {35, "DarkGrey"},
        {61, "Gold"},  {95, "MediumPurple"}, {128, "Silver"}, {145, "Pop"},     {147, "LightPurple"},
    };
    for (auto [index, name] : named) {
        EXPECT_STREQ(kColorTypeNames[index], name);
        EXPECT_STREQ(ColorSystem::getName(index), name);
    }
    EXPECT_EQ(static_cast<int>(ColorType::Gold), 61);
    EXPECT_EQ(static_cast<int>(ColorType::Pop), 145);
    EXPECT_EQ(static_cast<int>(ColorType::Dimmed), 148);
}

TEST(ColorSystem, OutOfRangeGivesColourZero)
{
    EXPECT_EQ(ColorSystem::getColor(-1), ColorSystem::getColor(0));
    EXPECT_EQ(ColorSystem::getColor(149), ColorSystem::getColor(0));
    EXPECT_EQ(ColorSystem::getColor(1000000), ColorSystem::getColor(0));
    EXPECT_NE(ColorSystem::getColor(148), ColorSystem::getColor(0));
    EXPECT_STREQ(ColorSystem::getName(149), "");
}

TEST(ColorSystem, NamesAreUniqueAndChannelsInRange)
{
    std::set<std::string> seen;
    for (int i = 0; i < kColorCount; ++i) {
        std::string name = kColorTypeNames[i];
        ASSERT_FALSE(name.empty()) << i;
        for (char c : name) {
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << name; // one token in data files
        }
        EXPECT_TRUE(seen.insert(toLowerCopy(name)).second) << name;
        Color c = ColorSystem::getColor(i);
        for (float v : {c.r, c.g, c.b}) {
            EXPECT_GE(v, 0.0f) << name;
            EXPECT_LE(v, 1.0f) << name;
        }
        EXPECT_EQ(c.a, 1.0f);
        // Every name finds its own index.
        EXPECT_EQ(parseColorType(name), i);
    }
}

TEST(ColorSystem, ParseColorType)
{
    LogCapture capture;
    EXPECT_EQ(parseColorType("gold"), 61);
    EXPECT_EQ(parseColorType("DARKCYAN"), 32);
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_EQ(parseColorType("Chartreux"), 0);
    EXPECT_EQ(parseColorType("", 5), 5);
    EXPECT_EQ(parseColorType("Gold "), 0); // no trimming: a name is one token
    EXPECT_TRUE(capture.contains("Unknown ColorType name Chartreux", 3));
    EXPECT_EQ(capture.count(3), 3u);
}

TEST(ColorSystem, ParseColorNamesAndComponents)
{
    LogCapture capture;
    EXPECT_EQ(parseColor("red"), ColorSystem::getColor(1));
    EXPECT_EQ(parseColor("Copper"), ColorSystem::getColor(26));
    EXPECT_EQ(parseColor("0.5,0.25,1"), Color(0.5f, 0.25f, 1.0f, 1.0f));
    EXPECT_EQ(parseColor("1,0,0,0.5"), Color(1, 0, 0, 0.5f));
    EXPECT_EQ(parseColor("0,.5,1e-1"), Color(0, 0.5f, 0.1f));
    // Components are clamped to 0..1.
    EXPECT_EQ(parseColor("2,-1,0.5,7"), Color(1, 0, 0.5f, 1));
    // Empty: colour 0, silently.
    EXPECT_EQ(parseColor(""), ColorSystem::getColor(0));
    EXPECT_TRUE(capture.lines().empty());
}

TEST(ColorSystem, MalformedColoursGiveColourZeroAndALogLine)
{
    LogCapture capture;
    const char* bad[] = {"1,0",    "1,0,0,0,0",   "1,,0",   "a,b,c",   "1,0,0,",
                         ",1,0,0", "0.5 0.5 0.5", "1,0,0x", "nan,0,0", "Nowhere"};
    for (const char* text : bad) {
        capture.clear();
        EXPECT_EQ(parseColor(text), ColorSystem::getColor(0)) << text;
        EXPECT_TRUE(capture.contains(std::string("Unknown colour ") + text, 2)) << text;
    }
}

TEST(Color, ToRGBA8RoundsAndClamps)
{
    using Bytes = std::array<uint8_t, 4>;
    EXPECT_EQ(Color::toRGBA8(0, 1, 0.5f, 0.25f), (Bytes{0, 255, 128, 64}));
    EXPECT_EQ(Color::toRGBA8(1.0f / 255.0f, 0.499f / 255.0f, 0.51f / 255.0f, 254.6f / 255.0f),
              (Bytes{1, 0, 1, 255}));
    // Outside 0..1 is limited at both ends; NaN counts as 0.
    EXPECT_EQ(Color::toRGBA8(2.0f, -1.0f, 1e30f, -1e30f), (Bytes{255, 0, 255, 0}));
    EXPECT_EQ(Color::toRGBA8(std::nanf(""), 1, 1, 1), (Bytes{0, 255, 255, 255}));
    EXPECT_EQ(Color::toRGBA8(Color(1, 0, 0)), (Bytes{255, 0, 0, 255}));
}

TEST(Color, LimitBrightnessDividesByTheLargestChannel)
{
    Color bright(2.0f, 1.0f, 0.5f, 0.3f);
    Color::limitBrightness(bright);
    EXPECT_EQ(bright, Color(1.0f, 0.5f, 0.25f, 0.3f)); // alpha untouched
    Color dim(0.9f, 0.5f, 0.0f);
    Color::limitBrightness(dim);
    EXPECT_EQ(dim, Color(0.9f, 0.5f, 0.0f));
    Color blue(0.2f, 0.4f, 4.0f);
    Color::limitBrightness(blue);
    EXPECT_FLOAT_EQ(blue.r, 0.05f);
    EXPECT_FLOAT_EQ(blue.g, 0.1f);
    EXPECT_FLOAT_EQ(blue.b, 1.0f);
    Color black(0, 0, 0);
    Color::limitBrightness(black);
    EXPECT_EQ(black, Color(0, 0, 0));
}

TEST(Color, HexStringIsZeroPadded)
{
    EXPECT_EQ(Color::toHexString(1, 0, 0), "#ff0000");
    EXPECT_EQ(Color::toHexString(0, 0, 0), "#000000");
    // 5.1, 10.2 and 15.3 round to single hex digits that must keep their zero.
    EXPECT_EQ(Color::toHexString(0.02f, 0.04f, 0.06f), "#050a0f");
    EXPECT_EQ(Color::toHexString(0.75f, 0.75f, 0.0f), "#bfbf00");
    EXPECT_EQ(Color::toHexString(3.0f, -2.0f, 0.502f), "#ff0080");
    for (int i = 0; i < kColorCount; ++i) {
        Color c = ColorSystem::getColor(i);
        std::string hex = Color::toHexString(c.r, c.g, c.b);
        ASSERT_EQ(hex.size(), 7u) << i;
        EXPECT_EQ(hex.find_first_not_of("0123456789abcdef", 1), std::string::npos) << hex;
    }
}

TEST(ColorSystem, DocumentedTableMatchesTheCode)
{
    std::ifstream in(std::string(GLOAM_SOURCE_DIR) + "/docs/formats.md");
    ASSERT_TRUE(in.good());
    std::string line;
    bool inSection = false;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## Colour table";
            continue;
        }
        int index = -1;
        char name[64] = {0};
        float r = 0, g = 0, b = 0;
        if (!inSection ||
            std::sscanf(line.c_str(), "| %d | %63s | %f | %f | %f |", &index, name, &r, &g, &b) != 5) {
            continue;
        }
        ASSERT_EQ(index, rows) << line;
        EXPECT_STREQ(ColorSystem::getName(index), name);
        EXPECT_EQ(ColorSystem::getColor(index), Color(r, g, b)) << line;
        ++rows;
    }
    EXPECT_EQ(rows, kColorCount);
}
