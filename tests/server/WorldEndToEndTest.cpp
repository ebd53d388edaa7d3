// The program's own start-up on the shipped data builds whole worlds from
// their seeds: every level laid out on the loader thread, every gate spot and
// connection point standing near a free cell that a walk from the town
// reaches and that the path finder finds from 20 cells back on that walk,
// every block populated with monsters on free cells. The facts of
// each seed are kept in testdata/world/<seed>.txt (GLOAM_UPDATE_GOLDEN=1
// rewrites them for review).
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Entity.h"
#include "game/entities/Secret.h"
#include "game/entities/Torch.h"
#include "game/entities/TrapGround.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "game/world/AreaDefinition.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/PathFinder.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "game/world/WorldHooks.h"
#include "graphics/shaders/ShaderHooks.h"
#include "server/GameStartup.h"
#include "support/HeadlessServer.h"
#include "support/StandInPlayer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace {

constexpr int kKey = 11;
constexpr uint32_t kSecretSeed = 777;

// How a run builds its world: the state of the shared random stream before
// the load, and the order and pace in which the loader's levels are taken.
struct BuildStyle {
    uint32_t sharedState = 1;
    bool reverse = false;
    int pauseMs = 1;
};

struct Spot {
    std::string what;
    ZonePosition position;
    int targetLevel = -1;      // connection points: where they lead
    int targetConnection = -1; // and to which point there
};

class WorldRun {
public:
    WorldRun(Application& app, World& world, Game& game) : m_app(app), m_world(world), m_game(game) {}

    // Loads and builds the world of a seed; returns its facts.
    std::string build(uint32_t seed, const BuildStyle& style = {})
    {
        Random::setState(0, style.sharedState);
        m_world.setWorldSeed(seed);
        m_world.load();
        m_world.setSecretSeed(kSecretSeed);
        m_world.createSecretLevels();
        m_game.resizeForWorld(m_world.getLevelCount());
        if (!m_game.getFirstPlayer())
            addStandInPlayer(m_game);
        const int count = m_world.getLevelCount();
        for (int i = 0; i < count; ++i) {
            m_world.getLevel(style.reverse ? count - 1 - i : i)->acquire(kKey);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        while (!allLoaded() && std::chrono::steady_clock::now() < deadline) {
            m_app.getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(style.pauseMs));
        }
        EXPECT_TRUE(allLoaded()) << "seed " << seed;
        return facts();
    }

    // Level by level every block populated, the monsters listed and deleted:
    // per level a line of the monsters by rarity (with their types) for the
    // golden file, and in `detail` every monster's type, level, rarity,
    // enhancements and place.
    std::string populate(uint32_t seed, std::string& detail)
    {
        SpawnSystem& spawns = *SpawnSystem::instance();
        const GameRules& rules = GameData::get().rules();
        const int blocks = rules.blocksAcross * rules.blocksDown;
        // The population's own draws start from one state per seed.
        Random::setState(0, seed * 7u + 1u);
        m_game.setTimeOfDay(12.0);
        std::ostringstream out;
        std::ostringstream all;
        for (int zone = 0; zone < m_world.getLevelCount(); ++zone) {
            Level& level = *m_world.getLevel(zone);
            for (int block = 0; block < blocks; ++block) {
                EXPECT_EQ(spawns.populateBlock(zone, block), 1) << "level " << zone << " block " << block;
            }
            std::map<int, std::map<std::string, int>> byRarity;
            int count = 0;
            for (Actor* a : actors()) {
                const ZonePosition& p = a->getPosition();
                const int cx = static_cast<int>(p.x / 32.0f);
                const int cy = static_cast<int>(p.y / 32.0f);
                EXPECT_EQ(p.zone, zone);
                EXPECT_TRUE(cx >= 0 && cx < 128 && cy >= 0 && cy < 128 &&
                            !level.isCellBlockedForMovement(cx, cy))
                    << "monster of level " << zone << " not on a free cell at " << p.x << ',' << p.y;
                const std::string type = a->getMonsterType() ? a->getMonsterType()->getEntryName() : "?";
                ++byRarity[a->getEnhancementRarity()][type];
                ++count;
                all << zone << ' ' << type << ' ' << a->getLevel() << ' ' << a->getEnhancementRarity() << ' '
                    << p.x << ',' << p.y;
                for (const StatusEffect* e : a->getStatusEffects()) {
                    all << ' ' << (e->getEntry() ? e->getEntry()->getName() : "-");
                }
                all << '\n';
                m_game.deleteEntity(a, true);
            }
            // The level's objects go too: one Game holds every level in turn.
            for (int i = 0; i < Game::kMaxEntities; ++i) {
                Entity* e = m_game.getEntity(i);
                if (e && e->getPosition().zone == zone &&
                    (dynamic_cast<Chest*>(e) || dynamic_cast<TrapGround*>(e) || dynamic_cast<Door*>(e) ||
                     dynamic_cast<Torch*>(e) || dynamic_cast<Secret*>(e))) {
                    m_game.deleteEntity(e, true);
                }
            }
            out << "level " << zone << " population " << count;
            const char* separator = ":";
            for (const auto& [rarity, types] : byRarity) {
                int n = 0;
                for (const auto& [name, k] : types) {
                    n += k;
                }
                out << separator << ' ' << getMonsterRarityName(rarity) << ' ' << n << " (";
                const char* comma = "";
                for (const auto& [name, k] : types) {
                    out << comma << name << ' ' << k;
                    comma = ", ";
                }
                out << ')';
                separator = ",";
            }
            out << '\n';
        }
        detail = all.str();
        return out.str();
    }

