// Quest events and the thief, siege and town-attack mechanics on the
// headless program with data/, each row driven by a tuning of its own.
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/Money.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Item.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/NpcDisplayName.h"
#include "support/QuestPlayerWorld.h"
#include "support/RandomScript.h"

namespace {

class QuestEvents : public QuestPlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        server.game->createTownNpcs();
        server.game->clearQuests();
        player->setStat(toIndex(CharacterStat::Level), 10);
    }
    // Events every ten seconds at any players' level; every chance 0.
    static QuestDefinition tuning()
    {
        QuestDefinition def;
        def.minEventTime = 10.0f;
        def.maxEventTime = 10.0f;
        def.minEventLevelDiff = -100;
        def.maxEventLevelDiff = 100;
        return def;
    }
    // A quest of the type in the Game's table, run by the tuning given.
    Quest* eventQuest(QuestType type, const QuestDefinition& def, uint32_t seed = 900)
    {
        auto quest = std::make_unique<Quest>();
        quest->setup(10, server.game->getClock(), seed, toIndex(type), 0);
        quest->rollChoices(false);
        quest->definition = &def;
        return server.game->getQuest(server.game->addQuest(std::move(quest)));
    }
    // The event timer due at the next step.
    static void due(Quest* quest) { quest->eventTimer.start(0.0f); }
    Vendor* vendor(NpcType type) const
    {
        return dynamic_cast<Vendor*>(server.game->getTownNpc(toIndex(type)));
    }
    int questsInTable() const
    {
        int n = 0;
        for (int i = 0; i < server.game->getQuestTableSize(); ++i) {
            n += server.game->getQuest(i) ? 1 : 0;
        }
        return n;
    }
    int linesWith(const std::string& fragment) const
    {
        int n = 0;
        for (size_t i = mark; i < lines().size(); ++i) {
            n += lines()[i].find(fragment) != std::string::npos ? 1 : 0;
        }
        return n;
    }
};

TEST_F(QuestEvents, TheGateTimerAndNearPlayerHoldEventsBack)
{
    // Without an event time nothing ever happens, whatever the chances.
    QuestDefinition never = tuning();
    never.maxEventTime = 0.0f;
    never.revengeChance = 1.0f;
    Quest* idle = eventQuest(QuestType::KillMonsters, never);
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(idle->handleEvent(100.0f));
    }
    EXPECT_EQ(idle->successCount, 0);
    EXPECT_FALSE(idle->eventTimer.running);

    // The first step only starts the timer; the events come after it.
    QuestDefinition def = tuning();
    def.revengeChance = 1.0f;
    Quest* quest = eventQuest(QuestType::KillMonsters, def, 901);
    quest->handleEvent(100.0f);
    EXPECT_TRUE(quest->eventTimer.running);
    EXPECT_EQ(quest->successCount, 0);
    quest->handleEvent(5.0f);
    EXPECT_EQ(quest->successCount, 0);
    quest->handleEvent(5.0f);
    EXPECT_EQ(quest->successCount, 1);

    // A player exactly at the distance from the NPC counts as near.
    QuestDefinition near = tuning();
    near.revengeChance = 1.0f;
    near.noEventsNearPlayer = true;
    near.playerNearDistance = 200.0f;
    Quest* guarded = eventQuest(QuestType::KillMonsters, near, 902);
    Actor* npc = server.game->getTownNpcAt(0);
    ASSERT_NE(npc, nullptr);
    guarded->questNpc = npc;
    for (float dx : {200.0f, 200.5f}) {
        ZonePosition at = npc->getPosition();
        at.x += dx;
        player->setPosition(at);
        const int before = guarded->successCount;
        due(guarded);
        guarded->handleEvent(0.05f);
        EXPECT_EQ(guarded->successCount - before, dx > 200.0f ? 1 : 0) << "player at " << dx;
    }
}

