// The shipped world: layout, joins, seeds, secret levels, views and the
// per-level questions.
#include "engine/core/Random.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Entity.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/LevelFixture.h"
#include "game/world/Section.h"
#include "game/world/WorldQuestAdapter.h"
#include "support/TestQuest.h"

#include <cmath>
#include <deque>
#include <set>
#include <sstream>

namespace {

const uint32_t kSeeds[] = {1u, 2u, 3u, 4242u, 0x7FFFFFFFu};

class WorldLoadTest : public LevelFixture {
protected:
    void load(uint32_t seed)
    {
        world->setWorldSeed(seed);
        world->load();
    }

    // Everything a seed decides, one line per level.
    std::string describe() const
    {
        std::ostringstream out;
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const Level* l = world->getLevel(i);
            out << i << ' ' << l->definition->entryName << ' ' << l->gridColumn << ',' << l->gridRow
                << " seed " << l->seed << " ml " << l->monsterLevel << " gate " << l->gateFlag << ' '
                << l->gateSpot.x << ',' << l->gateSpot.y << " kinds";
            for (int k = 0; k < 4; ++k) {
                out << ' ' << l->borderKinds[k] << '/' << l->borderOpenings[k];
            }
            for (const ConnectionPoint& c : l->connections) {
                out << " conn " << c.targetLevel << ':' << c.targetConnection << '@' << c.position.x << ','
                    << c.position.y;
            }
            out << '\n';
        }
        return out.str();
    }

    // Levels reached from the town through open or continuous edges and
    // through connection points.
    std::vector<bool> reachedFromTown() const
    {
        static constexpr int kEdgeDirection[4] = {1, 7, 3, 5};
        std::vector<bool> seen(static_cast<size_t>(world->getLevelCount()), false);
        std::deque<int> queue{0};
        seen[0] = true;
        while (!queue.empty()) {
            const Level* l = world->getLevel(queue.front());
            queue.pop_front();
            std::vector<int> next;
            for (int e = 0; e < 4; ++e) {
                const int kind = l->borderKinds[e];
                if (kind == Level::kBorderPassage || kind == Level::kBorderContinuous) {
                    next.push_back(l->neighbours[kEdgeDirection[e]]);
                }
            }
            for (const ConnectionPoint& c : l->connections) {
                next.push_back(c.targetLevel);
            }
            for (int n : next) {
                if (n >= 0 && !seen[static_cast<size_t>(n)]) {
                    seen[static_cast<size_t>(n)] = true;
                    queue.push_back(n);
                }
            }
        }
        return seen;
    }

    int refCount(int level) const
    {
        const LevelLayout* layout = world->getLevel(level)->getLayout();
        return layout ? layout->refCount : 0;
    }
};

TEST_F(WorldLoadTest, TheShippedWorldIsOneConnectedLayoutFromTheTown)
{
    std::vector<uint32_t> seeds(std::begin(kSeeds), std::end(kSeeds));
    for (uint32_t seed = 100; seed < 160; ++seed) {
        seeds.push_back(seed);
    }
    for (uint32_t seed : seeds) {
        SCOPED_TRACE(seed);
        load(seed);
        ASSERT_NE(world->getWorldSize(), nullptr);
        EXPECT_EQ(world->getWorldSize()->name, "Standard");
        EXPECT_EQ(world->getLevel(0)->definition->entryName, "AreaTown");
        EXPECT_EQ(world->getLevel(0)->monsterLevel, 1);
        EXPECT_GE(world->getMaxMonsterLevel(), 18);
        EXPECT_LE(world->getMaxMonsterLevel(), 30);
        EXPECT_EQ(world->getGrid(), nullptr); // freed once the layout is done
        int gridLevels = 0;
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const Level* l = world->getLevel(i);
            if (l->gridColumn >= 0) {
                ++gridLevels;
                EXPECT_LT(l->gridColumn, 7);
                EXPECT_LT(l->gridRow, 8);
            } else {
                EXPECT_TRUE(l->subLevel);
                EXPECT_EQ(l->definition->randomLevelGenerator, 2); // dungeon kinds only below
            }
            for (int e = 0; e < 4; ++e) {
                if (l->borderKinds[e] == Level::kBorderPassage) {
                    EXPECT_GE(l->borderOpenings[e], 1);
                    EXPECT_LE(l->borderOpenings[e], 6);
                    if (i == 0) {
                        EXPECT_EQ(l->borderOpenings[e], 3);
                    }
                }
            }
            if (l->gateFlag) {
                EXPECT_EQ(l->gateSpot.zone, i);
                EXPECT_GE(l->gateSpot.x, 0.0f);
                EXPECT_LT(l->gateSpot.x, data->rules().levelWidth);
            }
        }
        EXPECT_GE(gridLevels, 20);
        EXPECT_LE(gridLevels, 45);
        const std::vector<bool> reached = reachedFromTown();
        for (int i = 0; i < world->getLevelCount(); ++i) {
            EXPECT_TRUE(reached[static_cast<size_t>(i)]) << world->getLevelName(i) << " #" << i;
        }
    }
}

