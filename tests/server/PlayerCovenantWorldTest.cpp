// The player's covenant in a generated world on the shipped data, joined by a
// scripted client: its diplomacy lines arrive as the client's input, and the
// world step decides victory and defeat.
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Chest.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/entities/Vendor.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelRoute.h"
#include "support/LevelWait.h"
#include "support/ScriptedClient.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kMoney = static_cast<int>(CovenantStat::Money);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);

class PlayerCovenantWorld : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random::setState(0, 4242u);
        ASSERT_TRUE(Server::get().start(false, 1, 1, 0, 2));
        m_client.sendNewJoin("Aldric", 0);
        m_program.app->getHooks().serverReceive(16.0, false);
        ScriptedClient::Joined joined;
        ASSERT_TRUE(m_client.readJoined(joined));
        const ClientRecord* record = Server::get().findClient(m_client.address());
        player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
        ASSERT_NE(player, nullptr);
        own = dynamic_cast<PlayerCovenant*>(player->getCovenant());
        ASSERT_NE(own, nullptr);
        for (int i = 0; i < m_program.game->getCovenantCount(); ++i)
            if (auto* c = dynamic_cast<ActorCovenant*>(m_program.game->getCovenant(i)))
                computers.push_back(c);
        ASSERT_EQ(computers.size(), 2u);
        waitForLevels(m_program.app->getHooks(), [&] { return m_program.world->isLevelLoaded(0); });
        ASSERT_TRUE(m_program.world->isLevelLoaded(0));
    }

    // One frame: the client's lines, one server step, every state read.
    void frame(const std::vector<std::string>& lines = {})
    {
        const ZonePosition at = player->getPosition();
        m_client.sendInput(at, at, 0, 0xFFFFFFFFu, lines);
        m_program.app->getHooks().serverReceive(50.0, false);
        m_program.app->getHooks().serverUpdate();
        do {
            ScriptedClient::State state;
            ASSERT_TRUE(m_client.readState(state));
            received.insert(received.end(), state.lines.begin(), state.lines.end());
        } while (m_client.pending() > 0);
    }
    bool saw(const std::string& line) const
    {
        return std::find(received.begin(), received.end(), line) != received.end();
    }
    int crystals() const { return own->stats.get(kMoney); }
    // The computer covenant, given 500 gold, offers the player 10 crystals
    // for nothing; the offer reaches the client. Its index as text.
    std::string sendCrystalGift(ActorCovenant& giver)
    {
        giver.stats.set(kMoney, 500);
        TradeOffer gift;
        gift.type = 2;
        gift.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 10, 0);
        giver.sendOffer(own, gift);
        frame();
        return std::to_string(giver.index);
    }

    HeadlessServer m_program;
    ScriptedClient m_client{5013};
    LogCapture log;
    Player* player = nullptr;
    PlayerCovenant* own = nullptr;
    std::vector<ActorCovenant*> computers;
    std::vector<std::string> received;
};

