#include "game/world/LevelFixture.h"
#include "graphics/shaders/Shader.h"

#include <algorithm>
#include <fstream>

namespace {

const char* kGrass = "Textures/areas/meadow/grass01.tga";
const char* kGrass2 = "Textures/areas/meadow/grass02.tga";
const char* kDirt = "Textures/areas/meadow/dirt01.tga";
const char* kRoad = "Textures/areas/meadow/road01.tga";
const char* kCobbles = "Textures/areas/town/cobbles01.tga";

// The editor's preview of one hand-made block of grass.
class LevelGroundTest : public LevelFixture {
protected:
    LevelGroundTest() : area(16, 16)
    {
        for (const char* name : {kGrass, kGrass2, kDirt, kRoad, kCobbles}) {
            area.addTileName(name);
        }
        area.addBlock().tiles.assign(256, 0);
        area.acquire();
        preview.setEditorPreview(&area, 0);
    }
    ~LevelGroundTest() override { area.release(); }

    void setTile(int x, int y, int tile)
    {
        area.getBlock(0)->tiles[area.getBlock(0)->cellElement(x, y)] = tile;
        preview.clearGroundCells();
    }
    std::vector<uint8_t> corner(int x, int y, int c) { return preview.getGroundCell(x, y).corners[c]; }
    int layers(int x, int y)
    {
        const GroundCell& cell = preview.getGroundCell(x, y);
        const Shader* shader = resources.getAs<Shader>(cell.shader);
        return shader ? static_cast<int>(shader->stages.size()) : -1;
    }

    AreaResource area;
    Level preview;
};

TEST_F(LevelGroundTest, AUniformNeighbourhoodIsOneOpaqueLayer)
{
    const GroundCell& cell = preview.getGroundCell(5, 5);
    ASSERT_TRUE(cell.shader.isValid());
    EXPECT_EQ(resources.getFileName(cell.shader.getIndex()),
              ShaderSystem::makeBlendedTileName({area.getTiles()[0].shader.getIndex()}));
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(corner(5, 5, c), (std::vector<uint8_t>{255}));
    }
    // The same group, or a neighbour that does not blend, counts as its own.
    setTile(6, 5, 1);
    setTile(4, 5, 3);
    EXPECT_EQ(corner(5, 5, 1), (std::vector<uint8_t>{255}));
    EXPECT_EQ(corner(5, 5, 3), (std::vector<uint8_t>{255}));
    // A tile without a shader has no ground.
    setTile(8, 8, -1);
    EXPECT_FALSE(preview.getGroundCell(8, 8).shader.isValid());
}

TEST_F(LevelGroundTest, CornerWeightsShareTheCorner)
{
    setTile(6, 5, 2); // dirt to the right
    EXPECT_EQ(corner(5, 5, 1), (std::vector<uint8_t>{255, 64}));
    EXPECT_EQ(corner(5, 5, 2), (std::vector<uint8_t>{255, 64}));
    EXPECT_EQ(corner(5, 5, 0), (std::vector<uint8_t>{255, 0}));
    EXPECT_EQ(corner(5, 5, 3), (std::vector<uint8_t>{255, 0}));

    // Upper-left corner: own twice, dirt once, cobbles once.
    setTile(6, 5, 0);
    setTile(4, 5, 2);
    setTile(4, 6, 4);
    EXPECT_EQ(corner(5, 5, 0), (std::vector<uint8_t>{255, 85, 64}));
    // Tiles on the block's edge see nothing beyond it.
    setTile(1, 5, 2);
    EXPECT_EQ(corner(0, 5, 1).size(), 2u);
    EXPECT_EQ(corner(0, 5, 0), (std::vector<uint8_t>{255, 0}));
}

