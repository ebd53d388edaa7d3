// The server's game section read by the client's own reader: the town NPC
// slots (type and name, 0 and "" for an empty one) and the weather at the
// player come through as the server holds them.
#include "client/ServerMessages.h"
#include "client/StateMessage.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/QuestClient.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestLoaders.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "support/TestCovenant.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

// The Game's section for the viewer, alone in a state message, read by the
// client's reader.
bool readGameSection(Game& game, const Entity* viewer, StateMessage& state)
{
    ByteBuffer message;
    message.writeInt(uint32_t(3));
    message.writeInt(kMessageEndMark);
    message.writeInt(kMessageEndMark);
    message.writeInt(uint32_t(0));
    message.writeInt(kMessageEndMark);
    game.writeUpdate(message, viewer);
    message.writeInt(uint32_t(0));
    ByteBuffer in(message.data(), message.size());
    EXPECT_EQ(in.readUInt(), 3u); // the message type, read by the dispatcher
    MessageError error;
    const bool read = readStateMessage(in, state, error);
    EXPECT_TRUE(read) << error.field;
    return read;
}

} // namespace

TEST(GameSectionReadBack, TownNpcSlotsAndTheWeatherAtThePlayerReachTheClient)
{
    TestWorld world;
    ASSERT_TRUE(world.server->start(false, 0, 1, 1, 0));
    Game& game = *world.game;
    // A type without its "Npc" monster type leaves the last slot empty.
    game.mutableSettings().npcTypes.push_back("Recruit");
    game.createTownNpcs();
    ASSERT_GT(game.getTownNpcCount(), 2);
    ASSERT_EQ(game.getTownNpcAt(game.getTownNpcCount() - 1), nullptr);
    const ZonePosition at(1, 700.0f, 500.0f);
    WeatherFront* front = game.weather().startFront(ZonePosition(1, 500.0f, 500.0f));
    ASSERT_NE(front, nullptr);
    front->intensity = 0.8f;
    front->wind = Vec2(3.0f, 4.0f);
    front->minDistance = 100.0f;
    front->maxDistance = 300.0f;
    front->fadeUpTime = 0.0f;
    front->velocity = Vec2(0.0f, 0.0f);
    Entity player;
    player.setPosition(at);

    for (const Entity* viewer : {static_cast<const Entity*>(&player), static_cast<const Entity*>(nullptr)}) {
        StateMessage state;
        ASSERT_TRUE(readGameSection(game, viewer, state));

        ASSERT_EQ(static_cast<int>(state.game.namedValues.size()), game.getTownNpcCount());
        for (int slot = 0; slot < game.getTownNpcCount(); ++slot) {
            const Actor* npc = game.getTownNpcAt(slot);
            EXPECT_EQ(state.game.namedValues[slot].first,
                      npc ? static_cast<uint32_t>(npc->getNpcType()) : 0u);
            EXPECT_EQ(state.game.namedValues[slot].second, npc ? npc->getName() : std::string());
        }
        // Halfway between the radii: half the front; no player, nothing.
        EXPECT_NEAR(state.game.weatherIntensity, viewer ? 0.4f : 0.0f, 1e-5f);
        EXPECT_NEAR(state.game.windX, viewer ? 1.5f : 0.0f, 1e-5f);
        EXPECT_NEAR(state.game.windY, viewer ? 2.0f : 0.0f, 1e-5f);
    }
}

// A covenant's state section as the client's parser takes it: exactly the
// bytes written, and no shorter prefix.
TEST(GameSectionReadBack, ACovenantSectionIsParsedWholeAndNoPrefixOfIt)
{
    TestWorld world;
    TestCovenant& ironbound = addTestCovenant(*world.game, "Ironbound");
    addTestCovenant(*world.game, "Thornveil");
    ByteBuffer out;
    ironbound.writeUpdate(out);
    ASSERT_EQ(out.size(), 158u);
    for (size_t cut = 0; cut <= out.size(); ++cut) {
        ByteBuffer in(out.data(), cut);
        CovenantSection section;
        std::string field;
        const bool parsed = CovenantClient::parseSection(in, 2, section, field);
        EXPECT_EQ(parsed, cut == out.size()) << cut << " " << field;
        if (parsed) {
            EXPECT_EQ(in.getReadPos(), out.size());
        }
    }
}

// The server's quests in the game section, each read back to its end by the
// client's quest mirror from the slot's bytes, with the same type, level, seed
// and id, and as far from its end: a war, whose two sides need one kill each
// only from its first set-up, is not complete in the mirror.
TEST(GameSectionReadBack, TheServersQuestsReachTheClientsQuestMirrors)
{
    registerQuestLoaders();
    TestWorld world;
    ASSERT_TRUE(world.server->start(false, 0, 1, 1, 0));
    Game& game = *world.game;
    for (int i = 0; i < 3; ++i) {
        auto quest = std::make_unique<Quest>();
        const QuestType type = i == 2 ? QuestType::War : QuestType::KillMonsters;
        ASSERT_TRUE(quest->setup(2 + i, GameTime(), 900u + static_cast<uint32_t>(i), toIndex(type), 0));
        quest->rollChoices(false);
        if (type == QuestType::War) {
            quest->targets.resize(2);
            const char* sides[] = {"RecruitWarrior", "RecruitRogue"};
            for (size_t side = 0; side < 2; ++side) {
                quest->targets[side].monsterType = GameData::get().findMonsterType(sides[side]);
                quest->targets[side].needed = 1;
                ASSERT_NE(quest->targets[side].monsterType, nullptr);
            }
        }
        quest->randomizeParameters();
        ASSERT_GE(game.addQuest(std::move(quest)), 0);
    }
    StateMessage state;
    ASSERT_TRUE(readGameSection(game, nullptr, state));
    ASSERT_EQ(static_cast<int>(state.game.quests.size()), game.getQuestTableSize());
    int present = 0;
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        const Quest* quest = game.getQuest(i);
        ASSERT_EQ(state.game.quests[static_cast<size_t>(i)].present, quest != nullptr) << i;
        if (!quest) {
            continue;
        }
        ++present;
        QuestClient mirror;
        ByteBuffer image(state.game.quests[static_cast<size_t>(i)].image);
        ASSERT_TRUE(mirror.read(image, true, false, 0)) << i;
        EXPECT_TRUE(image.atEnd()) << i;
        EXPECT_EQ(mirror.type, quest->type);
        EXPECT_EQ(mirror.level, quest->level);
        EXPECT_EQ(mirror.seed, quest->seed);
        EXPECT_EQ(mirror.id, quest->id);
        EXPECT_EQ(mirror.isComplete(), quest->isComplete()) << getQuestTypeName(quest->type);
        ASSERT_EQ(mirror.targets.size(), quest->targets.size());
        for (size_t t = 0; t < quest->targets.size(); ++t) {
            EXPECT_EQ(mirror.targets[t].needed, quest->targets[t].needed) << getQuestTypeName(quest->type);
        }
    }
    EXPECT_EQ(present, 3);
}
