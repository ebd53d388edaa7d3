// The player's covenant in play: recruits and items, the party, raids,
// shared adventures and the diplomacy commands, sent as the client's lines.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/ai/BehaviorTeleportRaid.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantNames.h"
#include "game/covenants/InfluenceCounters.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Gate.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/world/NpcDisplayName.h"
#include "server/CovenantCommands.h"
#include "server/GameCommandTable.h"
#include "server/Server.h"
#include "support/BehaviorTestActor.h"
#include "support/ScriptedCovenant.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kTownAttackQuest = toIndex(QuestType::TownAttack);

class PlayerCovenantPlay : public ActorCovenantFixture {
protected:
    PlayerCovenantPlay()
    {
        relation = 2;
        attachCovenantCommands();
        attachDiplomacyCommands();
        registerGameCommands();
        player = new Player();
        world.game->addEntity(player);
        player->buildForWorld();
        player->setPosition(nav.tileCentre(0, 64, 64));
        auto made = std::make_unique<PlayerCovenant>();
        own = made.get();
        world.game->addCovenant(std::move(made));
        ByteBuffer join;
        join.writeInt(0u);
        join.writeString("Oakhold");
        std::string field;
        EXPECT_TRUE(own->initNew(join, field)) << field;
        own->player = player;
        player->setCovenantIndex(own->index);
        own->updateStats();
    }

    void run(const std::string& line) { Server::get().runClientCommands({line}, player); }
    std::vector<std::string> linesSince(size_t from) const
    {
        const auto& all = Server::get().getQueuedCommands();
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())),
                                        all.end());
    }
    size_t mark() const { return Server::get().getQueuedCommands().size(); }
    bool sent(size_t from, const std::string& line) const
    {
        auto lines = linesSince(from);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    Actor* npc(const char* type, int tx, int ty)
    {
        Actor* a = spawn(findType(type), 3, tx, ty);
        EXPECT_NE(a, nullptr);
        return a;
    }
    // A recruit of the player's covenant; its slot.
    int recruit(int tx = 60) { return own->addRecruit(npc("RecruitWarrior", tx, 64)); }
    std::vector<ItemGround*> groundItems() const
    {
        std::vector<ItemGround*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (auto* g = dynamic_cast<ItemGround*>(world.game->getEntity(i)))
                out.push_back(g);
        return out;
    }
    Item* makeItem(const char* entry, int amount = 1)
    {
        auto* item = new Item();
        item->setItemEntry(Database::get().findEntry(entry));
        item->setQuantity(amount);
        return item;
    }
    int statistic(size_t i) const { return player->getStatistics()[i]; }

    // One bag in the main group opens the first bag group.
    void giveBag()
    {
        InventoryBase& bags = *player->getInventory();
        bags.getOwnGroup(toIndex(InventoryGroupIndex::Main))->setItem(0, makeItem("Bag1"));
        bags.updateBagGroups();
        ASSERT_NE(bags.getSlot(kBag1), nullptr);
        ASSERT_GT(bags.getSlot(kBag1)->getSize(), 0);
    }

    Player* player = nullptr;
    PlayerCovenant* own = nullptr;
};

} // namespace

TEST_F(PlayerCovenantPlay, KickoutTakesASlotAndLeavesTheArmourOnTheGround)
{
    EXPECT_EQ(own->getMemberCount(), 1) << "the player alone";
    const int slot = recruit();
    ASSERT_EQ(slot, 0);
    Actor* body = own->getRecruitActor(slot);
    Item* helm = makeItem("IronHelm");
    InventoryBase& worn = *body->getInventory();
    worn.getOwnGroup(kEquipment)->setItem(static_cast<int>(worn.findEquipSlot(*helm)), helm);
    body->setLeader(player, 4);
    for (const char* bad : {"kickout -1", "kickout 4", "kickout 2"}) {
        run(bad);
        EXPECT_EQ(own->getRecruitCount(), 1) << bad;
    }
    const size_t before = groundItems().size();
    run("kickout 0");
    EXPECT_EQ(own->getRecruit(0), nullptr);
    EXPECT_EQ(own->getRecruitCount(), 0);
    EXPECT_TRUE(player->getFollowers().empty());
    auto ground = groundItems();
    ASSERT_GT(ground.size(), before);
    EXPECT_TRUE(std::any_of(ground.begin(), ground.end(), [](ItemGround* g) {
        return g->getGroundItem() && g->getGroundItem()->getEntryName() == "IronHelm";
    }));
}

TEST_F(PlayerCovenantPlay, DealtItemsStackFillTheBagsOrFallAtThePlayersFeet)
{
    giveBag();
    InventoryBase& bags = *player->getInventory();
    Item* stack = makeItem("MinorHealthPotion", 1);
    ASSERT_TRUE(bags.getSlot(kBag1)->addItem(stack));
    own->receiveItem(std::unique_ptr<ItemBase>(makeItem("MinorHealthPotion", 2)));
    EXPECT_EQ(stack->getQuantity(), 3) << "merged, the given object deleted";
    EXPECT_EQ(bags.countItemsInGroup(kBag1), 1);

    // Every place of every bag taken: the helm lies at the feet.
    for (int g = kBag1; g < kBag1 + InventoryBase::kBagCount; ++g) {
        if (InventoryGroup* group = bags.getSlot(g)) {
            while (group->hasRoom()) {
                ASSERT_TRUE(group->addItem(makeItem("IronHelm")));
            }
        }
    }
    const size_t before = groundItems().size();
    own->receiveItem(std::unique_ptr<ItemBase>(makeItem("GreatHelm")));
    auto ground = groundItems();
    ASSERT_EQ(ground.size(), before + 1);
    EXPECT_EQ(ground.back()->getGroundItem()->getEntryName(), "GreatHelm");
    EXPECT_LT(ZonePosition::distanceTo(ground.back()->getPosition(), player->getPosition()), 200.0f);
}

