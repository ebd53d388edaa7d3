#include "graphics/text/TextLayout.h"

#include "engine/core/ColorSystem.h"
#include "graphics/text/FontResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// 'A' 7 × 10, 'B' 5 × 12, an empty line 9 high, a space 3 wide; `scale`
// makes the same font at a higher resolution.
std::unique_ptr<FontResource> handFont(int scale = 1)
{
    auto font = std::make_unique<FontResource>();
    FontResource& f = *font;
    f.charIndexes['A'] = 65;
    f.charIndexes['B'] = 66;
    f.charIndexes['C'] = 67;
    f.charIndexes[' '] = 32;
    f.glyphs[0] = {0, 0, 0, 0, 0, 9 * scale};
    f.glyphs[32] = {0, 0, 0, 0, 3 * scale, 10 * scale};
    f.glyphs[65] = {0.1f * scale, 0.2f, 0.3f, 0.4f, 7 * scale, 10 * scale};
    f.glyphs[66] = {0.5f, 0.2f, 0.6f, 0.4f, 5 * scale, 12 * scale};
    f.glyphs[67] = {0.7f, 0.2f, 0.8f, 0.4f, 4 * scale, 10 * scale};
    return font;
}

TextLayout::Result measure(const std::string& text, float spacing = 2.0f)
{
    static const auto font = handFont();
    TextLayout::Style style;
    style.lineSpacing = spacing;
    return TextLayout::walk(TextLayout::prepare(text), font.get(), font.get(), style);
}

TextLayout::Result draw(const std::string& text, bool shadow = false)
{
    static const auto font = handFont();
    TextLayout::Style style;
    style.drawing = true;
    style.shadow = shadow;
    style.colour[0] = 0.25f;
    style.colour[1] = 0.5f;
    style.colour[2] = 0.75f;
    return TextLayout::walk(TextLayout::prepare(text), font.get(), font.get(), style);
}

void expectColour(const TextLayout::Quad& q, const Color& c)
{
    EXPECT_FLOAT_EQ(q.colour[0], c.r);
    EXPECT_FLOAT_EQ(q.colour[1], c.g);
    EXPECT_FLOAT_EQ(q.colour[2], c.b);
}

TEST(FontFileTest, ReadsTheTablesAndTurnsIndexesOutsideTheTableIntoNone)
{
    LogCapture log;
    std::string text = "size 12\ncharIndexes\n{\n";
    for (int b = 0; b < 256; ++b) {
        text += b == 'A' ? "65 " : b == 'B' ? "300 " : b == 'C' ? "-7 " : b == 'D' ? "x " : "-1 ";
    }
    text += "\n}\ncharData\n{\n";
    for (int g = 0; g < 256; ++g) {
        text += g == 65 ? "0.25 0.5 0.75 1.0 7 12\n" : "-1 -1 -1 -1 -1 -1\n";
    }
    text += "}\n";
    auto font = FontResource::parse("fonts/test.fnt", reinterpret_cast<const uint8_t*>(text.data()),
                                    text.size(), false);
    EXPECT_EQ(font->name, "test");
    EXPECT_EQ(font->size, 12);
    EXPECT_EQ(font->charIndexes['A'], 65);
    EXPECT_EQ(font->charIndexes['B'], -1);
    EXPECT_EQ(font->charIndexes['C'], -1);
    EXPECT_EQ(font->charIndexes['D'], 0); // not a number reads 0
    EXPECT_TRUE(log.contains("fonts/test.fnt:4: glyph index 300 of byte 66"));
    EXPECT_TRUE(log.contains("glyph index -7 of byte 67"));
    EXPECT_FLOAT_EQ(font->glyphs[65].right, 0.75f);
    EXPECT_EQ(font->glyphs[65].height, 12);
    EXPECT_FALSE(font->texture.isValid());

    // A misspelt keyword stops the reading: the glyphs keep -1.
    std::string broken = "size 10\ncharIndices { 1 2 3 }";
    auto partial =
        FontResource::parse("b.fnt", reinterpret_cast<const uint8_t*>(broken.data()), broken.size(), false);
    EXPECT_EQ(partial->size, 10);
    EXPECT_EQ(partial->charIndexes['A'], -1);
    EXPECT_EQ(partial->glyphs[1].width, -1);
}

