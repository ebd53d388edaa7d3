// A generated world through the program's own start-up on the shipped data:
// every block of every level populated once, the monsters' places, rarities
// and enhancements, and monsters walking with the Game's own navigation (the
// World and its path finder).
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Direction.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/platform/LaunchOptions.h"
#include "game/ai/BehaviorStack.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Secret.h"
#include "game/entities/Torch.h"
#include "game/entities/TrapGround.h"
#include "game/skills/StatusEffect.h"
#include "game/world/AreaDefinition.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "support/HeadlessServer.h"
#include "support/LevelRoute.h"
#include "support/StandInPlayer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kKey = 12;
constexpr int kCells = 128;

// The headless program started on data/ with a seeded world whose levels are
// all built.
class GeneratedWorld : public HeadlessServer {
public:
    explicit GeneratedWorld(uint32_t seed)
    {
        if (!world || !game || !spawns)
            return;
        world->setWorldSeed(seed);
        world->load();
        world->setSecretSeed(777);
        world->createSecretLevels();
        game->resizeForWorld(world->getLevelCount());
        addStandInPlayer(*game);
        Random::setState(0, seed * 7u + 1u);
    }
    ~GeneratedWorld()
    {
        if (game)
            game->clear();
        if (acquired)
            for (int i = 0; i < world->getLevelCount(); ++i)
                if (world->isLevelLoaded(i))
                    world->getLevel(i)->release(kKey);
    }

