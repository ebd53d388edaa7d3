// The shipped quest and chat data, loaded through the program's own start-up
// (headless application, game-data hooks, English translations).
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/data/Localization.h"
#include "engine/platform/LaunchOptions.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/Money.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/NpcChat.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "support/ProgramRunner.h"
#include "support/StoryChain.h"
#include "support/TestQuest.h"
#include "support/TestSupport.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>

namespace {

// Every text key of a text ("$$Key$$" or "$$Key~<…>~$$").
std::vector<std::string> textKeys(const std::string& text)
{
    std::vector<std::string> keys;
    size_t at = 0;
    while ((at = text.find("$$", at)) != std::string::npos) {
        size_t end = text.find_first_of("~$", at + 2);
        if (end == std::string::npos)
            break;
        if (end > at + 2)
            keys.push_back(text.substr(at + 2, end - at - 2));
        size_t close = text.find("$$", end);
        at = close == std::string::npos ? text.size() : close + 2;
    }
    return keys;
}

class ShippedQuestData : public ::testing::Test {
protected:
    void SetUp() override
    {
        options = headlessOptions(user);
        registerQuestLoaders();
        registerCovenantLoaders();
        registerSkillLoaders();
        AppHooks hooks;
        // The log is read from the first hook on (the debug system stands then).
        hooks.createGraphicsSystems = [this] {
            DebugSystem::get().setDeveloper(true); // the start-up counts are info lines
            log = std::make_unique<LogCapture>();
        };
        installGameDataHooks(hooks);
        app = std::make_unique<Application>(options, std::move(hooks));
        app->startup();
        data = GameData::instance();
        for (int s = 0; s < Random::kStreamCount; ++s)
            saved[static_cast<size_t>(s)] = Random::getState(s);
    }
    void TearDown() override
    {
        for (int s = 0; s < Random::kStreamCount; ++s)
            Random::setState(s, saved[static_cast<size_t>(s)]);
        log.reset();
        app->shutdown();
        app.reset();
        GameData::loaders() = DefinitionLoaders();
        ItemBase::setStatusEffectHooks({});
    }
    const QuestDefinition& of(int type) const { return *data->getQuestDefinition(type); }
    bool translated(const std::string& key) const
    {
        return Localization::get().findTranslation(key) != nullptr;
    }
    void expectTranslated(const std::string& text, const std::string& where) const
    {
        for (const std::string& key : textKeys(text))
            EXPECT_TRUE(translated(key)) << key << " in " << where << ": " << text;
    }
    // As shown, one blank parts two sentences, two only before a kill
    // quest's "Kill" sentence: never three, never none. A text with an empty
    // value (a level's item, without a world here) is left out: the blanks
    // around the missing name stand side by side.
    void expectSentencesApart(const std::string& text, const std::string& where) const
    {
        if (text.find("@@@@") != std::string::npos)
            return;
        const std::string shown = Localization::get().translateCopy(text);
        for (size_t at = shown.find("  "); at != std::string::npos; at = shown.find("  ", at + 2))
            EXPECT_EQ(shown.compare(at, 7, "  Kill "), 0) << where << ": " << shown;
        for (size_t at = shown.find('.'); at != std::string::npos; at = shown.find('.', at + 1))
            EXPECT_FALSE(at + 1 < shown.size() && std::isupper(static_cast<unsigned char>(shown[at + 1])))
                << where << ": " << shown;
    }