TEST_F(WorldLoadTest, OneSeedGivesOneWorld)
{
    load(4242);
    world->setSecretSeed(99);
    world->createSecretLevels();
    const std::string first = describe();
    load(7);
    EXPECT_NE(describe(), first);
    // A load starts without secret levels or their seed.
    load(4242);
    EXPECT_EQ(world->getSecretSeed(), 0u);
    world->setSecretSeed(99);
    world->createSecretLevels();
    EXPECT_EQ(describe(), first);
    // A seed of 0 is drawn from stream 0 and kept.
    world->setWorldSeed(0);
    world->load();
    EXPECT_NE(world->getWorldSeed(), 0u);
}

// The areas' monster types of a seed, secret levels included, whatever the
// shared stream held before: a load from a seed leaves that stream alone.
TEST_F(WorldLoadTest, OneSeedGivesTheSameMonsterTypesWhateverTheSharedStreamHeld)
{
    auto types = [&] {
        std::ostringstream out;
        for (int i = 0; i < world->getLevelCount(); ++i) {
            out << i << ':';
            for (const MonsterType* t : world->getLevel(i)->definition->getActiveTypes()) {
                out << ' ' << t->getEntryName();
            }
            out << '\n';
        }
        return out.str();
    };
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        std::string first;
        for (uint32_t shared : {1u, 0xDEADBEEFu, seed}) {
            Random::setState(0, shared);
            load(seed);
            world->setSecretSeed(777);
            world->createSecretLevels();
            EXPECT_EQ(Random::getState(0), shared);
            if (first.empty()) {
                first = types();
            } else {
                EXPECT_EQ(types(), first);
            }
        }
        EXPECT_NE(first.find("Spider"), std::string::npos) << first;
    }
}

TEST_F(WorldLoadTest, SecretLevelsFollowTheGridAndTheNamedOneIsFound)
{
    load(3);
    const int gridCount = world->getLevelCount();
    world->setSecretSeed(12345);
    world->createSecretLevels();
    EXPECT_EQ(world->getFirstSecretLevel(), gridCount);
    EXPECT_EQ(world->getLevelCount(), gridCount + 3);
    EXPECT_EQ(world->getNamedSecretLevel(), gridCount + 2);
    EXPECT_EQ(world->getLevelName(gridCount + 2), "Helaque's Treasure");
    int lateral = 0, depth = 0;
    world->getLevelGridPosition(gridCount, lateral, depth);
    EXPECT_EQ(lateral, -1);
    EXPECT_EQ(depth, -1);
    world->createSecretLevels();
    EXPECT_EQ(world->getLevelCount(), gridCount + 3);
}

TEST_F(WorldLoadTest, EveryLevelQuestionIsNeutralOutOfRange)
{
    load(2);
    for (int bad : {-1, world->getLevelCount(), 100000}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(world->getLevelName(bad), "");
        EXPECT_EQ(world->getLevelMonsterLevel(bad), 1);
        int lateral = 7, depth = 7;
        world->getLevelGridPosition(bad, lateral, depth);
        EXPECT_EQ(lateral, 0);
        EXPECT_EQ(depth, 0);
        EXPECT_EQ(world->getLevelStoredPosition(bad).zone, -1);
        EXPECT_EQ(world->getNeighbourLevel(bad, 1), -1);
        EXPECT_FALSE(world->isLevelLoaded(bad));
        EXPECT_EQ(world->getLevelSoundFile(bad), "");
        EXPECT_EQ(world->getLevelTextFile(bad), "");
        EXPECT_EQ(world->getTreasureMapChestName(bad), "");
        EXPECT_FALSE(world->levelAllowsUniqueMonsters(bad));
        EXPECT_EQ(world->randomPositionInLevel(bad).zone, -1);
        EXPECT_EQ(world->getRootLevel(bad), -1);
        EXPECT_FALSE(world->isSubLevel(bad));
        EXPECT_EQ(world->getGateName(bad, 2, 0), "");
        EXPECT_EQ(world->getLevelDefinition(bad), nullptr);
        EXPECT_EQ(world->rollMonsterCountAt(bad, 0), 0);
        EXPECT_EQ(world->rollChestCountAt(bad, 0), 0);
        EXPECT_FALSE(world->isPlaceUsable(bad, 0, 0));
        int monsterLevel = 0;
        EXPECT_EQ(world->pickMonsterToSpawn(bad, monsterLevel), nullptr);
        EXPECT_EQ(monsterLevel, 1);
        EXPECT_TRUE(world->isBlockedForMovement(ZonePosition(bad, 100.0f, 100.0f)));
    }
    EXPECT_EQ(world->getNeighbourLevel(0, 8), -1);
    EXPECT_EQ(world->getNeighbourLevel(0, -1), -1);
}

