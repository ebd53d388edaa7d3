#include "game/covenants/Covenant.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameFormulas.h"
#include "game/entities/ActorFixture.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/SpawnSystem.h"
#include "server/Server.h"
#include "support/ScriptedCovenant.h"
#include "support/TestCovenant.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace {
constexpr int kMoney = static_cast<int>(CovenantStat::Money);
constexpr int kGuardCosts = static_cast<int>(CovenantStat::GuardCosts);
} // namespace

// A covenant on "Ironbound" with a life stone at tile (40, 40), in a Game on
// the shipped data.
class CovenantTest : public ActorFixture {
protected:
    CovenantTest() : covenant(addTestCovenant(*world.game, "Ironbound"))
    {
        stone = new Entity();
        stone->setPosition(nav.tileCentre(0, 40, 40));
        world.game->addEntity(stone);
        covenant.setLifestone(stone);
        firstLine = Server::instance()->getQueuedCommands().size();
    }

    // A covenant item of the entry, placed in the house group.
    Item* putHouseItem(const char* entry, int slot)
    {
        auto* item = dynamic_cast<Item*>(covenant.inventory->createItem());
        item->setItemEntry(DefinitionReader::findEntry(entry));
        covenant.inventory->getSlot(Covenant::kHouseGroup)->setItem(slot, item);
        return item;
    }

    Actor* recruitWithHealth(int maxHealth, int tx)
    {
        Actor* actor = spawn(findType("RecruitWarrior"), 5, tx, 44);
        covenant.addRecruit(actor);
        actor->setMaxHealth(maxHealth);
        actor->setHealth(maxHealth);
        return actor;
    }

    // The lines queued for the clients since the fixture was made.
    std::vector<std::string> lines() const
    {
        const std::vector<std::string>& all = Server::instance()->getQueuedCommands();
        return std::vector<std::string>(all.begin() + static_cast<long>(firstLine), all.end());
    }

    void setStone(int health, int maximum)
    {
        stone->setMaxHealth(maximum);
        stone->setHealth(health);
    }

    SpawnSystem spawns;
    TestCovenant& covenant;
    Entity* stone = nullptr;
    size_t firstLine = 0;
};

TEST_F(CovenantTest, TheLifeStoneFollowsTheMembersAndTheRelics)
{
    EXPECT_EQ(covenant.getLifestoneRegen(), 0);
    covenant.updateStats();
    EXPECT_EQ(covenant.getLifestoneMaxHealth(), 0) << "no members, no stone";

    recruitWithHealth(150, 42);
    recruitWithHealth(100, 43);
    covenant.updateStats();
    EXPECT_EQ(covenant.getLifestoneRegen(), 150);
    EXPECT_EQ(covenant.getLifestoneMaxHealth(), 250);

    world.database.addSubDatabase("Relics", "relics.dbl",
                                  "StoneRelicA\n{\n    Base EmberRelic\n    CovenantMultLifeStone 1.5\n}\n"
                                  "StoneRelicB\n{\n    Base EmberRelic\n    CovenantMultLifeStone 2.0\n}\n");
    putHouseItem("StoneRelicA", 4);
    putHouseItem("StoneRelicB", 6);
    covenant.updateStats();
    EXPECT_FLOAT_EQ(covenant.getMultiplier(static_cast<int>(CovenantMultiplier::LifeStone)), 3.0f);
    EXPECT_EQ(covenant.getLifestoneMaxHealth(), 750);
    EXPECT_EQ(covenant.getMultiplier(99), 1.0f);
}