TEST(TextLayoutTest, LinesTabsAndBytesWithoutGlyphs)
{
    // Real and written line feeds alike: the wider glyph + 1, two lines.
    for (const std::string text : {"A\nB", "A\\nB"}) {
        TextLayout::Result r = measure(text);
        EXPECT_FLOAT_EQ(r.width, 8.0f) << text;
        EXPECT_FLOAT_EQ(r.height, 2.0f + 10.0f + 2.0f + 12.0f) << text;
    }
    // A last empty line adds nothing; an empty line reads record 0.
    EXPECT_FLOAT_EQ(measure("A\n").height, 12.0f);
    EXPECT_FLOAT_EQ(measure("\nA").height, 2.0f + 9.0f + 2.0f + 10.0f);
    // A byte without a glyph takes no room; a tab is five spaces and a pixel.
    EXPECT_FLOAT_EQ(measure("AZA\xff").width, 16.0f);
    EXPECT_FLOAT_EQ(measure("\tA").width, 3.0f * 5 + 1 + 8);
    // Codes take no room.
    EXPECT_FLOAT_EQ(measure("^c003A^l000^c004B").width, 14.0f);
    EXPECT_FLOAT_EQ(measure("").width, 0.0f);
}

TEST(TextLayoutTest, AHigherResolutionSiblingKeepsTheRequestedMetrics)
{
    const auto small = handFont(), large = handFont(2);
    TextLayout::Style style;
    style.drawing = true;
    style.x = 100;
    style.y = 50;
    TextLayout::Result r = TextLayout::walk("AB", small.get(), large.get(), style);
    ASSERT_EQ(r.runs.size(), 1u);
    EXPECT_EQ(r.runs[0].drawing, large.get());
    ASSERT_EQ(r.runs[0].quads.size(), 2u);
    const TextLayout::Quad& a = r.runs[0].quads[0];
    EXPECT_FLOAT_EQ(a.x0, 100.0f);
    EXPECT_FLOAT_EQ(a.x1, 107.0f);
    EXPECT_FLOAT_EQ(a.y1, 60.0f);
    // The large font's texture rectangle, the vertical counted from below.
    EXPECT_FLOAT_EQ(a.uv[0], 0.2f);
    EXPECT_FLOAT_EQ(a.uv[1], 0.8f);
    EXPECT_FLOAT_EQ(a.uv[3], 0.6f);
    EXPECT_FLOAT_EQ(r.runs[0].quads[1].x0, 108.0f);
    TextLayout::Style plain;
    EXPECT_FLOAT_EQ(TextLayout::walk("AB", small.get(), large.get(), plain).width, 14.0f);
    // A drawing glyph without height draws nothing wide.
    auto flat = handFont();
    flat->glyphs[65].height = 0;
    EXPECT_FLOAT_EQ(TextLayout::drawnWidth(*small, *flat, 65), 0.0f);
}

TEST(TextLayoutTest, ColourCodesLockAndShadow)
{
    const Color given(0.25f, 0.5f, 0.75f);
    // c003, c007, c145: back to colour 3.
    TextLayout::Result r = draw("^c003A^c007B^c145C");
    ASSERT_EQ(r.runs[0].quads.size(), 3u);
    expectColour(r.runs[0].quads[0], ColorSystem::getColor(3));
    expectColour(r.runs[0].quads[1], ColorSystem::getColor(7));
    expectColour(r.runs[0].quads[2], ColorSystem::getColor(3));
    // c145 with nothing saved: the caller's colour.
    expectColour(draw("^c005A^c145^c145B").runs[0].quads[1], given);
    expectColour(draw("^c145A").runs[0].quads[0], given);
    // Outside the table: colour 0.
    expectColour(draw("^c999A").runs[0].quads[0], ColorSystem::getColor(0));
    // After a lock, later codes are eaten and change nothing.
    TextLayout::Result locked = draw("^l000A^c005B");
    ASSERT_EQ(locked.runs[0].quads.size(), 2u);
    expectColour(locked.runs[0].quads[1], given);
    // With a shadow every glyph is drawn twice, the shadow first, one
    // pixel right and down, in colour 10.
    TextLayout::Result shadowed = draw("AB", true);
    ASSERT_EQ(shadowed.runs[0].quads.size(), 4u);
    const TextLayout::Quad& s = shadowed.runs[0].quads[0];
    const TextLayout::Quad& g = shadowed.runs[0].quads[1];
    EXPECT_FLOAT_EQ(s.x0, g.x0 + 1);
    EXPECT_FLOAT_EQ(s.y1, g.y1 + 1);
    expectColour(s, ColorSystem::getColor(10));
    expectColour(g, given);
}