TEST_F(WorldLoadTest, ALevelIsPickedForAMonsterLevel)
{
    load(1);
    // Every level but three at 50: the exact ones win over ranges.
    std::vector<int> exact;
    int dungeon = -1;
    for (int i = 0; i < world->getLevelCount(); ++i) {
        Level* l = world->getLevel(i);
        l->monsterLevel = 50;
        if (l->subLevel && dungeon < 0) {
            dungeon = i;
        } else if (l->definition->monsterChancePerBlock > 0.0f && !l->subLevel && exact.size() < 2) {
            exact.push_back(i);
        }
    }
    ASSERT_EQ(exact.size(), 2u);
    ASSERT_GE(dungeon, 0);
    for (int i : exact) {
        world->getLevel(i)->monsterLevel = 10;
    }
    world->getLevel(dungeon)->monsterLevel = 10;
    world->getLevel(0)->monsterLevel = 10; // the town has no monsters
    EXPECT_EQ(world->pickLevelForMonsterLevel(10, 0.0f, true), exact[0]);
    EXPECT_EQ(world->pickLevelForMonsterLevel(10, 0.99f, true), exact[1]);
    EXPECT_EQ(world->pickLevelForMonsterLevel(10, 0.99f, false), dungeon > exact[1] ? dungeon : exact[1]);
    // 11 is no level's base; the ranges above 10 hold it.
    const int ranged = world->pickLevelForMonsterLevel(11, 0.0f, true);
    EXPECT_EQ(ranged, exact[0]);
    const AreaDefinition* def = world->getLevel(ranged)->definition;
    EXPECT_LE(10 + def->minMonsterLevelOffset, 11);
    EXPECT_GE(10 + def->maxMonsterLevelOffset, 11);
    EXPECT_EQ(world->pickLevelForMonsterLevel(30, 0.5f, false), -1);
}

TEST_F(WorldLoadTest, ViewsHoldTheirNeighbourhoodAndTownViewsKeepOffTheClientKey)
{
    load(4242);
    world->addTownView();
    ASSERT_NE(world->getView(-2), nullptr);
    EXPECT_EQ(world->getView(-2)->level, 0);
    world->addTownView(); // the town is held already
    world->addPlayerView(-1, 0);
    EXPECT_EQ(world->getViews().size(), 2u);
    EXPECT_EQ(world->getView(-1)->level, 0);
    EXPECT_EQ(refCount(0), 2);
    EXPECT_EQ(world->getLevel(0)->getLayout()->wantCount, 1); // only the client's view draws
    world->addPlayerView(-1, 0);
    EXPECT_EQ(world->getViews().size(), 2u);
    EXPECT_EQ(refCount(0), 2);

    // A player view moved to the level below keeps the shared neighbours
    // referenced throughout: nothing shared is released.
    const int below = world->getNeighbourLevel(0, 1);
    ASSERT_GE(below, 0);
    std::vector<int> released;
    world->addLevelListener(World::kFirstReleased, [&](int level) { released.push_back(level); });
    world->addPlayerView(5, 0);
    std::set<int> before{0}, after{below};
    for (int d = 0; d < 8; ++d) {
        before.insert(world->getNeighbourLevel(0, d));
        after.insert(world->getNeighbourLevel(below, d));
    }
    before.erase(-1);
    after.erase(-1);
    std::map<int, const LevelLayout*> layouts;
    for (int l : after) {
        if (before.count(l)) {
            layouts[l] = world->getLevel(l)->getLayout();
        }
    }
    int count = 0;
    world->updatePlayerView(5, ZonePosition(below, 100.0f, 100.0f), count);
    EXPECT_EQ(count, 0); // the view stays: not half a level beyond
    world->removePlayerView(5);
    world->addPlayerView(5, 0);
    released.clear();
    world->addPlayerView(5, below);
    for (const auto& [level, layout] : layouts) {
        EXPECT_EQ(world->getLevel(level)->getLayout(), layout) << level;
        EXPECT_EQ(std::count(released.begin(), released.end(), level), 0) << level;
    }
    for (int l : after) {
        EXPECT_GE(refCount(l), 1) << l;
    }
    world->removePlayerView(5);
    world->removePlayerView(-1);
    world->removePlayerView(-2);
    for (int i = 0; i < world->getLevelCount(); ++i) {
        EXPECT_EQ(world->getLevel(i)->getLayout(), nullptr) << i;
    }
}