TEST_F(CovenantTest, DangerIsAnnouncedOncePerFallAndRearmedOnlyByARealRecovery)
{
    setStone(1000, 1000);
    auto dangerLines = [this] {
        std::vector<std::string> all = lines();
        return std::count_if(all.begin(), all.end(), [](const std::string& line) {
            return line.find("covenant's life stone is in danger") != std::string::npos;
        });
    };
    stone->setHealth(200);
    covenant.update(0.0f);
    EXPECT_EQ(dangerLines(), 1) << "one line, not the 50 % one as well";
    EXPECT_EQ(lines().size(), 1u);
    stone->setHealth(290);
    covenant.update(0.0f);
    stone->setHealth(240);
    covenant.update(0.0f);
    EXPECT_EQ(dangerLines(), 1) << "0.29 does not re-arm the warning";
    stone->setHealth(310);
    covenant.update(0.0f);
    stone->setHealth(240);
    covenant.update(0.0f);
    EXPECT_EQ(dangerLines(), 2);

    // A deleted stone: nothing to regenerate, announce or read.
    world.game->deleteEntity(stone, true);
    covenant.update(1.0f);
    EXPECT_EQ(covenant.getLifestoneHealth(), 0);
    EXPECT_EQ(covenant.getLifestoneMaxHealth(), 0);
    covenant.setLifestoneHealth(5);
    EXPECT_EQ(dangerLines(), 2);
}

TEST_F(CovenantTest, DeathsAndResurrectionsDependOnTheStone)
{
    Sentient* leader = placeTarget(10, 30, 30);
    covenant.leader = leader;
    Actor* member = recruitWithHealth(200, 42);
    setStone(300, 1000);
    covenant.onMemberDied(member);
    EXPECT_EQ(covenant.getLifestoneHealth(), 250) << "never below a quarter";
    covenant.onMemberDied(member);
    EXPECT_EQ(covenant.getLifestoneHealth(), 250);

    setStone(400, 1000);
    EXPECT_FLOAT_EQ(covenant.getResurrectTime(leader), 10.0f);
    EXPECT_FLOAT_EQ(covenant.getResurrectTime(member), 11.0f);
    EXPECT_FLOAT_EQ(covenant.getResurrectTime(nullptr), 0.0f);
    covenant.destroyed = true;
    EXPECT_FLOAT_EQ(covenant.getResurrectTime(member), -1.0f);
}

TEST_F(CovenantTest, GuardsStandOnTheirPostsAndAreHiredWithTheItemsHealth)
{
    covenant.housePosition = ZonePosition(0, 1000.0f, 1000.0f);
    EXPECT_EQ(covenant.guardPost(0), ZonePosition(0, 936.0f, 1096.0f));
    EXPECT_EQ(covenant.guardPost(3), ZonePosition(0, 1096.0f, 904.0f));
    EXPECT_EQ(covenant.guardPost(7), covenant.housePosition);

    Item* fresh = putHouseItem("GuardSkeletonWarrior", 0);
    ASSERT_NE(fresh->getGuardType(), nullptr);
    EXPECT_EQ(fresh->getGuardHealth(), INT_MAX) << "a guard never hired";
    covenant.createGuard(fresh, 0);
    Entity* guard = covenant.getGuard(0);
    ASSERT_NE(guard, nullptr);
    EXPECT_GT(guard->getHealth(), 0);
    EXPECT_EQ(guard->getHealth(), guard->getMaxHealth());
    EXPECT_EQ(guard->getPosition(), covenant.guardPost(0));
    EXPECT_EQ(guard->getCovenant(), &covenant);
    covenant.update(0.05f);
    EXPECT_EQ(fresh->getGuardHealth(), guard->getHealth()) << "the item follows its guard";

    Item* stored = putHouseItem("GuardGoblinWarrior", 1);
    stored->setGuardHealth(0);
    covenant.createGuard(stored, 1);
    ASSERT_NE(covenant.getGuard(1), nullptr);
    EXPECT_EQ(covenant.getGuard(1)->getHealth(), 0);

    // Pricier guards are kept: the cheapest is the one to replace.
    EXPECT_EQ(covenant.slotForNewGuard(), 2);
    putHouseItem("GuardCultAdept", 2);
    putHouseItem("GuardSkeletonWarrior", 3);
    EXPECT_EQ(covenant.slotForNewGuard(), 1);
    EXPECT_EQ(covenant.guardSlotToSell(), 2);

    covenant.destroyed = true;
    covenant.createGuard(fresh, 2);
    EXPECT_EQ(covenant.getGuard(2), nullptr);
}

