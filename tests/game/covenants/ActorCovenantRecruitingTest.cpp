// Recruiting announcements, the recruit quest's verdict and buying guards.
#include "engine/core/ByteBuffer.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/world/ServerLink.h"
#include "support/RandomScript.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

class ActorCovenantRecruitingTest : public ActorCovenantFixture {
protected:
    ActorCovenantRecruitingTest() : c(setUpCovenant("Ironbound", 10))
    {
        token = ServerLink::install([this](const std::string& line) { lines.push_back(line); }, nullptr);
    }
    ~ActorCovenantRecruitingTest() override { ServerLink::clear(token); }

    // The town's guard trainer, whom guard upgrades need.
    bool addGuardTrainer()
    {
        for (int slot = 0; slot < world.game->getTownNpcCount() || slot < 16; ++slot) {
            world.game->createTownNpc(slot);
            if (world.game->getTownNpcType(slot) == toIndex(NpcType::VendorGuard))
                return world.game->getTownNpc(toIndex(NpcType::VendorGuard)) != nullptr;
        }
        return false;
    }
    // The price of the guard the next upgrade will draw: the timer's draw,
    // then the item.
    int nextGuardPrice(int level)
    {
        const uint32_t state = Random::getState(0);
        randomFloat(0);
        std::unique_ptr<Item> probe = Vendor::createGuardItem(level);
        Random::setState(0, state);
        return probe ? probe->getPrice(1) : -1;
    }
    void setCrystals(int amount)
    {
        c.addCrystals(amount - c.stats.get(static_cast<int>(CovenantStat::Money)));
    }

    ActorCovenant& c;
    std::vector<std::string> lines;
    int token = 0;
};

TEST_F(ActorCovenantRecruitingTest, AWanderingRecruitIsAnnouncedWithItsOrdinal)
{
    const struct {
        int level;
        const char* reads;
    } rows[] = {{15, "@@15@@th@@"}, {21, "@@21@@st@@"}, {12, "@@12@@th@@"}, {3, "@@3@@rd@@"}};
    int x = 60;
    for (const auto& row : rows) {
        while (c.getRecruitCount() > 1)
            for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
                if (c.getRecruit(slot) && !c.getRecruit(slot)->hero)
                    c.removeRecruit(slot);
        Actor* candidate = spawn(findType("RecruitWarrior"), row.level, x++, 70);
        ASSERT_NE(candidate, nullptr);
        lines.clear();
        ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
        ASSERT_TRUE(c.tryRecruit(candidate, true, nullptr)) << row.level;
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("RecruitedWanderingRecruit"), std::string::npos);
        EXPECT_NE(lines[0].find(row.reads), std::string::npos) << lines[0];
    }
}

TEST_F(ActorCovenantRecruitingTest, AQuestCandidateIsJudgedOnce)
{
    Quest quest;
    quest.level = 1;
    quest.goal = 1;
    Actor* candidate = spawn(findType("RecruitWarrior"), 5, 60, 70);
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    d->ClassRecruitChance.fill(0.5f);
    // Unwilling on the first look (draw 0.5 or more): it stays so.
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.5f)}));
    EXPECT_FALSE(c.tryRecruit(candidate, true, &quest));
    EXPECT_FALSE(c.questCandidateWilling);
    quest.progress = 1; // complete now
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    EXPECT_FALSE(c.tryRecruit(candidate, true, &quest));
    EXPECT_EQ(c.getQuestState(), 0);
    *d = saved;
}

// The quest's candidate taken into another covenant first (the player
// recruits it by its window) is not taken in again when the quest is done:
// both covenants would hold one body, which would point to the second only.
TEST_F(ActorCovenantRecruitingTest, ACandidateOfAnotherCovenantIsNotTakenIn)
{
    Quest quest;
    quest.level = 1;
    quest.goal = 1;
    quest.progress = 1;
    ActorCovenant& other = setUpCovenant("GildedScale", 10);
    Actor* candidate = spawn(findType("RecruitWarrior"), 5, 60, 70);
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    d->ClassRecruitChance.fill(1.0f);
    c.resizeRecruitSlots(c.getRecruitSlotCount() + 1);
    other.resizeRecruitSlots(other.getRecruitSlotCount() + 1);
    ASSERT_GE(other.addRecruit(candidate), 0);
    const int before = c.getRecruitCount();
    EXPECT_FALSE(c.tryRecruit(candidate, true, &quest));
    EXPECT_FALSE(c.tryRecruit(candidate, true, nullptr));
    EXPECT_EQ(c.getRecruitCount(), before);
    EXPECT_EQ(candidate->getCovenant(), &other);
    *d = saved;
}

