// Every command line the server sends, made by the rules' own code and run by
// the real client from a state message: each is accepted whole (no argument
// left over, none missing) and changes what the client shows.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/ServerLink.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"
#include "support/JoinedClient.h"
#include "support/TestCovenant.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

const MonsterType* monsterTypeNamed(const GameData& data, const char* name)
{
    for (const auto& type : data.getMonsterTypes()) {
        if (type->getEntryName() == name) {
            return type.get();
        }
    }
    return nullptr;
}

// The skill loaders must be registered before the world loads its data: a
// member constructed ahead of the world.
struct ServerLinesLoaders {
    ServerLinesLoaders() { registerSkillLoaders(); }
};

class ServerLinesCross : public ::testing::Test {
protected:
    ServerLinesCross()
    {
        m_token = ServerLink::install([this](const std::string& line) { m_lines.push_back(line); },
                                      [](const std::string&, bool) { return ServerLink::kNoIndex; });
        world.game->resizeForWorld(1);
        addTestCovenant(*world.game, "Ironbound");
        auto made = std::make_unique<PlayerCovenant>();
        covenant = made.get();
        EXPECT_GE(world.game->addCovenant(std::move(made)), 0);
        ByteBuffer join;
        join.writeInt(0u);
        join.writeString("");
        std::string field;
        EXPECT_TRUE(covenant->initNew(join, field)) << field;
        player = new Player();
        player->setPosition(ZonePosition(0, 500.0f, 500.0f));
        EXPECT_GE(world.game->addEntity(player), 0);
        player->buildForWorld();

        EXPECT_TRUE(client.startGame(false));
        client.join();
        deliver({});
        client.getPlayerCovenant()->index = covenant->index;
        m_lines.clear();
    }
    ~ServerLinesCross() override { ServerLink::clear(m_token); }

    // The lines queued since the last call, with the entities, in message 3
    // framed as the server frames it; each line must run, none be refused.
    void deliverQueued(const std::vector<Entity*>& entities = {})
    {
        SCOPED_TRACE(testing::PrintToString(m_lines));
        const unsigned long long executed = world.commands.getExecutedCount();
        const unsigned long long refused = world.commands.getRefusedCount();
        const size_t count = m_lines.size();
        deliver(entities);
        EXPECT_EQ(world.commands.getRefusedCount(), refused);
        EXPECT_EQ(world.commands.getExecutedCount(), executed + count);
    }
    void deliver(const std::vector<Entity*>& entities)
    {
        ByteBuffer message;
        message.writeInt(uint32_t(3));
        message.writeInt(kMessageEndMark);
        message.writeInt(kMessageEndMark);
        message.writeInt(static_cast<uint32_t>(m_lines.size()));
        for (const std::string& line : m_lines) {
            message.writeString(line);
        }
        m_lines.clear();
        for (Entity* entity : entities) {
            entity->writeUpdate(message);
            entity->writeSnapshot(message);
        }
        message.writeInt(kMessageEndMark);
        world.game->writeUpdate(message, nullptr);
        message.writeInt(uint32_t(0));
        const unsigned dropped = client.getDroppedCount();
        client.dispatchMessage(message, NetAddress());
        EXPECT_EQ(client.getDroppedCount(), dropped) << "the state message was refused";
    }
    // The lines queued so far, by name.
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const std::string& line : m_lines) {
            out.insert(line.substr(0, line.find(' ')));
        }
        return out;
    }
    EntityClient* mirror(const Entity* entity)
    {
        return GameClient::get().getEntity(entity->getEntityNumber());
    }
    PlayerClient& local() { return *client.getLocalPlayer(); }

    ServerLinesLoaders loaders;
    TestWorld world;
    JoinedClient client;
    PlayerCovenant* covenant = nullptr;
    Player* player = nullptr;
    std::vector<std::string> m_lines;
    int m_token = 0;
};

} // namespace