TEST_F(WorldLoadTest, AViewFollowsAWalkEitherWayAtHalfALevel)
{
    load(1);
    // A level with grid neighbours on both lateral sides.
    int middle = -1;
    for (int i = 0; i < world->getLevelCount() && middle < 0; ++i) {
        if (world->getNeighbourLevel(i, 7) >= 0 && world->getNeighbourLevel(i, 3) >= 0) {
            middle = i;
        }
    }
    ASSERT_GE(middle, 0);
    const float w = data->rules().levelWidth;
    auto at = [&](float x) {
        ZonePosition p(middle, x, 2000.0f);
        p.normalize();
        return p;
    };
    for (int side : {-1, 1}) {
        SCOPED_TRACE(side);
        world->addPlayerView(9, middle);
        const int next = world->getNeighbourLevel(middle, side < 0 ? 7 : 3);
        int level = -1;
        // Into the neighbour but short of its middle: the view stays.
        world->updatePlayerView(9, at(side < 0 ? -0.4f * w : 1.4f * w), level);
        EXPECT_EQ(level, middle);
        world->updatePlayerView(9, at(side < 0 ? -0.6f * w : 1.6f * w), level);
        EXPECT_EQ(level, next);
        // Back by a little: half a level of hysteresis keeps it.
        world->updatePlayerView(9, at(side < 0 ? -0.3f * w : 1.3f * w), level);
        EXPECT_EQ(level, next);
        world->removePlayerView(9);
    }
    int level = 5;
    world->updatePlayerView(9, at(100.0f), level); // no view for the key
    EXPECT_EQ(level, -1);
    level = 5;
    world->updatePlayerView(9, ZonePosition(-1, 0.0f, 0.0f), level);
    EXPECT_EQ(level, 5);
}

TEST_F(WorldLoadTest, ASecondLoadStartsWithoutViewsAndBalancedReferences)
{
    std::vector<int> before;
    for (int i = 0; i < resources.getEntryCount(); ++i) {
        before.push_back(resources.getRefCount(i));
    }
    load(2);
    world->addTownView();
    world->addPlayerView(-1, 1);
    world->addPlayerView(3, world->getLevelCount() - 1);
    load(3);
    EXPECT_TRUE(world->getViews().empty());
    for (int i = 0; i < world->getLevelCount(); ++i) {
        EXPECT_EQ(world->getLevel(i)->getLayout(), nullptr) << i;
    }
    for (int i = 0; i < static_cast<int>(before.size()); ++i) {
        EXPECT_EQ(resources.getRefCount(i), before[static_cast<size_t>(i)]) << resources.getFileName(i);
    }
    world->addPlayerView(4, 0);
    EXPECT_EQ(refCount(0), 1);
    world->addPlayerView(4, 0);
    EXPECT_EQ(refCount(0), 1);
}

TEST_F(WorldLoadTest, AFirstViewLoadsTheWorld)
{
    world->setWorldSeed(3);
    EXPECT_FALSE(world->isLoaded());
    world->addPlayerView(1, 0);
    EXPECT_TRUE(world->isLoaded());
    EXPECT_EQ(world->getView(1)->level, 0);
}

