// The description of a Recruit quest names the computer covenant nearest to
// taking the recruit, as the server's covenant sections tell the client.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/GameData.h"
#include "support/HeadlessServer.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A covenant whose recruit quest stands at a kill count the test sets.
class HuntingCovenant : public TestCovenant {
public:
    int getQuestState() const override { return kills; }
    int kills = 0;
};

} // namespace

TEST(QuestDescription, ARecruitQuestNamesTheCovenantWithTheMostKills)
{
    HeadlessServer server;
    Game& game = *server.game;
    std::vector<HuntingCovenant*> hunters;
    for (const char* definition : {"Human", "Ironbound", "Thornveil"}) {
        auto covenant = std::make_unique<HuntingCovenant>();
        covenant->setDefinitionByName(definition);
        hunters.push_back(covenant.get());
        game.addCovenant(std::move(covenant));
    }
    Client client;
    GameClient::registerCommands();
    ASSERT_TRUE(client.startGame(false));
    PlayerClient* player = client.getLocalPlayer();
    QuestClient& quest = *player->quests[0];
    quest.type = toIndex(QuestType::Recruit);
    quest.level = 1;
    quest.goal = 5;
    quest.definition = GameData::get().getQuestDefinition(quest.type);
    ASSERT_NE(quest.definition, nullptr);

    // Each covenant's section as the server writes it, read as the client does.
    auto send = [&](std::vector<int> kills) {
        StateMessage state;
        for (size_t i = 0; i < hunters.size(); ++i) {
            hunters[i]->kills = kills[i];
            ByteBuffer out;
            hunters[i]->writeUpdate(out);
            ByteBuffer in(out.data(), out.size());
            CovenantSection section;
            std::string field;
            EXPECT_TRUE(
                CovenantClient::parseSection(in, static_cast<uint32_t>(hunters.size()), section, field))
                << field;
            state.game.covenants.push_back(section);
        }
        GameClient::get().readStateUpdate(state);
    };
    auto line = [](int index, int count) {
        return "Leading enemy covenant: " + GameClient::get().getColoredCovenantName(index) + " with " +
               std::to_string(count) + (count == 1 ? " kill\n" : " kills\n");
    };
    auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };

    send({0, 0, 0});
    const std::string plain = player->getQuestSlotDescription(0);
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(plain.find("Leading enemy covenant"), std::string::npos);

    const struct {
        std::vector<int> kills;
        int leader;
        int count;
    } rows[] = {{{0, 1, 0}, 1, 1}, {{0, 1, 3}, 2, 3}, {{0, 2, 2}, 1, 2}};
    for (const auto& row : rows) {
        send(row.kills);
        const std::string text = player->getQuestSlotDescription(0);
        ASSERT_FALSE(GameClient::get().getColoredCovenantName(row.leader).empty());
        EXPECT_TRUE(endsWith(text, line(row.leader, row.count))) << text;
        EXPECT_EQ(text.substr(0, plain.size()), plain);
    }

    // Another type of quest has no such line.
    quest.type = toIndex(QuestType::KillMonsters);
    quest.definition = GameData::get().getQuestDefinition(quest.type);
    EXPECT_EQ(player->getQuestSlotDescription(0).find("Leading enemy covenant"), std::string::npos);
    GameClient::destroy();
}