// warp, warpDir and itemTimer: the player's own lines.
TEST_F(ServerLinesCross, TravelLinesMoveAndTurnTheLocalPlayer)
{
    ASSERT_NE(client.getLocalPlayer(), nullptr);
    player->sendWarp(ZonePosition(0, 812.5f, 340.5f));
    EXPECT_EQ(names(), std::set<std::string>{"warp"});
    deliverQueued();
    EXPECT_EQ(local().getPosition().zone, 0);
    EXPECT_FLOAT_EQ(local().getPosition().x, 812.5f);
    EXPECT_FLOAT_EQ(local().getPosition().y, 340.5f);

    player->setDirection(6);
    player->sendWarpDirection();
    EXPECT_EQ(names(), std::set<std::string>{"warpDir"});
    deliverQueued();
    EXPECT_EQ(local().warpDirection, 6);
    EXPECT_EQ(local().getDirection(), 6);

    // Index 0 is "no timer", on both sides.
    player->sendItemTimer(0, 9.0f);
    EXPECT_TRUE(m_lines.empty());
    player->sendItemTimer(2, 7.5f);
    EXPECT_EQ(names(), std::set<std::string>{"itemTimer"});
    deliverQueued();
    EXPECT_FLOAT_EQ(local().getItemTimerRemaining(2), 7.5f);
    EXPECT_EQ(local().getItemTimerRemaining(1), 0.0f);
}

// dmg (a heal's text and experience), timer (started and cancelled) and
// usedSkill reach the mirror they name.
TEST_F(ServerLinesCross, CombatLinesReachTheMirrorsTheyName)
{
    const MonsterType* type = monsterTypeNamed(*world.data, "GoblinWarrior");
    ASSERT_NE(type, nullptr);
    auto* goblin = new Actor();
    goblin->initFromMonsterType(type, 4);
    goblin->setPosition(ZonePosition(0, 560.0f, 500.0f));
    ASSERT_GE(world.game->addEntity(goblin), 0);
    deliver({player, goblin});
    EntityClient* seen = mirror(goblin);
    ASSERT_NE(seen, nullptr);

    // A heal's text, a big hit's in its own font and the kill's experience.
    goblin->setHealth(goblin->getMaxHealth() - 7);
    ASSERT_EQ(goblin->heal(5, nullptr, true), 5);
    CombatSystem combat;
    combat.dealDamage(goblin, 3, player, true, false, true);
    combat.shareKillExperience(player, goblin);
    // (A level gained by the kill is told by a msg line too.)
    EXPECT_EQ(std::count_if(m_lines.begin(), m_lines.end(),
                            [](const std::string& l) { return l.rfind("dmg ", 0) == 0; }),
              3);
    deliverQueued({player, goblin});
    ASSERT_EQ(seen->getFloatingTexts().size(), 2u);
    EXPECT_EQ(seen->getFloatingTexts()[0].text, "+5");
    EXPECT_NE(seen->getFloatingTexts()[1].text.find('3'), std::string::npos);
    const EntityClient* own = mirror(player);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(own->getFloatingTexts().size(), 1u);
    EXPECT_NE(own->getFloatingTexts()[0].text.find("xp"), std::string::npos);

    auto* item = new Item();
    item->setItemEntry(world.database.findEntry("Dagger"));
    goblin->startIdentifyItem(item, 2.5f);
    EXPECT_EQ(names(), std::set<std::string>{"timer"});
    deliverQueued({player, goblin});
    EXPECT_FLOAT_EQ(seen->getProgressLength(), 2.5f);
    EXPECT_EQ(seen->getProgressKind(), 1);
    goblin->cancelUseEntity();
    deliverQueued({player, goblin});
    EXPECT_EQ(seen->getProgressLength(), 0.0f);
    delete item;

    // The answer to the player's own skill use.
    const CharacterClass* warrior = world.data->findCharacterClassById(0);
    ASSERT_NE(warrior, nullptr);
    SkillListBase* skills = player->getSkillList();
    ASSERT_NE(skills, nullptr);
    skills->rebuild(player, warrior);
    ASSERT_FALSE(skills->getSkills().empty());
    auto* skill = dynamic_cast<Skill*>(skills->getSkills().front());
    ASSERT_NE(skill, nullptr);
    local().stats.set(PlayerClient::kStatClass, 0);
    local().skills->rebuild(&local(), warrior);
    SkillBase* mine = nullptr;
    for (SkillBase* s : local().skills->getSkills()) {
        if (s->getDefinition() == skill->getDefinition()) {
            mine = s;
        }
    }
    ASSERT_NE(mine, nullptr);
    auto* waiting = dynamic_cast<SkillClient*>(mine);
    ASSERT_NE(waiting, nullptr);
    waiting->waiting = true;
    skill->sendUsed(true);
    EXPECT_EQ(names(), std::set<std::string>{"usedSkill"});
    deliverQueued();
    EXPECT_FALSE(waiting->waiting);
    EXPECT_TRUE(mine->getUseTimer().running);
}