TEST_F(CovenantTest, FourPedestalsStandAroundTheHouse)
{
    covenant.createPedestals();
    for (int i = 0; i < Covenant::kRelicSlots; ++i)
        ASSERT_NE(covenant.getPedestal(i), nullptr) << i;
    EXPECT_NE(covenant.getPedestal(0)->getPosition(), covenant.getPedestal(2)->getPosition());
    Item* relic = putHouseItem("EmberRelic", 5);
    covenant.createRelicDisplay(relic, 5);
    Entity* display = covenant.getRelicDisplay(5);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->getParentEntity(), covenant.getPedestal(1)->getEntityNumber());

    // With the offsets cut short, the missing ones make no pedestal.
    TestCovenant& other = addTestCovenant(*world.game, "Thornveil");
    world.game->mutableSettings().pedestalOffsets.resize(2);
    other.createPedestals();
    EXPECT_NE(other.getPedestal(1), nullptr);
    EXPECT_EQ(other.getPedestal(2), nullptr);
}

TEST_F(CovenantTest, UpkeepSellsTheDearestGuardWhenCrystalsRunOut)
{
    ASSERT_NE(addPlayerLeading(*world.game, covenant, nav.tileCentre(0, 30, 30)), nullptr);
    covenant.influence.world = 100;
    Item* cheap = putHouseItem("GuardGoblinWarrior", 0);
    Item* dear = putHouseItem("GuardSkeletonWarrior", 1);
    covenant.createGuard(cheap, 0);
    covenant.createGuard(dear, 1);
    covenant.updateStats();
    ASSERT_EQ(covenant.stats.get(kGuardCosts), 40);
    ASSERT_EQ(covenant.getBaseIncome(), 10);
    covenant.stats.set(kMoney, 30);

    covenant.payUpkeep();
    EXPECT_EQ(covenant.stats.get(kMoney), 0);
    ASSERT_EQ(lines().size(), 1u);
    EXPECT_EQ(lines()[0],
              "msg 3 \"Running low on crystals!  Guards/trade routes will be sold/canceled if we run "
              "out!\"");

    const int sale = static_cast<int>(dear->getPrice(1) * GameData::get().rules().maxSellPercent);
    covenant.payUpkeep();
    EXPECT_EQ(covenant.getGuard(1), nullptr);
    EXPECT_EQ(covenant.getHouseItem(1), nullptr) << "the dearer guard is sold";
    EXPECT_NE(covenant.getGuard(0), nullptr);
    EXPECT_EQ(covenant.stats.get(kGuardCosts), 20);
    EXPECT_EQ(covenant.stats.get(kMoney), sale - 10);
}

TEST_F(CovenantTest, AComputerCovenantPaysSilentlyAndARouteToNobodyEndsTheLoop)
{
    // A guard item without its guard costs upkeep but sells nothing.
    putHouseItem("GuardGoblinWarrior", 0);
    covenant.updateStats();
    covenant.stats.set(kMoney, 5);
    covenant.setTradeRoute(7, static_cast<int>(TradeRoute::Small), GameTime());
    covenant.payUpkeep();
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(covenant.getRelationSubState(7), static_cast<int>(TradeRoute::None));
    EXPECT_EQ(covenant.stats.get(kMoney), 5 + covenant.getBaseIncome() - covenant.stats.get(kGuardCosts));
    EXPECT_LT(covenant.stats.get(kMoney), 0);
}

TEST_F(CovenantTest, ExperienceBringsInfluence)
{
    covenant.gainInfluenceFromXp(1, 3.0f, 2);
    EXPECT_EQ(covenant.influence.world, 15);
    covenant.gainInfluenceFromXp(1, 2.5f, 0);
    EXPECT_EQ(covenant.influence.adventure, 2);
    covenant.update(0.05f);
    EXPECT_EQ(covenant.stats.get(static_cast<int>(CovenantStat::AbsoluteInfluence)), 17);
}