TEST_F(PlayerCovenantWorld, OfferLinesFromTheClientAreParsedCheckedAndCarriedOut)
{
    // Covenant 1's place taken by a listener that keeps what it is asked.
    auto made = std::make_unique<TestCovenant>();
    TestCovenant& listener = *made;
    made->setDefinitionByName("Thornveil");
    ASSERT_EQ(m_program.game->replaceCovenant(computers[1]->index, std::move(made)), 1);
    computers.pop_back();
    const std::string i = std::to_string(listener.index);

    frame({"offer 0 " + i});
    ASSERT_EQ(listener.offers.size(), 1u);
    EXPECT_EQ(listener.offers[0].type, 2) << "nothing asked of them";
    EXPECT_TRUE(listener.offers[0].terms.empty());
    frame({"offer 1 " + i + " 0 6 100 0 1"});
    ASSERT_EQ(listener.offers.size(), 2u);
    EXPECT_EQ(listener.offers[1].terms, (std::vector<TradeTerm>{{0, 6, 100}}));
    const size_t before = log.count(2);
    frame({"offer 0 " + i + " 0 6 -5"});
    EXPECT_EQ(listener.offers.size(), 2u) << "dropped";
    EXPECT_EQ(log.count(2), before + 1);
    // An agreement about one of the two dealers themselves.
    frame({"offer 0 " + i + " 0 11 " + std::to_string(TradeTerm::thirdParty(own->index, 2))});
    EXPECT_EQ(listener.offers.size(), 2u) << "dropped";
    EXPECT_EQ(log.count(2), before + 2);

    // The real computer covenant's gift of 10 crystals.
    ActorCovenant& giver = *computers[0];
    const std::string g = sendCrystalGift(giver);
    EXPECT_TRUE(saw("offerToPlayer 2 " + g + " 0 8 10"));
    const int held = crystals();
    frame({"acceptOffer 2 " + g + " 0 8 1000"});
    EXPECT_TRUE(saw("dipRes 16 " + g));
    EXPECT_EQ(crystals(), held) << "a raised gift moves nothing";
    frame({"acceptOffer 2 " + g + " 0 8 10"});
    EXPECT_EQ(crystals(), held + 10);
    EXPECT_EQ(giver.stats.get(kMoney), 490);
    EXPECT_TRUE(saw("dipRes 12 " + g));

    // Gold beyond the player's purse: refused by the test, taken to 0 by the executor.
    player->setStat(toIndex(CharacterStat::Money), 30);
    Sentient* receiver = giver.getLeader();
    ASSERT_NE(receiver, nullptr);
    const int theirs = receiver->getStat(toIndex(CharacterStat::Money));
    TradeOffer gold;
    gold.addEntry(static_cast<int>(TradeTermKind::TermGold), 100, 0);
    EXPECT_FALSE(gold.canBeFulfilled(own, &giver));
    m_program.game->executeTradeOffer(gold, own, &giver);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Money)), 0);
    EXPECT_EQ(receiver->getStat(toIndex(CharacterStat::Money)), theirs + 100);

    // An empty item place cannot be dealt and moves nothing; influence may
    // be given below what the player's covenant holds.
    // The new character's first bag holds its starting items: the first free place.
    InventoryGroup* bag = player->getInventory()->getSlot(kBag1);
    ASSERT_NE(bag, nullptr);
    int freePlace = 0;
    while (freePlace < bag->getSize() && bag->getItem(freePlace))
        ++freePlace;
    ASSERT_LT(freePlace, bag->getSize());
    TradeOffer item;
    item.addEntry(static_cast<int>(TradeTermKind::TermItem), TradeTerm::itemPlace(kBag1, freePlace), 0);
    auto itemsOf = [](InventoryBase& bags) {
        int n = 0;
        for (int g = 0; g < kInventoryGroupCount; ++g)
            n += bags.countItemsInGroup(g);
        return n;
    };
    const int theirItems = itemsOf(*giver.inventory);
    EXPECT_FALSE(item.canBeFulfilled(own, &giver));
    m_program.game->executeTradeOffer(item, own, &giver);
    EXPECT_EQ(itemsOf(*giver.inventory), theirItems);
    EXPECT_EQ(bag->getItem(freePlace), nullptr);
    own->influence = InfluenceCounters();
    own->influence.adventure = 10;
    TradeOffer influence;
    influence.addEntry(static_cast<int>(TradeTermKind::TermInfluence), 30, 0);
    const int theirTransferred = giver.influence.transferred;
    m_program.game->executeTradeOffer(influence, own, &giver);
    EXPECT_EQ(own->influence.transferred, -30);
    EXPECT_EQ(giver.influence.transferred, theirTransferred + 30);

    // Allied victory refused: nothing without an offer, war with one.
    const float relation = giver.getRelation(own->index);
    frame({"alliedVictoryReject"});
    EXPECT_EQ(giver.getRelation(own->index), relation);
    m_program.game->setAlliedVictoryOffered(true);
    frame({"alliedVictoryReject"});
    EXPECT_EQ(giver.getRelationState(own->index), kWar);
    EXPECT_EQ(giver.getRelation(own->index), giver.getDefinition()->MaxWarRelation);

    m_program.game->endAllCovenants();
    EXPECT_TRUE(giver.destroyed);
    EXPECT_FALSE(own->destroyed);
    EXPECT_FALSE(Server::get().isPaused());
}