// The recruit window and the "recruit" line take the same people: a covenant-less,
// living NPC who is no quest giver (unless a would-be recruit), no shopkeeper and no enemy.
TEST_F(PlayerCovenantPlay, OnlyARecruitCandidateIsPreviewedOrTakenIn)
{
    std::vector<std::string> warnings;
    const int sink = DebugSystem::get().addSink([&warnings](int level, const std::string& text) {
        if (level == 2)
            warnings.push_back(text);
    });
    Actor* warmaster = npc("NpcWarmaster", 66, 64);
    Actor* goblin = npc("GoblinScout", 68, 70);
    Actor* fallen = npc("RecruitWarrior", 69, 64);
    fallen->setHealth(0);
    ScriptedCovenant& other = addScriptedCovenant(*world.game);
    Actor* theirs = npc("RecruitRogue", 70, 64);
    theirs->setCovenantIndex(other.index);
    Actor* wanderer = npc("RecruitWarrior", 67, 64);
    // A guard seller (no quests of its own), made as the spawner makes a type with "Vendor".
    auto* guardSeller = new Vendor();
    guardSeller->initFromMonsterType(findType("TownGuardType"), 3);
    guardSeller->setPosition(nav.tileCentre(0, 71, 64));
    ASSERT_GE(world.game->addEntity(guardSeller), 0);
    struct Case {
        const char* what;
        Actor* selected;
        bool candidate;
    };
    const Case cases[] = {
        {"a quest giver", warmaster, false}, {"a monster", goblin, false},
        {"a dead wanderer", fallen, false},  {"another house's recruit", theirs, false},
        {"nobody", nullptr, false},          {"a guard seller", guardSeller, false},
        {"a wanderer", wanderer, true},
    };
    for (const Case& c : cases) {
        player->setAction(0, c.selected ? static_cast<uint32_t>(c.selected->getEntityNumber())
                                        : Player::kNoTarget);
        own->update(0.05f);
        EXPECT_EQ(own->getRecruitPreview()->getActor(), c.candidate ? c.selected : nullptr) << c.what;
        if (!c.selected)
            continue;
        const Covenant* before = c.selected->getCovenant();
        const int count = own->getRecruitCount();
        warnings.clear();
        run("recruit " + std::to_string(c.selected->getEntityNumber()) + " 0");
        EXPECT_EQ(own->getRecruitCount(), count + (c.candidate ? 1 : 0)) << c.what;
        EXPECT_EQ(c.selected->getCovenant(), c.candidate ? own : before) << c.what;
        ASSERT_EQ(warnings.size(), c.candidate ? 0u : 1u) << c.what;
        if (!c.candidate) {
            EXPECT_NE(warnings[0].find("not a recruit candidate"), std::string::npos) << warnings[0];
        }
    }
    // An entity number naming nothing changes nothing.
    run("recruit 999 0");
    run("recruit -4 1");
    EXPECT_EQ(own->getRecruitCount(), 1);
    DebugSystem::get().removeSink(sink);
}

TEST_F(PlayerCovenantPlay, ThePartyKeepsItsLimitAndTheCovenantItsSlots)
{
    world.game->mutableSettings().maxAdventureGroupSize = 4;
    for (int i = 0; i < 3; ++i) {
        npc("RecruitWarrior", 50 + i, 70)->setLeader(player, 4);
    }
    ASSERT_EQ(player->getFollowers().size(), 3u);
    const int home = recruit(55);
    Actor* candidate = npc("RecruitWarrior", 58, 64);
    world.game->clearSoundEvents();
    size_t from = mark();
    run("invite " + std::to_string(home));
    run("recruit " + std::to_string(candidate->getEntityNumber()) + " 1");
    EXPECT_EQ(linesSince(from).size(), 2u);
    EXPECT_TRUE(sent(from, "msg 4 \"Already have max party size\""));
    EXPECT_EQ(player->getFollowers().size(), 3u);
    EXPECT_EQ(own->getRecruitCount(), 1);
    EXPECT_TRUE(world.game->getSoundEvents().empty());

    run("recruit " + std::to_string(candidate->getEntityNumber()) + " 0");
    EXPECT_EQ(own->getRecruitCount(), 2);
    ASSERT_EQ(world.game->getSoundEvents().size(), 1u);
    const SoundEvent& welcome = world.game->getSoundEvents()[0];
    EXPECT_EQ(world.server->getResourceNames()[static_cast<size_t>(welcome.nameIndex)],
              "Sounds/newRecruit.ogg");
    EXPECT_EQ(welcome.entityNumber, player->getEntityNumber());
    EXPECT_EQ(candidate->getCovenant(), own);
    EXPECT_EQ(candidate->getLeader(), nullptr);
    EXPECT_LT(ZonePosition::distanceTo(candidate->getPosition(), own->housePosition), 400.0f) << "sent home";

    while (own->hasRoomForRecruit())
        recruit(40);
    from = mark();
    run("recruit " + std::to_string(npc("RecruitWarrior", 45, 64)->getEntityNumber()) + " 0");
    EXPECT_TRUE(sent(from, "msg 4 \"Already have max covenant recruits\""));

    // Disbanding sends the covenant's members home and clears the party.
    world.game->mutableSettings().maxAdventureGroupSize = 8;
    run("invite " + std::to_string(home));
    Actor* member = own->getRecruitActor(home);
    ASSERT_NE(member, nullptr);
    ASSERT_EQ(member->getLeader(), player);
    member->warp(nav.tileCentre(0, 110, 110));
    player->disbandParty();
    EXPECT_TRUE(player->getFollowers().empty());
    EXPECT_EQ(member->getLeader(), nullptr);
    EXPECT_LT(ZonePosition::distanceTo(member->getPosition(), own->housePosition), 400.0f) << "sent home";
}

TEST_F(PlayerCovenantPlay, ADeadGuardsHouseItemKeepsNeitherItsHealthNorItsValue)
{
    giveBag();
    own->addCrystals(100000);
    Item* item = makeItem("GuardSkeletonWarrior");
    item->setLinkedValue(7);
    player->getInventory()->getSlot(kBag1)->setItem(0, item);
    player->moveItem(kBag1, 0, kHouse, 0);
    Entity* guard = own->getGuard(0);
    ASSERT_NE(guard, nullptr);
    player->update(0.05f);
    ASSERT_FALSE(item->hasBrokenFree()) << "a living guard's item stays as it is";
    ASSERT_NE(item->getGuardHealth(), -1);
    guard->setHealth(0);
    player->update(0.05f);
    EXPECT_TRUE(item->hasBrokenFree());
    EXPECT_EQ(item->getGuardHealth(), -1);
    EXPECT_EQ(item->getLinkedValue(), -1);
}