    bool buildAll()
    {
        acquired = true;
        for (int i = 0; i < world->getLevelCount(); ++i)
            world->getLevel(i)->acquire(kKey);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        while (std::chrono::steady_clock::now() < deadline) {
            bool all = true;
            for (int i = 0; i < world->getLevelCount() && all; ++i)
                all = world->isLevelLoaded(i);
            if (all)
                return true;
            app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    std::vector<Actor*> actors() const
    {
        std::vector<Actor*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (auto* a = dynamic_cast<Actor*>(game->getEntity(i)))
                out.push_back(a);
        return out;
    }

    // Blocks of the level that hold ground the level's walks reach.
    std::vector<int> populatedPlaces(int zone) const
    {
        std::vector<int> out;
        const GameRules& rules = GameData::get().rules();
        const LevelLayout* layout = world->getLevel(zone)->getLayout();
        for (int b = 0; b < rules.blocksAcross * rules.blocksDown; ++b)
            if (b < static_cast<int>(layout->places.size()) && layout->places[static_cast<size_t>(b)] >= 0 &&
                (layout->reached.empty() || layout->reached[static_cast<size_t>(b)]))
                out.push_back(b);
        return out;
    }

    bool acquired = false;
};

const DatabaseEntry* entry(const std::string& name)
{
    return Database::get().findEntry(name);
}

bool isEnhancement(const DatabaseEntry* e)
{
    return e && e->getTypeInherited() == static_cast<int>(DatabaseEntryType::MonsterEnhancement);
}

// Enhancements the monster's class or type gives it.
bool givenByType(const MonsterType& type, const std::string& name)
{
    auto has = [&](const std::vector<std::string>& list) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    return has(type.enhancements) || (type.archetype && has(type.archetype->enhancements));
}

// Random enhancements a rarity asks for, the rarity mark aside.
int wantedEnhancements(int rarity, bool npc)
{
    static constexpr int kMonster[] = {0, 1, 2, 1, 2, 0, 0, 0};
    static constexpr int kNpc[] = {0, 1, 2, 3, 4, 0, 0, 0};
    return npc ? kNpc[rarity] : kMonster[rarity];
}

ZonePosition cellCentre(int zone, int x, int y)
{
    return snapToGrid(ZonePosition(zone, x * 32.0f + 16.0f, y * 32.0f + 16.0f));
}

TEST(PopulationEndToEnd, EveryBlockOfAGeneratedWorldIsPopulatedOnceWithMonstersOnFreeGround)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    GeneratedWorld w(4242);
    ASSERT_TRUE(w.world && w.game && w.spawns);
    World& world = *w.world;
    Game& game = *w.game;
    const GameRules& rules = GameData::get().rules();
    const int blocks = rules.blocksAcross * rules.blocksDown;
    const float blockWidth = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const float blockHeight = static_cast<float>(rules.blockTileHeight) * rules.tileSize;
    const float margin = static_cast<float>(rules.freeSpotRingLimit + 1) * rules.gridSize;

    // Nothing is populated on a level not built yet.
    EXPECT_EQ(w.spawns->populateBlock(1, 9), 0);
    EXPECT_FALSE(game.isBlockPopulated(1, 9));
    EXPECT_TRUE(w.actors().empty());
    ASSERT_TRUE(w.buildAll());

    const double hour = game.getTimeOfDay();
    const bool night = hour < rules.sunriseStart || hour > rules.sunsetEnd;
    const DatabaseEntry* recruitMark = entry("EnhancementRecruitBasic");
    ASSERT_NE(recruitMark, nullptr);
    int total = 0;
    int levelsWithMonsters = 0;
    int rarities[kMonsterRarityCount] = {};
    // The first rarity step: monsters that took it, and how many the areas'
    // chances lead one to expect.
    int stepped = 0;
    double expected = 0.0;
    double variance = 0.0;
    for (int zone = 0; zone < world.getLevelCount(); ++zone) {
        SCOPED_TRACE("level " + std::to_string(zone) + " " + world.getLevel(zone)->getName());
        const AreaDefinition* area = world.getLevel(zone)->definition;
        ASSERT_NE(area, nullptr);
        const std::vector<int> places = w.populatedPlaces(zone);
        for (int block = 0; block < blocks; ++block) {
            const size_t before = w.actors().size();
            ASSERT_EQ(w.spawns->populateBlock(zone, block), 1) << "block " << block;
            const bool wanted = std::find(places.begin(), places.end(), block) != places.end();
            EXPECT_EQ(game.isBlockPopulated(zone, block), wanted) << "block " << block;
            if (!wanted) {
                EXPECT_EQ(w.actors().size(), before) << "block " << block;
            }
            const int column = block % rules.blocksAcross;
            const int row = block / rules.blocksAcross;
            const std::vector<Actor*> now = w.actors();
            for (size_t i = before; i < now.size(); ++i) {
                const ZonePosition& p = now[i]->getPosition();
                EXPECT_EQ(p.zone, zone);
                EXPECT_GE(p.x, column * blockWidth - margin);
                EXPECT_LT(p.x, (column + 1) * blockWidth + margin);
                EXPECT_GE(p.y, row * blockHeight - margin);
                EXPECT_LT(p.y, (row + 1) * blockHeight + margin);
            }
        }
        EXPECT_EQ(game.getPopulatedBlockCount(zone), static_cast<int>(places.size()));

        // Once only: a second pass adds no one.
        const std::vector<Actor*> monsters = w.actors();
        for (int block = 0; block < blocks; ++block)
            EXPECT_EQ(w.spawns->populateBlock(zone, block), 1);
        EXPECT_EQ(w.actors().size(), monsters.size());
        if (!(area->monsterChancePerBlock > 0.0f)) {
            EXPECT_TRUE(monsters.empty()) << "an area without monsters";
        }
        levelsWithMonsters += monsters.empty() ? 0 : 1;

        for (Actor* a : monsters) {
            const ZonePosition& p = a->getPosition();
            const int cx = static_cast<int>(p.x / 32.0f);
            const int cy = static_cast<int>(p.y / 32.0f);
            ASSERT_TRUE(cx >= 0 && cx < kCells && cy >= 0 && cy < kCells) << p.x << ',' << p.y;
            EXPECT_FALSE(world.getLevel(zone)->isCellBlockedForMovement(cx, cy))
                << "in a wall at " << cx << ',' << cy;
            EXPECT_TRUE(game.isPlaceFree(p, a)) << "on another monster at " << cx << ',' << cy;

            const MonsterType* type = a->getMonsterType();
            ASSERT_NE(type, nullptr);
            const int rarity = a->getEnhancementRarity();
            ASSERT_GE(rarity, 0);
            ASSERT_LT(rarity, kMonsterRarityCount);
            ++rarities[rarity];
            ++total;
            const DatabaseEntry* mark = entry("EnhancementRarity" + getMonsterRarityName(rarity));
            int random = 0;
            for (const StatusEffect* e : a->getStatusEffects())
                random += isEnhancement(e->getEntry()) && e->getEntry() != mark &&
                          e->getEntry() != recruitMark && !givenByType(*type, e->getEntry()->getName());
            if (type->unique) {
                EXPECT_EQ(rarity, static_cast<int>(MonsterRarity::Unique));
                continue;
            }
            if (type->legend) {
                EXPECT_EQ(rarity, static_cast<int>(MonsterRarity::Legend));
                continue;
            }
            EXPECT_LE(rarity, static_cast<int>(MonsterRarity::VeryRare)) << type->getEntryName();
            EXPECT_LE(random, wantedEnhancements(rarity, a->isNpc())) << type->getEntryName();
            if (rarity > 0) {
                EXPECT_GE(random, 1) << type->getEntryName() << " of rarity " << rarity;
            }
            // Potential recruits roll their rarity by the town's chances.
            if (a->hasStatusEffect(recruitMark)) {
                for (int k = 1; k <= rarity; ++k)
                    EXPECT_GT(world.getLevel(0)->definition->getRarityChance(k, night), 0.0f);
                continue;
            }
            // A monster above Normal carries its rarity's mark, an NPC none.
            if (rarity > 0) {
                ASSERT_NE(mark, nullptr) << rarity;
                EXPECT_EQ(a->hasStatusEffect(mark), !a->isNpc()) << type->getEntryName();
            }
            // Each step taken has a chance in this area.
            for (int k = 1; k <= rarity; ++k)
                EXPECT_GT(area->getRarityChance(k, night), 0.0f) << type->getEntryName() << " step " << k;
            const float p1 = std::clamp(area->getRarityChance(1, night) / 100.0f, 0.0f, 1.0f);
            expected += p1;
            variance += p1 * (1.0 - p1);
            stepped += rarity >= 1 ? 1 : 0;
        }
        for (Actor* a : monsters)
            game.deleteEntity(a, true);
        ASSERT_TRUE(w.actors().empty());
    }
    EXPECT_GE(levelsWithMonsters, 10);
    EXPECT_GE(total, 200);
    EXPECT_LE(std::abs(stepped - expected), 4.0 * std::sqrt(variance) + 2.0)
        << stepped << " of the monsters rose above Normal, about " << expected << " expected";
    EXPECT_GT(rarities[static_cast<int>(MonsterRarity::Common)], 0);
}

// Free cells of the level that a walk over free cells from the cell reaches
// without leaving the square of the given reach around it.
std::vector<std::pair<int, int>> reachableCells(Level& level, int x0, int y0, int reach)
{
    std::vector<char> seen(kCells * kCells, 0);
    std::vector<std::pair<int, int>> out;
    std::deque<std::pair<int, int>> queue{{x0, y0}};
    seen[static_cast<size_t>(y0 * kCells + x0)] = 1;
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        out.emplace_back(x, y);
        static constexpr int kDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& d : kDirs) {
            const int nx = x + d[0], ny = y + d[1];
            if (nx < 0 || ny < 0 || nx >= kCells || ny >= kCells || std::abs(nx - x0) > reach ||
                std::abs(ny - y0) > reach || seen[static_cast<size_t>(ny * kCells + nx)] ||
                level.isCellBlockedForMovement(nx, ny))
                continue;
            seen[static_cast<size_t>(ny * kCells + nx)] = 1;
            queue.emplace_back(nx, ny);
        }
    }
    return out;
}

