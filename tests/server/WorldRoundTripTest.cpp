// A generated world joined by a scripted client whose covenant brings two
// recruits, with a pact, a trade route and a pending offer toward the
// computer covenants, lived in for ten game minutes: saved, cleared, loaded,
// joined again by the same covenant and saved, it gives the same file.
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Inventory.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/skills/CounterList.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/Weather.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/ScriptedClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kPact = static_cast<int>(CovenantTreaty::NonAggressionPact);

// The join as the client writes it for a returning covenant "Oakhold" with
// recruits in slots 0 and 2 and a new character "Aldric".
std::vector<uint8_t> joinWithRecruits()
{
    ByteBuffer out;
    out.writeInt(1u);
    out.writeString("Oakhold");
    Inventory bags;
    bags.write(out, false);
    out.writeInt(2u);
    const MonsterType* warrior = GameData::get().findMonsterType("RecruitWarrior");
    for (uint32_t slot : {0u, 2u}) {
        Actor* body = SpawnSystem::get().spawnMonster(warrior, 0, MonsterRarity::Normal, 4 + slot);
        Recruit record;
        record.saveFromActor(body);
        delete body;
        out.writeInt(slot);
        out.writeInt(record.typeEntry);
        record.stats.write(out);
        record.inventory->write(out, false);
        out.writeInt(static_cast<uint32_t>(record.entryList.size()));
        for (int32_t id : record.entryList)
            out.writeInt(id);
        out.writeInt(record.seed);
        out.writeInt(static_cast<uint32_t>(record.skills.size()));
        for (int32_t id : record.skills)
            out.writeInt(id);
    }
    CounterList(kCovenantStatCount).write(out);
    out.writeInt(700u);
    out.writeInt(800u);
    // The character: new, named, class 0.
    out.writeInt(0u);
    out.writeString("Aldric");
    out.writeInt(0u);
    return std::vector<uint8_t>(out.data(), out.data() + out.size());
}

std::vector<uint8_t> fileBytes(const std::string& path)
{
    FileSystem::get().finishWrites();
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(WorldRoundTrip, AJoinedWorldOfTenMinutesSavesLoadsAndSavesAlike)
{
    HeadlessServer program;
    setUserVar("PlayerName", "Aldric");
    Random::setState(0, 4242u);
    Server& srv = Server::get();
    ASSERT_TRUE(srv.start(false, 1, 1, 0, 2));
    const std::vector<uint8_t> join = joinWithRecruits();
    auto joinFrom = [&](ScriptedClient& client) -> PlayerCovenant* {
        ByteBuffer m;
        m.writeInt(4u);
        m.reserve(join.data(), join.size());
        client.sendRaw(m);
        program.app->getHooks().serverReceive(16.0, false);
        const ClientRecord* record = srv.findClient(client.address());
        auto* player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
        return player ? dynamic_cast<PlayerCovenant*>(player->getCovenant()) : nullptr;
    };
    ScriptedClient first(5031);
    PlayerCovenant* own = joinFrom(first);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(own->name, "Oakhold");
    ASSERT_EQ(own->getRecruitCount(), 2);
    const int ownIndex = own->index;
    Game& game = *program.game;
    ASSERT_EQ(game.getAiCovenantCount(), 2);
    auto* pactPartner = dynamic_cast<ActorCovenant*>(game.getCovenant(0));
    auto* routePartner = dynamic_cast<ActorCovenant*>(game.getCovenant(1));
    ASSERT_TRUE(pactPartner && routePartner);
    own->setRelationState(pactPartner->index, kPact);
    pactPartner->setRelationState(own->index, kPact);
    own->setRelationSubState(routePartner->index, 2);
    routePartner->setRelationSubState(own->index, 2);
    Actor* npc = game.getTownNpcAt(1);
    ASSERT_NE(npc, nullptr);
    npc->setHealth(npc->getMaxHealth() / 2);
    FactionSystem& factions = *FactionSystem::instance();
    ASSERT_GE(factions.getFactionCount(), 2);
    factions.setReputation(0, 1, factions.getReputation(0, 1) - 7.5f);
    ASSERT_NE(game.weather().startFront(ZonePosition(0, 600.0f, 600.0f)), nullptr);
    for (int step = 0; step < 12000; ++step) // ten game minutes
        game.update(0.05f);
    // The gift is made late enough to be still waiting for its answer.
    TradeOffer gift;
    gift.type = 2;
    gift.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 10, 0);
    routePartner->stats.set(static_cast<int>(CovenantStat::Money), 500);
    routePartner->sendOffer(own, gift);
    for (int step = 0; step < 20; ++step)
        game.update(0.05f);
    ASSERT_TRUE(routePartner->getPendingOffer(ownIndex).active);
    ASSERT_GT(game.weather().getActiveFronts(), 0) << "fronts under way";
    const float reputation = factions.getReputation(0, 1);
    const int pactAfter = own->getRelationState(pactPartner->index);
    const int routeAfter = own->getRelationSubState(routePartner->index);

    ASSERT_TRUE(game.saveCharacter());
    const std::string file = program.user.path().string() + "/chars/Aldric.wld";
    const std::vector<uint8_t> saved = fileBytes(file);
    ASSERT_GT(saved.size(), 1000u);
    // GLOAM_WORLD_SAVE_SEED=<path> keeps the file as a fuzz seed.
    if (const char* seed = std::getenv("GLOAM_WORLD_SAVE_SEED")) {
        std::ofstream(seed, std::ios::binary)
            .write(reinterpret_cast<const char*>(saved.data()), static_cast<std::streamsize>(saved.size()));
    }
    const uint32_t layoutSeed = program.world->getWorldSeed();
    uint32_t secretSeed = program.world->getSecretSeed();

    for (int round = 0; round < 2; ++round) {
        game.clear();
        std::string error;
        ASSERT_TRUE(game.loadCharacter(error)) << error;
        game.setWorldGenerated(true);
        EXPECT_EQ(program.world->getWorldSeed(), layoutSeed);
        EXPECT_NE(program.world->getSecretSeed(), secretSeed) << "a new secret seed each load";
        secretSeed = program.world->getSecretSeed();
        ScriptedClient again(static_cast<uint16_t>(5032 + round));
        PlayerCovenant* back = joinFrom(again);
        ASSERT_NE(back, nullptr) << round;
        EXPECT_EQ(back->index, ownIndex);
        EXPECT_EQ(back->getRecruitCount(), 2);
        EXPECT_EQ(back->getRelationState(0), pactAfter);
        EXPECT_EQ(back->getRelationSubState(1), routeAfter);
        EXPECT_TRUE(game.getCovenant(1)->getPendingOffer(ownIndex).active);
        EXPECT_EQ(FactionSystem::instance()->getReputation(0, 1), reputation);
        ASSERT_TRUE(game.saveCharacter());
        EXPECT_EQ(fileBytes(file), saved) << "round " << round;
    }
}

