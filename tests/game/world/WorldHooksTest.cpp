#include "game/world/WorldHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/core/ZoneTopology.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(WorldHooksTest, TheWorldLivesFromSetUpToShutDown)
{
    LogCapture log;
    ResourceSystem resources;
    AppHooks hooks;
    bool destroyedBefore = false;
    hooks.destroySystems = [&] { destroyedBefore = World::instance() == nullptr; };
    installWorldHooks(hooks);
    hooks.registerSystems();
    EXPECT_TRUE(resources.hasType("ara"));
    EXPECT_EQ(World::instance(), nullptr);
    hooks.setupWorld();
    ASSERT_NE(World::instance(), nullptr);
    EXPECT_NE(SpawnSystem::instance(), nullptr);
    EXPECT_TRUE(log.contains("SpawnSystem database entry not found!", 3)) << "loaded at once";
    hooks.finishLevels();

    // The Game hears of levels built and released while it lives.
    {
        Game game;
        auto level = std::make_unique<Level>();
        Level* l = level.get();
        World::get().addLevel(std::move(level));
        World::get().notifyLevelBuilt(*l, false);
        EXPECT_TRUE(game.isLevelActive(0));
        World::get().notifyLevelReleased(*l, true);
        EXPECT_TRUE(game.isLevelActive(0));
        World::get().notifyLevelReleased(*l, false);
        EXPECT_FALSE(game.isLevelActive(0));
    }
    World::get().notifyLevelBuilt(*World::get().getLevel(0), true); // the Game is gone: nobody listens
    ASSERT_TRUE(ZoneTopology::current().neighbourFunction);
    hooks.destroySystems();
    EXPECT_EQ(World::instance(), nullptr);
    // Zone positions no longer ask the World that went.
    EXPECT_FALSE(ZoneTopology::current().neighbourFunction);
    EXPECT_EQ(ZoneTopology::current().neighbour(0, 1, 0), -1);
    EXPECT_EQ(SpawnSystem::instance(), nullptr);
    EXPECT_TRUE(destroyedBefore);
}

} // namespace