TEST_F(QuestEvents, SuccessCountsByRowAndEndOnSuccessEndsInTheSameStep)
{
    // The three revenge rows count whether or not their quest comes (a
    // ghost's revenge needs a dead NPC this quest does not have).
    QuestDefinition revenge = tuning();
    revenge.ghostRevengeChance = 1.0f;
    revenge.revengeChance = 1.0f;
    revenge.generalRevengeChance = 1.0f;
    Quest* counted = eventQuest(QuestType::KillMonsters, revenge);
    const int tableBefore = questsInTable();
    due(counted);
    counted->handleEvent(0.05f);
    EXPECT_LT(questsInTable() - tableBefore, 3);
    EXPECT_EQ(counted->successCount, 3);

    // An uprising from a clear-level quest adds nothing; from another type 1.
    QuestDefinition uprising = tuning();
    uprising.uprisingChance = 1.0f;
    for (QuestType type : {QuestType::ClearLevel, QuestType::KillMonsters}) {
        // A quest set up in the world, run by the tuning; the uprising
        // follows its level.
        Quest* quest = nullptr;
        bool made = false;
        for (uint32_t state = 1; state < 60 && !made; ++state) {
            server.game->clearQuests();
            Random::setState(0, state);
            quest = server.game->generateQuests(toIndex(type), nullptr, -1);
            if (!quest) {
                continue;
            }
            quest->definition = &uprising;
            clearLines();
            due(quest);
            quest->handleEvent(0.05f);
            made = server.game->hasOpenQuestOfType(toIndex(QuestType::Uprising));
        }
        ASSERT_TRUE(made) << getQuestTypeName(toIndex(type));
        const bool clear = type == QuestType::ClearLevel;
        EXPECT_EQ(quest->successCount, clear ? 0 : 1);
        EXPECT_EQ(linesWith("QuestEventUprisingClearLevel"), clear ? 1 : 0);
        EXPECT_EQ(linesWith("QuestEventUprising~"), clear ? 0 : 1);
    }

    // With EndOnSuccess the first success ends the quest at once.
    QuestDefinition ending = tuning();
    ending.revengeChance = 1.0f;
    ending.endOnSuccess = true;
    Quest* quest = eventQuest(QuestType::KillMonsters, ending, 920);
    const int number = quest->id;
    due(quest);
    EXPECT_TRUE(quest->handleEvent(0.05f));
    EXPECT_EQ(server.game->getQuest(number), nullptr);
}

TEST_F(QuestEvents, AThiefStealsVanishesShowsUpBesideAVendorAndWinsWhenNoneIsLeft)
{
    QuestDefinition def = tuning();
    def.minItemsStolen = 2;
    def.maxItemsStolen = 2;
    Vendor* basic = vendor(NpcType::VendorBasic);
    ASSERT_NE(basic, nullptr);
    ASSERT_TRUE(basic->hasRandomStock());
    Quest* quest = eventQuest(QuestType::Thief, def);
    const MonsterType* thiefType = GameData::get().findMonsterType("NpcThief");
    auto* thief =
        add(server.spawns->spawnMonster(thiefType, 0, MonsterRarity::Normal, 5), besidePlayer(80.0f));
    quest->questNpc = thief;
    quest->npcChoice = toIndex(NpcType::VendorBasic);

    // The stock holds two items, or one: the line names their worth and the vendor.
    std::vector<int> randomSlots;
    for (int i = 0; i < Vendor::kSlotCount; ++i) {
        if (basic->slotKind(i) == Vendor::RandomItem) {
            randomSlots.push_back(i);
        }
    }
    ASSERT_GE(randomSlots.size(), 2u);
    auto coins = [](int amount) {
        auto* item = new Item();
        item->setItemEntry(Database::get().findEntry("Money"));
        item->generate(1);
        item->setQuantity(1);
        item->setAmount(amount);
        return item;
    };
    for (int held : {2, 1}) {
        basic->clearStock();
        basic->placeInSlot(randomSlots[0], coins(150));
        if (held == 2) {
            basic->placeInSlot(randomSlots[1], coins(75));
        }
        clearLines();
        const int before = quest->successCount;
        quest->thiefSteal();
        const std::string expected =
            wrapText("QuestThiefItemsStolen", "%d %s %s %s", held, held == 2 ? "s" : "",
                     formatMoney(held == 2 ? 225 : 150).c_str(), getNpcDisplayName(basic).c_str());
        EXPECT_EQ(linesWith(expected), 1) << expected;
        EXPECT_EQ(quest->successCount - before, held);
        EXPECT_FALSE(basic->hasRandomStock());
    }

    // Vanishing: out of the world, hidden.
    quest->thiefDisappear();
    EXPECT_EQ(thief->getPosition().zone, -1);
    EXPECT_TRUE(quest->hidden);

    // Showing up: the highest draw still picks a vendor; the thief stands
    // beside it, not on its spot, and faces it.
    for (NpcType t : {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor, NpcType::Gambler}) {
        if (Vendor* v = vendor(t)) {
            v->restockAll();
        }
    }
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.9999f)}));
    EXPECT_FALSE(quest->moveThief(true));
    EXPECT_FALSE(quest->hidden);
    Vendor* at = vendor(static_cast<NpcType>(quest->npcChoice));
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(thief->getPosition().zone, 0);
    const float apart = thief->distanceToEntity(at, false);
    EXPECT_GT(apart, 0.0f);
    EXPECT_LT(apart, 4.0f * worldRules().gridSize);
    ZonePosition faced = thief->getPosition();
    auto* probe = new Actor();
    probe->setPosition(faced);
    probe->faceTowards(at->getPosition(), false);
    EXPECT_EQ(thief->getDirection(), probe->getDirection());
    delete probe;

    // No open vendor left: the row that would show the thief makes it win.
    for (NpcType t : {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor, NpcType::Gambler}) {
        if (Vendor* v = vendor(t)) {
            v->clearStock();
        }
    }
    def.showThiefChance = 1.0f;
    quest->hidden = true;
    const int number = quest->id;
    clearLines();
    due(quest);
    EXPECT_TRUE(quest->handleEvent(0.05f));
    EXPECT_EQ(linesWith("QuestThiefWins"), 1);
    EXPECT_EQ(server.game->getQuest(number), nullptr);
}