    TempDir user;
    LaunchOptions options;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<Application> app;
    GameData* data = nullptr;
    std::array<uint32_t, Random::kStreamCount> saved{};
};

const std::set<QuestType> kOffered = {QuestType::KillMonsters,
                                      QuestType::KillMonsterGroup,
                                      QuestType::ClearLevel,
                                      QuestType::MonsterQuestItem,
                                      QuestType::LevelQuestItem,
                                      QuestType::ArmorsmithMonsterQuestItem,
                                      QuestType::WeaponsmithMonsterQuestItem,
                                      QuestType::ArmorsmithLevelQuestItem,
                                      QuestType::WeaponsmithLevelQuestItem,
                                      QuestType::RescueNpc,
                                      QuestType::Delivery,
                                      QuestType::Escort,
                                      QuestType::ScoutLocation,
                                      QuestType::Recruit,
                                      QuestType::MonsterQuest,
                                      QuestType::Meeting,
                                      QuestType::UniqueMonsterSpotted};
const std::set<QuestType> kEvents = {QuestType::Uprising,
                                     QuestType::Renegade,
                                     QuestType::TownTraps,
                                     QuestType::DeadlyPoison,
                                     QuestType::Petrify,
                                     QuestType::Plague,
                                     QuestType::TownAttack,
                                     QuestType::Siege,
                                     QuestType::Thief,
                                     QuestType::Kidnapping,
                                     QuestType::MonsterScout,
                                     QuestType::Assassin,
                                     QuestType::War,
                                     QuestType::WarAgainstBarbarians,
                                     QuestType::WanderingVendor,
                                     QuestType::CrystalGain,
                                     QuestType::CrystalLoss,
                                     QuestType::InfluenceGain,
                                     QuestType::InfluenceLoss,
                                     QuestType::NewNpc,
                                     QuestType::GuardBreaksFree};
const std::vector<QuestType>& kChain = kStoryChain;
const std::vector<QuestType> kTutorial = {
    QuestType::TutorialEquipWeapon,      QuestType::TutorialUseSlot,
    QuestType::TutorialInvestigateHouse, QuestType::TutorialTalkToQuestGivers,
    QuestType::TutorialTalkToVendors,    QuestType::TutorialGetQuest,
    QuestType::TutorialCovenantTrade};

} // namespace

TEST_F(ShippedQuestData, StartsCleanWithEveryDefinition)
{
    ASSERT_NE(data, nullptr);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(data->getQuestDefinitionCount(), kQuestTypeCount);
    EXPECT_TRUE(log->contains("67 quest definitions"));
    EXPECT_TRUE(log->contains(std::to_string(data->getNpcChats().size()) + " NPC chats"));
    for (const LogCapture::Line& line : log->lines())
        EXPECT_LT(line.level, 2) << line.text;
}