TEST_F(ActorCovenantRecruitingTest, AGuardIsBoughtWhenTheCrystalsCoverIt)
{
    const int leaderLevel = c.getLeader()->getStat(toIndex(CharacterStat::Level));
    ASSERT_TRUE(addGuardTrainer());
    const int money = static_cast<int>(CovenantStat::Money);
    c.influence.world = 100000; // an income that pays any guard's upkeep
    ASSERT_GT(c.sumRelationValues(), 0);
    const int price = nextGuardPrice(leaderLevel);
    ASSERT_GT(price, 0);
    setCrystals(price - 1);
    c.guardChangeTimer.running = false;
    const int entities = world.game->getEntityCount();
    c.upgradeGuard();
    EXPECT_EQ(c.getHouseItem(0), nullptr) << "one crystal short";
    EXPECT_EQ(c.stats.get(money), price - 1);
    EXPECT_EQ(world.game->getEntityCount(), entities);

    const int second = nextGuardPrice(leaderLevel);
    setCrystals(second + 100);
    c.guardChangeTimer.running = false;
    c.upgradeGuard();
    ASSERT_NE(c.getHouseItem(0), nullptr);
    EXPECT_EQ(c.getHouseItem(0)->getPrice(1), second);
    EXPECT_NE(c.getGuard(0), nullptr);
    EXPECT_EQ(c.stats.get(money), 100);
}

// Four guards: the cheapest is sold for its share and replaced in its own
// slot, or, a hundred crystals short, nothing changes.
TEST_F(ActorCovenantRecruitingTest, TheCheapestOfFourGuardsIsSoldAndReplacedInItsSlot)
{
    const int leaderLevel = c.getLeader()->getStat(toIndex(CharacterStat::Level));
    ASSERT_TRUE(addGuardTrainer());
    c.influence.world = 100000;
    const int money = static_cast<int>(CovenantStat::Money);
    InventoryGroup* house = c.inventory->getOwnGroup(static_cast<int>(InventoryGroupIndex::House));
    ASSERT_NE(house, nullptr);
    // Four guards of lower levels, the cheapest in slot 0.
    std::vector<std::unique_ptr<Item>> olds;
    for (int k = 0; k < Covenant::kGuardSlots; ++k)
        olds.push_back(Vendor::createGuardItem(std::max(1, leaderLevel - 8 + k)));
    std::sort(olds.begin(), olds.end(),
              [](const auto& a, const auto& b) { return a->getPrice(1) < b->getPrice(1); });
    for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
        ItemBase* item = olds[static_cast<size_t>(slot)].release();
        house->setItem(slot, item);
        c.createGuard(item, slot);
    }
    const ItemBase* cheapest = c.getHouseItem(0);
    const int oldPrice = cheapest->getPrice(1);
    const int sale =
        static_cast<int>(std::floor(lerpByLevel(static_cast<float>(oldPrice)) * static_cast<float>(oldPrice) *
                                    c.getDefinition()->SellPercent));
    ASSERT_GT(sale, 0);
    const SafePtr<Entity> oldGuard = c.getGuard(0);

    for (const bool affordable : {false, true}) {
        const int price = nextGuardPrice(leaderLevel);
        ASSERT_GE(price, oldPrice);
        // The sale and the crystals together 100 short of the price, or 100 over.
        setCrystals(price - sale + (affordable ? 100 : -100));
        c.guardChangeTimer.running = false;
        const int entities = world.game->getEntityCount();
        c.upgradeGuard();
        if (!affordable) {
            EXPECT_EQ(c.getHouseItem(0), cheapest);
            EXPECT_EQ(c.getGuard(0), oldGuard.get());
            EXPECT_EQ(c.stats.get(money), price - sale - 100);
            EXPECT_EQ(world.game->getEntityCount(), entities);
            continue;
        }
        ASSERT_NE(c.getHouseItem(0), nullptr);
        EXPECT_EQ(c.getHouseItem(0)->getPrice(1), price);
        EXPECT_EQ(c.stats.get(money), 100);
        EXPECT_NE(c.getGuard(0), nullptr);
        EXPECT_NE(oldGuard.get(), c.getGuard(0)) << "the old guard is dismissed";
        // Until its deletion runs, the old guard no longer names the covenant.
        if (const Entity* old = oldGuard.get()) {
            EXPECT_EQ(old->getCovenantIndex(), -1);
        }
        int items = 0;
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot)
            items += c.getHouseItem(slot) != nullptr;
        EXPECT_EQ(items, Covenant::kGuardSlots) << "the sold item is gone, not kept beside the new one";
    }
}

TEST_F(ActorCovenantRecruitingTest, WithoutHealthToLoseOnlyTheChanceDecides)
{
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    d->ClassRecruitChance.fill(0.5f);
    Actor* candidate = spawn(findType("RecruitWarrior"), 5, 60, 70);
    candidate->setMaxHealth(0);
    candidate->setHealth(0);
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.5f)}));
    EXPECT_FALSE(c.tryRecruit(candidate, true, nullptr));
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    EXPECT_TRUE(c.tryRecruit(candidate, true, nullptr));
    *d = saved;
}