TEST_F(CovenantTest, TheStateSectionHasTheRecordsOfEveryCovenant)
{
    addTestCovenant(*world.game, "Thornveil");
    ByteBuffer out;
    covenant.writeUpdate(out);
    EXPECT_EQ(out.size(), 158u);
    EXPECT_EQ(covenant.getRelationCount(), 2) << "the missing record was made";
    EXPECT_FLOAT_EQ(covenant.getRelation(1), 50.0f);
    EXPECT_EQ(covenant.getRelationState(1), static_cast<int>(CovenantTreaty::Peace));
    EXPECT_EQ(out.readInt(), covenant.definitionIndex);
    EXPECT_EQ(out.readString(), "Ironbound");

    // The Game writes the count before the sections.
    ByteBuffer game;
    world.game->writeUpdate(game, nullptr);
    game.readGameTime();
    game.readInt();
    EXPECT_EQ(game.readInt(), 2);
}

TEST_F(CovenantTest, RecruitSlotsFillFromTheLowestAndLeaveRemovedActorsInTheWorldAsNoMembers)
{
    covenant.resizeRecruitSlots(2);
    Actor* first = spawn(findType("RecruitWarrior"), 5, 42, 44);
    Actor* second = spawn(findType("RecruitWarrior"), 5, 43, 44);
    Actor* third = spawn(findType("RecruitWarrior"), 5, 44, 44);
    EXPECT_EQ(covenant.addRecruit(first), 0);
    EXPECT_EQ(covenant.addRecruit(second), 1);
    EXPECT_EQ(covenant.addRecruit(third), -1);
    EXPECT_EQ(covenant.findRecruitByActor(third), nullptr);
    EXPECT_EQ(first->getCovenant(), &covenant);
    const DatabaseEntry* enhancement = DefinitionReader::findEntry("EnhancementRecruitBasicWarrior");
    ASSERT_NE(enhancement, nullptr);
    EXPECT_TRUE(first->hasStatusEffect(enhancement));

    covenant.removeRecruit(0);
    world.game->update(0.05f);
    EXPECT_EQ(world.game->getEntity(first->getEntityNumber()), first) << "the actor stays";
    EXPECT_EQ(first->getCovenantIndex(), -1) << "and is no member of the covenant any more";
    EXPECT_EQ(covenant.getRecruitCount(), 1);
    EXPECT_EQ(covenant.addRecruit(third), 0);

    // A record without an actor is counted but is no member.
    covenant.getRecruit(1)->detachActor();
    covenant.updateStats();
    std::vector<Sentient*> members;
    covenant.collectMembers(members);
    EXPECT_EQ(covenant.getRecruitCount(), 2);
    EXPECT_EQ(members.size(), 1u);
}

TEST_F(CovenantTest, AMembersOwnStepsReachItsCovenant)
{
    Actor* member = recruitWithHealth(200, 42);
    // Its stat recompute recounts the covenant: the stone's maximum follows.
    setStone(300, 1000);
    member->updateStats(false);
    EXPECT_EQ(covenant.getLifestoneMaxHealth(), member->getMaxHealth());

    setStone(300, 1000);
    member->killed(nullptr);
    EXPECT_EQ(covenant.getLifestoneHealth(), std::max(300 - member->getMaxHealth(), 250));

    // Quest experience at level 1: 3 x 5 influence to the world counter.
    member->awardExperience(1, 2, 3.0f);
    EXPECT_EQ(covenant.influence.world, 15);

    // Near means closer than 750 to the own stone: 143 yes, 768 no.
    EXPECT_TRUE(member->isNearLifestone());
    Actor* far = recruitWithHealth(100, 64);
    far->setPosition(nav.tileCentre(0, 64, 40));
    EXPECT_FALSE(far->isNearLifestone());
    world.game->deleteEntity(stone, true);
    EXPECT_FALSE(member->isNearLifestone());

    // A follower below its leader shares "FollowerXpFactor" of the experience.
    Sentient* leader = placeTarget(member->getStat(toIndex(CharacterStat::Level)) + 1, 30, 30);
    covenant.leader = leader;
    EXPECT_FLOAT_EQ(member->getXpShareFactor(), 0.5f);
    leader->setStat(toIndex(CharacterStat::Level), member->getStat(toIndex(CharacterStat::Level)));
    leader->setStat(toIndex(CharacterStat::Xp), member->getStat(toIndex(CharacterStat::Xp)));
    EXPECT_FLOAT_EQ(member->getXpShareFactor(), 1.0f) << "level and experience equal";
    leader->setStat(toIndex(CharacterStat::Xp), member->getStat(toIndex(CharacterStat::Xp)) + 1);
    EXPECT_FLOAT_EQ(member->getXpShareFactor(), 0.5f);
    EXPECT_FLOAT_EQ(leader->getXpShareFactor(), 1.0f);
}

