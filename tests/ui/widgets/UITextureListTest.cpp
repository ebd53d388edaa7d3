#include "support/UITestBench.h"

#include "engine/files/FileSystem.h"
#include "graphics/shaders/ShaderSystem.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UITextureList.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// A game tree of its own: Textures/ with the images a test writes and one
// shader script naming an image that has no file.
struct TextureListTest : ::testing::Test {
    TextureListTest() : files(data.path().string(), user.path().string())
    {
        data.write("Shaders/t.sdr",
                   "Textures/areas/town/painted\n{\n {\n  texture Textures/areas/town/painted.tga\n"
                   " }\n}\n");
        bench.ui.registerCommands();
    }
    UITextureList* addList(const std::string& keywords = "")
    {
        shaders.loadAll();
        UIMenu* menu = bench.loadMenu(
            "name T\nvisible 1\nTextureList\n{\n internalName TL\n position 0 0\n size 300 200\n"
            " canClick 1\n elementSize 28 28\n textureUserVar EditorTexture\n"
            " highlightUserVar Highlight\n " +
            keywords + "\n}\n");
        auto* list = dynamic_cast<UITextureList*>(menu->findWidget("TL"));
        list->initialize(true);
        return list;
    }
    void click(int x, int y)
    {
        bench.ui.onMouseButton(0, true, x, y);
        bench.ui.onMouseButton(0, false, x, y);
    }
    std::string var(const char* name) { return bench.vars.getVar(name, "", 0).getString(); }

    UITestBench bench;
    TempDir data;
    TempDir user;
    FileSystem files;
    ShaderSystem shaders;
};

TEST_F(TextureListTest, AnEmptyFolderHasNoRows)
{
    // No Textures folder: the script's folder is never scanned either.
    UITextureList* list = addList();
    EXPECT_TRUE(list->getEntries().empty());
    EXPECT_EQ(list->getLastVisible(), -1);
    EXPECT_EQ(list->getScrollBar()->getCount(), 0);
    click(10, 5);
    EXPECT_EQ(var("EditorTexture"), "");
    bench.drawing.calls.clear();
    list->draw();
    EXPECT_TRUE(bench.drawing.calls.empty());
}

TEST_F(TextureListTest, RowsClicksRefillsAndImagesOfTheVisibleRowsOnly)
{
    for (int i = 0; i < 39; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Textures/areas/town/tile%02d.tga", i);
        data.write(name, "x");
    }
    data.write("Textures/areas/town/cobbles01.tga", "x");
    UITextureList* list = addList();
    // 40 images and the script's image without a file, sorted by folder.
    ASSERT_EQ(list->getEntries().size(), 41u);
    EXPECT_EQ(list->getEntries()[0].file, "Textures/areas/town/cobbles01.tga");
    EXPECT_EQ(list->getEntries()[40].file, "Textures/areas/town/painted.tga");
    // 200 high at 28 + 4 a row: 6 rows, for drawing, clicks and the bar.
    EXPECT_EQ(list->getVisibleRows(), 6);
    EXPECT_EQ(list->getScrollBar()->getVisibleCount(), 6);
    EXPECT_EQ(list->getLastVisible(), 5);

    // Drawn: six thumbnails 32 apart, and only their images acquired.
    bench.drawing.calls.clear();
    bench.drawing.acquired.clear();
    list->draw();
    ASSERT_EQ(bench.drawing.acquired.size(), 6u);
    EXPECT_EQ(bench.drawing.acquired[0].path, "Textures/areas/town/cobbles01.tga");
    int images = 0;
    for (const auto& call : bench.drawing.calls) {
        if (call.kind == RecordingUIDrawing::Call::Image) {
            EXPECT_FLOAT_EQ(call.y0, 32.0f * images);
            ++images;
        }
    }
    EXPECT_EQ(images, 6);
    list->draw();
    EXPECT_EQ(bench.drawing.acquired.size(), 6u) << "kept until the list refills";

    // y = top + 70 lies in row 2 (70 / 32), not row 2 of 28-high rows plus
    // the gaps above; the variable names the image's shader.
    click(10, 70);
    EXPECT_EQ(var("EditorTexture"), "Textures/areas/town/tile01.sdr");
    click(10, 5);
    EXPECT_EQ(var("EditorTexture"), "Textures/areas/town/cobbles01.sdr");
    click(10, 199); // row 6 is not shown
    EXPECT_EQ(var("EditorTexture"), "Textures/areas/town/cobbles01.sdr");

    // The row under the mouse goes to the highlight variable.
    bench.input.setMousePosition(10, 100);
    list->update(0.1f);
    EXPECT_EQ(var("Highlight"), "Textures/areas/town/tile02.sdr");

    // Set from the console, the list refills at the next frame.
    data.write("Textures/new.tga", "x");
    bench.vars.setVar("EditorTexture", "Textures/new.sdr");
    list->update(0.1f);
    EXPECT_EQ(list->getEntries().size(), 42u);
    EXPECT_EQ(list->getEntries()[40].file, "Textures/new.tga");
    EXPECT_FALSE(list->getEntries()[0].handle.isValid()) << "images acquired again when shown";
}

// A name ends at the scroll bar: cut and ended with "..." where the list is
// too narrow for it, whole where it fits.
TEST_F(TextureListTest, NamesEndAtTheScrollBar)
{
    data.write("Textures/areas/town/cobbles01.tga", "x");
    struct Case {
        const char* size;
        bool whole;
    };
    const Case cases[] = {{"size 300 200", true}, {"size 150 200", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        UITextureList* list = addList(c.size);
        ASSERT_FALSE(list->getEntries().empty());
        const float bar = list->getScrollBar()->getScreenPosition().x;
        bench.drawing.calls.clear();
        list->draw();
        const auto texts = bench.drawing.texts();
        ASSERT_EQ(texts.size(), list->getEntries().size());
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_LE(texts[i].x1, bar) << texts[i].text;
            EXPECT_EQ(texts[i].text == list->getEntries()[i].file, c.whole) << texts[i].text;
            EXPECT_EQ(texts[i].text.ends_with("..."), !c.whole) << texts[i].text;
        }
    }
}

TEST_F(TextureListTest, ModelRowsWriteTheModelFileAtTheGivenFacing)
{
    data.write("Models/BoxMan/boxman.mdl", "x");
    data.write("Models/Items/axe.mdl", "x");
    UITextureList* list = addList("useModels 1");
    ASSERT_EQ(list->getEntries().size(), 2u);
    list->setFacing(-2);
    bench.drawing.calls.clear();
    list->draw();
    int models = 0;
    for (const auto& call : bench.drawing.calls) {
        if (call.kind == RecordingUIDrawing::Call::Model) {
            EXPECT_FLOAT_EQ(call.alpha, 6.0f);
            ++models;
        }
    }
    EXPECT_EQ(models, 2);
    click(10, 40);
    EXPECT_EQ(var("EditorTexture"), "Models/Items/axe.mdl");
}

} // namespace
