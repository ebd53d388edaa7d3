#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/object/Event.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "support/PlayerWorld.h"
#include "support/ScriptedCovenant.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// The requests of one player as its client sends them, on data/.
class PlayerCommands : public PlayerWorld {
protected:
    int stat(CharacterStat s) const { return statOf(*player, s); }
    void setStat(CharacterStat s, int value) { player->getStats().set(toIndex(s), value); }
    bool queued(const std::string& line) const
    {
        const auto& lines = Server::get().getQueuedCommands();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The first skill of the player's list that the test accepts.
    template <class Test> SkillBase* findSkill(Test test) const
    {
        for (SkillBase* skill : player->getSkillList()->getSkills())
            if (skill && skill->getDefinition() && test(*skill->getDefinition()))
                return skill;
        return nullptr;
    }
    std::string skillArgs(const SkillBase& skill) const
    {
        return std::to_string(skill.getTree()) + " " + std::to_string(skill.getSlot());
    }
};

} // namespace

TEST_F(PlayerCommands, LevelUpsGiveTheirPointsSoundAndNotice)
{
    const int attributes = stat(CharacterStat::AttributePointsLeft);
    const int skills = stat(CharacterStat::SkillPointsLeft);
    player->levelUp();
    EXPECT_EQ(stat(CharacterStat::Level), 2);
    EXPECT_TRUE(queued("msg 3 \"Now level 2\""));
    EXPECT_EQ(stat(CharacterStat::AttributePointsLeft), attributes + 5);
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), skills + 1);
    bool sound = false;
    for (const SoundEvent& event : server.game->getSoundEvents())
        sound = sound || (event.nameIndex >= 0 &&
                          Server::get().getResourceNames()[static_cast<size_t>(event.nameIndex)] ==
                              "sounds/levelUp.ogg");
    EXPECT_TRUE(sound);

    setStat(CharacterStat::Level, 9);
    const int before = stat(CharacterStat::SkillPointsLeft);
    EXPECT_FALSE(queued("msg 2 \"Have received bonus skill Veteran lvl 1\""));
    player->levelUp();
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), before + 2) << "1 + 10 / 10 x 1";
    // Named as the skills page names it, not by its entry.
    EXPECT_TRUE(queued("msg 2 \"Have received bonus skill Veteran lvl 1\""));
}

TEST_F(PlayerCommands, AttributesTakeOnlyTheFiveNamesAndAPoint)
{
    setStat(CharacterStat::AttributePointsLeft, 2);
    const int strength = stat(CharacterStat::BaseStrength);
    run("IncAtrb Level");
    run("IncAtrb Nonsense");
    EXPECT_EQ(stat(CharacterStat::AttributePointsLeft), 2);
    run("IncAtrb Strength");
    EXPECT_EQ(stat(CharacterStat::BaseStrength), strength + 1);
    EXPECT_EQ(stat(CharacterStat::AttributePointsLeft), 1);
    setStat(CharacterStat::BaseDexterity, GameData::get().rules().maxBaseAttributes[1]);
    run("IncAtrb Dexterity");
    EXPECT_EQ(stat(CharacterStat::AttributePointsLeft), 1) << "at the maximum";
    setStat(CharacterStat::AttributePointsLeft, 0);
    run("IncAtrb Spirit");
    EXPECT_EQ(stat(CharacterStat::AttributePointsLeft), 0);
}

TEST_F(PlayerCommands, TrainingCostsPointsAndMoneyAndStopsAtTheCap)
{
    SkillBase* skill = findSkill([](const SkillDefinition& d) {
        return d.statReq == SkillDefinition::kNoStat && !d.isBasic() && d.getMaxLevel() > 1 &&
               d.getPointCostAt(0) > 0;
    });
    ASSERT_NE(skill, nullptr);
    const SkillDefinition& d = *skill->getDefinition();
    const int level = skill->getLevel();
    const int cost = d.getPointCostAt(level);
    const int money = static_cast<int>(std::floor(cost * GameData::get().rules().moneyPerSkillPoint));

    // Enough points, too little money: refused with the notice, nothing spent.
    setStat(CharacterStat::SkillPointsLeft, cost + 3);
    setStat(CharacterStat::Money, money - 1);
    run("increaseSkill " + skillArgs(*skill));
    EXPECT_TRUE(queued("msg 4 \"Not enough money\""));
    EXPECT_EQ(skill->getLevel(), level);
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), cost + 3);

    setStat(CharacterStat::Money, money + 7);
    run("increaseSkill " + skillArgs(*skill));
    EXPECT_EQ(skill->getLevel(), level + 1);
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), 3);
    EXPECT_EQ(stat(CharacterStat::Money), 7);
    EXPECT_EQ(stat(CharacterStat::LastSkillRaised), skill->getPointsStat());

    // The refund gives the points back for three times the money.
    setStat(CharacterStat::Money, 3 * money);
    run("decreaseSkill " + skillArgs(*skill));
    EXPECT_EQ(skill->getLevel(), level);
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), 3 + cost);
    EXPECT_EQ(stat(CharacterStat::Money), 0);

    // At "MaxSkillLevel" nothing rises, whatever the points.
    setStat(CharacterStat::SkillPointsLeft, 100000);
    setStat(CharacterStat::Money, 10000000);
    player->getStats().set(skill->getPointsStat(), d.getMaxLevel());
    run("increaseSkill " + skillArgs(*skill));
    EXPECT_EQ(skill->getLevel(), d.getMaxLevel());
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), 100000);
}