TEST_F(ShippedQuestData, DefinitionsKeepTheDataRules)
{
    ASSERT_NE(data, nullptr);
    const GameRules& rules = data->rules();
    std::set<int> bits;
    for (int t = 1; t < kQuestTypeCount; ++t) {
        const QuestType type = static_cast<QuestType>(t);
        const std::string name = getQuestTypeName(t);
        SCOPED_TRACE(name);
        const QuestDefinition& d = of(t);
        ASSERT_NE(d.getEntry(), nullptr);
        EXPECT_EQ(d.getEntryName(), name);
        EXPECT_EQ(DefinitionReader(d.getEntry()).entryType(), toIndex(DatabaseEntryType::Quest));

        EXPECT_LE(d.minCountMult, d.maxCountMult);
        EXPECT_LE(d.xpMinRewardPerMonster, d.xpMaxRewardPerMonster);
        EXPECT_LE(d.moneyRewardMinMultiplier, d.moneyRewardMaxMultiplier);
        EXPECT_LE(d.minCount, d.maxCount);
        EXPECT_LE(d.minTime, d.maxTime);
        EXPECT_LE(d.minPercentChange, d.maxPercentChange);
        EXPECT_LE(d.minEventTime, d.maxEventTime);
        EXPECT_LE(d.minEventLevelDiff, d.maxEventLevelDiff);
        EXPECT_LE(d.minLevelChange, d.maxLevelChange);
        EXPECT_LE(d.minItemsStolen, d.maxItemsStolen);
        if (type == QuestType::TownTraps || type == QuestType::Siege || type == QuestType::ClearLevel ||
            type == QuestType::LevelQuestItem || type == QuestType::ArmorsmithLevelQuestItem ||
            type == QuestType::WeaponsmithLevelQuestItem || type == QuestType::PoisonedSupply ||
            type == QuestType::StoryTurenGraves || type == QuestType::StoryCiglioFindItem) {
            EXPECT_GE(d.minCount, 1);
        }

        // Every name resolves; NextQuest names a type.
        if (!d.defaultMonster.empty()) {
            EXPECT_NE(data->findMonsterType(d.defaultMonster), nullptr) << d.defaultMonster;
        }
        if (!d.monsterType.empty()) {
            EXPECT_NE(data->findMonsterType(d.monsterType), nullptr) << d.monsterType;
        }
        if (!d.nextQuest.empty()) {
            EXPECT_EQ(getQuestTypeName(toIndex(parseQuestType(d.nextQuest))), d.nextQuest);
        }

        // Weights: offered quests and world events only; EventOnly never offered.
        EXPECT_EQ(rules.questTypeChance[static_cast<size_t>(t)] > 0.0f, kOffered.count(type) == 1);
        EXPECT_EQ(rules.eventTypeChance[static_cast<size_t>(t)] > 0.0f, kEvents.count(type) == 1);
        if (d.eventOnly) {
            EXPECT_EQ(rules.questTypeChance[static_cast<size_t>(t)], 0.0f);
        }
        if (kOffered.count(type)) {
            EXPECT_TRUE(d.returnForReward && d.returnNpcType != NpcType::None);
        }

        auto chainAt = std::find(kChain.begin(), kChain.end(), type);
        if (chainAt == kChain.end()) {
            EXPECT_EQ(d.questSolvedBit, -1);
        } else {
            EXPECT_EQ(d.questSolvedBit, chainAt - kChain.begin());
            EXPECT_TRUE(bits.insert(d.questSolvedBit).second);
            EXPECT_EQ(d.boss, name.rfind("Boss", 0) == 0);
            if (chainAt + 1 != kChain.end()) {
                EXPECT_EQ(d.nextQuest, getQuestTypeName(toIndex(*(chainAt + 1))));
                EXPECT_LT(d.defaultLevel, of(toIndex(*(chainAt + 1))).defaultLevel);
            }
        }
        auto tutorialAt = std::find(kTutorial.begin(), kTutorial.end(), type);
        if (tutorialAt != kTutorial.end()) {
            EXPECT_EQ(d.returnNpcType, NpcType::Tutor);
            EXPECT_EQ(d.tutorialEnd, tutorialAt + 1 == kTutorial.end());
            if (tutorialAt + 1 != kTutorial.end()) {
                EXPECT_EQ(d.nextQuest, getQuestTypeName(toIndex(*(tutorialAt + 1))));
            }
        }
    }
    EXPECT_EQ(bits.size(), 16u);
    EXPECT_EQ(rules.questTypeChance[0], 0.0f);
    EXPECT_EQ(rules.eventTypeChance[0], 0.0f);
    EXPECT_NE(findStringInList(of(toIndex(QuestType::PoisonedSupply)).textList, "food"), -1);
    EXPECT_EQ(of(toIndex(QuestType::Revenge)).textList.size() % 2, 0u);
    for (QuestType type : {QuestType::Plague, QuestType::DeadlyPoison, QuestType::Petrify})
        EXPECT_NE(of(toIndex(type)).statusEffect, nullptr) << getQuestTypeName(toIndex(type));
    EXPECT_NE(of(toIndex(QuestType::StoryTurenGraves)).defaultItem, nullptr);
    EXPECT_NE(of(toIndex(QuestType::StoryCiglioFindItem)).defaultItem, nullptr);
    EXPECT_FALSE(data->findMonsterType(of(toIndex(QuestType::StoryShankarLuteKefah)).defaultMonster)
                     ->memberNames.empty());
}

