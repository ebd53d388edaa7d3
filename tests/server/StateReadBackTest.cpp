// State read back: the world save's records, set up as the game sets them
// up, saved and read into a cleared game by the game's own load. What play
// meets must come back as it was (quests' goals, counts and rewards, members'
// strength and effects, guards and relics, townsfolk, wars, rain and chat),
// whatever the bytes say.
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/world/FactionSystem.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "support/HeadlessServer.h"
#include "support/PlayState.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace {

constexpr int kHouse = toIndex(InventoryGroupIndex::House);

// What play meets of each record of the world save, by record.
std::map<std::string, std::string> worldState(Game& game)
{
    std::map<std::string, std::string> state;
    auto add = [&state](const std::string& record, const std::string& line) { state[record] += line + "\n"; };
    for (int i = 0; i < game.getQuestTableSize(); ++i)
        if (const Quest* quest = game.getQuest(i))
            add("Game quests", std::to_string(i) + ": " + questState(*quest));
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        Covenant* covenant = game.getCovenant(i);
        if (auto* ai = dynamic_cast<ActorCovenant*>(covenant)) {
            const std::string record = "computer covenant " + std::to_string(i);
            add(record, "recruit quest " + (ai->quest ? questState(*ai->quest) : std::string("none")));
            for (int slot = 0; slot < ai->getRecruitSlotCount(); ++slot)
                if (const Recruit* recruit = ai->getRecruit(slot))
                    add(record, "member " + std::to_string(slot) + ": " + sentientState(recruit->getActor()));
            add(record, "house" + houseState(*ai));
        } else if (covenant && covenant->isPlayerCovenant()) {
            const InfluenceCounters& in = covenant->influence;
            std::ostringstream out;
            out << "influence " << in.adventure << ' ' << in.competition << ' ' << in.world << ' '
                << in.transferred << " linked " << covenant->linkedCovenant;
            for (int other = 0; other < game.getCovenantCount(); ++other)
                out << " | " << other << ": treaty " << covenant->getRelationState(other) << " route "
                    << covenant->getRelationSubState(other);
            add("player covenant", out.str());
        }
    }
    for (int slot = 0; slot < game.getTownNpcCount(); ++slot) {
        const Actor* npc = game.getTownNpcAt(slot);
        add("town NPCs",
            std::to_string(slot) + ": " + (npc ? npc->getName() + " " : "") + sentientState(npc));
    }
    const FactionSystem& factions = *FactionSystem::instance();
    for (int a = 0; a < factions.getFactionCount(); ++a) {
        std::ostringstream out;
        for (int b = 0; b < factions.getFactionCount(); ++b)
            out << ' ' << factions.getReputation(a, b) << (factions.isAtWar(a, b) ? " war" : "");
        add("factions", out.str());
    }
    for (int slot = 0; slot < game.weather().getSlotCount(); ++slot)
        if (const WeatherFront* front = game.weather().getFront(slot)) {
            float intensity = 0.0f;
            Vec2 wind;
            game.weather().getIntensityAt(front->position, intensity, wind);
            std::ostringstream out;
            out << slot << ": intensity " << intensity << " wind " << wind.x << ',' << wind.y << " fade "
                << front->fade() << " hold left " << front->holdTimer.remaining;
            add("weather", out.str());
        }
    for (const DynamicChatLine& line : game.getDynamicChats())
        add("chat lines",
            std::to_string(line.key) + " \"" + line.text + "\" " + std::to_string(line.secondsLeft));
    return state;
}

// What a load must not change of the covenants' play, by record: each
// computer covenant's members (level, experience, away), the levels it
// found, its crystals, stone, guards and its answer to the recruit quest's
// candidate; the player covenant's crystals and guards.
std::map<std::string, std::string> covenantPlay(Game& game)
{
    std::map<std::string, std::string> state;
    const int money = toIndex(CovenantStat::Money);
    auto guards = [](const Covenant& covenant) {
        int standing = 0;
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot)
            standing += covenant.getGuard(slot) ? 1 : 0;
        return std::to_string(standing);
    };
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        Covenant* covenant = game.getCovenant(i);
        if (auto* ai = dynamic_cast<ActorCovenant*>(covenant)) {
            const std::string record = "computer covenant " + std::to_string(i);
            for (int slot = 0; slot < ai->getRecruitSlotCount(); ++slot)
                if (const Recruit* recruit = ai->getRecruit(slot))
                    state[record + " members"] +=
                        std::to_string(slot) + ": level " +
                        std::to_string(recruit->getStat(toIndex(CharacterStat::Level))) + " xp " +
                        std::to_string(recruit->getStat(toIndex(CharacterStat::Xp))) + " away " +
                        std::to_string(recruit->away) + "\n";
            state[record + " holdings"] =
                "levels found " +
                std::to_string(std::count(ai->knownLevels.begin(), ai->knownLevels.end(), true)) +
                " crystals " + std::to_string(ai->stats.get(money)) + " stone " +
                std::to_string(ai->getLifestoneHealth()) + "/" + std::to_string(ai->getLifestoneMaxHealth()) +
                " guards " + guards(*ai);
            state[record + " candidate"] = !ai->questCandidate.get()   ? "not asked"
                                           : ai->questCandidateWilling ? "willing"
                                                                       : "refused";
        } else if (covenant && covenant->isPlayerCovenant()) {
            state["player covenant"] =
                "crystals " + std::to_string(covenant->stats.get(money)) + " guards " + guards(*covenant);
        }
    }
    return state;
}