TEST_F(QuestEvents, ASiegeWithoutSpawnedActorsFiresNothingAndWithOneFires)
{
    QuestDefinition def = tuning();
    def.damageMult = 0.5f;
    Quest* quest = eventQuest(QuestType::Siege, def);
    const int before = server.game->getEntityCount();
    quest->fireSiegeProjectiles();
    EXPECT_EQ(server.game->getEntityCount(), before);
    Actor* engine = add(server.spawns->spawnMonster(GameData::get().findMonsterType("SiegeEngine"), 0,
                                                    MonsterRarity::Normal, 5),
                        besidePlayer(150.0f));
    quest->addSpawnedEntity(engine);
    EXPECT_TRUE(engine->isQuestActor());
    EXPECT_EQ(quest->spawnedCount, 1);
    const int withEngine = server.game->getEntityCount();
    quest->fireSiegeProjectiles();
    EXPECT_EQ(server.game->getEntityCount(), withEngine + 1);
}

// Twenty quests end in one update, half of them raising a follow-up first:
// the walk survives the deletions (under the sanitizer build), nothing of
// an ended pass runs on, and the follow-ups think from the next step on.
TEST_F(QuestEvents, QuestsEndingInOneUpdateStopAndTheirFollowUpsWaitForTheNextStep)
{
    QuestDefinition plain = tuning();
    plain.endChance = 1.0f;
    plain.supplyChangeChance = 1.0f; // a row after the end: it must never speak
    plain.maxMult = 10.0f;
    QuestDefinition raising = plain;
    raising.assassinChance = 1.0f;
    std::vector<int> numbers;
    for (int i = 0; i < 20; ++i) {
        Quest* quest =
            eventQuest(QuestType::KillMonsters, i % 2 ? raising : plain, 1000u + static_cast<uint32_t>(i));
        due(quest);
        numbers.push_back(quest->id);
    }
    server.game->mutableSettings().newQuestTimer.start(1000.0f);
    server.game->mutableSettings().newEventTimer.start(1000.0f);
    server.game->mutableSettings().deleteOldQuestsTimer.start(1000.0f);
    clearLines();
    server.game->updateQuests(0.05f);
    EXPECT_EQ(linesWith("QuestEventSupplyChange"), 0);
    std::vector<Quest*> followUps;
    for (int i = 0; i < server.game->getQuestTableSize(); ++i) {
        Quest* quest = server.game->getQuest(i);
        if (!quest) {
            continue;
        }
        EXPECT_EQ(std::find(numbers.begin(), numbers.end(), i) == numbers.end() ||
                      quest->type == toIndex(QuestType::Assassin),
                  true)
            << "quest " << i << " is still there";
        if (quest->type == toIndex(QuestType::Assassin)) {
            followUps.push_back(quest);
        }
    }
    ASSERT_FALSE(followUps.empty());
    for (const Quest* quest : followUps) {
        EXPECT_FALSE(quest->eventTimer.running);
    }
    server.game->updateQuests(0.05f);
    for (const Quest* quest : followUps) {
        EXPECT_TRUE(quest->eventTimer.running);
    }
}

} // namespace
