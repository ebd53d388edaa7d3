#include "engine/core/Random.h"
#include "game/world/LevelFixture.h"
#include "game/world/RandomGenerator.h"

#include <set>

namespace {

class LevelBuildTest : public LevelFixture {
protected:
    // Level seeds as the world draws them: whole 32-bit values.
    static uint32_t seedOf(uint32_t i) { return i * 2654435761u + 12345u; }
    // Keeps the area files and their graphics loaded between levels.
    void holdAreas()
    {
        for (const char* name : {"Levels/town.ara", "Levels/wilderness.ara", "Levels/dungeon.ara"}) {
            held.push_back(resources.load(name));
            resources.getAs<AreaResource>(held.back())->acquire();
        }
    }
    ~LevelBuildTest() override
    {
        for (const ResourceHandle& file : held) {
            resources.getAs<AreaResource>(file)->release();
        }
    }
    std::vector<ResourceHandle> held;
    int filledPlaces(Level* level)
    {
        int n = 0;
        for (int p : level->getLayout()->places) {
            n += p >= 0;
        }
        return n;
    }
    int reachedPlaces(Level* level)
    {
        int n = 0;
        for (size_t i = 0; i < level->getLayout()->places.size(); ++i) {
            n += level->getLayout()->reached[i] && level->getLayout()->places[i] >= 0;
        }
        return n;
    }
    int uses(Level* level)
    {
        int n = 0;
        for (int u : level->getLayout()->useCounts) {
            n += u;
        }
        return n;
    }
};

TEST_F(LevelBuildTest, OneSeedGivesOneLayout)
{
    for (const char* name : {"AreaMeadows", "AreaDarkwood", "AreaBarrows"}) {
        Level* a = builtLevel(definition(name), 4242);
        Level* b = builtLevel(definition(name), 4242);
        Level* c = builtLevel(definition(name), 4243);
        EXPECT_EQ(a->getLayout()->places, b->getLayout()->places) << name;
        EXPECT_NE(a->getLayout()->places, c->getLayout()->places) << name;
    }
}

TEST_F(LevelBuildTest, AnOpeningAsksForTheBottleneckOnlyThere)
{
    Level* level = builtLevel(definition("AreaMeadows"), 11, {1, 1, 1, 0}, {-1, -1, -1, 3});
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(level->borderCode(3, x),
                  x == 3 ? AreaResource::kWantBottleneck : AreaResource::kWantClosedEdge);
    }
    AreaResource* area = level->getArea();
    const int bottleneck = area->getSpecialEdge(AreaResource::kLevelBottleneck);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(level->wantedEdges(x, 0)[3], level->borderCode(3, x));
        const int bottom = area->getBlock(level->getPlace(x, 0))->edges[3];
        EXPECT_EQ(bottom == bottleneck, x == 3) << x;
    }
    // Kind 2 asks for an open edge, any other kind for a closed one.
    level->borderKinds = {2, 5, 1, 0};
    EXPECT_EQ(level->borderCode(0, 0), AreaResource::kWantOpenEdge);
    EXPECT_EQ(level->borderCode(1, 0), AreaResource::kWantClosedEdge);
    EXPECT_EQ(level->borderCode(2, 3), AreaResource::kWantClosedEdge);
}

TEST_F(LevelBuildTest, RetriesFollowTheLimits)
{
    // MinBlocks 1: no dead end ever retries, so every use is a placed block.
    AreaDefinition* easy = customDefinition("EasyBarrows", "AreaFileName Levels/dungeon.ara\n"
                                                           "RandomLevelGenerator Dungeon\nMinBlocks 1\n"
                                                           "MaxBlockFailures 5\nMaxLevelFailures 5");
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        Level* level = builtLevel(easy, seed);
        EXPECT_EQ(uses(level), filledPlaces(level)) << seed;
    }
    // No failures allowed: the first layout stays, however small.
    AreaDefinition* strict =
        customDefinition("StrictBarrows", "AreaFileName Levels/dungeon.ara\n"
                                          "RandomLevelGenerator Dungeon\nMinBlocks 1000\n"
                                          "MaxBlockFailures 0\nMaxLevelFailures 1");
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        Level* level = builtLevel(strict, seed);
        EXPECT_EQ(uses(level), filledPlaces(level)) << seed;
        EXPECT_GE(filledPlaces(level), 1);
    }
}