// An answered offer is withdrawn with an offer of nothing; an answer to that
// notice gets nothing back, so a client that answers it cannot start a loop.
TEST_F(PlayerCovenantWorld, AnAnswerToAWithdrawalNoticeGetsNoAnswer)
{
    ActorCovenant& giver = *computers[0];
    const std::string g = sendCrystalGift(giver);
    frame({"rejectOffer 2 " + g + " 0 8 10"});
    EXPECT_TRUE(saw("dipRes 13 " + g));
    ASSERT_TRUE(saw("offerToPlayer 0 " + g)) << "no withdrawal notice";
    for (const char* answer : {"acceptOffer 0 ", "rejectOffer 0 "}) {
        received.clear();
        frame({answer + g});
        frame();
        for (const std::string& line : received) {
            EXPECT_NE(line.rfind("offerToPlayer", 0), 0u) << answer << ": " << line;
            EXPECT_NE(line.rfind("dipRes", 0), 0u) << answer << ": " << line;
        }
    }
}

// A demand the player accepts without what it asks is not carried out: no
// crystals move, the relation stays, the player is told, and the offer stays
// open until it can be met.
TEST_F(PlayerCovenantWorld, AnAcceptedDemandThePlayerCannotMeetIsNotCarriedOut)
{
    ActorCovenant& asker = *computers[0];
    const std::string a = std::to_string(asker.index);
    TradeOffer demand;
    demand.type = 1;
    demand.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 1, 1);
    asker.sendOffer(own, demand);
    frame();
    ASSERT_TRUE(saw("offerToPlayer 1 " + a + " 1 8 1"));
    // The answer is read before the step: no income comes between.
    own->stats.set(kMoney, 0);
    const float relation = asker.getRelation(own->index);
    received.clear();
    frame({"acceptOffer 1 " + a + " 1 8 1"});
    EXPECT_TRUE(saw("msg 2 \"Can't afford what the offer asks!\""));
    EXPECT_FALSE(saw("dipRes 14 " + a)) << "no demand met";
    EXPECT_EQ(asker.getRelation(own->index), relation);

    own->stats.set(kMoney, 3);
    frame({"acceptOffer 1 " + a + " 1 8 1"});
    EXPECT_TRUE(saw("dipRes 14 " + a)) << "met once the crystals are there";
    EXPECT_NE(asker.getRelation(own->index), relation);
}

TEST_F(PlayerCovenantWorld, TheStepOffersAnAlliedVictoryThenConquestAndCountsADefeat)
{
    ASSERT_TRUE(m_program.game->isWorldGenerated());
    frame();
    EXPECT_FALSE(m_program.game->isAlliedVictoryOffered()) << "nobody allied yet";

    // Everyone allied to the strongest, which is not the player's: offered.
    computers[0]->influence.adventure = 1000000;
    frame();
    Covenant* strongest = m_program.game->findStrongestCovenant();
    ASSERT_EQ(strongest, computers[0]);
    for (int i = 0; i < m_program.game->getCovenantCount(); ++i) {
        Covenant* other = m_program.game->getCovenant(i);
        if (other && other != strongest) {
            strongest->setRelationState(other->index, kAlliance);
            other->setRelationState(strongest->index, kAlliance);
        }
    }
    frame();
    EXPECT_TRUE(m_program.game->isAlliedVictoryOffered());
    EXPECT_FALSE(m_program.game->isWorldEnded());
    frame({"alliedVictoryReject"});
    EXPECT_FALSE(m_program.game->isAlliedVictoryOffered());

    // Every computer covenant gone: the large reward chest, a world conquered.
    for (ActorCovenant* c : computers)
        c->destroyed = true;
    frame();
    EXPECT_TRUE(m_program.game->isWorldEnded());
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsConquered), 1);
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsLost), 0);
    int chests = 0;
    for (int e = 0; e < Game::kMaxEntities; ++e)
        if (auto* chest = dynamic_cast<Chest*>(m_program.game->getEntity(e));
            chest && chest->isWorldRewardChest())
            ++chests;
    EXPECT_EQ(chests, 1);
    EXPECT_FALSE(Server::get().isPaused()) << "the reward stays in reach";
    frame();
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsConquered), 1) << "once";
}