    std::vector<Actor*> actors() const
    {
        std::vector<Actor*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            if (auto* a = dynamic_cast<Actor*>(m_game.getEntity(i))) {
                out.push_back(a);
            }
        }
        return out;
    }

    void release()
    {
        for (int i = 0; i < m_world.getLevelCount(); ++i) {
            m_world.getLevel(i)->release(kKey);
        }
    }

    bool allLoaded() const
    {
        for (int i = 0; i < m_world.getLevelCount(); ++i) {
            if (!m_world.isLevelLoaded(i)) {
                return false;
            }
        }
        return true;
    }

    std::string facts()
    {
        std::ostringstream out;
        out << "levels " << m_world.getLevelCount() << " first secret " << m_world.getFirstSecretLevel()
            << " named secret " << m_world.getNamedSecretLevel() << '\n';
        for (int i = 0; i < m_world.getLevelCount(); ++i) {
            const Level* l = m_world.getLevel(i);
            out << "level " << i << ' ' << l->definition->entryName << " cell " << l->gridColumn << ','
                << l->gridRow << " monsters " << l->monsterLevel << " borders";
            for (int e = 0; e < 4; ++e) {
                out << ' ' << l->borderKinds[e] << '/' << l->borderOpenings[e];
            }
            out << '\n';
            if (l->gateFlag) {
                out << "  gate " << l->gateSpot.x << ' ' << l->gateSpot.y << '\n';
            }
            for (const ConnectionPoint& c : l->connections) {
                out << "  connection " << c.position.x << ' ' << c.position.y << " to " << c.targetLevel
                    << ':' << c.targetConnection << '\n';
            }
        }
        return out.str();
    }

    std::vector<Spot> spots() const
    {
        std::vector<Spot> out;
        for (int i = 0; i < m_world.getLevelCount(); ++i) {
            const Level* l = m_world.getLevel(i);
            if (l->gateFlag) {
                out.push_back({"gate of " + l->getName() + " #" + std::to_string(i), l->gateSpot});
            }
            for (size_t k = 0; k < l->connections.size(); ++k) {
                const ConnectionPoint& c = l->connections[k];
                out.push_back(
                    {"connection " + std::to_string(k) + " of " + l->getName() + " #" + std::to_string(i),
                     c.position, c.targetLevel, c.targetConnection});
            }
        }
        return out;
    }

    // Free cells (x, y) of the movement grid of each level that a walk from
    // the town centre reaches, going through the free cells next to each
    // connection point to those next to its partner. Each reached cell keeps
    // the cell it was reached from.
    struct Walk {
        static constexpr int kUnseen = -2;
        static constexpr int kStart = -1;
        std::vector<std::vector<int>> from; // per level, per cell y * 128 + x

        static int encode(int zone, int x, int y) { return (zone * 128 + y) * 128 + x; }
        static size_t cellIndex(const ZonePosition& p)
        {
            return static_cast<size_t>(static_cast<int>(p.y / 32.0f) * 128 + static_cast<int>(p.x / 32.0f));
        }
        bool reached(const ZonePosition& p) const
        {
            return from[static_cast<size_t>(p.zone)][cellIndex(p)] != kUnseen;
        }
        // The cell the walk came through `steps` cells before the one of
        // `p`, on foot (not through a connection point): its level and
        // (x, y), and how many steps back it lies.
        int stepBack(const ZonePosition& p, int steps, int& zone, int& x, int& y) const
        {
            zone = p.zone;
            x = static_cast<int>(p.x / 32.0f);
            y = static_cast<int>(p.y / 32.0f);
            int taken = 0;
            for (; taken < steps; ++taken) {
                const int previous = from[static_cast<size_t>(zone)][static_cast<size_t>(y * 128 + x)];
                if (previous < 0) {
                    break;
                }
                const int pz = previous / (128 * 128), px = previous % 128, py = previous / 128 % 128;
                // A step within the level, or across its edge into the next.
                const int d = std::abs(px - x) + std::abs(py - y);
                if (!(pz == zone && d == 1) && !(pz != zone && d == 127)) {
                    break; // came through a connection point
                }
                zone = pz;
                x = px;
                y = py;
            }
            return taken;
        }
    };

    Walk walk(const std::vector<ZonePosition>& freeNear)
    {
        const int w = 128, h = 128;
        Walk out;
        out.from.assign(static_cast<size_t>(m_world.getLevelCount()),
                        std::vector<int>(static_cast<size_t>(w * h), Walk::kUnseen));
        std::deque<std::array<int, 3>> queue;
        auto visit = [&](int zone, int x, int y, int from) {
            if (!m_world.wrapCollisionCell(x, y, zone) ||
                out.from[static_cast<size_t>(zone)][static_cast<size_t>(y * w + x)] != Walk::kUnseen) {
                return;
            }
            if (m_world.getLevel(zone)->isCellBlockedForMovement(x, y)) {
                return;
            }
            out.from[static_cast<size_t>(zone)][static_cast<size_t>(y * w + x)] = from;
            queue.push_back({zone, x, y});
        };
        const ZonePosition town = GameData::get().rules().townCenterPosition;
        visit(0, static_cast<int>(town.x / 32.0f), static_cast<int>(town.y / 32.0f), Walk::kStart);
        // Connection points by their free cell.
        std::map<int, std::vector<std::array<int, 3>>> jumps;
        const std::vector<Spot> all = spots();
        auto cellOf = [](const ZonePosition& p) {
            return std::array<int, 3>{p.zone, static_cast<int>(p.x / 32.0f), static_cast<int>(p.y / 32.0f)};
        };
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i].targetLevel < 0 || freeNear[i].zone < 0) {
                continue;
            }
            for (size_t j = 0; j < all.size(); ++j) {
                if (all[j].position.zone == all[i].targetLevel &&
                    all[j].targetLevel == all[i].position.zone && freeNear[j].zone >= 0) {
                    const auto [zone, x, y] = cellOf(freeNear[i]);
                    jumps[Walk::encode(zone, x, y)].push_back(cellOf(freeNear[j]));
                }
            }
        }
        while (!queue.empty()) {
            const auto [zone, x, y] = queue.front();
            queue.pop_front();
            const int here = Walk::encode(zone, x, y);
            static constexpr int kDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& d : kDirs) {
                visit(zone, x + d[0], y + d[1], here);
            }
            if (const auto it = jumps.find(here); it != jumps.end()) {
                for (const auto& to : it->second) {
                    visit(to[0], to[1], to[2], here);
                }
            }
        }
        return out;
    }