TEST_F(WorldLoadTest, NewPlayersStartInTheTownsMiddle)
{
    const GameRules& r = data->rules();
    const ZonePosition start = data->getStartPosition();
    EXPECT_EQ(start.zone, 0);
    EXPECT_FLOAT_EQ(start.x, r.tileOrigin.x + std::floor(r.startPosition.x * r.levelTileWidth) * r.tileSize);
    EXPECT_FLOAT_EQ(start.y, r.tileOrigin.y + std::floor(r.startPosition.y * r.levelTileHeight) * r.tileSize);
    EXPECT_FLOAT_EQ(start.x, 2064.0f); // tile 64 of the shipped 128
}

TEST_F(WorldLoadTest, QuestTargetLevelsComeFromTheBuiltWorld)
{
    load(4242);
    WorldQuestAdapter adapter(*world);
    ASSERT_EQ(getQuestWorld(), &adapter);
    QuestDefinition definition;
    definition.hasWorldLevel = true;
    TestQuest quest;
    quest.definition = &definition;
    quest.type = toIndex(QuestType::KillMonsters);
    quest.level = world->getLevel(world->getLevelCount() - 1)->monsterLevel;
    quest.placeRoll = 0.5f;
    quest.computeTargetLevels();
    ASSERT_GE(quest.targetLevel, 0);
    EXPECT_EQ(quest.targetLevel, world->pickLevelForMonsterLevel(quest.level, 0.5f, false));
    const Level* target = world->getLevel(quest.targetLevel);
    EXPECT_GT(target->definition->monsterChancePerBlock, 0.0f);

    // Boss quests go to the first level of an area of the world.
    QuestDefinition bossDefinition;
    bossDefinition.hasWorldLevel = true;
    bossDefinition.boss = true;
    TestQuest boss;
    boss.definition = &bossDefinition;
    boss.type = toIndex(QuestType::BossKnight);
    boss.level = 10;
    boss.computeTargetLevels();
    ASSERT_NE(world->getArea(1), nullptr);
    if (!world->getArea(1)->levels.empty()) {
        EXPECT_EQ(boss.targetLevel, world->getArea(1)->levels.front()->zone);
    } else {
        EXPECT_EQ(boss.targetLevel, -1);
    }

    // A dungeon floor lies below its parent and belongs to its stack.
    for (int i = 0; i < world->getLevelCount(); ++i) {
        Level* l = world->getLevel(i);
        EXPECT_EQ(adapter.isBelowGround(i), l->subLevel);
        EXPECT_EQ(adapter.getLevelAbove(i), l->parent ? l->parent->zone : -1);
        EXPECT_EQ(adapter.getTopLevel(i), l->parent ? l->getRootLevel()->zone : i);
        EXPECT_EQ(adapter.getAreaQuestItem(i), l->definition->questItem);
    }
    EXPECT_EQ(adapter.getFirstLevelOfArea(-1), -1);
    EXPECT_EQ(adapter.getFirstLevelOfArea(world->getAreaCount()), -1);
}

TEST_F(WorldLoadTest, TheGameAsksTheWorldWhetherAPlaceIsFree)
{
    load(2);
    Game game;
    game.resizeForWorld(world->getLevelCount());
    EXPECT_EQ(game.getLevelCount(), world->getLevelCount());
    world->addPlayerView(3, 0);
    Level* town = world->getLevel(0);
    town->ensureLayout();
    ASSERT_TRUE(world->isLevelLoaded(0));
    EXPECT_TRUE(game.isLevelActive(0));
    Entity mover;
    mover.setRadius(10.0f);
    const ZonePosition centre = data->rules().townCenterPosition;
    EXPECT_TRUE(game.isPlaceFree(centre, &mover));
    EXPECT_TRUE(game.isItemSpotFree(centre));
    // A wall cell of the town.
    ZonePosition wall(-1, 0.0f, 0.0f);
    for (int y = 0; y < 128 && wall.zone < 0; ++y) {
        for (int x = 0; x < 128 && wall.zone < 0; ++x) {
            ZonePosition p(0, x * 32.0f + 16.0f, y * 32.0f + 16.0f);
            if (world->isBlockedForMovement(p)) {
                wall = p;
            }
        }
    }
    ASSERT_EQ(wall.zone, 0);
    EXPECT_FALSE(game.isPlaceFree(wall, &mover));
    EXPECT_FALSE(game.isItemSpotFree(wall));
    // A level nobody holds is built for no one: nothing stands there.
    int far = -1;
    for (int i = 0; i < world->getLevelCount() && far < 0; ++i) {
        if (!world->getLevel(i)->getLayout()) {
            far = i;
        }
    }
    ASSERT_GE(far, 0);
    EXPECT_FALSE(game.isPlaceFree(ZonePosition(far, 2000.0f, 2000.0f), &mover));
    mover.setFlags(mover.getFlags() | EntityBase::kFlagNoCollision);
    EXPECT_TRUE(game.isPlaceFree(wall, &mover));
    world->removePlayerView(3);
}

