#include "engine/core/ByteBuffer.h"
#include "graphics/shaders/Shader.h"
#include "graphics/text/FontResource.h"
#include "graphics/text/TextEventList.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

namespace {

// The graphics system without a display, with the shipped fonts as the
// font list; the fonts get the interface shader of their image so that
// text draws into the recording back end.
class GraphicsTextTest : public ::testing::Test {
protected:
    GraphicsTextTest()
    {
        FrameGameValues values;
        for (const char* name : {"normal", "small", "large", "title", "damage", "chat", "mono"}) {
            values.fontNames.push_back(std::string("fonts/") + name + ".fnt");
        }
        scene.graphics.setGameValues(values);
        for (int i = 0; i < 4; ++i) {
            FontResource* font = fontAt(i);
            font->texture =
                scene.resources.load("Textures/Fonts/" + font->name + ".sdr", FontResource::kSubType);
        }
        scene.graphics.setTextEventClock([this] { return now; });
    }
    FontResource* fontAt(int i)
    {
        return scene.resources.getAs<FontResource>(scene.graphics.getFontHandle(i));
    }

    RenderScene scene;
    double now = 0.0;
    const float white[3] = {1.0f, 1.0f, 1.0f};
};

TEST_F(GraphicsTextTest, TheStandardFontsAndTheirSiblings)
{
    GraphicsSystem& g = scene.graphics;
    EXPECT_EQ(fontAt(0)->name, "small");
    EXPECT_EQ(fontAt(1)->name, "normal");
    EXPECT_EQ(fontAt(2)->name, "large");
    EXPECT_EQ(fontAt(3)->name, "title");
    EXPECT_EQ(*g.getStandardTexture(2), g.getFontHandle(1));
    EXPECT_EQ(g.nextLargerFont(g.getFontHandle(0)), g.getFontHandle(1));
    EXPECT_EQ(g.nextLargerFont(g.getFontHandle(3)), g.getFontHandle(3));
    EXPECT_EQ(g.nextLargerFont(g.getListFont(6)), g.getListFont(6));
    // An entry past the list is the first; a switched-to font is loaded once.
    EXPECT_EQ(g.getListFont(42), g.getListFont(0));
    EXPECT_EQ(g.getListFont(4).getIndex(), g.getListFont(4).getIndex());

    // The sibling's widths scaled to the requested height: the layout
    // stays that of the small font within the rounding of the glyphs.
    Vec2 withSibling = g.layoutText("Hello, world", g.getFontHandle(0));
    g.getVar("r_higherResFonts").setString("0");
    Vec2 alone = g.layoutText("Hello, world", g.getFontHandle(0));
    EXPECT_NEAR(withSibling.x, alone.x, alone.x * 0.1f);
    EXPECT_FLOAT_EQ(withSibling.y, alone.y);
    EXPECT_FLOAT_EQ(withSibling.y, 10.0f);
    EXPECT_EQ(g.layoutText("", g.getFontHandle(0)).x, 0.0f);
    EXPECT_EQ(g.layoutText("A", ResourceHandle()).y, 0.0f);
    // A font code measures in the other font.
    EXPECT_FLOAT_EQ(g.layoutText("^f003A", g.getFontHandle(1)).y, 22.0f);
}

TEST_F(GraphicsTextTest, DrawnTextLandsOnTheVirtualScreenWithTheSiblingsTexture)
{
    GraphicsSystem& g = scene.graphics;
    g.drawText(g.getFontHandle(0), "AB", 320, 240, white, false, 0.5f);
    ASSERT_EQ(scene.backend.batches.size(), 1u);
    const auto& batch = scene.backend.batches[0];
    ASSERT_EQ(batch.positions.size(), 8u * 3);
    // The first glyph's top-left corner is the centre of the screen.
    EXPECT_FLOAT_EQ(batch.positions[0], 0.0f);
    EXPECT_FLOAT_EQ(batch.positions[1], 0.0f);
    // Its bottom is one small line (10 pixels) lower.
    EXPECT_FLOAT_EQ(batch.positions[7], -10.0f / 240.0f);
    // The texture is the normal font's (the small font's sibling).
    auto* normalShader = scene.resources.getAs<Shader>(fontAt(1)->texture);
    ASSERT_NE(normalShader, nullptr);
    ASSERT_FALSE(batch.stages.empty());
    EXPECT_EQ(batch.stages[0].draw.texture, normalShader->stages[0].texture.getIndex());
    // Opacity in the vertex alpha.
    ASSERT_FALSE(batch.stages[0].colours.empty());
    EXPECT_EQ(batch.stages[0].colours[3], 128);

    // A font without a texture draws nothing.
    scene.backend.batches.clear();
    fontAt(2)->texture = ResourceHandle();
    g.getVar("r_higherResFonts").setString("0");
    g.drawText(g.getFontHandle(2), "AB", 0, 0, white, true, 1.0f);
    EXPECT_TRUE(scene.backend.batches.empty());
    // Switching into it ends the text after what came before.
    g.drawText(g.getFontHandle(1), "A^f002B", 0, 0, white, false, 1.0f);
    ASSERT_EQ(scene.backend.batches.size(), 1u);
    EXPECT_EQ(scene.backend.batches[0].positions.size(), 4u * 3);
}

TEST_F(GraphicsTextTest, TextEventsThroughTheGraphicsSystem)
{
    GraphicsSystem& g = scene.graphics;
    // Centred in the default font.
    g.addTextEvent("Paused", 320, 50, 0.0f, 6, 1, 0);
    Vec2 size = g.layoutText("Paused", g.getFontHandle(1));
    const TextEvent& banner = g.getTextEvents().events().front();
    EXPECT_FLOAT_EQ(banner.x, 320 - size.x / 2);
    EXPECT_FLOAT_EQ(banner.y, 50 - size.y / 2);
    g.addTextEvent("hello", 10, 420, 5.0f, 4, 0, 1);
    EXPECT_EQ(g.getTextEventCount(), 2);

    // Not drawn until the game runs.
    g.drawTextEvents(true);
    EXPECT_TRUE(scene.backend.batches.empty());
    float box[4];
    EXPECT_FALSE(g.getMessageLogBox(box));
    g.getFrameHooks().isGameRunning = [] { return true; };
    // The log's one line at the anchor, its background around it.
    ASSERT_TRUE(g.getMessageLogBox(box));
    const float line = g.layoutText("T", g.getFontHandle(0)).y;
    EXPECT_FLOAT_EQ(box[0], 8.0f);
    EXPECT_FLOAT_EQ(box[1], 420.0f);
    EXPECT_FLOAT_EQ(box[2], 12.0f + g.layoutText("hello", g.getFontHandle(0)).x);
    EXPECT_FLOAT_EQ(box[3], 420.0f + line);
    g.getFrameHooks().isMouseOverMenu = [] { return true; };
    EXPECT_FALSE(g.getMessageLogBox(box)) << "not drawn under a full-screen menu";
    g.getFrameHooks().isMouseOverMenu = nullptr;
    g.drawTextEvents(true);
    // Its line (the backdrop's shader comes with a display).
    ASSERT_EQ(scene.backend.batches.size(), 1u);
    scene.backend.batches.clear();
    g.drawTextEvents(false);
    EXPECT_EQ(scene.backend.batches.size(), 1u);

    // The commands scroll; the log goes with the character.
    now = 10.0;
    g.updateTextEvents();
    EXPECT_EQ(g.getTextEventCount(), 1);
    ByteBuffer saved;
    g.saveTextEvents(saved);
    g.clearTextEvents();
    EXPECT_EQ(g.getTextEventCount(), 0);
    EXPECT_TRUE(g.loadTextEvents(saved, 17));
    EXPECT_EQ(g.getTextEvents().events().front().text, "hello");
    ByteBuffer damaged;
    damaged.writeInt(1000u);
    EXPECT_FALSE(g.loadTextEvents(damaged, 17));
}

} // namespace