int chebyshev(const std::pair<int, int>& a, int x, int y)
{
    return std::max(std::abs(a.first - x), std::abs(a.second - y));
}

TEST(PopulationEndToEnd, MonstersWalkTheGeneratedLevelsWithTheWorldsPathFinder)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    GeneratedWorld w(1);
    ASSERT_TRUE(w.world && w.game && w.spawns);
    World& world = *w.world;
    Game& game = *w.game;
    ASSERT_TRUE(w.buildAll());

    int walked = 0, refused = 0, tried = 0;
    // The first walker stays for the unloaded level, with where it came from.
    Actor* still = nullptr;
    ZonePosition cameFrom;
    const int blocks = GameData::get().rules().blocksAcross * GameData::get().rules().blocksDown;
    for (int zone = 1; zone < world.getLevelCount(); ++zone) {
        Level& level = *world.getLevel(zone);
        SCOPED_TRACE("level " + std::to_string(zone) + " " + level.getName());
        for (int block = 0; block < blocks; ++block)
            w.spawns->populateBlock(zone, block);
        // One walker per level, alone on it: a walker stops rather than brush
        // past another monster, which this walk is not about.
        Actor* walker = nullptr;
        std::pair<int, int> goalCell;
        for (Actor* a : w.actors()) {
            if (a == still || walker)
                continue;
            const ZonePosition p = a->getPosition();
            const std::vector<std::pair<int, int>> near =
                reachableCells(level, static_cast<int>(p.x / 32.0f), static_cast<int>(p.y / 32.0f), 25);
            const auto goal = std::find_if(near.begin(), near.end(), [&](const auto& c) {
                const int d = chebyshev(c, static_cast<int>(p.x / 32.0f), static_cast<int>(p.y / 32.0f));
                return d >= 12 && d <= 20;
            });
            if (goal != near.end()) {
                walker = a;
                goalCell = *goal;
            }
        }
        for (Actor* a : w.actors())
            if (a != still && a != walker)
                game.deleteEntity(a, true);
        if (!walker)
            continue;
        // Nor past a chest: the path sees solid things only near its start.
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (Entity* e = game.getEntity(i);
                e && e != walker && e->getPosition().zone == zone && e->isSolid() && !dynamic_cast<Actor*>(e))
                game.deleteEntity(e, true);
        walker->clearBehaviors(); // the walk alone
        walker->setChecksActivity(false);
        const ZonePosition start = walker->getPosition();
        const ZonePosition to = cellCentre(zone, goalCell.first, goalCell.second);
        const std::string what = walker->getMonsterType()->getEntryName() + " from " +
                                 std::to_string(start.x) + "," + std::to_string(start.y) + " to " +
                                 std::to_string(to.x) + "," + std::to_string(to.y);
        GridPath path;
        ++tried;
        // The walker asks from its tile's centre, where its path starts.
        ZonePosition from = snapToGrid(start);
        from.normalize();
        if (!game.findPath(walker, from, to, nullptr, path)) {
            game.deleteEntity(walker, true); // too wide for the way there
            continue;
        }
        EXPECT_GT(path.stepCount, 0) << what;
        // The tiles of the path: the walker's own, then one per step.
        std::vector<ZonePosition> tiles{from};
        for (int s = 0; s < path.stepCount; ++s) {
            const GridStep step = gridStepOfCode(path.codes[static_cast<size_t>(s)]);
            ZonePosition next = tiles.back();
            next.addOffset(32.0f * static_cast<float>(step.dx), 32.0f * static_cast<float>(step.dy));
            next.normalize();
            tiles.push_back(next);
        }
        // Inside one of them; a hair's breadth over a shared edge or corner
        // is the rounding of a step along it.
        auto onPath = [&](const ZonePosition& at) {
            return std::any_of(tiles.begin(), tiles.end(), [&](const ZonePosition& c) {
                const Vec2 d = ZonePosition::getOffset(c, at);
                return std::abs(d.x) <= 16.01f && std::abs(d.y) <= 16.01f;
            });
        };
        walker->moveAlongPathTo(to);
        bool inWall = false;
        bool offPath = false;
        for (int i = 0; i < 1200 && walker->isMoving(); ++i) {
            game.update(0.05f);
            // From the placing spot, off its tile's centre, too.
            const ZonePosition at = walker->getPosition();
            inWall = inWall || game.isBlockedForMovement(at);
            offPath = offPath || !onPath(at);
        }
        EXPECT_FALSE(walker->isMoving()) << what;
        EXPECT_FALSE(inWall) << what;
        EXPECT_FALSE(offPath) << what << ": left the tiles of its path";
        // Alone on its level, every walker reaches its tile.
        EXPECT_EQ(walker->getPosition(), to) << what;
        ++walked;

        // Beyond 25 tiles there is no path, even over open ground.
        const ZonePosition here = walker->getPosition();
        const int hx = static_cast<int>(here.x / 32.0f), hy = static_cast<int>(here.y / 32.0f);
        const std::vector<std::pair<int, int>> far = reachableCells(level, hx, hy, kCells);
        const auto beyond = std::find_if(far.begin(), far.end(), [&](const auto& c) {
            return chebyshev(c, hx, hy) >= 27 && chebyshev(c, hx, hy) <= 40;
        });
        if (beyond != far.end()) {
            const ZonePosition distant = cellCentre(zone, beyond->first, beyond->second);
            EXPECT_FALSE(game.findPath(walker, here, distant, nullptr, path)) << what;
            walker->moveAlongPathTo(distant);
            for (int i = 0; i < 20; ++i)
                game.update(0.05f);
            EXPECT_FALSE(walker->isMoving()) << what;
            EXPECT_EQ(walker->getPosition(), here) << what;
            ++refused;
        }
        if (!still) {
            still = walker;
            cameFrom = snapToGrid(start);
        } else {
            game.deleteEntity(walker, true);
        }
    }
    EXPECT_GE(walked, 10) << "of " << tried << " tried";
    EXPECT_GE(refused, 5);

    // A level let go: the monster left on it does not walk, not even back
    // to where it came from.
    ASSERT_NE(still, nullptr);
    const ZonePosition to = cameFrom;
    const ZonePosition here = still->getPosition();
    Level& level = *world.getLevel(here.zone);
    level.release(kKey);
    ASSERT_FALSE(world.isLevelLoaded(here.zone));
    GridPath path;
    EXPECT_FALSE(game.findPath(still, here, to, nullptr, path));
    still->moveAlongPathTo(to);
    for (int i = 0; i < 100; ++i)
        game.update(0.05f);
    EXPECT_EQ(still->getPosition(), here);
    // Built again, the same request is walked.
    level.acquire(kKey);
    for (int i = 0; i < 100000 && !world.isLevelLoaded(here.zone); ++i) {
        w.app->getHooks().finishLevels();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(world.isLevelLoaded(here.zone));
    ASSERT_TRUE(game.findPath(still, here, to, nullptr, path));
    still->moveAlongPathTo(to);
    for (int i = 0; i < 1200 && still->isMoving(); ++i)
        game.update(0.05f);
    EXPECT_EQ(still->getPosition(), to);
}