// What the quests place and send: every named entry exists, the follow-up
// chain has no cycle, the counts and health ranges are as tuned, only the
// client's own tutorial step is solved from the client, every line sent has
// its translation.
TEST_F(ShippedQuestData, QuestsFindEverythingTheyPlaceAndSend)
{
    ASSERT_NE(data, nullptr);
    const Database& db = Database::get();
    for (const char* pattern : {"NpcRenegade", "NpcGhost", "NpcRevenge", "NpcRescue", "NpcEscort",
                                "NpcDelivery", "NpcVendorWandering"}) {
        for (const char* cls : {"Warrior", "Rogue", "Priest", "Mage"}) {
            const MonsterType* type = data->findMonsterType(std::string(pattern) + cls);
            ASSERT_NE(type, nullptr) << pattern << cls;
            EXPECT_LE(type->getMinLevel(), 1) << pattern << cls;
            EXPECT_GE(type->getMaxLevel(), 100) << pattern << cls;
        }
    }
    for (const char* name : {"NpcThief", "MonsterTownAttackGate"})
        EXPECT_NE(data->findMonsterType(name), nullptr) << name;
    EXPECT_NE(db.findEntry("StatusEffectThiefStealth"), nullptr);

    // No follow-up chain runs in a circle.
    for (int t = 1; t < kQuestTypeCount; ++t) {
        std::set<int> seen = {t};
        for (int at = t; !of(at).nextQuest.empty();) {
            at = toIndex(parseQuestType(of(at).nextQuest));
            ASSERT_TRUE(seen.insert(at).second)
                << getQuestTypeName(t) << " comes back to " << getQuestTypeName(at);
        }
    }

    struct Counts {
        QuestType type;
        int least;
        int most;
    };
    for (const Counts& c :
         {Counts{QuestType::KillMonsterGroup, 2, 3}, Counts{QuestType::Meeting, 2, 2},
          Counts{QuestType::TownAttack, 4, 8}, Counts{QuestType::StoryShankarRescue, 2, 4}}) {
        EXPECT_EQ(of(toIndex(c.type)).minCount, c.least) << getQuestTypeName(toIndex(c.type));
        EXPECT_EQ(of(toIndex(c.type)).maxCount, c.most) << getQuestTypeName(toIndex(c.type));
    }
    for (QuestType type :
         {QuestType::RescueNpc, QuestType::Escort, QuestType::Kidnapping, QuestType::StoryShankarRescue}) {
        EXPECT_FLOAT_EQ(of(toIndex(type)).minHealth, 0.3f) << getQuestTypeName(toIndex(type));
        EXPECT_FLOAT_EQ(of(toIndex(type)).maxHealth, 0.7f) << getQuestTypeName(toIndex(type));
    }
    const QuestDefinition& supply = of(toIndex(QuestType::PoisonedSupply));
    EXPECT_GT(supply.startMult, 0.0f);
    EXPECT_GE(supply.maxMult, supply.startMult);
    for (int t = 1; t < kQuestTypeCount; ++t)
        EXPECT_EQ(of(t).canSolveFromClient, t == toIndex(QuestType::TutorialUseSlot)) << getQuestTypeName(t);

    for (const char* key : {"QuestAnnounceRecruit",
                            "QuestAnnounceUniqueMonsterSpotted",
                            "QuestAnnounceAssassin",
                            "QuestAnnounceMonsterScout",
                            "QuestAnnounceRenegade",
                            "QuestAnnounceRenegadeAttack",
                            "QuestAnnounceKillMonsterGroup",
                            "QuestAnnounceMeeting",
                            "QuestAnnounceDelivery",
                            "QuestAnnounceEscort",
                            "QuestAnnounceRescueNpc",
                            "QuestAnnounceWar",
                            "QuestAnnounceTreasureMap",
                            "QuestAnnouncePoisonedSupply",
                            "QuestAnnounceDeadlyPoison",
                            "QuestAnnouncePetrify",
                            "QuestAnnounceMonsterQuestItem",
                            "QuestAnnounceArmorsmithMonsterQuestItem",
                            "QuestAnnounceWeaponsmithMonsterQuestItem",
                            "QuestAnnounceLevelQuestItem",
                            "QuestAnnounceArmorsmithLevelQuestItem",
                            "QuestAnnounceWeaponsmithLevelQuestItem",
                            "QuestAnnounceTownTraps",
                            "QuestAnnounceThief",
                            "QuestAnnounceKidnapping",
                            "QuestAnnounceSiege",
                            "QuestAnnounceUprising",
                            "QuestAnnounceWarAgainstBarbarians",
                            "QuestAnnounceCrystalGain",
                            "QuestAnnounceCrystalLoss",
                            "QuestAccepted",
                            "QuestSolved",
                            "QuestSolvedRecruit",
                            "QuestSolvedRecruitOtherCovenant",
                            "QuestSolvedTreasureMap",
                            "QuestAnnouncePlague",
                            "QuestEventSpread",
                            "QuestEventWarWar",
                            "QuestAnnounceNewNpc",
                            "QuestAnnounceGuardBreaksFree",
                            "QuestAnnounceInfluenceGain",
                            "QuestAnnounceInfluenceLoss",
                            "QuestKilledMonster",
                            "QuestKilledRenegade",
                            "QuestKilledRevenge",
                            "QuestKilledThief",
                            "QuestKilledRescueNpc",
                            "QuestKilledDelivery",
                            "QuestKilledEscort",
                            "QuestKilledDeadlyPoison",
                            "QuestKilledPetrify",
                            "QuestKilledKidnapping",
                            "QuestKilledRecruit",
                            "QuestRecruitLate",
                            "QuestDeadlyPoisonLate",
                            "QuestResceNotSafe",
                            "QuestSuccessTownAttack",
                            "QuestArmorReward",
                            "QuestWeaponReward",
                            "QuestItemReward",
                            "QuestMonsterQuestTruce",
                            "QuestSkipped",
                            "QuestTreasureMapOutOfRange",
                            "QuestCovKillRenegade",
                            "QuestCovKillThief",
                            "QuestCovKillMonsterScout",
                            "QuestCovKillMonster"})
        EXPECT_TRUE(translated(key)) << key;
}