TEST_F(PlayerCommands, BasicSkillStopsAtOneAndCannotBeRefundedBelowIt)
{
    SkillBase* basic = findSkill([](const SkillDefinition& d) { return d.isBasic(); });
    ASSERT_NE(basic, nullptr);
    ASSERT_EQ(basic->getLevel(), 1);
    setStat(CharacterStat::SkillPointsLeft, 10);
    setStat(CharacterStat::Money, 1000);
    const int stat0 = player->getStat(0);
    run("increaseSkill " + skillArgs(*basic));
    run("decreaseSkill " + skillArgs(*basic));
    EXPECT_EQ(basic->getLevel(), 1);
    EXPECT_EQ(player->getStat(0), stat0);
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), 10);
    EXPECT_EQ(stat(CharacterStat::Money), 1000);
    // Indices that name no skill do nothing.
    run("increaseSkill 9 99");
    run("decreaseSkill -1 0");
    EXPECT_EQ(stat(CharacterStat::SkillPointsLeft), 10);
}

TEST_F(PlayerCommands, TownGatesWarpsAndConfirmations)
{
    const ZonePosition before = player->getPosition();
    run("gateTown 99");
    run("gateTown -1");
    EXPECT_EQ(player->getPosition(), before);
    EXPECT_FALSE(player->isWarpPending());

    run("gateTown 1");
    const ZonePosition gate = GameData::get().getTownGatePosition(1);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), gate), 5.0f * GameData::get().rules().gridSize);
    const ZonePosition& at = player->getPosition();
    EXPECT_TRUE(queued(formatString("warp %d %.1f %.1f", at.zone, at.x, at.y)));
    ASSERT_TRUE(player->isWarpPending());
    EXPECT_EQ(player->getPendingWarp(), at);

    // Client positions wait for the confirmation.
    run(formatString("WarpConfirm %d %f %f", at.zone, at.x + 0.6f, at.y));
    EXPECT_TRUE(player->isWarpPending());
    run(formatString("WarpConfirm %d %f %f", at.zone, at.x + 0.4f, at.y - 0.4f));
    EXPECT_FALSE(player->isWarpPending());
}

TEST_F(PlayerCommands, CovenantTravelAndResurrectionRequests)
{
    ScriptedCovenant& own = addScriptedCovenant(*server.game);
    ScriptedCovenant& other = addScriptedCovenant(*server.game);
    player->setCovenantIndex(own.index);
    other.placeLifestone(ZonePosition(0, 1300.0f, 1500.0f));
    const ZonePosition otherStone = other.getPositionNearLifestone();
    ASSERT_GE(otherStone.zone, 0);

    // A pending use survives a request that names no covenant.
    auto* event = Sentient::getEventType(Sentient::UseEntityEvent);
    ASSERT_NE(event, nullptr);
    player->startTimedEvent(Sentient::UseEntityEvent, 5.0f, nullptr);
    Event* use = server.game->findEvent(event, player);
    ASSERT_NE(use, nullptr);
    run("gateToCovenant 9");
    EXPECT_FALSE(use->isCancelled());
    run("gateToCovenant 1");
    EXPECT_TRUE(use->isCancelled());
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), otherStone),
              5.0f * GameData::get().rules().gridSize);

    // A living raider's request does nothing: no wait, no timer line.
    own.raid(1);
    own.resurrectTime = 7.0f;
    const auto resurrect = Sentient::getEventType(Sentient::ResurrectEvent);
    run("resurrect");
    EXPECT_EQ(server.game->findEvent(resurrect, player), nullptr);

    // Dead while raiding: the wait of the covenant's resurrection time.
    player->setHealth(0);
    run("resurrect");
    EXPECT_NE(server.game->findEvent(resurrect, player), nullptr);
    EXPECT_TRUE(queued(formatString("timer %d %f %d", player->getEntityNumber(), 7.0, 7)));
    EXPECT_EQ(player->getHealth(), 0);

    // Not raiding: back at once beside the life stone.
    server.game->cancelEvents(resurrect, player);
    own.raidTarget = -1;
    own.placeLifestone(ZonePosition(0, 1600.0f, 1800.0f));
    run("resurrect");
    EXPECT_GT(player->getHealth(), 0);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), own.getPositionNearLifestone()),
              5.0f * GameData::get().rules().gridSize);
    server.game->clear();
}

