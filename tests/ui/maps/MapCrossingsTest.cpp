// The crossings the world map and the mini-map label on worlds laid out from
// seeds drawn at each run, in every world size: from a free cell by each
// label the path finder walks to one by the label across the edge, both
// ways, as a click there does; an edge without a label is walled.
// GLOAM_MAP_SEED=<seed> lays out that seed.
#include "game/definitions/GameData.h"
#include "game/entities/Entity.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/PathFinder.h"
#include "game/world/World.h"
#include "support/HeadlessServer.h"
#include "ui/maps/LiveMapWorld.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr int kKey = 13;
constexpr int kSeedsPerSize = 6;

bool allLoaded(const World& world)
{
    for (int i = 0; i < world.getLevelCount(); ++i) {
        if (!world.isLevelLoaded(i)) {
            return false;
        }
    }
    return true;
}

TEST(MapCrossings, EveryLabelledEdgeIsCrossedFromItsLabelBothWays)
{
    HeadlessServer program;
    World& world = *program.world;
    Game& game = *program.game;
    LiveMapWorld maps;
    const float tile = maps.getTileSize();
    const GameRules& rules = GameData::get().rules();
    Entity mover;
    mover.setRadius(16.0f);
    std::random_device device;
    const char* fixed = std::getenv("GLOAM_MAP_SEED");
    world.load();
    const std::vector<WorldSize> sizes = world.getWorldSizes();
    int worlds = 0, labels = 0, uncrossed = 0;
    for (const WorldSize& size : sizes) {
        for (int n = 0; n < kSeedsPerSize; ++n) {
            const uint32_t seed = fixed ? static_cast<uint32_t>(std::strtoul(fixed, nullptr, 10)) : device();
            SCOPED_TRACE("world size " + size.name + ", seed " + std::to_string(seed));
            world.setRequestedWorldSize(size.entryId);
            world.setWorldSeed(seed);
            world.load();
            game.resizeForWorld(world.getLevelCount());
            for (int i = 0; i < world.getLevelCount(); ++i) {
                world.getLevel(i)->acquire(kKey);
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
            while (!allLoaded(world) && std::chrono::steady_clock::now() < deadline) {
                program.app->getHooks().finishLevels();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_TRUE(allLoaded(world));
            ++worlds;
            // Where a player stands on a label: a free cell near it, on its
            // own level.
            auto standBy = [&](int level, int tx, int ty, ZonePosition& out) {
                const ZonePosition label(level, (static_cast<float>(tx) + 0.5f) * tile,
                                         (static_cast<float>(ty) + 0.5f) * tile);
                return game.findFreeSpotNear(label, 4, out, &mover, false) && out.zone == level;
            };
            for (int level = 0; level < world.getLevelCount(); ++level) {
                for (int edge = 0; edge < 4; ++edge) {
                    int other = -1, tx = 0, ty = 0;
                    if (!maps.getEdgeLabel(level, edge, other, tx, ty)) {
                        // Unlabelled, the edge lets nobody across: each cell
                        // on it or the one beyond is blocked.
                        const int cells = edge < 2 ? rules.collisionGridHeight : rules.collisionGridWidth;
                        int open = 0;
                        for (int i = 0; i < cells; ++i) {
                            const int ax = edge == 0 ? 0 : edge == 1 ? rules.collisionGridWidth - 1 : i;
                            const int ay = edge == 2 ? 0 : edge == 3 ? rules.collisionGridHeight - 1 : i;
                            int bx = ax + (edge == 0 ? -1 : edge == 1 ? 1 : 0);
                            int by = ay + (edge == 2 ? -1 : edge == 3 ? 1 : 0);
                            int beyond = level;
                            if (!world.wrapCollisionCell(bx, by, beyond)) {
                                break;
                            }
                            open += !world.getLevel(level)->isCellBlockedForMovement(ax, ay) &&
                                    !world.getLevel(beyond)->isCellBlockedForMovement(bx, by);
                        }
                        EXPECT_EQ(open, 0) << "edge " << edge << " of " << maps.getLevelName(level) << " #"
                                           << level << " is open without a label";
                        continue;
                    }
                    ++labels;
                    const std::string what = "connection from " + maps.getLevelName(level) + " #" +
                                             std::to_string(level) + " to " + maps.getLevelName(other) +
                                             " #" + std::to_string(other) + " at " + std::to_string(tx) +
                                             "," + std::to_string(ty);
                    // The level beyond labels the same crossing on its side.
                    int back = -1, bx = 0, by = 0;
                    const bool partnered = maps.getEdgeLabel(other, edge ^ 1, back, bx, by) &&
                                           back == level && (edge < 2 ? by == ty : bx == tx);
                    EXPECT_TRUE(partnered) << what << ": not labelled at the same place beyond";
                    ZonePosition here, there;
                    bool crossed = partnered && standBy(level, tx, ty, here) && standBy(other, bx, by, there);
                    for (int way = 0; way < 2 && crossed; ++way) {
                        const ZonePosition& from = way == 0 ? here : there;
                        const ZonePosition& to = way == 0 ? there : here;
                        mover.setPosition(from);
                        GridPath path;
                        crossed = PathFinder::get().findPath(&mover, from, to, nullptr, path);
                    }
                    EXPECT_TRUE(crossed) << what << " is not crossed from its label both ways";
                    uncrossed += crossed ? 0 : 1;
                }
            }
            for (int i = 0; i < world.getLevelCount(); ++i) {
                world.getLevel(i)->release(kKey);
            }
        }
    }
    std::printf("%d worlds, %d labelled crossings, %d not crossed\n", worlds, labels, uncrossed);
    EXPECT_GT(labels, worlds * 4);
}

} // namespace