// "newWorld" after a real join: the covenant keeps its place after the two
// new computer covenants, starts over with them, and its house and recruits
// stand again in the new world.
TEST(WorldRoundTrip, ANewWorldRaisesTheJoinedCovenantsHouseAndRecruitsAgain)
{
    HeadlessServer program;
    setUserVar("PlayerName", "Aldric");
    Random::setState(0, 77u);
    Server& srv = Server::get();
    ASSERT_TRUE(srv.start(false, 1, 1, 0, 3));
    ScriptedClient client(5035);
    const std::vector<uint8_t> join = joinWithRecruits();
    ByteBuffer m;
    m.writeInt(4u);
    m.reserve(join.data(), join.size());
    client.sendRaw(m);
    program.app->getHooks().serverReceive(16.0, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    Game& game = *program.game;
    Player* player = game.getFirstPlayer();
    ASSERT_NE(player, nullptr);
    auto* own = dynamic_cast<PlayerCovenant*>(player->getCovenant());
    ASSERT_NE(own, nullptr);
    own->setRelationState(0, kPact);
    own->setRelationSubState(1, 2);
    SafePtr<Entity> oldStone(own->getLifestone());
    player->levelUp();
    player->levelUp();
    ASSERT_EQ(player->getStat(toIndex(CharacterStat::Level)), 3);

    ASSERT_TRUE(srv.newWorld({"0", "Average", "Normal", "2"}));
    ScriptedClient::WorldInfo info;
    uint32_t secret = 0;
    ASSERT_TRUE(client.readNewWorld(info, secret));
    EXPECT_EQ(info.seed, program.world->getWorldSeed());
    ASSERT_EQ(game.getAiCovenantCount(), 2);
    ASSERT_EQ(game.getCovenantCount(), 3);
    EXPECT_EQ(player->getCovenant(), own);
    EXPECT_EQ(own->index, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(own->getRelationState(i), static_cast<int>(CovenantTreaty::Peace)) << i;
        EXPECT_EQ(own->getRelationSubState(i), 0) << i;
    }
    // The old house went with the old world; a new one stands.
    EXPECT_EQ(oldStone.get(), nullptr);
    Entity* stone = own->getLifestone();
    ASSERT_NE(stone, nullptr);
    EXPECT_EQ(game.getEntity(stone->getEntityNumber()), stone);
    EXPECT_EQ(stone->getCovenantIndex(), 2);
    EXPECT_EQ(own->getLifestoneHealth(), own->getLifestoneMaxHealth());
    int houseObjects = 0;
    for (int e = 0; e < Game::kMaxEntities; ++e)
        if (const Entity* entity = game.getEntity(e); entity && entity->getCovenantIndex() == 2 &&
                                                      !dynamic_cast<const Actor*>(entity) && entity != player)
            ++houseObjects;
    EXPECT_GE(houseObjects, 9) << "stashes, bookshelf, stone, gate and four pedestals";
    for (int slot : {0, 2}) {
        Actor* recruit = own->getRecruitActor(slot);
        ASSERT_NE(recruit, nullptr) << slot;
        EXPECT_EQ(game.getEntity(recruit->getEntityNumber()), recruit);
        EXPECT_EQ(recruit->getCovenant(), own);
    }

    srv.update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    EXPECT_TRUE(std::any_of(state.entities.begin(), state.entities.end(), [&](const auto& e) {
        return e.number == static_cast<uint32_t>(player->getEntityNumber());
    }));
    // The new town's people stand at the player's level.
    for (int slot = 0; slot < game.getTownNpcCount(); ++slot) {
        if (const Actor* npc = game.getTownNpcAt(slot)) {
            EXPECT_EQ(npc->getStat(toIndex(CharacterStat::Level)), 3) << slot;
        }
    }
}