TEST_F(WorldLoadTest, SpotsInRockMoveToTheNearestFreeCellWhenTheLevelIsBuilt)
{
    load(1);
    int floor = -1;
    for (int i = 0; i < world->getLevelCount() && floor < 0; ++i) {
        if (world->getLevel(i)->subLevel) {
            floor = i;
        }
    }
    ASSERT_GE(floor, 0);
    Level* level = world->getLevel(floor);
    level->acquire(7);
    level->ensureLayout();
    // A cell with no free cell within four rings: rock.
    auto freeWithin = [&](int cx, int cy, int rings) {
        for (int y = cy - rings; y <= cy + rings; ++y) {
            for (int x = cx - rings; x <= cx + rings; ++x) {
                if (x >= 0 && y >= 0 && x < 128 && y < 128 && !level->isCellBlockedForMovement(x, y)) {
                    return true;
                }
            }
        }
        return false;
    };
    int rockX = -1, rockY = -1;
    for (int y = 4; y < 124 && rockX < 0; ++y) {
        for (int x = 4; x < 124 && rockX < 0; ++x) {
            if (!freeWithin(x, y, 4)) {
                rockX = x;
                rockY = y;
            }
        }
    }
    ASSERT_GE(rockX, 0);
    level->release(7);
    ASSERT_EQ(level->getLayout(), nullptr);
    const ZonePosition rock(floor, 16.0f + rockX * 32.0f, 16.0f + rockY * 32.0f);
    level->connections[0].position = rock;
    level->gateFlag = true;
    level->gateSpot = rock;
    level->acquire(7);
    level->ensureLayout();
    for (const ZonePosition& moved : {level->connections[0].position, level->gateSpot}) {
        EXPECT_EQ(moved.zone, floor);
        EXPECT_FALSE(world->isBlockedForMovement(moved));
        EXPECT_GT(std::abs(moved.x - rock.x) + std::abs(moved.y - rock.y), 4 * 32.0f);
    }
    // A spot on free ground stays where it is.
    const ZonePosition kept = level->connections[0].position;
    level->release(7);
    level->acquire(7);
    level->ensureLayout();
    EXPECT_EQ(level->connections[0].position, kept);
    level->release(7);
}

TEST_F(WorldLoadTest, EveryLevelWithMonstersFindsTypesAtTheFirstStartingLevel)
{
    ASSERT_FALSE(data->rules().startingMonsterLevels.empty());
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        world->setStartLevelIndex(0);
        load(seed);
        EXPECT_EQ(world->getLevel(0)->monsterLevel, data->rules().startingMonsterLevels[0]);
        world->setSecretSeed(seed);
        world->createSecretLevels();
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const AreaDefinition* d = world->getLevel(i)->definition;
            if (d->monsterChancePerBlock > 0.0f) {
                EXPECT_TRUE(d->isPrepared()) << world->getLevelName(i);
                EXPECT_FALSE(d->getActiveTypes().empty()) << world->getLevelName(i);
            }
        }
    }
    // The start index is the load's own input: it survives the reset.
    world->setStartLevelIndex(2);
    load(1);
    EXPECT_EQ(world->getStartLevelIndex(), 2);
    EXPECT_EQ(world->getLevel(0)->monsterLevel, data->rules().startingMonsterLevels[2]);
}

TEST_F(WorldLoadTest, TheSmallWorldFitsItsGrid)
{
    const DatabaseEntry* small = database.findEntry("WorldSizeSmall");
    ASSERT_NE(small, nullptr);
    world->setRequestedWorldSize(small->getId());
    for (uint32_t seed : kSeeds) {
        load(seed);
        ASSERT_NE(world->getWorldSize(), nullptr);
        EXPECT_EQ(world->getWorldSize()->name, "Small");
        EXPECT_EQ(world->getLevel(0)->definition->entryName, "AreaTown");
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const Level* l = world->getLevel(i);
            EXPECT_LT(l->gridColumn, 3);
            EXPECT_LT(l->gridRow, 4);
        }
    }
    world->setRequestedWorldSize(-1);
}

} // namespace