// A type whose class's behaviour stack brings forth others.
bool spawns(const Game& game, const MonsterType* type)
{
    const BehaviorStack* stack = type ? game.findBehaviorStack(type->archetype) : nullptr;
    if (!stack)
        return false;
    const BehaviorList& list = stack->getBehaviors();
    return std::any_of(list.begin(), list.end(),
                       [](const auto& b) { return b && b->getType() == toIndex(ActorBehavior::Spawner); });
}

// The populated levels of a generated world hold a spawner on ground the
// level's walks reach; a foe near, it brings forth its brood beside itself,
// pausing between two, so a foe held near meets a few, not a swarm.
TEST(PopulationEndToEnd, AGeneratedWorldHoldsASpawnerThatBringsForthItsBroodWhenAFoeComesNear)
{
    GeneratedWorld w(4242);
    ASSERT_TRUE(w.world && w.game && w.spawns);
    World& world = *w.world;
    Game& game = *w.game;
    ASSERT_TRUE(w.buildAll());
    const int blocks = GameData::get().rules().blocksAcross * GameData::get().rules().blocksDown;
    int levels = 0;
    std::vector<Actor*> spawners;
    for (int zone = 0; zone < world.getLevelCount(); ++zone) {
        const std::vector<MonsterType*>& active = world.getLevel(zone)->definition->getActiveTypes();
        if (std::none_of(active.begin(), active.end(), [&](const MonsterType* t) { return spawns(game, t); }))
            continue;
        ++levels;
        for (int block = 0; block < blocks; ++block)
            w.spawns->populateBlock(zone, block);
        for (Actor* a : w.actors())
            if (a->getPosition().zone == zone && spawns(game, a->getMonsterType()))
                spawners.push_back(a);
    }
    std::printf("%d levels draw a spawner; %zu stand on them\n", levels, spawners.size());
    ASSERT_FALSE(spawners.empty()) << "no spawner in the world";
    Actor* spawner = spawners.front();
    const ZonePosition at = spawner->getPosition();
    SCOPED_TRACE(spawner->getMonsterType()->getEntryName() + " on level " + std::to_string(at.zone) + " " +
                 world.getLevel(at.zone)->getName());
    EXPECT_LE(spawner->getStat(toIndex(CharacterStat::Level)), 25);

    // Everyone else away: alone, it brings forth nothing.
    for (Actor* a : w.actors())
        if (a != spawner)
            game.deleteEntity(a, true);
    for (int i = 0; i < 100; ++i)
        game.update(0.05f);
    EXPECT_EQ(w.actors().size(), 1u) << "a brood with no foe near";

    // A player 140 off (or 198 across) on free ground.
    Player* foe = nullptr;
    for (int i = 0; i < Game::kMaxEntities && !foe; ++i)
        foe = dynamic_cast<Player*>(game.getEntity(i));
    ASSERT_NE(foe, nullptr);
    ZonePosition near(-1, 0.0f, 0.0f);
    for (int d = 0; d < kDirectionCount && near.zone < 0; ++d) {
        const Vec2 step = directionToVector2(d);
        ZonePosition spot(at.zone, at.x + 140.0f * step.x, at.y + 140.0f * step.y);
        spot.normalize();
        if (game.findFreeSpotNear(spot, 1, spot, foe, false) && ZonePosition::distanceTo(spot, at) < 300.0f)
            near = spot;
    }
    ASSERT_GE(near.zone, 0) << "no free ground near it";
    foe->warp(near);
    // Struck but never felled: the brood does not end the watch.
    foe->setFlags(foe->getFlags() | EntityBase::kFlagInvulnerable);
    // A minute, each of the brood struck down as it comes, as a player would
    // (alive, it would stand in the way): the first once the foe is seen,
    // the next after each pause of 15 to 16.5 seconds.
    std::vector<std::string> brood;
    float firstAt = -1.0f;
    for (int i = 0; i < 1200; ++i) {
        game.update(0.05f);
        for (Actor* a : w.actors()) {
            if (a == spawner)
                continue;
            if (brood.empty()) {
                firstAt = static_cast<float>(i) * 0.05f;
                EXPECT_LT(ZonePosition::distanceTo(a->getPosition(), spawner->getPosition()), 48.0f)
                    << "beside it";
                EXPECT_TRUE(walkable(a->getPosition())) << "on free ground";
            }
            brood.push_back(a->getMonsterType() ? a->getMonsterType()->getEntryName() : "");
            game.deleteEntity(a, true);
        }
    }
    std::printf("first after %.2f s, %zu in the minute\n", firstAt, brood.size());
    ASSERT_GE(firstAt, 0.0f) << "nothing came with the foe near";
    EXPECT_LT(firstAt, 5.0f);
    for (const std::string& type : brood)
        EXPECT_EQ(type, "CaveSpider");
    EXPECT_GE(brood.size(), 3u);
    EXPECT_LE(brood.size(), 4u);
}

} // namespace

