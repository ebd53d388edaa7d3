#include "game/definitions/MonsterType.h"
#include "game/world/LevelFixture.h"

#include <cmath>

namespace {

class LevelTest : public LevelFixture {
protected:
    LevelTest()
    {
        world->addLevelListener(World::kFirstBuilt,
                                [this](int l) { events.push_back("built " + std::to_string(l)); });
        world->addLevelListener(World::kSecondBuilt,
                                [this](int l) { events.push_back("drawn " + std::to_string(l)); });
        world->addLevelListener(World::kFirstReleased,
                                [this](int l) { events.push_back("released " + std::to_string(l)); });
        world->addLevelListener(World::kSecondReleased,
                                [this](int l) { events.push_back("undrawn " + std::to_string(l)); });
    }
    int tileShaderRefs(Level* level)
    {
        AreaResource* area = level->getArea();
        return area && !area->getTiles().empty()
                   ? resources.getRefCount(area->getTiles()[0].baseShader.getIndex())
                   : -1;
    }
    std::vector<std::string> events;
};

TEST_F(LevelTest, ReferencesKeepTheLayoutUntilTheLastRelease)
{
    Level* level = addLevel(definition("AreaMeadows"), 5);
    level->acquire(3);
    level->acquire(4);
    EXPECT_TRUE(level->pendingBuild);
    level->ensureLayout();
    EXPECT_EQ(events, (std::vector<std::string>{"built 0", "drawn 0"}));
    // Only server keys, yet wanted: the tiles' shaders are held.
    EXPECT_TRUE(level->getLayout()->areaAcquired);
    AreaResource* area = level->getArea();
    ASSERT_NE(area, nullptr);
    ResourceHandle keep = level->getLayout()->area; // the file outlives the layout
    EXPECT_TRUE(area->isAcquired());
    level->release(3);
    ASSERT_NE(level->getLayout(), nullptr);
    EXPECT_TRUE(area->isAcquired());
    level->release(4);
    EXPECT_EQ(level->getLayout(), nullptr);
    EXPECT_FALSE(area->isAcquired());
    EXPECT_EQ(events.back(), "released 0");

    // One release too many changes nothing and says so.
    log.clear();
    level->release(4);
    EXPECT_TRUE(log.contains("released without a reference", 3));
    EXPECT_EQ(level->getLayout(), nullptr);
}

TEST_F(LevelTest, DrawingReferencesHoldTheGraphics)
{
    Level* level = addLevel(definition("AreaMeadows"), 5);
    level->acquire(Level::kDrawingKey);
    level->acquire(Level::kDrawingKey);
    level->acquire(9);
    level->ensureLayout();
    AreaResource* area = level->getArea();
    level->release(Level::kDrawingKey);
    EXPECT_TRUE(area->isAcquired());
    level->release(Level::kDrawingKey);
    EXPECT_FALSE(area->isAcquired());
    EXPECT_EQ(events.back(), "undrawn 0");
    ASSERT_NE(level->getLayout(), nullptr);
    EXPECT_FALSE(level->getLayout()->wanted);
    // Wanted again by a later drawing reference: only the second list hears.
    level->acquire(Level::kDrawingKey);
    events.clear();
    level->ensureLayout();
    EXPECT_EQ(events, (std::vector<std::string>{"drawn 0"}));
    EXPECT_TRUE(area->isAcquired());
}

TEST_F(LevelTest, DeletingAReferencedLevelReleasesEverything)
{
    AreaDefinition* meadows = definition("AreaMeadows");
    auto level = std::make_unique<Level>();
    level->definition = meadows;
    level->acquire(Level::kDrawingKey);
    level->acquire(2);
    level->ensureLayout();
    const int shader = level->getArea()->getTiles()[0].baseShader.getIndex();
    const int area = level->getLayout()->area.getIndex();
    EXPECT_GT(resources.getRefCount(shader), 0);
    level.reset();
    EXPECT_EQ(resources.getRefCount(shader), 0);
    EXPECT_EQ(resources.getRefCount(area), 0);
}

TEST_F(LevelTest, NamesSunColoursRootsAndMonsters)
{
    AreaDefinition* meadows = definition("AreaMeadows");
    Level* level = addLevel(meadows, 1);
    EXPECT_EQ(level->getName(), "Meadows");
    level->levelNumber = 4;
    EXPECT_EQ(level->getName(), "Meadows lvl 4");
    EXPECT_EQ(Level().getName(), "");

    const GameRules& r = data->rules();
    const Color day = meadows->daySunColor;
    const Color night = meadows->nightSunColor;
    Color c = level->getSunColor(r.sunriseStart);
    EXPECT_FLOAT_EQ(c.r, night.r);
    c = level->getSunColor(r.sunriseEnd);
    EXPECT_FLOAT_EQ(c.g, day.g);
    c = level->getSunColor((r.sunriseStart + r.sunriseEnd) / 2);
    EXPECT_NEAR(c.b, (day.b + night.b) / 2, 1e-5);
    c = level->getSunColor(12.0f);
    EXPECT_FLOAT_EQ(c.r, day.r);
    c = level->getSunColor(r.sunsetEnd + 1);
    EXPECT_FLOAT_EQ(c.r, night.r);

    EXPECT_EQ(level->getRootLevel(), level);
    Level* floor = addLevel(meadows, 2);
    Level* deeper = addLevel(meadows, 3);
    floor->parent = level;
    deeper->parent = floor;
    EXPECT_EQ(deeper->getRootLevel(), level);

    meadows->prepareMonsterTypes(3);
    MonsterType* scout = data->findMonsterType("GoblinScout");
    MonsterType* giant = data->findMonsterType("GiantSpider");
    EXPECT_TRUE(level->isMonsterOfArea(scout));
    EXPECT_FALSE(level->isMonsterOfArea(giant));
    MonsterType* oldBase = giant->base;
    giant->base = scout; // a type based on an active one
    EXPECT_TRUE(level->isMonsterOfArea(giant));
    giant->base = oldBase;
}

TEST_F(LevelTest, RandomPositionsInBlocks)
{
    Level* level = addLevel(definition("AreaMeadows"), 1);
    const GameRules& r = data->rules();
    for (int i = 0; i < 100; ++i) {
        ZonePosition p = level->randomPositionInBlock(2, 5);
        EXPECT_EQ(p.zone, level->zone);
        EXPECT_GE(p.x, 2 * r.blockWidth);
        EXPECT_LE(p.x, 3 * r.blockWidth);
        EXPECT_GE(p.y, 5 * r.blockHeight);
        EXPECT_LE(p.y, 6 * r.blockHeight);
    }
    EXPECT_EQ(level->randomPositionInBlock(8, 0).zone, -1);
    EXPECT_EQ(level->randomPositionInBlock(0, -1).zone, -1);
}

} // namespace