private:
    Application& m_app;
    World& m_world;
    Game& m_game;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One world per seed, each test in a process of its own when run by ctest.
class WorldEndToEnd : public ::testing::TestWithParam<uint32_t> {};

TEST_P(WorldEndToEnd, SeedBuildsTheSameWorldAndMonstersEveryTimeWithEveryGateAndConnectionReached)
{
    const uint32_t seed = GetParam();
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    auto program = std::make_unique<HeadlessServer>();
    Application& app = *program->app;
    ASSERT_NE(World::instance(), nullptr);
    ASSERT_NE(Game::instance(), nullptr);
    ASSERT_NE(SpawnSystem::instance(), nullptr);
    World& world = World::get();
    Game& game = *Game::instance();
    WorldRun run(app, world, game);
    const bool update = std::getenv("GLOAM_UPDATE_GOLDEN") != nullptr;
    Entity mover;
    mover.setRadius(16.0f);

    const std::string layout = run.build(seed, {seed ^ 0x5EEDu, false, 1});
    // A quest may be given any level of the world's span: each has a level
    // to be sent to.
    for (int level = world.getMinMonsterLevel(); level <= world.getMaxMonsterLevel(); ++level) {
        EXPECT_NE(world.pickLevelForMonsterLevel(level, 0.0f, false), -1) << "monster level " << level;
    }
    const std::vector<Spot> spots = run.spots();
    std::vector<ZonePosition> freeNear;
    for (const Spot& spot : spots) {
        ZonePosition found;
        freeNear.push_back(game.findFreeSpotNear(spot.position, 4, found, &mover, false) ? found
                                                                                         : ZonePosition());
        EXPECT_GE(freeNear.back().zone, 0) << spot.what << " has no free cell within four rings";
    }
    const WorldRun::Walk walk = run.walk(freeNear);
    PathFinder& finder = PathFinder::get();
    int longWays = 0;
    for (size_t i = 0; i < spots.size(); ++i) {
        const ZonePosition& p = freeNear[i];
        if (p.zone < 0) {
            continue;
        }
        if (!walk.reached(p)) {
            ADD_FAILURE() << spots[i].what << " is not reached from the town";
            continue;
        }
        // The path finder finds the way from the walk's cell 20 cells
        // before the spot (or the start of the walk on its level); the way
        // keeps to free cells and ends on the spot's cell.
        int zone = 0, x = 0, y = 0;
        const int back = walk.stepBack(p, 20, zone, x, y);
        longWays += back == 20 ? 1 : 0;
        const ZonePosition start = snapToGrid(ZonePosition(zone, x * 32.0f + 16.0f, y * 32.0f + 16.0f));
        const std::string from = std::to_string(zone) + ':' + std::to_string(x) + ',' + std::to_string(y);
        mover.setPosition(start);
        GridPath path;
        if (!finder.findPath(&mover, start, p, nullptr, path)) {
            ADD_FAILURE() << spots[i].what << ": no path from " << from << ", " << back
                          << " cells back on the walk";
            continue;
        }
        bool onFreeCells = true;
        for (int k = 0; k < path.stepCount && onFreeCells; ++k) {
            const GridStep step = gridStepOfCode(path.codes[k]);
            x += step.dx;
            y += step.dy;
            onFreeCells =
                world.wrapCollisionCell(x, y, zone) && !world.getLevel(zone)->isCellBlockedForMovement(x, y);
        }
        EXPECT_TRUE(onFreeCells) << spots[i].what << ": the path from " << from << " crosses a wall";
        EXPECT_EQ(zone, p.zone) << spots[i].what;
        EXPECT_EQ(x, static_cast<int>(p.x / 32.0f)) << spots[i].what;
        EXPECT_EQ(y, static_cast<int>(p.y / 32.0f)) << spots[i].what;
    }
    // Half the spots or more lie far enough along their walks for the whole
    // 20 cells.
    EXPECT_GE(longWays * 2, static_cast<int>(spots.size()));
    std::string detail;
    const std::string facts = layout + run.populate(seed, detail);
    run.release();

    // The same seed again in the same process, from another state of the
    // shared stream, the loader's levels taken in the other order and at
    // another pace: the same world and the same monsters in the same places.
    EXPECT_EQ(run.build(seed, {seed * 2654435761u + 12345u, true, 4}), layout);
    std::string detailAgain;
    EXPECT_EQ(layout + run.populate(seed, detailAgain), facts);
    EXPECT_EQ(detailAgain, detail);
    run.release();

    const std::string path = testDataPath("world/" + std::to_string(seed) + ".txt");
    if (update) {
        std::ofstream(path, std::ios::binary) << facts;
    } else {
        EXPECT_EQ(readFile(path), facts) << path;
    }
    program.reset();
    EXPECT_EQ(World::instance(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Seeds, WorldEndToEnd, ::testing::Values(1u, 2u, 3u, 4242u, 0x7FFFFFFFu));

} // namespace