TEST_F(PlayerCommands, ItemsAreNotUsedByTheDeadAndSkillsTakeTheMousePosition)
{
    InventoryBase* inventory = player->getInventory();
    player->giveStartingItems();
    const int bag1 = toIndex(InventoryGroupIndex::Bag1);
    int slot = -1;
    for (int i = 0; i < 8 && slot < 0; ++i)
        if (const ItemBase* item = inventory->getItem(bag1, i); item && item->getEntryName() == "TravelBread")
            slot = i;
    ASSERT_GE(slot, 0);
    player->setHealth(0);
    run(formatString("useItem %d %d", bag1, slot));
    ASSERT_NE(inventory->getItem(bag1, slot), nullptr);
    EXPECT_EQ(inventory->getItem(bag1, slot)->getEntryName(), "TravelBread");

    // A health potion starts its kind's timer, and says so.
    auto* potion = new Item();
    potion->setItemEntry(Database::get().findEntry("MinorHealthPotion"));
    potion->generate(1);
    InventoryGroup* bag = inventory->getSlot(bag1);
    ASSERT_NE(bag, nullptr);
    const int free = slot == 0 ? 1 : 0;
    bag->setItem(free, potion); // the group frees what was there
    player->setHealth(player->getMaxHealth() / 2);
    run(formatString("useItem %d %d", bag1, free));
    EXPECT_TRUE(queued("itemTimer 1 10.0"));
    EXPECT_FALSE(player->isItemTimerReady(1));
    EXPECT_TRUE(player->isItemTimerReady(0)) << "kind 0 has no timer";

    // Moved onto the equipment, or swapped in for what is worn there, gear
    // goes only to a class that may wear it, and the refusal says why.
    const int worn = toIndex(InventoryGroupIndex::Equipment);
    const int hand = toIndex(EquipedLocation::HandPrimary);
    auto* dagger = new Item();
    dagger->setItemEntry(Database::get().findEntry("Dagger"));
    dagger->generate(1);
    inventory->getSlot(worn)->setItem(hand, dagger);
    auto* staff = new Item();
    staff->setItemEntry(Database::get().findEntry("QuarterStaff"));
    staff->generate(1);
    bag->setItem(free, staff);
    const std::string refusal = "msg 4 \"Can't equip: requires $$WeaponStaff$$!\"";
    const auto& sent = Server::get().getQueuedCommands();
    for (const std::string& move : {formatString("moveItem %d %d %d %d", bag1, free, worn, hand),
                                    formatString("moveItem %d %d %d %d", worn, hand, bag1, free)}) {
        const auto before = std::count(sent.begin(), sent.end(), refusal);
        run(move);
        EXPECT_EQ(inventory->getItem(bag1, free), staff) << move;
        EXPECT_EQ(std::count(sent.begin(), sent.end(), refusal), before + 1) << move;
    }

    player->setHealth(player->getMaxHealth());
    run("useSkill 0 0 -1 3 12.5 40.25");
    ZonePosition mouse;
    player->getTargetPosition(mouse);
    EXPECT_EQ(mouse, ZonePosition(3, 12.5f, 40.25f));
    // A player's request is always answered with the outcome.
    const auto& lines = Server::get().getQueuedCommands();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("usedSkill ", 0) == 0; }));

    // A skill that teleports lands the player at the request's mouse position.
    SkillBase* basic = findSkill([](const SkillDefinition& d) { return d.basicSkill; });
    ASSERT_NE(basic, nullptr);
    const SkillDefinition* kept = basic->getDefinition();
    static std::unique_ptr<SkillDefinition> jump; // outlives the player's list
    jump = std::make_unique<SkillDefinition>();
    jump->basicSkill = true;
    jump->teleport = true;
    basic->setDefinition(jump.get());
    const ZonePosition there = besidePlayer(160.0f);
    run(formatString("useSkill %s -1 %d %.2f %.2f", skillArgs(*basic).c_str(), there.zone,
                     static_cast<double>(there.x), static_cast<double>(there.y)));
    EXPECT_EQ(player->getPosition(), there);
    basic->setDefinition(kept);
}