TEST_F(ActorCovenantRecruitingTest, ARecruitedWouldBeRecruitSavesAsItReloads)
{
    Actor* candidate = spawn(findType("RecruitRogue"), 5, 60, 70);
    candidate->addStatusEffectByName("EnhancementRecruitBasic", candidate);
    candidate->updateStats(false);
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    ASSERT_TRUE(c.tryRecruit(candidate, true, nullptr));
    ByteBuffer out;
    c.write(out);
    auto fresh = std::make_unique<ActorCovenant>();
    fresh->index = c.index;
    ByteBuffer in(out.bytes());
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    ByteBuffer again;
    fresh->write(again);
    const std::vector<uint8_t>& a = out.bytes();
    const std::vector<uint8_t>& b = again.bytes();
    size_t first = 0;
    while (first < a.size() && first < b.size() && a[first] == b[first])
        ++first;
    EXPECT_EQ(first, a.size()) << "the marker's health bonus would be lost on loading";
    EXPECT_EQ(b.size(), a.size());
}

// A member that grew and then died for good (a unique one: no covenant
// raises those) keeps, in its record, what its body had become, and stays
// without a body (the body, until it is deleted, names the covenant no
// more): the covenant counts it out of
// its life stone at once, a loaded covenant gives it no new body, and the
// world saved, loaded and saved again is the same.
TEST_F(ActorCovenantRecruitingTest, AMemberWhoseBodyIsGoneKeepsWhatItGrewTo)
{
    Recruit* hero = nullptr;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
        if (c.getRecruit(slot) && c.getRecruit(slot)->hero)
            hero = c.getRecruit(slot);
    ASSERT_NE(hero, nullptr);
    Actor* body = hero->getActor();
    ASSERT_NE(body, nullptr);
    body->levelUp();
    body->levelUp();
    const int level = body->getStat(toIndex(CharacterStat::Level));
    const int maxHealth = body->getMaxHealth();
    body->setEnhancementRarity(static_cast<int>(MonsterRarity::Unique));
    body->setHealth(0);
    const int number = body->getEntityNumber();
    for (int step = 0; step < 4000 && hero->getActor(); ++step)
        world.game->update(0.05f);
    ASSERT_EQ(hero->getActor(), nullptr) << "the body lies for ever";
    const Entity* left = world.game->getEntity(number);
    EXPECT_TRUE(!left || left->getCovenantIndex() < 0) << "the body let go still names the covenant";
    const int stoneMaximum = c.getLifestoneMaxHealth();
    c.updateStats();
    EXPECT_EQ(c.getLifestoneMaxHealth(), stoneMaximum) << "the stone still counted the member that is gone";

    ByteBuffer out;
    c.write(out);
    EXPECT_EQ(hero->stats.get(toIndex(CharacterStat::Level)), level);
    EXPECT_EQ(hero->stats.get(toIndex(CharacterStat::MaxHealth)), maxHealth);
    auto fresh = std::make_unique<ActorCovenant>();
    fresh->index = c.index;
    ByteBuffer in(out.bytes());
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot) {
        if (const Recruit* recruit = c.getRecruit(slot)) {
            ASSERT_NE(fresh->getRecruit(slot), nullptr) << slot;
            EXPECT_EQ(fresh->getRecruit(slot)->getActor() != nullptr, recruit->getActor() != nullptr) << slot;
        }
    }
    ByteBuffer again;
    fresh->write(again);
    const std::vector<uint8_t>& a = out.bytes();
    const std::vector<uint8_t>& b = again.bytes();
    size_t first = 0;
    while (first < a.size() && first < b.size() && a[first] == b[first])
        ++first;
    EXPECT_EQ(first, a.size()) << "the reloaded covenant saves otherwise";
    EXPECT_EQ(b.size(), a.size());
}

// A covenant ended with the world lets its members' bodies fade: each record
// keeps its member (one recruited in play was never saved before), the stone
// counts them out at once, and the section reads back and saves alike.
TEST_F(ActorCovenantRecruitingTest, ACovenantEndedWithTheWorldKeepsItsMembersAndCountsThemOut)
{
    Actor* candidate = spawn(findType("RecruitWarrior"), 12, 60, 70);
    ASSERT_NE(candidate, nullptr);
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    ASSERT_TRUE(c.tryRecruit(candidate, true, nullptr));
    int slot = -1;
    for (int i = 0; i < c.getRecruitSlotCount(); ++i)
        if (c.getRecruit(i) && c.getRecruit(i)->getActor() == candidate)
            slot = i;
    ASSERT_GE(slot, 0);

    c.onDestroyed(nullptr, false, false);
    const int stoneMaximum = c.getLifestoneMaxHealth();
    for (int step = 0; step < 200; ++step) // past the fade
        world.game->update(0.05f);
    c.updateStats();
    EXPECT_EQ(c.getLifestoneMaxHealth(), stoneMaximum) << "the stone still counted the fading bodies";

    ByteBuffer out;
    c.write(out);
    auto fresh = std::make_unique<ActorCovenant>();
    fresh->index = c.index;
    ByteBuffer in(out.bytes());
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    ASSERT_NE(fresh->getRecruit(slot), nullptr) << "the member recruited in play is kept";
    EXPECT_EQ(fresh->getRecruit(slot)->typeEntry, c.getRecruit(slot)->typeEntry);
    ByteBuffer again;
    fresh->write(again);
    EXPECT_TRUE(again.bytes() == out.bytes()) << "the reloaded covenant saves otherwise";
}