// msg with a quote in its text, and the npc chat asked for by the player.
TEST_F(ServerLinesCross, MessagesAndNpcChatArriveWhole)
{
    std::vector<ClientTextEvent> texts;
    client.setTextEventSink([&](const ClientTextEvent& e) { texts.push_back(e); });
    sendGameMessage("The \"Ironbound\" send word", 5);
    EXPECT_EQ(names(), std::set<std::string>{"msg"});
    deliverQueued();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "The 'Ironbound' send word");

    const MonsterType* type = monsterTypeNamed(*world.data, "NpcWarmaster");
    ASSERT_NE(type, nullptr);
    auto* warmaster = new Actor();
    warmaster->initFromMonsterType(type, 1);
    warmaster->setPosition(ZonePosition(0, 540.0f, 500.0f));
    ASSERT_GE(world.game->addEntity(warmaster), 0);
    player->setAction(0, static_cast<uint32_t>(warmaster->getEntityNumber()));
    ASSERT_EQ(player->getTargetActor(), warmaster);
    attachPlayerCommands();
    ASSERT_GT(registerGameCommands(), 0);
    world.server->runClientCommands({"getNpcChat"}, player);
    EXPECT_EQ(names(), std::set<std::string>{"npcChat"});
    ASSERT_EQ(m_lines.size(), 1u);
    const std::string line = m_lines[0];
    deliverQueued();
    EXPECT_FALSE(GameClient::get().getNpcChatText().empty()) << line;
    EXPECT_EQ("npcChat \"" + GameClient::get().getNpcChatText() + "\"", line);
}

// An offer with its terms, the answer to one and an offer that lapsed.
TEST_F(ServerLinesCross, DiplomacyLinesReachThePendingOffers)
{
    Covenant* ironbound = world.game->getCovenant(0);
    ASSERT_NE(ironbound, nullptr);
    ASSERT_GE(GameClient::get().getCovenantCount(), 2u);
    TradeOffer offer;
    offer.type = 1;
    offer.terms = {TradeTerm{0, 1, 250}, TradeTerm{1, 3, -2}, TradeTerm{1, 0, 40}};
    covenant->receiveOffer(ironbound, offer);
    EXPECT_EQ(names(), std::set<std::string>{"offerToPlayer"});
    deliverQueued();
    PlayerCovenantClient::PendingOffer* pending = client.getPlayerCovenant()->getPendingOffer(0);
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->kind, 1);
    ASSERT_EQ(pending->entries.size(), 3u) << "every term read, none made up";
    EXPECT_EQ(pending->entries[1].side, 1);
    EXPECT_EQ(pending->entries[1].type, 3);
    EXPECT_EQ(pending->entries[1].value, -2);
    EXPECT_EQ(pending->entries[2].value, 40);

    covenant->sendDiplomacyResult(ironbound, 2);
    EXPECT_EQ(names(), std::set<std::string>{"dipRes"});
    deliverQueued();
    EXPECT_FALSE(GameClient::get().getDiplomacyResponseText().empty());

    covenant->offerExpired(ironbound->index);
    EXPECT_EQ(names(), std::set<std::string>{"offerExpired"});
    deliverQueued();
    EXPECT_TRUE(pending->entries.empty());
    EXPECT_EQ(client.getPlayerCovenant()->findPendingOffer(), -1);
}