TEST_F(PlayerCovenantPlay, HouseItemsHireGuardsAndShowRelicsAsTheyComeAndGo)
{
    giveBag();
    // Crystals for the upkeep, which would otherwise sell the guards.
    own->addCrystals(100000);
    InventoryBase& bags = *player->getInventory();
    InventoryGroup& bag = *bags.getSlot(kBag1);
    Item* fresh = makeItem("GuardSkeletonWarrior");
    Item* stored = makeItem("GuardGoblinWarrior");
    stored->setGuardHealth(0);
    Item* fled = makeItem("GuardCultAdept");
    fled->setBrokenFree(true);
    Item* relic = makeItem("EmberRelic");
    std::unique_ptr<Item> contract = Vendor::createGuardItem(5);
    ASSERT_NE(contract, nullptr);
    ASSERT_NE(contract->getGuardType(), nullptr);
    Item* items[] = {fresh, stored, fled, relic, contract.release()};
    for (int i = 0; i < 5; ++i)
        bag.setItem(i, items[i]);

    // In: a fresh item hires a guard at full health on its post, a stored 0
    // a dead one, a guard that broke free none; a relic hangs on its pedestal.
    player->moveItem(kBag1, 0, kHouse, 0);
    player->moveItem(kBag1, 1, kHouse, 1);
    player->moveItem(kBag1, 2, kHouse, 2);
    player->moveItem(kBag1, 3, kHouse, 5);
    SafePtr<Entity> guard = own->getGuard(0);
    ASSERT_NE(guard.get(), nullptr);
    EXPECT_EQ(guard->getHealth(), guard->getMaxHealth());
    EXPECT_GT(guard->getHealth(), 0);
    EXPECT_EQ(guard->getPosition(), own->guardPost(0));
    EXPECT_EQ(guard->getCovenant(), own);
    EXPECT_TRUE(dynamic_cast<Actor*>(guard.get())->isCovenantGuard());
    ASSERT_NE(own->getGuard(1), nullptr);
    EXPECT_EQ(own->getGuard(1)->getHealth(), 0);
    EXPECT_EQ(own->getGuard(2), nullptr);
    SafePtr<Entity> display = own->getRelicDisplay(5);
    ASSERT_NE(display.get(), nullptr);
    const Entity* pedestal = own->getPedestal(1);
    ASSERT_NE(pedestal, nullptr);
    EXPECT_EQ(display->getParentEntity(), pedestal->getEntityNumber());
    EXPECT_GE(pedestal->findAttachPoint("tag_relic"), 0);
    EXPECT_EQ(display->getParentAttachPoint(), pedestal->findAttachPoint("tag_relic"));

    // Within the house the guard moves to its new post; out, it is dismissed.
    player->moveItem(kHouse, 1, kHouse, 3);
    EXPECT_EQ(own->getGuard(1), nullptr);
    ASSERT_NE(own->getGuard(3), nullptr);
    EXPECT_EQ(own->getGuard(3)->getPosition(), own->guardPost(3));
    player->moveItem(kHouse, 0, kBag1, 0);
    player->moveItem(kHouse, 5, kBag1, 3);
    EXPECT_EQ(own->getGuard(0), nullptr);
    EXPECT_EQ(own->getRelicDisplay(5), nullptr);
    world.game->update(0.0f);
    EXPECT_EQ(guard.get(), nullptr);
    EXPECT_EQ(display.get(), nullptr);

    // A house item that leaves by sale or by trade takes its guard along.
    player->moveItem(kBag1, 4, kHouse, 0);
    ASSERT_NE(own->getGuard(0), nullptr);
    auto* guards = dynamic_cast<Vendor*>(
        spawns.spawnMonster(findType("NpcVendorGuard"), 0, MonsterRarity::Normal, 5, true));
    ASSERT_NE(guards, nullptr);
    guards->setPosition(nav.tileCentre(0, 66, 64));
    ASSERT_GE(world.game->addEntity(guards), 0);
    player->setAction(Player::ActionTrade, static_cast<uint32_t>(guards->getEntityNumber()));
    player->sellItem(kHouse, 0);
    EXPECT_EQ(bags.getItemAt(kHouse, 0), nullptr);
    EXPECT_EQ(own->getGuard(0), nullptr);
    player->moveItem(kBag1, 0, kHouse, 0);
    ASSERT_NE(own->getGuard(0), nullptr);
    std::unique_ptr<ItemBase> traded = own->removeTradeItem(kHouse, 0);
    EXPECT_EQ(traded.get(), fresh);
    EXPECT_EQ(own->getGuard(0), nullptr);

    // A destroyed covenant shows no relic.
    own->destroyed = true;
    player->moveItem(kBag1, 3, kHouse, 4);
    EXPECT_EQ(bags.getItemAt(kHouse, 4), relic);
    EXPECT_EQ(own->getRelicDisplay(4), nullptr);
}

TEST_F(PlayerCovenantPlay, RaidsStartOnlyOnALivingOtherCovenantAndAreDeclaredNearTheHouse)
{
    ActorCovenant& target = setUpCovenant("Ironbound", 5);
    ActorCovenant& fallen = setUpCovenant("Thornveil", 5);
    fallen.destroyed = true;
    const int slot0 = recruit(60);
    ASSERT_EQ(slot0, 0);
    for (const std::string& line : {std::string("Raid 9"), "Raid " + std::to_string(own->index),
                                    "Raid " + std::to_string(fallen.index)}) {
        run(line);
        EXPECT_EQ(own->raidTarget, -1) << line;
        EXPECT_EQ(player->getGate(1, 0), nullptr) << line;
    }
    run("Raid " + std::to_string(target.index) + " 0 2");
    ASSERT_EQ(own->raidTarget, target.index);
    ASSERT_EQ(player->getFollowers().size(), 1u) << "slot 2 is empty";
    EXPECT_EQ(player->getFollowers()[0], own->getRecruitActor(0));
    EXPECT_NE(player->getGate(1, 0), nullptr);
    run("Raid " + std::to_string(fallen.index));
    EXPECT_EQ(own->raidTarget, target.index) << "one raid at a time";

    const size_t from = mark();
    ZonePosition at = target.housePosition;
    player->setPosition(ZonePosition(at.zone, at.x + 300.0f, at.y));
    own->update(0.05f);
    EXPECT_FALSE(own->isRaidAnnounced());
    EXPECT_NE(own->getRelationState(target.index), static_cast<int>(CovenantTreaty::Raid));
    player->setPosition(ZonePosition(at.zone, at.x + 299.9f, at.y));
    own->update(0.05f);
    own->update(0.05f);
    EXPECT_TRUE(own->isRaidAnnounced());
    EXPECT_EQ(own->getRelationState(target.index), static_cast<int>(CovenantTreaty::Raid));
    auto lines = linesSince(from);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("raiding") != std::string::npos; }),
              1);
    EXPECT_TRUE(own->takesPartInRaid(own->getRecruitActor(0)));
    EXPECT_TRUE(own->allowsRaidTeleport());
}