TEST_F(CovenantTest, RaidEffectsHoldOnlyForMembersTheCovenantCountsIn)
{
    ScriptedCovenant& raider = addScriptedCovenant(*world.game);
    Actor* member = spawn(findType("RecruitWarrior"), 5, 42, 44);
    Actor* outsider = spawn(findType("RecruitWarrior"), 5, 43, 44);
    member->setCovenantIndex(raider.index);
    struct Case {
        bool raiding, defending;
        Sentient* owner;
        bool listed, active;
    };
    const Case cases[] = {
        {false, false, member, false, true}, {true, false, member, true, true},
        {true, false, member, false, false}, {true, false, outsider, true, false},
        {false, true, member, true, false}, // the scripted covenant defends no one
    };
    for (const Case& c : cases) {
        StatusEffect effect;
        effect.onlyWhenRaiding = c.raiding;
        effect.onlyWhenBeingRaided = c.defending;
        effect.setOwner(c.owner);
        raider.raiders.clear();
        if (c.listed)
            raider.raiders.insert(c.owner);
        EXPECT_EQ(effect.isActive(), c.active) << c.raiding << c.defending << c.listed;
        effect.setOwner(nullptr);
    }
}

TEST_F(CovenantTest, TheStoneDefendsWithItsBestMemberAndARecordMakesItsActor)
{
    Actor* a = recruitWithHealth(150, 42);
    Actor* b = recruitWithHealth(100, 43);
    stone->setCovenantIndex(covenant.index);
    covenant.updateStats();
    const int defense = toIndex(CharacterStat::Defense);
    const int armor = toIndex(CharacterStat::Armor);
    EXPECT_EQ(stone->getStat(defense), std::max(a->getStat(defense), b->getStat(defense)) * 3 / 4);
    EXPECT_EQ(stone->getStat(armor), std::max(a->getStat(armor), b->getStat(armor)));
    for (int r = toIndex(CharacterStat::ResistancePhysical); r <= toIndex(CharacterStat::ResistanceMagic);
         ++r) {
        EXPECT_EQ(stone->getStat(r), std::max(a->getStat(r), b->getStat(r))) << r;
    }
    EXPECT_GT(stone->getStat(defense), 0);
    // Other stats, and a house object that is not the stone, stay 0.
    EXPECT_EQ(stone->getStat(toIndex(CharacterStat::Level)), 0);
    Entity other;
    other.setCovenantIndex(covenant.index);
    EXPECT_EQ(other.getStat(defense), 0);

    // The actor of a hero record is a hero; of a basic one not. A restored
    // one (a loaded save) keeps each skill at the level its points give.
    const std::vector<SkillBase*>& own = a->getSkillList()->getSkills();
    ASSERT_EQ(own.size(), 3u);
    ASSERT_GT(own[1]->getLevel(), 0) << "a level-5 recruit has points in its first chosen skill";
    for (auto [hero, restore] : {std::pair{true, false}, {false, false}, {false, true}}) {
        SCOPED_TRACE(restore ? "restored" : hero ? "hero" : "basic");
        Recruit record;
        record.saveFromActor(a);
        record.hero = hero;
        std::unique_ptr<Actor> made(record.createActor(nullptr, restore));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->isHero(), hero);
        if (restore) {
            const std::vector<SkillBase*>& back = made->getSkillList()->getSkills();
            ASSERT_EQ(back.size(), own.size());
            for (size_t i = 0; i < own.size(); ++i) {
                EXPECT_EQ(back[i]->getDefinition(), own[i]->getDefinition()) << i;
                EXPECT_EQ(back[i]->getLevel(), own[i]->getLevel()) << i;
            }
        }
        const DatabaseEntry* mark = DefinitionReader::findEntry(hero ? "EnhancementRecruitHeroWarrior"
                                                                     : "EnhancementRecruitBasicWarrior");
        ASSERT_NE(mark, nullptr);
        EXPECT_TRUE(made->hasStatusEffect(mark)) << hero;
        // Outside any level the depth is the actor's level: 3 - 5 asks for 1.
        made->setStat(toIndex(CharacterStat::Level), 3);
        EXPECT_EQ(record.targetDepth(-5), 1);
        record.detachActor();
    }
}

