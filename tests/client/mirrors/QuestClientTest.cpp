// Quest mirrors: their announcements through a recording text sink, the
// hotkey tutorial's own completion and the world's quest list.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/HotkeyRecord.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestLoaders.h"
#include "game/world/World.h"
#include "support/ClientMessageBytes.h"
#include "support/JoinedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class QuestClientTest : public ::testing::Test {
protected:
    QuestClientTest()
    {
        client.setTextEventSink([this](const ClientTextEvent& event) { texts.push_back(event); });
        client.join();
    }
    size_t shown(const std::string& text) const
    {
        size_t n = 0;
        for (const ClientTextEvent& event : texts) {
            n += event.text == text ? 1 : 0;
        }
        return n;
    }
    static QuestClient quest(QuestType type, int goal)
    {
        QuestClient q;
        q.type = static_cast<int>(type);
        q.level = 3;
        q.id = 17;
        q.goal = goal;
        return q;
    }
    // A state message whose game section lists these quests (-1: an empty slot).
    void sendQuests(const std::vector<const QuestClient*>& quests)
    {
        ByteBuffer out;
        out.writeInt(uint32_t(3));
        out.writeInt(kMessageEndMark);
        out.writeInt(kMessageEndMark);
        out.writeInt(uint32_t(0));
        out.writeInt(kMessageEndMark);
        out.writeGameTime(GameTime());
        out.writeInt(uint32_t(1));
        out.writeInt(uint32_t(0)); // covenants
        out.writeFloat(12.0f);
        out.writeInt(uint32_t(0)); // named values
        out.writeInt(static_cast<uint32_t>(quests.size()));
        for (const QuestClient* q : quests) {
            out.writeInt(uint32_t(q ? 1 : 0));
            if (q) {
                q->write(out, false);
            }
        }
        for (int i = 0; i < 5; ++i) {
            out.writeFloat(1.0f);
        }
        out.writeInt(uint32_t(0));
        out.writeInt(uint32_t(0));
        client.dispatchMessage(out, NetAddress());
        ASSERT_EQ(client.getDroppedCount(), 0u);
    }

    struct Loaders {
        Loaders() { registerQuestLoaders(); }
    } loaders;
    TestWorld world{true, false};
    JoinedClient client;
    std::vector<ClientTextEvent> texts;
};

} // namespace

TEST_F(QuestClientTest, AnnouncementsShowOnce)
{
    QuestClient failed = quest(QuestType::KillMonsters, 5);
    failed.failed = true;
    for (int i = 0; i < 3; ++i) {
        failed.update(nullptr);
    }
    std::string text = failed.getTitle(true, -1) + " quest failed";
    EXPECT_EQ(shown(text), 1u);
    EXPECT_EQ(shown("Quest completed"), 0u);
    const ClientTextEvent& first = texts.front();
    EXPECT_EQ(first.x, 320.0f);
    EXPECT_EQ(first.y, 200.0f);
    EXPECT_EQ(first.lifetime, 5.0f);
    EXPECT_EQ(first.kind, 1);
    EXPECT_TRUE(first.centred);
    EXPECT_FALSE(first.alwaysNew);

    // A changed counter shows the progress text once, also for a treasure
    // quest without target records.
    for (QuestType type : {QuestType::KillMonsters, QuestType::MonsterQuest}) {
        QuestClient running = quest(type, 5);
        texts.clear();
        running.update(nullptr);
        running.update(nullptr);
        EXPECT_EQ(texts.size(), 1u);
        running.progress = 2;
        running.update(nullptr);
        running.update(nullptr);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts.back().text, running.getProgressText(true));
        EXPECT_EQ(running.getLastShownProgress(), 2);
    }
}

TEST_F(QuestClientTest, TheHotkeyTutorialCompletesOnAFilledAndAnEmptySlot)
{
    std::vector<HotkeyRecord> hotkeys = {{{1, 0, 0, 0}}, {{1, 4, 1, 0}}};
    QuestClient tutorial = quest(QuestType::TutorialUseSlot, 1);
    tutorial.update(&hotkeys);
    tutorial.update(nullptr);
    EXPECT_FALSE(tutorial.isComplete());
    EXPECT_TRUE(client.getQueuedCommands().empty());
    hotkeys.push_back({{0, 7, 2, 0}});
    tutorial.update(&hotkeys);
    tutorial.update(&hotkeys);
    EXPECT_TRUE(tutorial.isComplete());
    EXPECT_EQ(client.getQueuedCommands(), (std::vector<std::string>{"completeQuest 17"}));
    EXPECT_EQ(shown("Quest completed"), 1u);
}