Item* newItem(const char* entry)
{
    auto* item = new Item();
    item->setItemEntry(Database::get().findEntry(entry));
    return item;
}

} // namespace

TEST(StateReadBack, EveryRecordOfTheWorldSaveComesBackAsItWasPlayed)
{
    HeadlessServer server;
    Random::setState(0, 4242);
    Game& game = *server.game;
    server.generateWithOneComputerCovenant();
    game.createTownNpcs();
    Player* leader = addAldricLeading(game);
    ASSERT_NE(leader, nullptr);
    Covenant* own = leader->getCovenant();
    ActorCovenant* ai = nullptr;
    for (int i = 0; i < game.getCovenantCount() && !ai; ++i)
        ai = dynamic_cast<ActorCovenant*>(game.getCovenant(i));
    ASSERT_NE(ai, nullptr);

    // Game quests of each kind of goal, as the Game generates them (a war
    // and a group stand on draws); each one kill on.
    for (QuestType type :
         {QuestType::KillMonsters, QuestType::Recruit, QuestType::War, QuestType::KillMonsterGroup,
          QuestType::MonsterQuest, QuestType::LevelQuestItem, QuestType::Delivery}) {
        Quest* quest = nullptr;
        for (int tries = 0; tries < 40 && !quest; ++tries)
            quest = game.generateQuests(toIndex(type), nullptr, 10);
        ASSERT_NE(quest, nullptr) << getQuestTypeName(toIndex(type));
        quest->recordKill(quest->getMonsterType(0), quest->getTargetLevel());
    }
    // The computer covenant took a copy of the Recruit quest; it hires a
    // guard, who is hurt, and shows a relic.
    ASSERT_NE(ai->quest, nullptr);
    ASSERT_EQ(ai->quest->type, toIndex(QuestType::Recruit));
    std::unique_ptr<Item> contract = Vendor::createGuardItem(5);
    ASSERT_NE(contract, nullptr);
    Item* guardItem = contract.release();
    ai->inventory->getSlot(kHouse)->setItem(0, guardItem);
    ai->createGuard(guardItem, 0);
    ASSERT_NE(ai->getGuard(0), nullptr);
    ai->getGuard(0)->setHealth(ai->getGuard(0)->getMaxHealth() - 7);
    ai->placeItem(newItem("EmberRelic"), ai->inventory.get(), kHouse, 5);
    ASSERT_NE(ai->getRelicDisplay(5), nullptr);
    // Townsfolk risen to the player's level, one hurt; a grudge between
    // two factions; rain; a townsman's line; the player's treaty, trade
    // route, influence and shared adventure.
    leader->setStat(toIndex(CharacterStat::Level), 7);
    game.levelTownNpcsTo(leader);
    ASSERT_NE(game.getTownNpcAt(1), nullptr);
    game.getTownNpcAt(1)->setHealth(game.getTownNpcAt(1)->getMaxHealth() - 11);
    FactionSystem::instance()->setReputation(0, 1, 12.0f);
    ASSERT_NE(game.weather().startFront(ZonePosition(1, 500.0f, 500.0f)), nullptr);
    game.addDynamicChat(toIndex(NpcType::VendorBasic), "Rain again.", 30.0f);
    own->setRelationState(ai->index, toIndex(CovenantTreaty::NonAggressionPact));
    own->setTradeRoute(ai->index, 2, game.getClock());
    own->influence = InfluenceCounters{12, 3, 4, 5};
    own->linkedCovenant = ai->index;
    // A step: guard health into its contract, the rain under way.
    game.setWorldGenerated(true);
    game.update(0.05f);

    const std::map<std::string, std::string> before = worldState(game);
    for (const char* record : {"Game quests", "computer covenant 0", "player covenant", "town NPCs",
                               "factions", "weather", "chat lines"})
        ASSERT_EQ(before.count(record), 1u) << record << " not set up";
    ByteBuffer saved;
    ASSERT_TRUE(game.saveWorld(saved));
    game.clear();
    ByteBuffer in(saved.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game.loadWorld(in, what, offset)) << what << " at " << offset;
    // The player's standing waits in the Game for its covenant's join.
    ASSERT_NE(addAldricLeading(game), nullptr);
    const std::map<std::string, std::string> after = worldState(game);
    for (const auto& [record, played] : before)
        EXPECT_EQ(after.count(record) ? after.at(record) : std::string(), played) << record;
}