TEST_F(PlayerCovenantPlay, RaidEndsAndDestructionsCountInThePlayersStatistics)
{
    ActorCovenant& living = setUpCovenant("Ironbound", 5);
    ActorCovenant& doomed = setUpCovenant("Thornveil", 5);
    run("stopRaid");
    EXPECT_EQ(statistic(20), 0) << "no raid: nothing";

    run("Raid " + std::to_string(living.index));
    run("stopRaid");
    EXPECT_EQ(statistic(20), 1);
    EXPECT_EQ(statistic(19), 0);
    EXPECT_EQ(own->raidTarget, -1);
    EXPECT_EQ(player->getGate(1, 0), nullptr);

    run("Raid " + std::to_string(doomed.index));
    doomed.destroyed = true;
    run("stopRaid");
    EXPECT_EQ(statistic(20), 2);
    EXPECT_EQ(statistic(19), 1);

    // Destroyed by a monster, then (a fresh count) while being raided.
    Actor* monster = npc("RecruitWarrior", 70, 70);
    own->onDestroyed(monster, false, false);
    EXPECT_EQ(statistic(23), 1);
    own->onDestroyed(monster, false, false);
    EXPECT_EQ(statistic(23), 1) << "ends once";
    own->destroyed = false;
    own->onDestroyed(nullptr, false, false);
    EXPECT_EQ(statistic(23), 1) << "no killer: neither";
    EXPECT_EQ(statistic(22), 0);
    own->destroyed = false;
    living.raidTarget = own->index;
    living.setRelationState(own->index, static_cast<int>(CovenantTreaty::Raid));
    own->setRelationState(living.index, static_cast<int>(CovenantTreaty::Raid));
    own->onDestroyed(monster, false, false);
    EXPECT_EQ(statistic(22), 1);
    EXPECT_EQ(statistic(23), 1);
    own->onRaidRepelled(&living);
    EXPECT_EQ(statistic(21), 0) << "a destroyed covenant counts nothing";
}

TEST_F(PlayerCovenantPlay, SharedAdventuresWithAComputerCovenant)
{
    ActorCovenant& partner = setUpCovenant("Ironbound", 5);
    ASSERT_NE(partner.getLeader(), nullptr);
    ActorCovenant& other = setUpCovenant("Thornveil", 5);

    // Raiding during a town attack: the raid message only.
    auto attack = std::make_unique<Quest>();
    attack->type = kTownAttackQuest;
    attack->goal = 1;
    const int attackNumber = world.game->addQuest(std::move(attack));
    ASSERT_TRUE(world.game->hasOpenQuestOfType(kTownAttackQuest));
    other.raidTarget = own->index;
    other.setRelationState(own->index, static_cast<int>(CovenantTreaty::Raid));
    own->setRelationState(other.index, static_cast<int>(CovenantTreaty::Raid));
    size_t from = mark();
    own->startSharedAdventure(&partner);
    EXPECT_EQ(linesSince(from), std::vector<std::string>{"msg 2 \"Can't adventure together during raids\""});
    EXPECT_EQ(own->linkedCovenant, -1);
    other.raidTarget = -1;
    other.setRelationState(own->index, static_cast<int>(CovenantTreaty::War));
    own->setRelationState(other.index, static_cast<int>(CovenantTreaty::War));
    from = mark();
    own->startSharedAdventure(&partner);
    EXPECT_EQ(linesSince(from),
              std::vector<std::string>{"msg 2 \"Can't adventure together during town attacks\""});
    EXPECT_EQ(own->linkedCovenant, -1);
    world.game->getQuest(attackNumber)->open = false;

    ScriptedCovenant& leaderless = addScriptedCovenant(*world.game);
    from = mark();
    own->startSharedAdventure(&leaderless);
    EXPECT_TRUE(linesSince(from).empty());

    from = mark();
    EXPECT_EQ(player->getAdventureXpMult(), 1.0f);
    own->startSharedAdventure(&partner);
    EXPECT_EQ(player->getAdventureXpMult(), 0.5f);
    EXPECT_EQ(own->linkedCovenant, partner.index);
    EXPECT_EQ(partner.linkedCovenant, own->index);
    EXPECT_EQ(partner.getLeader()->getLeader(), player);
    EXPECT_TRUE(
        sent(from, "msg 2 \"Adventuring with " + world.game->getCovenantColoredName(partner.index) + "\""));

    // The player stops: the partner is told, nothing shown.
    from = mark();
    run("stopSharedAdventure");
    EXPECT_TRUE(linesSince(from).empty());
    EXPECT_EQ(partner.linkedCovenant, -1);
    EXPECT_TRUE(player->getFollowers().empty());
    run("stopSharedAdventure");
    EXPECT_TRUE(linesSince(from).empty()) << "twice: nothing";

    own->startSharedAdventure(&partner);
    from = mark();
    partner.stopSharedAdventure(&partner);
    EXPECT_EQ(linesSince(from),
              std::vector<std::string>{"msg 2 \"" + world.game->getCovenantColoredName(partner.index) +
                                       " has stopped adventuring with us\""});
    EXPECT_EQ(own->linkedCovenant, -1);
}

