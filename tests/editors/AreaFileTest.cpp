#include "support/EditorBench.h"

#include "engine/core/DebugSystem.h"
#include "engine/files/WholeFile.h"
#include "game/world/AreaBlock.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

TEST(AreaFileTest, WrittenBlocksReadBackAlikeAndBuildTheSameCells)
{
    EditorBench e;
    e.run("EditorNewBlock");
    AreaResource& area = *e.editor.getArea();
    AreaBlock& block = *e.editor.currentBlock();
    ResourceHandle cobbles = acquireShader("Textures/areas/town/cobbles01.tga", 1);
    ResourceHandle crate = e.bench.resources.load("Models/Objects/crate.mdl");
    for (int i = 0; i < block.getWidth(); ++i) {
        area.setCellTile(0, i, i % block.getHeight(), cobbles);
    }
    for (int facing = 0; facing < 8; ++facing) {
        area.setCellObject(0, facing, 5, crate, facing);
    }
    e.set("EditorConnectionName", "river");
    e.run("EditorCreateNewConnection");
    e.set("EditorBlockName", "ford");
    e.set("EditorBlockWeight", "2.5");
    e.set("EditorBlockMaxUse", "3");
    e.set("EditorBlockAlwaysHasMonsters", "1");
    e.set("EditorBlockAlwaysHasChest", "1");
    e.set("EditorBottomConnection", "river");
    e.set("EditorBlockOpenEdges", "0110");
    e.editor.update();
    e.set("EditorAreaFileName", "ford.ara");
    e.run("EditorSave");
    ASSERT_TRUE(e.editor.isSaved());
    ASSERT_TRUE(std::filesystem::exists(e.user.file("Levels/ford.ara"))) << "written into the user directory";

    // Never loaded before: the resource system reads the written file.
    ResourceHandle read = e.bench.resources.load("Levels/ford.ara");
    auto* back = e.bench.resources.getAs<AreaResource>(read);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getEdgeKinds(), area.getEdgeKinds());
    ASSERT_EQ(back->getBlockCount(), 1);
    EXPECT_TRUE(*back->getBlock(0) == block);
    EXPECT_FLOAT_EQ(back->getBlock(0)->weight, 2.5f);
    EXPECT_EQ(back->getBlock(0)->edges[3], back->findEdgeKind("river"));

    // A level built from the file shows in each cell the preview's tile.
    back->acquire();
    Level built;
    built.setEditorPreview(back, 0);
    Level& preview = e.editor.getPreviewLevel();
    preview.setEditorPreview(&area, 0);
    for (int y = 0; y < block.getHeight(); ++y) {
        for (int x = 0; x < block.getWidth(); ++x) {
            EXPECT_EQ(built.getCellTile(x, y).getFileName(), preview.getCellTile(x, y).getFileName())
                << x << "," << y;
        }
    }
    built.setEditorPreview(nullptr, -1);
    back->release();
}