// A raid's last blow on a life stone: the raiding covenant is named as the
// destroyer and gains a quarter of the fallen covenant's influence; the
// player's raid leaves the reward chest at the fallen house, a computer
// covenant's raid takes the chest's goods.
TEST_F(PlayerCovenantWorld, ARaidsLastBlowOnALifeStoneNamesAndRewardsTheRaider)
{
    CombatSystem* combat = CombatSystem::instance();
    ASSERT_NE(combat, nullptr);
    auto goods = [](Covenant& c) { return c.covenantItemsWorth(false) + c.getLeaderGold(); };
    struct Case {
        Covenant* raider;
        Covenant* target;
    };
    // The player's raid first: a fallen player's covenant ends the world.
    for (const Case& c : {Case{own, computers[1]}, Case{computers[0], own}}) {
        SCOPED_TRACE(c.raider == own ? "the player raids" : "a computer covenant raids");
        Entity* stone = c.target->getLifestone();
        ASSERT_NE(stone, nullptr);
        Entity* striker = c.raider == own ? static_cast<Entity*>(player) : c.raider->getLeader();
        ASSERT_NE(striker, nullptr);
        ASSERT_EQ(striker->getCovenant(), c.raider);
        c.raider->raidTarget = c.target->index;
        m_program.game->announceRaidStart(c.raider->index, c.target->index);
        ASSERT_TRUE(c.target->isBeingRaided());
        c.target->influence = InfluenceCounters();
        c.target->influence.adventure = 100;
        c.target->influence.competition = 40;
        c.target->influence.world = 60;
        const float mult = c.raider->getMultiplier(static_cast<int>(CovenantMultiplier::Influence));
        const int gain = static_cast<int>(std::ceil(200.0f * mult * 0.25f));
        const int competition = c.raider->influence.competition;
        const int before = goods(*c.raider);
        received.clear();

        stone->setHealth(1);
        combat->dealDamage(stone, 5, striker, false, false, false);
        ASSERT_TRUE(c.target->destroyed);
        frame();
        EXPECT_EQ(c.raider->influence.competition, competition + gain);
        const auto said = [&](const std::string& part) {
            return std::any_of(received.begin(), received.end(),
                               [&](const std::string& l) { return l.find(part) != std::string::npos; });
        };
        EXPECT_TRUE(said(c.raider->getDisplayName() + "^c145 destroys ")) << received.size() << " lines";
        EXPECT_TRUE(said("(gains " + std::to_string(gain) + " influence)"));
        EXPECT_FALSE(said("destroyed by monsters"));
        if (c.raider == own) {
            EXPECT_TRUE(said("Reward chest (lvl "));
            int chests = 0;
            for (int e = 0; e < Game::kMaxEntities; ++e)
                if (auto* chest = dynamic_cast<Chest*>(m_program.game->getEntity(e));
                    chest && ZonePosition::distanceTo(chest->getPosition(), c.target->housePosition) < 200.0f)
                    ++chests;
            EXPECT_EQ(chests, 1) << "the reward chest at the fallen house";
        } else {
            EXPECT_FALSE(said("Reward chest"));
            EXPECT_GT(goods(*c.raider), before) << "the chest's goods went nowhere";
        }
    }
}

TEST_F(PlayerCovenantWorld, TheStepCountsALostWorldOnce)
{
    own->destroyed = true;
    frame();
    EXPECT_TRUE(m_program.game->isWorldEnded());
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsLost), 1);
    frame();
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsLost), 1);
    EXPECT_EQ(own->funStats.get(PlayerCovenant::kWorldsConquered), 0);
}

// Every guard of every house stands on free ground, also where the town's
// ground blocks the post itself, and near its post.
TEST_F(PlayerCovenantWorld, GuardsStandOnFreeGroundNearTheirPosts)
{
    std::vector<Covenant*> houses(computers.begin(), computers.end());
    houses.push_back(own);
    std::vector<std::unique_ptr<Item>> items;
    for (Covenant* house : houses) {
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
            items.push_back(Vendor::createGuardItem(5));
            ASSERT_NE(items.back(), nullptr);
            house->createGuard(items.back().get(), slot);
            const Entity* guard = house->getGuard(slot);
            ASSERT_NE(guard, nullptr) << house->index << "/" << slot;
            const ZonePosition at = guard->getPosition();
            const ZonePosition post = house->guardPost(slot);
            EXPECT_TRUE(walkable(at)) << house->index << "/" << slot << " at " << at.x << " " << at.y;
            EXPECT_EQ(at.zone, post.zone);
            EXPECT_LE(std::hypot(at.x - post.x, at.y - post.y), 5 * 32.0f * std::sqrt(2.0f));
        }
    }
    // A loaded world makes its guards before the town is built, on their
    // posts: the next step moves them off what the built ground blocks.
    int blocked = 0;
    for (Covenant* house : houses) {
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
            const ZonePosition post = house->guardPost(slot);
            house->getGuard(slot)->setPosition(post);
            blocked += walkable(post) ? 0 : 1;
        }
    }
    ASSERT_GT(blocked, 0) << "no post of this world is blocked";
    frame();
    for (Covenant* house : houses)
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot)
            EXPECT_TRUE(walkable(house->getGuard(slot)->getPosition())) << house->index << "/" << slot;
}