TEST_F(LevelGroundTest, ThePreviewForgetsCellsOnlyForAnotherBlock)
{
    const GroundCell* before = &preview.getGroundCell(3, 3);
    EXPECT_TRUE(before->built);
    preview.setEditorPreview(&area, 0);
    EXPECT_TRUE(preview.getLayout()->groundCells[3 * 128 + 3].built);
    area.addBlock().tiles.assign(256, 2);
    preview.setEditorPreview(&area, 1);
    EXPECT_TRUE(preview.getLayout()->groundCells.empty());
    EXPECT_EQ(corner(3, 3, 0), (std::vector<uint8_t>{255}));
}

TEST_F(LevelGroundTest, MapShadersOfWorldLevels)
{
    Level* level = builtLevel(definition("AreaMeadows"), 21, {2, 2, 2, 2});
    AreaResource* meadow = level->getArea();
    int treeX = -1, treeY = -1, openX = -1, openY = -1;
    for (int ty = 0; ty < 128 && treeX < 0; ++ty) {
        for (int tx = 0; tx < 128; ++tx) {
            const AreaBlock* b = meadow->getBlock(level->getPlace(tx / 16, ty / 16));
            const AreaCellObject& o = b->objects[b->cellElement(tx % 16, ty % 16)];
            if (o.type >= 0 && meadow->getObjectTypes()[o.type].name == "Models/Objects/tree.mdl") {
                treeX = tx;
                treeY = ty;
                break;
            }
            if (openX < 0 && !level->isCellBlockedForMovement(tx, ty)) {
                openX = tx;
                openY = ty;
            }
        }
    }
    ASSERT_GE(treeX, 0);
    ASSERT_GE(openX, 0);
    ResourceHandle map = level->getMapShader(treeX, treeY);
    EXPECT_EQ(resources.getFileName(map.getIndex()), "Textures/Map/tree.sdr");
    EXPECT_EQ(level->getMapShader(openX, openY).getIndex(), level->getCellTile(openX, openY).getIndex());
    EXPECT_FALSE(level->getMapShader(-1, 0).isValid());
    EXPECT_FALSE(level->getMapShader(0, 128).isValid());
    EXPECT_FALSE(level->getGroundCell(128, 0).shader.isValid());

    // A place nobody reached shows the area's default shader.
    level->getLayout()->reached[9] = false;
    EXPECT_EQ(level->getMapShader(16 + 3, 16 + 3).getIndex(), level->definition->defaultShader.getIndex());
}

TEST_F(LevelGroundTest, ObjectTypesBeyondASignedByteKeepTheGround)
{
    // 130 object types; a tree of type 129 stands on the only block.
    std::string text = "1\nTextures/areas/meadow/grass01.tga\n\n1\nclosed\n\n130\n";
    for (int i = 0; i < 130; ++i) {
        text += "Models/Objects/tree.mdl\n";
    }
    text += "\nblock b 1 15 0 0 0\n{\n";
    for (int i = 0; i < 256; ++i) {
        text += "0 ";
    }
    text += "\n0 0 0 0\n5 5 129 0\n5 6 3 0\n}\n";
    std::ofstream(temp.path() / "many.ara") << text;
    setResourceRoots(resources, {temp.path().string(), gameDataPath(), generatedDataPath()});
    AreaDefinition* def =
        customDefinition("ManyObjects", "AreaFileName many.ara\nMaxBlockWidth 1\nMaxBlockHeight 1");
    Level* level = builtLevel(def, 1);
    ASSERT_EQ(level->getPlace(0, 0), 0);
    // Row 5 from the top is tile y 10; row 6 is tile y 9.
    EXPECT_TRUE(level->isCellBlockedForMovement(5, 10));
    EXPECT_EQ(level->getMapShader(5, 10).getIndex(), level->getCellTile(5, 10).getIndex());
    EXPECT_EQ(resources.getFileName(level->getMapShader(5, 9).getIndex()), "Textures/Map/tree.sdr");
    EXPECT_EQ(level->getArea()->getObjectHandle(130).getIndex(), -1);
}

} // namespace