// A dead monster's loot by kill credit: the share passed to the drop and
// whether a computer covenant took the item it wants from the remaining loot.
TEST_F(PlayerCovenantPlay, TheKillCreditSetsTheLootShareAndWhoTakesFromTheLoot)
{
    ActorCovenant& partner = setUpCovenant("Ironbound", 5);
    Actor* recruit = partner.getRecruitActor(0) ? partner.getRecruitActor(0) : partner.getRecruitActor(1);
    ASSERT_NE(recruit, nullptr);
    enum class Killer { Player, Recruit, None };
    struct Case {
        const char* name;
        Killer killer;
        bool adventure;
        float share;
        bool lootTaken;
    };
    const std::array<Case, 4> cases{{
        {"a player alone", Killer::Player, false, 1.0f, false},
        {"a player adventuring with a computer covenant", Killer::Player, true, 0.5f, true},
        {"a computer covenant's recruit", Killer::Recruit, false, 0.5f, true},
        {"no kill credit", Killer::None, false, 0.0f, false},
    }};
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.adventure)
            own->startSharedAdventure(&partner);
        else
            own->stopSharedAdventure(own);
        ASSERT_EQ(own->linkedCovenant != -1, c.adventure);
        Actor* victim = spawn(findType("GoblinWarrior"), 3, 62 + 2 * row++, 66);
        ASSERT_NE(victim, nullptr);
        victim->setChecksActivity(false);
        // A shirt well above the partner's gear: a covenant that takes loot keeps it.
        Item* shirt = makeItem("ChainShirt");
        shirt->setLevel(40);
        shirt->updateStackValue();
        ASSERT_TRUE(victim->getInventory()->getSlot(kLoot)->addItem(shirt));
        std::vector<float> shares;
        world.game->hooks().dropMonsterLoot = [&](Actor* dropped, float share, int, float, float) {
            EXPECT_EQ(dropped, victim);
            shares.push_back(share);
        };
        Sentient* killer = c.killer == Killer::Player    ? static_cast<Sentient*>(player)
                           : c.killer == Killer::Recruit ? recruit
                                                         : nullptr;
        victim->takeDamage(victim->getHealth(), killer);
        ASSERT_TRUE(victim->isDead());
        ASSERT_EQ(victim->getKillCreditEntity(), killer);
        victim->dropLoot();
        EXPECT_EQ(shares, std::vector<float>{c.share});
        EXPECT_EQ(victim->getInventory()->countItemsInGroup(kLoot), c.lootTaken ? 0 : 1);
        world.game->hooks().dropMonsterLoot = nullptr;
    }
}

TEST_F(PlayerCovenantPlay, OfferLinesAreParsedCheckedAndAnsweredOnlyForThePendingOffer)
{
    TestCovenant& listener = addTestCovenant(*world.game, "Ironbound");
    const std::string i = std::to_string(listener.index);
    run("offer 0 " + i);
    ASSERT_EQ(listener.offers.size(), 1u);
    EXPECT_EQ(listener.offers[0].type, 2);
    EXPECT_TRUE(listener.offers[0].terms.empty());
    run("offer 1 " + i + " 0 6 100 0 1");
    ASSERT_EQ(listener.offers.size(), 2u);
    EXPECT_EQ(listener.offers[1].terms, (std::vector<TradeTerm>{{0, 6, 100}}));
    EXPECT_EQ(listener.offers[1].type, 2) << "they give nothing";
    world.log.clear();
    run("offer 0 " + i + " 0 6 -5");
    run("offer 0 " + i + " 0 11 " + std::to_string(TradeTerm::thirdParty(own->index, 2)));
    run("offer 0 " + std::to_string(own->index) + " 0 6 5");
    EXPECT_EQ(listener.offers.size(), 2u);
    EXPECT_EQ(world.log.count(2), 2u);

    // A computer covenant's gift of 10 crystals, then the player's answers.
    ActorCovenant& giver = setUpCovenant("Thornveil", 5);
    giver.stats.set(static_cast<int>(CovenantStat::Money), 500);
    TradeOffer gift;
    gift.type = 2;
    gift.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 10, 0);
    size_t from = mark();
    giver.sendOffer(own, gift);
    const std::string g = std::to_string(giver.index);
    EXPECT_TRUE(sent(from, "offerToPlayer 2 " + g + " 0 8 10"));
    from = mark();
    run("acceptOffer 2 " + g + " 0 8 1000");
    EXPECT_EQ(linesSince(from), std::vector<std::string>{"dipRes 16 " + g});
    EXPECT_EQ(own->stats.get(static_cast<int>(CovenantStat::Money)), 0);
    run("acceptOffer 2 " + g + " 0 8 10");
    EXPECT_EQ(own->stats.get(static_cast<int>(CovenantStat::Money)), 10);
    EXPECT_EQ(giver.stats.get(static_cast<int>(CovenantStat::Money)), 490);
    EXPECT_TRUE(sent(from, "dipRes 12 " + g));
}

TEST_F(PlayerCovenantPlay, TheExecutorMovesMoneyItemsAndInfluenceAsTheCommandsAsk)
{
    TestCovenant& other = addTestCovenant(*world.game, "Ironbound");
    Player* leader = addPlayerLeading(*world.game, other, nav.tileCentre(0, 80, 80));
    ASSERT_NE(leader, nullptr);
    leader->setStat(toIndex(CharacterStat::Money), 30);
    player->setStat(toIndex(CharacterStat::Money), 0);
    TradeOffer money;
    money.addEntry(static_cast<int>(TradeTermKind::TermGold), 100, 1);
    EXPECT_FALSE(money.canBeFulfilled(own, &other));
    world.game->executeTradeOffer(money, own, &other);
    EXPECT_EQ(leader->getStat(toIndex(CharacterStat::Money)), 0);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Money)), 100);

    TradeOffer item;
    item.addEntry(static_cast<int>(TradeTermKind::TermItem), TradeTerm::itemPlace(kBag1, 0), 0);
    EXPECT_FALSE(item.canBeFulfilled(own, &other)) << "an empty place";
    world.game->executeTradeOffer(item, own, &other);
    EXPECT_EQ(player->getInventory()->countItemsInGroup(kBag1), 0);

    // The player's item leaves the player's own bags.
    giveBag();
    Item* helm = makeItem("IronHelm");
    ASSERT_TRUE(player->getInventory()->getSlot(kBag1)->addItem(helm));
    EXPECT_TRUE(item.canBeFulfilled(own, &other));
    world.game->executeTradeOffer(item, own, &other);
    EXPECT_EQ(player->getInventory()->getItemAt(kBag1, 0), nullptr);

    own->influence.adventure = 50;
    TradeOffer influence;
    influence.addEntry(static_cast<int>(TradeTermKind::TermInfluence), 30, 0);
    EXPECT_TRUE(influence.canBeFulfilled(own, &other));
    world.game->executeTradeOffer(influence, own, &other);
    EXPECT_EQ(own->influence.transferred, -30);
    EXPECT_EQ(other.influence.transferred, 30);
}