// A load gives the covenants nothing play would not have: a computer
// covenant out on an adventure goes on with it (no new adventure, level
// found or guard, no fallen guard standing again), keeps its answer to the recruit quest's candidate (a
// refusal made when it had no room stays one), and no covenant pays a round
// of upkeep of the load's own. Saved at a step after which one more step of
// play changes none of this, the game loaded into a cleared Game matches it
// one step after the load.
TEST(StateReadBack, ComputerCovenantsAndUpkeepGoOnAfterALoadAsPlayWould)
{
    HeadlessServer server;
    Random::setState(0, 4242);
    Game& game = *server.game;
    server.generateWithOneComputerCovenant();
    game.createTownNpcs();
    ASSERT_NE(addAldricLeading(game), nullptr);
    ActorCovenant* ai = nullptr;
    for (int i = 0; i < game.getCovenantCount() && !ai; ++i)
        ai = dynamic_cast<ActorCovenant*>(game.getCovenant(i));
    ASSERT_NE(ai, nullptr);
    Quest* offered = nullptr;
    for (int tries = 0; tries < 40 && !offered; ++tries)
        offered = game.generateQuests(toIndex(QuestType::Recruit), nullptr, 10);
    ASSERT_NE(offered, nullptr);
    ASSERT_NE(ai->quest, nullptr);
    game.setWorldGenerated(true);
    auto away = [ai] {
        for (int slot = 0; slot < ai->getRecruitSlotCount(); ++slot)
            if (const Recruit* recruit = ai->getRecruit(slot); recruit && recruit->away)
                return true;
        return false;
    };
    for (int step = 0; step < 12000 && !(ai->adventureState == ActorCovenant::kAdventuring && away() &&
                                         ai->questCandidate.get());
         ++step)
        game.update(0.05f);
    ASSERT_EQ(ai->adventureState, ActorCovenant::kAdventuring);
    ASSERT_TRUE(away());
    ASSERT_NE(ai->questCandidate.get(), nullptr);
    // Its answer a refusal, as drawn while it had no room: with room now, a
    // new draw would take the candidate in.
    ai->questCandidateWilling = false;
    ASSERT_TRUE(ai->hasRoomForRecruit());
    // A guard it hired has fallen; its item stays in the house.
    Item* guardItem = Vendor::createGuardItem(5).release();
    ai->inventory->getSlot(kHouse)->setItem(0, guardItem);
    ai->createGuard(guardItem, 0);
    ASSERT_NE(ai->getGuard(0), nullptr);
    game.deleteEntity(ai->getGuard(0), true);

    ByteBuffer saved;
    std::map<std::string, std::string> before;
    for (int tries = 0; tries < 400; ++tries) {
        saved = ByteBuffer();
        ASSERT_TRUE(game.saveWorld(saved));
        before = covenantPlay(game);
        game.update(0.05f);
        if (covenantPlay(game) == before)
            break;
    }
    ASSERT_EQ(covenantPlay(game), before) << "no step of play without a change";
    const int crystals = Game::get().getFirstPlayer()->getCovenant()->stats.get(toIndex(CovenantStat::Money));
    game.clear();
    ByteBuffer in(saved.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game.loadWorld(in, what, offset)) << what << " at " << offset;
    Player* back = addAldricLeading(game);
    ASSERT_NE(back, nullptr);
    // The player covenant's crystals come back with the character's files.
    back->getCovenant()->stats.set(toIndex(CovenantStat::Money), crystals);
    game.update(0.05f);
    const std::map<std::string, std::string> after = covenantPlay(game);
    for (const auto& [record, played] : before)
        EXPECT_EQ(after.count(record) ? after.at(record) : std::string(), played) << record;
}