TEST_F(ShippedQuestData, EveryProducedTextKeyIsTranslated)
{
    ASSERT_NE(data, nullptr);
    MonsterType* scout = data->findMonsterType("GoblinScout");
    MonsterType* unique = data->findMonsterType("GrabnakTheCruel");
    ASSERT_NE(scout, nullptr);
    ASSERT_NE(unique, nullptr);
    const GameTime start(0, 8, 0, 0.0f);
    for (int t = 1; t < kQuestTypeCount; ++t) {
        SCOPED_TRACE(getQuestTypeName(t));
        const QuestDefinition& d = of(t);
        int variants = std::max<int>(1, static_cast<int>(d.textList.size()));
        for (int variant = 0; variant < variants; ++variant) {
            // Seeds 1 … 8 give NPCs of every class, so both pronouns.
            for (uint32_t seed = 1; seed <= 8; ++seed) {
                TestQuest q;
                q.npcs = {{"Mara", NpcType::Apothecary}, {"Jorn", NpcType::None}};
                q.setUpType = t == toIndex(QuestType::UniqueMonsterSpotted) ? unique : scout;
                q.setUpTargets = {scout, unique};
                ASSERT_TRUE(q.setup(10, start, seed, t, 0));
                q.rollChoices(false);
                q.setUp(0, nullptr);
                q.randomizeParameters();
                if (!d.textList.empty())
                    q.textVariant = variant;
                q.npcSeed = seed * 7919u;
                q.npcChoice = static_cast<int>(seed % 2);
                for (int state = 0; state < 3; ++state) {
                    if (state == 1)
                        q.fail();
                    if (state == 2) {
                        q.failed = false;
                        q.setCompleted();
                    }
                    expectTranslated(q.getTitle(false, -1), "title");
                    expectTranslated(q.getTitle(true, -1), "simple title");
                    const std::string description = q.getDescription(10, start, "Ann");
                    expectTranslated(description, "description");
                    expectSentencesApart(description, "description");
                }
            }
        }
    }
    expectTranslated("$$QuestSlotEmpty$$$$QuestTitlePlayerInQuestLevel$$", "fixed keys");
}