// Trading with a computer covenant: its stash shows as the player's loot at
// the stash's own slots, an offer for one of them moves exactly that item,
// and a drag out of the loot moves nothing.
TEST_F(PlayerCovenantWorld, ACovenantsStashShowsAsTheLootAndOnlyATradeMovesItsItems)
{
    constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
    constexpr int kStash = toIndex(InventoryGroupIndex::Stash);
    ActorCovenant& c = *computers[0];
    InventoryGroup& stash = *c.inventory->getOwnGroup(kStash);
    for (int slot = 0; slot < stash.getSize(); ++slot)
        stash.destroyItemAt(slot);
    auto makeItem = [](const char* entry) {
        auto* item = new Item();
        item->setItemEntry(Database::get().findEntry(entry));
        item->setLevel(5);
        item->updateStackValue();
        return item;
    };
    Item* shirt = makeItem("ChainShirt");
    Item* helm = makeItem("IronHelm");
    stash.setItem(2, shirt);
    stash.setItem(5, helm);
    InventoryBase& bags = *player->getInventory();
    bags.getOwnGroup(toIndex(InventoryGroupIndex::Main))->setItem(0, makeItem("Bag1"));
    bags.updateBagGroups();
    ASSERT_NE(bags.getSlot(kBag1), nullptr);
    player->setStat(toIndex(CharacterStat::Money), 100000);

    // The client's frames while it deals with the covenant (action 29).
    auto talk = [&](const std::vector<std::string>& lines) {
        const ZonePosition here = player->getPosition();
        m_client.sendInput(here, here, Player::ActionChooseCovenant, static_cast<uint32_t>(c.index), lines);
        m_program.app->getHooks().serverReceive(50.0, false);
        m_program.app->getHooks().serverUpdate();
        do {
            ScriptedClient::State state;
            ASSERT_TRUE(m_client.readState(state));
        } while (m_client.pending() > 0);
    };
    talk({});
    ASSERT_EQ(player->getTargetCovenant(), &c);
    EXPECT_EQ(player->getItem(kLoot, 2), shirt);
    EXPECT_EQ(player->getItem(kLoot, 5), helm);
    EXPECT_EQ(player->getItem(kLoot, 0), nullptr);

    // A drag from the loot into a bag changes neither side.
    auto bagItems = [&] {
        std::vector<const ItemBase*> items;
        for (int g = kBag1; g < kBag1 + 4; ++g)
            if (const InventoryGroup* bag = bags.getOwnGroup(g))
                for (int k = 0; k < bag->getSize(); ++k)
                    items.push_back(bag->getItem(k));
        return items;
    };
    const std::vector<const ItemBase*> carried = bagItems();
    talk({"moveItem " + std::to_string(kLoot) + " 2 " + std::to_string(kBag1) + " 0"});
    player->moveItem(kLoot, 5, kBag1, 1);
    EXPECT_EQ(stash.getItem(2), shirt);
    EXPECT_EQ(stash.getItem(5), helm);
    EXPECT_EQ(bagItems(), carried);
    ASSERT_EQ(player->getTargetCovenant(), &c);

    // An offer for the helm, paid well, is accepted: the helm and only it moves.
    const std::string i = std::to_string(c.index);
    const int place = TradeTerm::itemPlace(kLoot, 5);
    talk({"offer 0 " + i + " 1 7 " + std::to_string(place) + " 0 6 50000"});
    EXPECT_EQ(stash.getItem(5), nullptr);
    EXPECT_EQ(stash.getItem(2), shirt);
    int group = -1;
    int slot = -1;
    ASSERT_TRUE(bags.findItem(helm, group, slot));
    EXPECT_TRUE(group >= kBag1 && group < kBag1 + 4) << "the helm is in the player's bags, group " << group;
    ASSERT_TRUE(bags.findItem(shirt, group, slot));
    EXPECT_EQ(group, kLoot) << "the shirt is still only shown";
}

} // namespace