TEST_F(QuestClientTest, TheWorldsQuestListFollowsTheMessage)
{
    QuestClient shipped;
    ASSERT_TRUE(shipped.setup(4, GameTime(), 1234, static_cast<int>(QuestType::KillMonsters), 0));
    shipped.id = 9;
    ASSERT_NE(shipped.definition, nullptr);
    std::vector<const QuestClient*> six(6, &shipped);
    six[2] = nullptr;
    sendQuests(six);
    GameClient& game = GameClient::get();
    ASSERT_EQ(game.getQuestCount(), 6u);
    EXPECT_EQ(game.getQuest(2), nullptr);
    QuestClient* read = game.getQuest(5);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->slot, 5);
    EXPECT_EQ(read->id, 9);
    EXPECT_EQ(read->getTitle(true, -1), shipped.getTitle(true, -1));
    // An offered quest is read by its slot, the value its list row carries:
    // the empty slot 2 offers nothing and slot 3 is not shifted onto it.
    EXPECT_EQ(game.getOfferedQuest(2), nullptr);
    EXPECT_EQ(game.getOfferedQuest(3), game.getQuest(3));
    EXPECT_EQ(game.getOfferedQuest(5), game.getQuest(5));
    EXPECT_EQ(game.getOfferedQuest(6), nullptr);
    EXPECT_EQ(game.getOfferedQuest(-1), nullptr);

    sendQuests({&shipped, &shipped, nullptr, &shipped});
    EXPECT_EQ(game.getQuestCount(), 4u);
    EXPECT_EQ(game.getQuest(4), nullptr);
    EXPECT_EQ(game.getQuest(5), nullptr);
    EXPECT_NE(game.getQuest(3), nullptr);
}

TEST_F(QuestClientTest, ATownNpcQuestWaitsForANamedValueToChoose)
{
    QuestClient poison;
    ASSERT_TRUE(poison.setup(4, GameTime(), 99, static_cast<int>(QuestType::DeadlyPoison), 0));
    poison.id = 3;
    poison.failed = true;
    poison.npcChoice = 5;
    // No named values: no choice can be made, nothing is shown.
    poison.update(nullptr);
    EXPECT_TRUE(texts.empty());
    EXPECT_FALSE(poison.isAnnounced());

    ClientMessageBytes::StateValues s;
    s.game.named = {{6, "Hilda"}, {1, "Borin"}};
    ByteBuffer bytes = ClientMessageBytes::state(s);
    client.dispatchMessage(bytes, NetAddress());
    ASSERT_EQ(poison.getNpcCount(), 2);
    EXPECT_EQ(poison.getNpcType(0), NpcType::VendorBasic);
    EXPECT_EQ(poison.getNpcNameAt(1), "Borin");
    poison.update(nullptr);
    EXPECT_GE(poison.npcChoice, 0);
    EXPECT_LT(poison.npcChoice, 2);
    EXPECT_TRUE(poison.isAnnounced());
}

TEST_F(QuestClientTest, AQuestHintIsTheWorldsSolvedBitUnlessAHeldCopyIsComplete)
{
    ASSERT_TRUE(client.startGame(false));
    client.join();
    PlayerClient* player = client.getLocalPlayer();
    ASSERT_NE(player, nullptr);
    World shared;
    shared.setStartLevelIndex(1); // this world's bits start at 17
    QuestClient story;
    ASSERT_TRUE(story.setup(4, GameTime(), 55, static_cast<int>(QuestType::StoryTurenArmy), 0));
    ASSERT_NE(story.definition, nullptr);
    const size_t bit = static_cast<size_t>(17 + story.definition->questSolvedBit);
    story.id = 21;
    QuestClient plain;
    ASSERT_TRUE(plain.setup(4, GameTime(), 56, static_cast<int>(QuestType::KillMonsters), 0));
    plain.id = 22;
    sendQuests({&story, &plain});

    player->tutorialHints.assign(65, true);
    player->tutorialHints[bit] = false;
    EXPECT_FALSE(player->isQuestHintSet(21));
    player->tutorialHints[bit] = true;
    EXPECT_TRUE(player->isQuestHintSet(21));
    EXPECT_FALSE(player->isQuestHintSet(22)) << "no solved bit";
    EXPECT_FALSE(player->isQuestHintSet(99)) << "not in the world's list";

    QuestClient& held = *player->quests[2];
    held.copyFrom(&story);
    held.id = 21;
    held.progress = held.goal;
    EXPECT_FALSE(player->isQuestHintSet(21));
    held.progress = 0;
    EXPECT_TRUE(player->isQuestHintSet(21));
}