TEST_F(LevelBuildTest, NoFitTriesAClosedBlock)
{
    // The barrows have no open level edge: the start place cannot fit.
    DebugSystem::get().setDeveloper(true);
    log.clear();
    Level* level = builtLevel(definition("AreaBarrows"), 3, {2, 2, 2, 2});
    EXPECT_TRUE(log.contains("Added closed block: ", 1));
    const int start = level->getLayout()->startPlace;
    ASSERT_GE(start, 0);
    const AreaBlock* block = level->getArea()->getBlock(level->getLayout()->places[start]);
    ASSERT_NE(block, nullptr);
    const int closed = level->getArea()->getSpecialEdge(AreaResource::kClosed);
    EXPECT_EQ(block->edges, (std::array<int, 4>{closed, closed, closed, closed}));
}

TEST_F(LevelBuildTest, StartColumnStaysInsideTheUsableGrid)
{
    holdAreas();
    for (const char* name : {"AreaDarkwood", "AreaBarrows"}) {
        const int usable = std::string(name) == "AreaBarrows" ? 5 : 8;
        std::set<int> starts;
        for (uint32_t i = 0; i < 200; ++i) {
            Level* level = builtLevel(definition(name), seedOf(i));
            const int start = level->getLayout()->startPlace;
            EXPECT_GE(start, 1);
            EXPECT_LE(start, usable - 1);
            starts.insert(start);
            level->release(7);
        }
        EXPECT_EQ(static_cast<int>(starts.size()), usable - 1) << name;
    }
}

TEST_F(LevelBuildTest, WideLimitsStayInsideTheGrid)
{
    AreaDefinition* wide = customDefinition("WideMeadows", "AreaFileName Levels/wilderness.ara\n"
                                                           "MaxBlockWidth 12\nMaxBlockHeight 12");
    Level* level = builtLevel(wide, 8);
    EXPECT_EQ(filledPlaces(level), 64);
    bool valid = false;
    ZonePosition p = level->randomPositionInArea(&valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(p.zone, level->zone);
}

TEST_F(LevelBuildTest, RandomPositionOfALevelWithoutGroundReturns)
{
    // The town file has no block for open edges, nor a closed one: the
    // start place stays empty and nothing is reached.
    AreaDefinition* cave =
        customDefinition("CaveTown", "AreaFileName Levels/town.ara\nRandomLevelGenerator Cave");
    Level* level = builtLevel(cave, 1, {2, 2, 2, 2});
    EXPECT_EQ(filledPlaces(level), 0);
    log.clear();
    bool valid = true;
    ZonePosition p = level->randomPositionInArea(&valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(p.zone, level->zone);
    EXPECT_TRUE(log.contains("no reached place", 2));
}

// Every shipped definition over many seeds and borders the world can give.
TEST_F(LevelBuildTest, ShippedDefinitionsOverManySeeds)
{
    holdAreas();
    DebugSystem::get().setDeveloper(true);
    log.clear();
    std::vector<int> townPlaces;
    for (uint32_t i = 0; i < 200; ++i) {
        const uint32_t seed = seedOf(i);
        Random::setState(3, seed);
        auto kinds = [&](bool open) {
            std::array<int, 4> k{};
            std::array<int, 4> o{};
            for (int s = 0; s < 4; ++s) {
                k[s] = randomInt(3, open ? 3 : 2);
                o[s] = k[s] == 0 ? randomIntInclusive(3, 1, 6) : -1;
            }
            return std::make_pair(k, o);
        };
        auto [mk, mo] = kinds(true);
        Level* meadows = builtLevel(definition("AreaMeadows"), seed, mk, mo);
        EXPECT_EQ(filledPlaces(meadows), 64) << seed;

        auto [dk, dop] = kinds(true);
        Level* darkwood = builtLevel(definition("AreaDarkwood"), seed, dk, dop);
        EXPECT_GE(reachedPlaces(darkwood), 40) << seed;

        auto [bk, bo] = kinds(false);
        Level* barrows = builtLevel(definition("AreaBarrows"), seed, bk, bo);
        EXPECT_GE(reachedPlaces(barrows), 10) << seed;

        const bool gates = seed % 2 == 0;
        Level* town =
            builtLevel(definition("AreaTown"), seed,
                       gates ? std::array<int, 4>{0, 0, 0, 0} : std::array<int, 4>{1, 1, 1, 1}, {3, 3, 3, 3});
        EXPECT_EQ(filledPlaces(town), 64);
        // The same map for every seed: the inner blocks never change.
        std::vector<int> inner;
        for (int y = 1; y < 7; ++y)
            for (int x = 1; x < 7; ++x)
                inner.push_back(town->getPlace(x, y));
        if (townPlaces.empty()) {
            townPlaces = inner;
        }
        EXPECT_EQ(inner, townPlaces);
        for (Level* l : {meadows, darkwood, barrows, town}) {
            l->release(7);
        }
    }
    EXPECT_FALSE(log.contains("Added closed block"));
}

} // namespace