TEST_F(CovenantTest, ARecruitWearsAnItemInTheFreeOrCheapestUsableSlot)
{
    Actor* body = recruitWithHealth(150, 42);
    Recruit* recruit = covenant.findRecruitByActor(body);
    ASSERT_NE(recruit, nullptr);
    std::vector<std::unique_ptr<ItemBase>> made;
    auto item = [&](const char* entry) {
        auto* it = dynamic_cast<Item*>(covenant.inventory->createItem());
        it->setItemEntry(DefinitionReader::findEntry(entry));
        made.emplace_back(it);
        return it;
    };
    InventoryBase& inventory = *body->getInventory();
    const int equipment = toIndex(InventoryGroupIndex::Equipment);
    auto wear = [&](EquipedLocation slot, const char* entry) {
        auto* it = dynamic_cast<Item*>(inventory.createItem());
        it->setItemEntry(DefinitionReader::findEntry(entry));
        inventory.getSlot(equipment)->setItem(toIndex(slot), it);
    };
    const int none = toIndex(EquipedLocation::None);
    const int chest = toIndex(EquipedLocation::Chest);
    body->setUsesAllItems(false);
    inventory.getSlot(equipment)->destroyAll();

    EXPECT_EQ(recruit->bestSlotForItem(nullptr), none);
    EXPECT_EQ(recruit->bestSlotForItem(item("TravelBread")), none);
    EXPECT_EQ(recruit->bestSlotForItem(item("LeatherCap")), none) << "a slot this actor cannot use";
    EXPECT_EQ(recruit->bestSlotForItem(item("ChainShirt")), chest) << "free";
    // Occupied: only by something worth less.
    Item* shirt = item("ChainShirt");
    Item* robe = item("LinenRobe");
    const bool shirtDearer = Covenant::itemWorth(shirt) > Covenant::itemWorth(robe);
    wear(EquipedLocation::Chest, shirtDearer ? "LinenRobe" : "ChainShirt");
    EXPECT_EQ(recruit->bestSlotForItem(shirtDearer ? shirt : robe), chest);
    EXPECT_EQ(recruit->bestSlotForItem(shirtDearer ? robe : shirt), none);
    // Two hands: a two-handed weapon beside an off-hand item, an off-hand
    // item beside a two-handed weapon.
    wear(EquipedLocation::HandSecondary, "Buckler");
    EXPECT_EQ(recruit->bestSlotForItem(item("Greatsword")), -1);
    inventory.getSlot(equipment)->destroyAll();
    wear(EquipedLocation::HandPrimary, "Greatsword");
    EXPECT_EQ(recruit->bestSlotForItem(item("KiteShield")), -1);
    // Not embodied: none.
    recruit->detachActor();
    EXPECT_EQ(recruit->bestSlotForItem(item("ChainShirt")), none);
}