TEST_F(ShippedQuestData, TownCharactersHaveIntrosAndLinesAtEveryLevel)
{
    ASSERT_NE(data, nullptr);
    std::vector<std::string> slots =
        DefinitionReader(DefinitionReader::findEntry("GameSystem")).getStringList("NpcType");
    ASSERT_EQ(slots.size(), 8u);
    slots.push_back("VendorWandering");
    for (const std::string& slot : slots) {
        SCOPED_TRACE(slot);
        MonsterType* type = data->findMonsterType("Npc" + slot);
        ASSERT_NE(type, nullptr);
        ASSERT_NE(type->archetype, nullptr);
        const MonsterArchetype& npcClass = *type->archetype;
        EXPECT_TRUE(translated(npcClass.introText)) << npcClass.introText;
        std::vector<NpcChat*> chats;
        for (const std::string& name : npcClass.npcChats) {
            NpcChat* chat = data->findNpcChat(name);
            ASSERT_NE(chat, nullptr) << name;
            chats.push_back(chat);
        }
        for (int level : {1, 50, 100}) {
            // The Game's choice: sum the matching weights, draw, walk, pick.
            float total = 0.0f;
            for (NpcChat* chat : chats)
                if (chat->matches(toIndex(ChatDialogType::Normal), level))
                    total += chat->getWeight();
            ASSERT_GT(total, 0.0f) << level;
            float draw = randomFloat(0) * total;
            float sum = 0.0f;
            NpcChat* picked = nullptr;
            for (NpcChat* chat : chats) {
                if (!chat->matches(toIndex(ChatDialogType::Normal), level))
                    continue;
                sum += chat->getWeight();
                picked = chat;
                if (sum > draw)
                    break;
            }
            ASSERT_NE(picked, nullptr);
            EXPECT_FALSE(picked->dynamic);
            EXPECT_TRUE(translated(picked->pickText())) << level;
        }
    }
}

TEST_F(ShippedQuestData, ChatEntriesKeepTheChatRules)
{
    ASSERT_NE(data, nullptr);
    std::set<int> eventTypes;
    for (const LoadedDefinition<NpcChat>& loaded : data->getNpcChats()) {
        const NpcChat& chat = *loaded.definition;
        SCOPED_TRACE(loaded.name);
        EXPECT_TRUE(DefinitionReader(loaded.entry).has("MaxLevel"));
        EXPECT_NE(chat.dialogType, toIndex(ChatDialogType::Any));
        EXPECT_FALSE(chat.chatTexts.empty());
        for (const std::string& text : chat.chatTexts)
            EXPECT_TRUE(translated(text)) << text;
        if (chat.dialogType == toIndex(ChatDialogType::Normal)) {
            EXPECT_FALSE(chat.dynamic);
        } else {
            EXPECT_TRUE(chat.dynamic);
            EXPECT_GT(chat.dynamicChance, 0.0f);
            EXPECT_GT(chat.dynamicTimeLimit, 0.0f);
            eventTypes.insert(chat.dialogType);
        }
    }
    for (int type = 2; type < kChatDialogTypeCount; ++type)
        EXPECT_EQ(eventTypes.count(type), 1u) << getGameEnumName(GameEnum::ChatDialogType, type);

    // Normal bands of every talking type cover 1 … 100.
    for (int npc = 1; npc < kNpcTypeCount; ++npc) {
        SCOPED_TRACE(getNpcTypeName(npc));
        const MonsterArchetype* npcClass = nullptr;
        for (const auto& archetype : data->getMonsterArchetypes())
            if (archetype->npcType == npc && !archetype->npcChats.empty())
                npcClass = archetype.get();
        ASSERT_NE(npcClass, nullptr);
        EXPECT_TRUE(translated(npcClass->introText));
        EXPECT_TRUE(translated("NpcType" + getNpcTypeName(npc)));
        for (int level = 1; level <= 100; ++level) {
            bool covered = false;
            for (const std::string& name : npcClass->npcChats) {
                NpcChat* chat = data->findNpcChat(name);
                covered = covered || (chat && chat->matches(toIndex(ChatDialogType::Normal), level));
            }
            EXPECT_TRUE(covered) << level;
        }
    }
}

