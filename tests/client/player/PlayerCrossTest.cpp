// The local player mirror against the server's player: each side reads what
// the other wrote, to the last byte.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/entities/Player.h"
#include "support/FixedGateSource.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class PlayerCross : public ::testing::Test {
protected:
    PlayerCross() : gates({{7, 1}, {7, 2}, {9, 4}})
    {
        GameClient::registerCommands();
        player = std::make_unique<Player>();
        world.game->addEntity(player.get());
        player->buildForWorld();
    }
    ~PlayerCross() override
    {
        world.game->removeEntity(player.get());
        player.reset();
        GameClient::destroy();
    }

    TestWorld world;
    FixedGateSource gates;
    std::unique_ptr<Player> player;
};

} // namespace

TEST_F(PlayerCross, ServerPlayerSectionParsesWhole)
{
    ByteBuffer out;
    player->writePlayerSection(out);
    ByteBuffer in(out.bytes());
    PlayerClient mirror;
    mirror.setWorldIdentity(0, 0);
    ASSERT_TRUE(mirror.readServerUpdate(in));
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(mirror.stats.get(PlayerClient::kStatLevel), player->getStat(PlayerClient::kStatLevel));
    EXPECT_EQ(mirror.stats.get(PlayerClient::kStatMaxDamage), player->getStat(PlayerClient::kStatMaxDamage));
    EXPECT_EQ(mirror.getLevelGateCount(), 3);
}

TEST_F(PlayerCross, LoadedCharacterJoinReadsWholeInBothWorlds)
{
    Client client;
    for (bool same : {true, false}) {
        client.clearMessageLog();
        client.addTextEvent("You found a sword", 0, 0, 1, Client::kMessageLogKind, false, true);
        PlayerClient mirror;
        mirror.loadedFromFile = true;
        mirror.setName("Aldric");
        mirror.setMaxHealth(50);
        mirror.setHealth(40);
        mirror.stats.set(PlayerClient::kStatLevel, 3);
        mirror.exploredLevels = {true, false, true};
        mirror.returnPosition = ZonePosition(2, 64.0f, 96.0f);
        mirror.partyRecruits = {1};
        mirror.setWorldIdentity(same ? 0u : 5u, same ? 0u : 6u);
        ByteBuffer join;
        mirror.writeJoinSection(join, 0, 0);
        // Another world's join drops the old world's message log.
        EXPECT_EQ(client.getMessageLog().size(), same ? 1u : 0u) << same;
        ByteBuffer in(join.bytes());
        Player joined;
        world.game->addEntity(&joined);
        std::string field;
        EXPECT_TRUE(joined.initNewCharacter(in, field)) << field;
        EXPECT_TRUE(in.atEnd()) << same;
        EXPECT_EQ(joined.getStat(PlayerClient::kStatLevel), 3);
        // Positions and explored levels travel only within the same world.
        const std::vector<bool>& visited = joined.getVisitedLevels();
        if (same) {
            EXPECT_EQ(visited, (std::vector<bool>{true, false, true}));
        } else {
            EXPECT_EQ(std::count(visited.begin(), visited.end(), true), 0);
        }
        EXPECT_EQ(joined.getPlayerGatePosition() == mirror.returnPosition, same) << same;
        world.game->removeEntity(&joined);
    }
}