namespace {

// What a populated level holds besides its monsters, by kind, with places.
struct LevelObjects {
    std::vector<std::string> facts;
    int doors = 0, torches = 0, secrets = 0, chests = 0, traps = 0;
};

LevelObjects objectsOn(GeneratedWorld& w, int zone)
{
    LevelObjects out;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const Entity* e = w.game->getEntity(i);
        if (!e || e->getPosition().zone != zone)
            continue;
        const char* kind = dynamic_cast<const Door*>(e)         ? "door"
                           : dynamic_cast<const Torch*>(e)      ? "torch"
                           : dynamic_cast<const Secret*>(e)     ? "secret"
                           : dynamic_cast<const Chest*>(e)      ? "chest"
                           : dynamic_cast<const TrapGround*>(e) ? "trap"
                                                                : nullptr;
        if (!kind)
            continue;
        const std::string k = kind;
        out.doors += k == "door";
        out.torches += k == "torch";
        out.secrets += k == "secret";
        out.chests += k == "chest";
        out.traps += k == "trap";
        out.facts.push_back(k + " " + e->getEntryName() + " " + std::to_string(e->getPosition().x) + "," +
                            std::to_string(e->getPosition().y));
    }
    std::sort(out.facts.begin(), out.facts.end());
    return out;
}