TEST(TextLayoutTest, AFontCodeSwitchesFontsAndStopsAtOneWithoutTexture)
{
    const auto small = handFont(), large = handFont(2);
    int asked = -1;
    auto toLarge = [&](int entry, const FontResource*& requested, const FontResource*& drawing) {
        asked = entry;
        requested = large.get();
        drawing = large.get();
        return true;
    };
    TextLayout::Style style;
    // Measuring: the switched font's metrics.
    EXPECT_FLOAT_EQ(TextLayout::walk("A^f002A", small.get(), small.get(), style, toLarge).width,
                    8.0f + 15.0f);
    EXPECT_EQ(asked, 2);
    // Drawing: the large font has no texture here, so the text ends there.
    style.drawing = true;
    TextLayout::Result r = TextLayout::walk("A^f002A", small.get(), small.get(), style, toLarge);
    EXPECT_TRUE(r.stopped);
    ASSERT_EQ(r.runs.size(), 1u);
    EXPECT_EQ(r.runs[0].quads.size(), 1u);
}

TEST(ShippedFontsTest, EveryListFontHasItsLineHeightAndLatinOneGlyphs)
{
    const char* names[] = {"normal", "small", "large", "title", "damage", "chat", "mono"};
    const int heights[] = {12, 10, 16, 22, 16, 12, 11};
    for (int i = 0; i < 7; ++i) {
        std::string path = generatedDataPath(std::string("fonts/") + names[i] + ".fnt");
        std::vector<uint8_t> bytes = readFileBytes(path);
        ASSERT_FALSE(bytes.empty()) << path;
        auto font = FontResource::parse(path, bytes.data(), bytes.size(), false);
        EXPECT_EQ(font->size, heights[i]);
        EXPECT_EQ(font->glyphs[0].height, heights[i]) << names[i];
        EXPECT_GT(font->glyphs[' '].width, 0) << names[i];
        for (int b = 0; b < 256; ++b) {
            const bool printable = (b >= 32 && b <= 126) || b >= 160;
            ASSERT_EQ(font->charIndexes[static_cast<size_t>(b)], printable ? b : -1) << names[i] << " " << b;
            if (!printable || b == ' ' || b == 160) {
                continue;
            }
            const FontResource::Glyph& g = font->glyphs[static_cast<size_t>(b)];
            EXPECT_EQ(g.height, heights[i]);
            EXPECT_GT(g.width, 0) << names[i] << " " << b;
            EXPECT_TRUE(g.left >= 0 && g.left < g.right && g.right <= 1.0f) << names[i] << " " << b;
            EXPECT_TRUE(g.top >= 0 && g.top < g.bottom && g.bottom <= 1.0f) << names[i] << " " << b;
        }
        TextLayout::Style style;
        TextLayout::Result r = TextLayout::walk("Hello", font.get(), font.get(), style);
        EXPECT_FLOAT_EQ(r.height, static_cast<float>(heights[i]));
        EXPECT_GT(r.width, 5.0f * heights[i] / 4.0f) << names[i];
        std::vector<uint8_t> image =
            readFileBytes(generatedDataPath(std::string("Textures/Fonts/") + names[i] + ".tga"));
        ASSERT_GT(image.size(), 18u) << names[i];
    }
    // The monospaced font gives every glyph one width.
    std::vector<uint8_t> bytes = readFileBytes(generatedDataPath("fonts/mono.fnt"));
    auto mono = FontResource::parse("mono.fnt", bytes.data(), bytes.size(), false);
    EXPECT_EQ(mono->glyphs['i'].width, mono->glyphs['W'].width);
}

} // namespace