TEST_F(PlayerCovenantPlay, AlliedVictoryAndTheEndOfTheOtherCovenants)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 5);
    ActorCovenant& b = setUpCovenant("Thornveil", 5);
    const float before = a.getRelation(own->index);
    run("alliedVictoryReject");
    EXPECT_EQ(a.getRelation(own->index), before);
    EXPECT_NE(a.getRelationState(own->index), static_cast<int>(CovenantTreaty::War));

    world.game->setAlliedVictoryOffered(true);
    run("alliedVictoryReject");
    EXPECT_FALSE(world.game->isAlliedVictoryOffered());
    for (ActorCovenant* c : {&a, &b}) {
        EXPECT_EQ(c->getRelationState(own->index), static_cast<int>(CovenantTreaty::War));
        EXPECT_EQ(c->getRelation(own->index), c->getDefinition()->MaxWarRelation);
    }

    std::vector<std::pair<Actor*, int>> members;
    for (ActorCovenant* c : {&a, &b})
        for (int slot = 0; slot < c->getRecruitSlotCount(); ++slot)
            if (Actor* actor = c->getRecruitActor(slot))
                members.emplace_back(actor, c->index);
    ASSERT_FALSE(members.empty());
    world.game->endAllCovenants();
    // Their bodies fade out, naming the ended covenant no more.
    for (const auto& [actor, index] : members)
        EXPECT_NE(actor->getCovenantIndex(), index);
    EXPECT_TRUE(a.destroyed);
    EXPECT_TRUE(b.destroyed);
    EXPECT_FALSE(own->destroyed);
    EXPECT_FALSE(Server::get().isPaused());
}

TEST_F(PlayerCovenantPlay, ANewWorldRaisesTheHouseAndTheRecruitsAgain)
{
    ASSERT_EQ(recruit(60), 0);
    own->getRecruitActor(0)->setStat(toIndex(CharacterStat::Xp), 777);
    own->stats.set(static_cast<int>(CovenantStat::Money), 50);
    own->influence.world = 20;
    // A guard hired and a relic on show in the house.
    giveBag();
    own->addCrystals(100000);
    player->getInventory()->getSlot(kBag1)->setItem(0, makeItem("GuardSkeletonWarrior"));
    Item* relic = makeItem("EmberRelic");
    player->getInventory()->getSlot(kBag1)->setItem(1, relic);
    player->moveItem(kBag1, 0, kHouse, 0);
    player->moveItem(kBag1, 1, kHouse, 6);
    ASSERT_NE(own->getGuard(0), nullptr);
    ASSERT_NE(own->getRelicDisplay(6), nullptr);
    own->saveRecruits();
    // The old world's bodies, house and displays go, as a cleared Game takes them.
    for (int i = 0; i < Game::kMaxEntities; ++i)
        if (Entity* e = world.game->getEntity(i); e && e != player && e->getCovenantIndex() == own->index)
            world.game->deleteEntity(e, true);
    if (Entity* shown = own->getRelicDisplay(6))
        world.game->deleteEntity(shown, true);
    ASSERT_EQ(own->getLifestone(), nullptr);
    ASSERT_EQ(own->getRelicDisplay(6), nullptr);
    own->restoreInWorld();
    ASSERT_NE(own->getLifestone(), nullptr);
    EXPECT_NE(own->getGate(), nullptr);
    Actor* body = own->getRecruitActor(0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->getStat(toIndex(CharacterStat::Xp)), 777);
    EXPECT_LT(ZonePosition::distanceTo(body->getPosition(), own->housePosition), 400.0f);
    EXPECT_EQ(own->stats.get(static_cast<int>(CovenantStat::Money)), 0);
    EXPECT_EQ(own->influence.total(), 0);
    EXPECT_EQ(own->getLifestoneHealth(), own->getLifestoneMaxHealth());
    // The guard's contract stays behind; the relic stays in the house, on
    // show at the new house's pedestal.
    EXPECT_EQ(own->getHouseItem(0), nullptr);
    EXPECT_EQ(own->getGuard(0), nullptr);
    EXPECT_EQ(own->getHouseItem(6), relic);
    const auto* shown = dynamic_cast<const ItemGround*>(own->getRelicDisplay(6));
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(shown->getGroundItem(), nullptr);
    EXPECT_EQ(shown->getGroundItem()->getEntryName(), "EmberRelic");
    ASSERT_NE(own->getPedestal(2), nullptr);
    EXPECT_EQ(shown->getParentEntity(), own->getPedestal(2)->getEntityNumber());
}

TEST_F(PlayerCovenantPlay, TheHouseEntriesAreShippedObjects)
{
    for (const char* name : {"ObjectCovenantStash", "ObjectBookshelf", "ObjectPlayerStash", "ObjectLifestone",
                             "ObjectGate", "ObjectPedestal"}) {
        const DatabaseEntry* entry = Database::get().findEntry(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->getTypeInherited(), static_cast<int>(DatabaseEntryType::Object)) << name;
    }
    // The house gate is a gate of kind 1 on the entry every such gate takes.
    ASSERT_NE(own->getGate(), nullptr);
    EXPECT_EQ(own->getGate()->getEntryName(), "ObjectGate");
    EXPECT_EQ(own->getGate()->getKind(), Gate::kLinked);
}

TEST_F(PlayerCovenantPlay, ARaidRecruitJumpsToTheTargetOnlyOnceTheRaidIsDeclared)
{
    ActorCovenant& target = setUpCovenant("Ironbound", 5);
    ASSERT_NE(target.getLifestone(), nullptr);
    ASSERT_EQ(recruit(60), 0);
    Actor* raider = own->getRecruitActor(0);
    auto* jump = giveOnlyBehavior(raider, std::make_unique<BehaviorTeleportRaid>());
    jump->maxRange = 1000.0f;
    jump->maxRangeWithEnemy = 400.0f;
    player->setPosition(nav.tileCentre(0, 120, 120));
    run("Raid " + std::to_string(target.index) + " 0");
    ASSERT_TRUE(raider->isInPartyOf(player));
    raider->setPosition(nav.tileCentre(0, 110, 110));
    own->update(0.05f);
    EXPECT_FALSE(jump->canStart()) << "not declared: the player is far from the house";

    const ZonePosition& house = target.housePosition;
    player->setPosition(ZonePosition(house.zone, house.x + 100.0f, house.y));
    own->update(0.05f);
    ASSERT_TRUE(own->isRaidAnnounced());
    int alive = 0;
    int dead = 0;
    own->countRaidParty(alive, dead);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(dead, 0);
    ASSERT_TRUE(jump->canStart());
    raider->thinkBehaviors(0.05f);
    // At the spot beside the stone, or the free cell next to it.
    EXPECT_LT(ZonePosition::distanceTo(raider->getPosition(), target.getPositionNearLifestone()), 64.0f);
}