// Every dungeon level of the world, populated block by block.
std::vector<LevelObjects> dungeonObjects(uint32_t seed)
{
    GeneratedWorld w(seed);
    std::vector<LevelObjects> out;
    if (!w.world || !w.buildAll())
        return out;
    const int blocks = GameData::get().rules().blocksAcross * GameData::get().rules().blocksDown;
    for (int zone = 1; zone < w.world->getLevelCount(); ++zone) {
        const AreaDefinition* area = w.world->getLevel(zone)->definition;
        if (!area || area->areaFileName != "Levels/dungeon.ara")
            continue;
        for (int block = 0; block < blocks; ++block)
            w.spawns->populateBlock(zone, block);
        out.push_back(objectsOn(w, zone));
    }
    return out;
}

} // namespace

TEST(PopulationEndToEnd, DungeonBlocksPlaceTheDoorsTorchesSecretsChestsAndTrapsOfTheirData)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    const std::vector<LevelObjects> first = dungeonObjects(4242);
    ASSERT_FALSE(first.empty()) << "the world has dungeon levels";
    LevelObjects all;
    for (const LevelObjects& level : first) {
        all.doors += level.doors;
        all.torches += level.torches;
        all.secrets += level.secrets;
        all.chests += level.chests;
        all.traps += level.traps;
        // A room's secret passage hangs between two of its torches.
        EXPECT_GE(level.torches, 2 * level.secrets);
    }
    EXPECT_GT(all.doors, 0);
    EXPECT_GT(all.torches, 0);
    EXPECT_GT(all.secrets, 0);
    EXPECT_GT(all.chests, 0);
    EXPECT_GT(all.traps, 0);

    // The same facts on a second run of the same seed.
    const std::vector<LevelObjects> second = dungeonObjects(4242);
    ASSERT_EQ(second.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(second[i].facts, first[i].facts) << "dungeon level " << i;
}