TEST_F(ShippedQuestData, KillMonstersTextsOnTheShippedData)
{
    ASSERT_NE(data, nullptr);
    TestQuest q;
    ASSERT_TRUE(q.setup(10, GameTime(0, 8, 0, 0.0f), 12345, toIndex(QuestType::KillMonsters), 0));
    q.monsterType = data->findMonsterType("GoblinScout");
    q.goal = 5;
    q.progress = 2;
    q.xpReward = 63;
    q.moneyReward = 157;
    q.deadline = GameTime(0, 8, 11, 42.23f);
    q.textVariant = 2;
    EXPECT_EQ(q.getTitle(false, -1), "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$");
    EXPECT_EQ(q.getProgressText(false), "Progress: 3 left to kill\n");
    EXPECT_EQ(q.getProgressText(true), "3 Goblin Scouts left to kill\n");
    std::string description = q.getDescription(8, GameTime(0, 8, 0, 0.0f), "Ann");
    // The variant speaks of the kind in the plural, two blanks before the kill.
    EXPECT_EQ(Localization::get()
                  .translateCopy(description)
                  .rfind("The watch wants Goblin Scouts hunted down.  Kill 5 Goblin Scouts.\n", 0),
              0u)
        << description;
    EXPECT_NE(description.find("Time left: 11.7 minutes\n"), std::string::npos) << description;
    EXPECT_NE(description.find("Quest level: 10\n"), std::string::npos);
    EXPECT_NE(description.find("Reward: 98 XP & " + formatMoney(157) + "\n"), std::string::npos)
        << description;
    EXPECT_NE(description.find("Talk to the $$NpcTypeWarmaster$$ when the quest is completed.\n"),
              std::string::npos);
    q.fail();
    EXPECT_EQ(q.getProgressText(false), "Progress: ^c001failed^c145\n");

    TestQuest group;
    ASSERT_TRUE(group.setup(10, GameTime(), 1, toIndex(QuestType::KillMonsterGroup), 0));
    group.targets = {{1, 1, data->findMonsterType("GrabnakTheCruel"), 5},
                     {1, 3, data->findMonsterType("GoblinScout"), 0}};
    EXPECT_EQ(group.getTargetLine(group.targets[0]), "Kill ^c005Grabnak^c145 (goblin warlord) (completed)\n");
    EXPECT_EQ(group.getTargetLine(group.targets[1]), "Kill 3 Goblin Scouts (1 killed)\n");
    EXPECT_EQ(group.getMonsterTypeText(0, false, false, 1, true), "Grabnak, a goblin warlord,");
}

// The program itself on the shipped data logs its quest and chat counts and no error.
TEST(ShippedQuestProgram, HeadlessStartLogsTheQuestAndChatCounts)
{
    TempDir user;
    user.write("user.cfg", "developer 1\n");
    RunResult run = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "quit\n", true);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = readFile(user.file("log.txt"));
    EXPECT_NE(log.find(", 67 quest definitions, "), std::string::npos) << log;
    EXPECT_NE(log.find(" NPC chats"), std::string::npos) << log;
    EXPECT_NE(log.find(" 0 errors"), std::string::npos) << log;
}