TEST_F(PlayerCovenantPlay, DisplayNamesCarryTheCovenantOrTheNpcType)
{
    EXPECT_EQ(getNpcDisplayName(nullptr), "");
    ASSERT_EQ(recruit(60), 0);
    Actor* member = own->getRecruitActor(0);
    EXPECT_EQ(getNpcDisplayName(member), member->getName() + " (" + coloredName(own) + ")");
    for (const char* type : {"NpcWarmaster", "RecruitWarrior"}) {
        Actor* npc = this->npc(type, 70, 70);
        EXPECT_EQ(getNpcDisplayName(npc),
                  npc->getName() + " ($$NpcType" + getNpcTypeName(npc->getNpcType()) + "$$)")
            << type;
    }
}

// The player's house is its own House group, and its covenant reads it
// there as a computer covenant reads its own: the guards' upkeep, the
// guards' health written to their contracts, the guard sold when the
// crystals run out, and the relics' multipliers and stat bonuses.
TEST_F(PlayerCovenantPlay, ThePlayersHouseGroupIsItsCovenantsHouse)
{
    giveBag();
    own->addCrystals(100000);
    InventoryBase& bags = *player->getInventory();
    InventoryGroup& bag = *bags.getSlot(kBag1);
    constexpr int kGuardCosts = static_cast<int>(CovenantStat::GuardCosts);
    std::array<ItemBase*, 2> contracts{};
    // Guards of level 60: their upkeep is more than the covenant's income.
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<Item> contract = Vendor::createGuardItem(60);
        ASSERT_NE(contract, nullptr);
        contracts[static_cast<size_t>(i)] = contract.get();
        bag.setItem(i, contract.release());
        player->moveItem(kBag1, i, kHouse, i);
        ASSERT_NE(own->getGuard(i), nullptr);
    }
    ASSERT_GT(contracts[0]->getUpkeep(), 0);
    ASSERT_GT(contracts[1]->getUpkeep(), 0);
    EXPECT_EQ(own->stats.get(kGuardCosts), contracts[0]->getUpkeep() + contracts[1]->getUpkeep());

    // A guard's wounds reach its contract; its death ends its upkeep.
    Entity* guard = own->getGuard(0);
    guard->setHealth(guard->getMaxHealth() - 1);
    own->update(0.05f);
    EXPECT_EQ(contracts[0]->getGuardHealth(), guard->getMaxHealth() - 1);
    guard->setHealth(0);
    player->update(0.05f);
    ASSERT_TRUE(contracts[0]->hasBrokenFree());
    EXPECT_EQ(own->stats.get(kGuardCosts), contracts[1]->getUpkeep());

    // Out of crystals, the living guard is sold and its contract leaves the
    // house; nothing is paid for any more.
    own->stats.set(static_cast<int>(CovenantStat::Money), 0);
    own->influence = InfluenceCounters();
    ASSERT_LT(own->sumRelationValues(), 0);
    own->payUpkeep();
    EXPECT_EQ(own->getGuard(1), nullptr);
    EXPECT_EQ(bags.getItemAt(kHouse, 1), nullptr);
    EXPECT_EQ(bags.getItemAt(kHouse, 0), contracts[0]) << "the dead guard's contract stays";
    EXPECT_EQ(own->stats.get(kGuardCosts), 0);
    EXPECT_GE(own->stats.get(static_cast<int>(CovenantStat::Money)), 0);

    // A relic raises the multipliers and the members' stats alike in the
    // player's house and in a computer covenant's.
    ActorCovenant& other = setUpCovenant("Ironbound", 10);
    ASSERT_NE(other.getLeader(), nullptr);
    const int fire = toIndex(CharacterStat::ResistanceFire);
    auto relic = [&] {
        Item* made = makeItem("EmberRelic");
        made->addMagicProperty(Database::get().findEntry("ModOfWarding"), 1.0f);
        return made;
    };
    struct Case {
        const char* house;
        Covenant& covenant;
        Sentient* member;
        std::function<void(Item*)> place;
    };
    const Case cases[] = {
        {"the player's", *own, player,
         [&](Item* made) {
             bag.setItem(2, made);
             player->moveItem(kBag1, 2, kHouse, 5);
         }},
        {"a computer covenant's", other, other.getLeader(),
         [&](Item* made) { ASSERT_TRUE(other.storeItem(made)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.house);
        Item* placed = relic();
        const int bonus = placed->getStatBonus(CharacterStat::ResistanceFire);
        ASSERT_GT(bonus, 0);
        ASSERT_NE(placed->getCovenantMultiplier(CovenantMultiplier::Influence), 1.0f);
        c.member->updateStats(false);
        const int before = c.member->getStat(fire);
        // A computer covenant's traits weigh in beside its relics.
        std::array<float, 14> was{};
        for (int k = 0; k < 14; ++k)
            was[static_cast<size_t>(k)] = c.covenant.getMultiplier(k);
        c.place(placed);
        c.member->updateStats(false);
        for (int k = 0; k < 14; ++k)
            EXPECT_FLOAT_EQ(c.covenant.getMultiplier(k),
                            was[static_cast<size_t>(k)] *
                                placed->getCovenantMultiplier(static_cast<CovenantMultiplier>(k)))
                << k;
        EXPECT_EQ(c.member->getStat(fire), before + bonus);
    }
}

namespace {

// The covenant's derived stats as a refresh would give them now: GuardCosts
// and the relic multipliers. True when they were so already.
bool derivedStatsFresh(Covenant& c)
{
    constexpr int kGuardCosts = static_cast<int>(CovenantStat::GuardCosts);
    const int costs = c.stats.get(kGuardCosts);
    std::array<float, 14> multipliers{};
    for (int k = 0; k < 14; ++k)
        multipliers[static_cast<size_t>(k)] = c.getMultiplier(k);
    c.updateStats();
    bool same = c.stats.get(kGuardCosts) == costs;
    for (int k = 0; k < 14; ++k)
        same = same && c.getMultiplier(k) == multipliers[static_cast<size_t>(k)];
    return same;
}

std::vector<uint8_t> sectionBytes(const ActorCovenant& c)
{
    ByteBuffer out;
    c.write(out);
    return out.bytes();
}

} // namespace

// Every change of a guard or relic refreshes the covenant at once, so a
// world saved right after it loads (which refreshes) and saves alike.
TEST_F(PlayerCovenantPlay, GuardAndRelicChangesRefreshTheCovenantAtOnce)
{
    giveBag();
    own->addCrystals(100000);
    ActorCovenant& c = setUpCovenant("Ironbound", 10);
    c.addCrystals(100000);
    InventoryGroup& bag = *player->getInventory()->getSlot(kBag1);
    InventoryGroup& stash = *c.inventory->getOwnGroup(toIndex(InventoryGroupIndex::Stash));
    InventoryGroup& house = *c.inventory->getOwnGroup(kHouse);
    auto hire = [&](int slot, int level) {
        std::unique_ptr<Item> contract = Vendor::createGuardItem(level);
        ItemBase* placed = contract.release();
        house.setItem(slot, placed);
        c.createGuard(placed, slot);
        c.updateStats();
        return placed;
    };
    // Saved, read back as a load does (which refreshes) and saved again.
    auto reloadsAlike = [&] {
        const std::vector<uint8_t> bytes = sectionBytes(c);
        auto fresh = std::make_unique<ActorCovenant>();
        fresh->index = c.index;
        ByteBuffer in(bytes);
        if (!fresh->read(in, ActorCovenant::kSaveVersion))
            return false;
        fresh->updateStats();
        return sectionBytes(*fresh) == bytes;
    };
    auto trade = [&](Covenant& giver, Covenant& taker, int group, int slot) {
        TradeOffer deal;
        deal.addEntry(static_cast<int>(TradeTermKind::TermItem), TradeTerm::itemPlace(group, slot), 0);
        world.game->executeTradeOffer(deal, &giver, &taker);
    };

    {
        SCOPED_TRACE("a guard breaks free");
        hire(0, 5);
        ASSERT_NE(c.getGuard(0), nullptr);
        ASSERT_GT(c.stats.get(static_cast<int>(CovenantStat::GuardCosts)), 0);
        c.releaseGuard(0);
        EXPECT_TRUE(c.getHouseItem(0)->hasBrokenFree());
        EXPECT_TRUE(reloadsAlike());
        EXPECT_TRUE(derivedStatsFresh(c));
    }
    {
        SCOPED_TRACE("the player's guard dies");
        Item* contract = makeItem("GuardSkeletonWarrior");
        bag.setItem(0, contract);
        player->moveItem(kBag1, 0, kHouse, 0);
        ASSERT_NE(own->getGuard(0), nullptr);
        ASSERT_TRUE(derivedStatsFresh(*own));
        own->getGuard(0)->setHealth(0);
        player->update(0.05f);
        ASSERT_TRUE(contract->hasBrokenFree());
        EXPECT_TRUE(derivedStatsFresh(*own));
    }
    {
        SCOPED_TRACE("a guard contract comes into the leader's bag by a trade and leaves by another");
        std::unique_ptr<Item> contract = Vendor::createGuardItem(5);
        Item* moving = contract.get();
        stash.setItem(3, contract.release());
        trade(c, *own, toIndex(InventoryGroupIndex::Stash), 3);
        int group = -1;
        int slot = -1;
        ASSERT_TRUE(player->getInventory()->findItem(moving, group, slot));
        EXPECT_TRUE(derivedStatsFresh(*own));
        EXPECT_TRUE(derivedStatsFresh(c));
        trade(*own, c, group, slot);
        EXPECT_FALSE(player->getInventory()->findItem(moving, group, slot));
        EXPECT_TRUE(derivedStatsFresh(*own));
        EXPECT_TRUE(derivedStatsFresh(c));
        EXPECT_TRUE(reloadsAlike());
    }
    {
        SCOPED_TRACE("a guard is sold for its upkeep");
        for (int slot = 1; slot < 4; ++slot)
            hire(slot, 60);
        c.stats.set(static_cast<int>(CovenantStat::Money), 0);
        c.influence = InfluenceCounters();
        ASSERT_LT(c.sumRelationValues(), 0);
        int before = 0;
        for (int slot = 1; slot < 4; ++slot)
            before += c.getGuard(slot) != nullptr;
        c.payUpkeep();
        int after = 0;
        for (int slot = 1; slot < 4; ++slot)
            after += c.getGuard(slot) != nullptr;
        EXPECT_LT(after, before);
        EXPECT_TRUE(reloadsAlike());
        EXPECT_TRUE(derivedStatsFresh(c));
    }
    {
        SCOPED_TRACE("a relic is placed");
        ASSERT_TRUE(c.storeItem(makeItem("EmberRelic")));
        EXPECT_TRUE(reloadsAlike());
        EXPECT_TRUE(derivedStatsFresh(c));
        bag.setItem(1, makeItem("EmberRelic"));
        player->moveItem(kBag1, 1, kHouse, 5);
        EXPECT_TRUE(derivedStatsFresh(*own));
    }
}

namespace {

// A set's bonuses come when its last piece is put on, by either way a
// player equips: moved onto its place, or used from a bag.
TEST_F(PlayerCovenantPlay, PuttingOnASetsLastPieceGivesItsBonuses)
{
    const struct {
        const char* way;
        bool used;
    } rows[] = {{"moved onto its place", false}, {"used from a bag", true}};
    const std::string bonuses[] = {"WardenSetPartial", "WardenSetFull"};
    giveBag();
    // Mail from level 5: the pieces are worn only from their level on.
    player->setStat(toIndex(CharacterStat::Level), 5);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        InventoryGroup& bag = *player->getInventory()->getSlot(kBag1);
        Item* pieces[] = {makeItem("WardenHelm"), makeItem("WardenGauntlets")};
        const EquipedLocation places[] = {EquipedLocation::Head, EquipedLocation::Hands};
        for (int i = 0; i < 2; ++i) {
            bag.setItem(0, pieces[i]);
            if (row.used)
                pieces[i]->use(player);
            else
                player->moveItem(kBag1, 0, toIndex(InventoryGroupIndex::Equipment), toIndex(places[i]));
            ASSERT_EQ(player->getInventory()->getItemAt(toIndex(InventoryGroupIndex::Equipment),
                                                        toIndex(places[i])),
                      pieces[i]);
            for (const std::string& bonus : bonuses)
                EXPECT_EQ(player->hasStatusEffect(Database::get().findEntry(bonus)), i == 1)
                    << bonus << " " << i;
        }
        // Taken off: the set is broken and its bonuses end.
        player->moveItem(toIndex(InventoryGroupIndex::Equipment), toIndex(EquipedLocation::Hands), kBag1, 0);
        player->update(0.05f);
        for (const std::string& bonus : bonuses)
            EXPECT_FALSE(player->hasStatusEffect(Database::get().findEntry(bonus))) << bonus;
        delete player->getInventory()->clearEntry(kBag1, 0);
        delete player->getInventory()->clearEntry(toIndex(InventoryGroupIndex::Equipment),
                                                  toIndex(EquipedLocation::Head));
    }
}

} // namespace