// A level of the world built from a written area file by the level builder:
// every place that takes the block shows the preview's tile in each cell.
TEST(AreaFileTest, AWorldLevelBuiltFromTheWrittenFileShowsThePreviewsTiles)
{
    EditorBench e;
    e.run("EditorNewBlock");
    AreaResource& area = *e.editor.getArea();
    AreaBlock& block = *e.editor.currentBlock();
    ResourceHandle cobbles = acquireShader("Textures/areas/town/cobbles01.tga", 1);
    ResourceHandle grass = acquireShader("Textures/areas/meadow/grass01.tga", 1);
    for (int y = 0; y < block.getHeight(); ++y) {
        for (int x = 0; x < block.getWidth(); ++x) {
            area.setCellTile(0, x, y, (x + 2 * y) % 3 == 0 ? cobbles : grass);
        }
    }
    e.set("EditorAreaFileName", "paved.ara");
    e.run("EditorSave");
    ASSERT_TRUE(e.editor.isSaved());

    World world;
    world.installNeighbourFunction();
    AreaDefinition paved;
    paved.areaFileName = "Levels/paved.ara";
    auto made = std::make_unique<Level>();
    made->definition = &paved;
    made->seed = 4242;
    Level& built = *world.getLevel(world.addLevel(std::move(made)));
    built.acquire(7);
    built.ensureLayout();
    ASSERT_NE(built.getArea(), nullptr);
    ASSERT_NE(built.getArea(), &area) << "read from the written file";
    Level& preview = e.editor.getPreviewLevel();
    preview.setEditorPreview(&area, 0);

    const GameRules& rules = GameData::get().rules();
    std::set<std::pair<int, int>> places;
    for (int ty = 0; ty < rules.levelTileHeight; ++ty) {
        for (int tx = 0; tx < rules.levelTileWidth; ++tx) {
            const int px = tx / rules.blockTileWidth, py = ty / rules.blockTileHeight;
            if (built.getPlace(px, py) != 0) {
                continue;
            }
            places.insert({px, py});
            const int cx = tx % rules.blockTileWidth, cy = ty % rules.blockTileHeight;
            ASSERT_EQ(built.getCellTile(tx, ty).getFileName(), preview.getCellTile(cx, cy).getFileName())
                << tx << "," << ty;
        }
    }
    EXPECT_FALSE(places.empty()) << "the builder placed the block";
    built.release(7);
}

TEST(AreaFileTest, ShippedAreasOpenAndSaveUnchanged)
{
    EditorBench e;
    for (const char* name : {"town.ara", "wilderness.ara", "dungeon.ara"}) {
        e.set("EditorAreaFileName", name);
        e.run("EditorLoadArea");
        ASSERT_NE(e.editor.getArea(), nullptr) << name;
        ASSERT_GT(e.editor.getArea()->getBlockCount(), 0) << name;
        e.set("EditorBlockIndex", "0");
        e.run("EditorChangeBlock");
        e.editor.update(); // the per-frame copy must not change a block read from the file
        e.set("EditorAreaFileName", std::string("copy-") + name);
        e.run("EditorSave");
        std::vector<uint8_t> shipped, saved;
        ASSERT_EQ(readWholeFile(generatedDataPath(std::string("Levels/") + name), shipped),
                  WholeFileResult::Read);
        ASSERT_EQ(readWholeFile(e.user.file(std::string("Levels/copy-") + name), saved),
                  WholeFileResult::Read);
        EXPECT_TRUE(shipped == saved) << name;
    }
}

TEST(AreaFileTest, EditedFilesComeBeforeTheShippedOnes)
{
    TempDir data, user;
    data.write("Levels/a.ara", "shipped");
    data.write("Levels/only.ara", "only shipped");
    data.write("Textures/a.tga", "shipped");
    user.write("Levels/a.ara", "edited");
    user.write("Levels/mine.ara", "mine");
    user.write("Textures/a.tga", "not read");
    LogCapture log;
    DebugSystem::get().setDeveloper(true); // the info line
    FileSystem files(data.path().string(), user.path().string());
    auto text = [&files](const char* name) {
        auto bytes = files.readFile(name);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    };
    EXPECT_EQ(text("Levels/a.ara"), "edited");
    EXPECT_EQ(text("levels/A.ara"), "edited");
    EXPECT_EQ(text("Levels/only.ara"), "only shipped");
    EXPECT_EQ(text("Textures/a.tga"), "shipped") << "other folders read the game data";
    EXPECT_EQ(text("Levels/a.ara"), "edited");
    int shadowLines = 0;
    for (const auto& line : log.lines()) {
        shadowLines += line.text.find("Levels/a.ara") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(shadowLines, 1) << "the shadowing is told once";
    EXPECT_EQ(files.listFiles("Levels", "ara"), (std::vector<std::string>{"a.ara", "mine.ara", "only.ara"}));
}

} // namespace
