// Messages 5 and 6 on the program's shared World: it is loaded only when its
// seed is new, secret levels alone follow a new secret seed, and a new world
// starts the mirrors again.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/net/SocketLayer.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/HeadlessServer.h"

#include <gtest/gtest.h>

namespace {

ByteBuffer worldMessage(uint32_t type, uint32_t zone, int32_t variant, uint32_t seed, uint32_t secret)
{
    ByteBuffer out;
    out.writeInt(type);
    if (type == 5) {
        out.writeInt(zone);
    }
    out.writeInt(variant);
    out.writeInt(seed);
    out.writeInt(secret);
    if (type == 5) {
        out.writeInt(kMessageEndMark); // no resource names
    }
    return out;
}

} // namespace

TEST(ClientWorldMessages, TheWorldIsLoadedOnlyForANewSeedAndANewWorldStartsTheMirrorsAgain)
{
    HeadlessServer server;
    World* world = server.world;
    ASSERT_NE(world, nullptr);
    ASSERT_FALSE(world->isLoaded());
    Client client;
    GameClient::registerCommands();
    bool miniMapBuilt = true;
    client.getUi().setMiniMapBuilt = [&miniMapBuilt](bool built) { miniMapBuilt = built; };
    ASSERT_TRUE(client.startGame(false));
    PlayerClient* player = client.getLocalPlayer();
    player->EntityBase::setPosition(ZonePosition(0, 300.0f, 400.0f));
    const auto deliver = [&client](ByteBuffer message) { client.dispatchMessage(message, NetAddress()); };
    // A mark on level 0 that a new load would not keep.
    const auto markLevel = [world] { world->getLevel(0)->seed = 0x5eed; };
    const auto levelKept = [world] {
        return world->getLevelCount() > 0 && world->getLevel(0)->seed == 0x5eed;
    };

    deliver(worldMessage(5, 3, -1, 77, 99));
    ASSERT_TRUE(client.isJoined());
    ASSERT_TRUE(world->isLoaded());
    EXPECT_EQ(world->getWorldSeed(), 77u);
    EXPECT_EQ(world->getSecretSeed(), 99u);
    EXPECT_EQ(world->getRequestedWorldSize(), -1);
    ASSERT_NE(world->getView(-1), nullptr);
    EXPECT_EQ(world->getView(-1)->level, 3);
    EXPECT_EQ(player->getPosition(), ZonePosition(3, 300.0f, 400.0f));
    const int secretLevels = world->getNumSecretLevels();

    markLevel();
    deliver(worldMessage(5, 3, -1, 77, 99));
    EXPECT_TRUE(levelKept()) << "the same message loads nothing";
    deliver(worldMessage(5, 3, -1, 77, 100));
    EXPECT_TRUE(levelKept()) << "a new secret seed alone makes only secret levels";
    EXPECT_EQ(world->getSecretSeed(), 100u);
    EXPECT_EQ(world->getNumSecretLevels(), secretLevels);

    // A new world: the town, fresh mirrors, the identity of the World's values.
    player->action = 2;
    player->returnPosition = ZonePosition(2, 10.0f, 10.0f);
    client.getPlayerCovenant()->raiding = true;
    deliver(worldMessage(6, 0, -1, 77, 100));
    EXPECT_TRUE(levelKept());
    EXPECT_EQ(client.getPlayerZone(), 0);
    EXPECT_EQ(player->action, 0);
    EXPECT_EQ(player->returnPosition.zone, -1);
    EXPECT_FALSE(client.getPlayerCovenant()->raiding);
    EXPECT_EQ(player->areaValue, static_cast<uint32_t>(-1));
    EXPECT_EQ(player->worldValue, 77u);
    EXPECT_FALSE(miniMapBuilt);
    client.endGame();
    GameClient::destroy();
}
