#include "game/quests/QuestDefinition.h"

#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/quests/NpcChat.h"
#include "game/quests/QuestLoaders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const char* const kQuests = R"(GameSystem {
    QuestKillMonsters Hunt
    QuestPlague Sickness
    QuestTutorialUseSlot Bare
}
Hunt {
    Type Quest
    MinCountMult 4.5
    XpMaxRewardPerMonster 20
    TextList "QuestHuntText0"
    TextList "QuestHuntText1"
    TextList "QuestHuntText2"
    ReturnNpcType warmaster
    NeedNpcType Tutor
    StatusEffect ""
    ItemReward NoSuchItem
    DefaultItem ""
    ForceLevel 12
    NextQuest Plague
    QuestSolvedBit -1
    Boss 1
}
Sickness {
    Type Quest
    StatusEffect Hunt
    ReturnNpcType Nobody
}
Bare {
    Type Quest
}
Chatter {
    Type NpcChat
    DialogType Rain
    ChatText "ChatA"
}
)";

class QuestDefinitions : public ::testing::Test {
protected:
    QuestDefinitions()
    {
        registerQuestLoaders();
        database.addSubDatabase("GameSystem", "quests.dbl", kQuests);
        database.resolveBases();
        loaded = data.load();
    }
    ~QuestDefinitions() override
    {
        data.unload();
        GameData::loaders() = DefinitionLoaders();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }
    const QuestDefinition& of(QuestType type) { return *data.getQuestDefinition(toIndex(type)); }

    LogCapture log;
    Database database;
    GameData data;
    bool loaded = false;
};

} // namespace

TEST_F(QuestDefinitions, AnEntryWithoutKeysIsAllZero)
{
    ASSERT_TRUE(loaded);
    const QuestDefinition& bare = of(QuestType::TutorialUseSlot);
    EXPECT_EQ(bare.getEntryName(), "Bare");
    EXPECT_EQ(bare.minCountMult, 0.0f);
    EXPECT_EQ(bare.xpMaxRewardPerMonster, 0);
    EXPECT_EQ(bare.maxTime, 0.0f);
    EXPECT_FALSE(bare.boss);
    EXPECT_TRUE(bare.textList.empty());
    EXPECT_EQ(bare.returnNpcType, NpcType::None);
    EXPECT_EQ(bare.needNpcType, NpcType::None);
    EXPECT_EQ(bare.itemReward, nullptr);
    EXPECT_EQ(bare.statusEffect, nullptr);
    EXPECT_EQ(bare.questSolvedBit, 0);
    EXPECT_TRUE(bare.nextQuest.empty());
}

TEST_F(QuestDefinitions, ReadsEveryKindOfKey)
{
    ASSERT_TRUE(loaded);
    const QuestDefinition& hunt = of(QuestType::KillMonsters);
    EXPECT_FLOAT_EQ(hunt.minCountMult, 4.5f);
    EXPECT_EQ(hunt.xpMaxRewardPerMonster, 20);
    EXPECT_EQ(hunt.textList,
              (std::vector<std::string>{"QuestHuntText0", "QuestHuntText1", "QuestHuntText2"}));
    EXPECT_EQ(hunt.returnNpcType, NpcType::Warmaster);
    EXPECT_EQ(hunt.needNpcType, NpcType::Tutor);
    EXPECT_EQ(hunt.forceLevel, 12);
    EXPECT_EQ(hunt.nextQuest, "Plague");
    EXPECT_EQ(hunt.questSolvedBit, -1);
    EXPECT_TRUE(hunt.boss);

    // An empty StatusEffect stays null; a named one resolves.
    EXPECT_EQ(hunt.statusEffect, nullptr);
    const QuestDefinition& sickness = of(QuestType::Plague);
    ASSERT_NE(sickness.statusEffect, nullptr);
    EXPECT_EQ(sickness.statusEffect, hunt.getEntry());
}

TEST_F(QuestDefinitions, NamesWithoutEntriesAreReportedOnce)
{
    ASSERT_TRUE(loaded);
    EXPECT_EQ(of(QuestType::KillMonsters).itemReward, nullptr);
    EXPECT_EQ(of(QuestType::KillMonsters).defaultItem, nullptr);
    EXPECT_TRUE(log.contains("quests.dbl:16: ItemReward NoSuchItem names no database entry", 2));
    size_t itemLines = 0;
    for (const LogCapture::Line& line : log.lines())
        if (line.text.find("names no database entry") != std::string::npos)
            ++itemLines;
    EXPECT_EQ(itemLines, 1u); // the empty DefaultItem and StatusEffect say nothing
    EXPECT_TRUE(log.contains("Unknown NpcType name Nobody"));
    EXPECT_EQ(of(QuestType::Plague).returnNpcType, NpcType::None);
}

TEST_F(QuestDefinitions, EveryTypeHasADefinitionAndChatsLoad)
{
    ASSERT_TRUE(loaded);
    EXPECT_EQ(data.getQuestDefinitionCount(), kQuestTypeCount);
    // No "QuestThief" key: the definition exists, all zero, with one line.
    const QuestDefinition& thief = of(QuestType::Thief);
    EXPECT_EQ(thief.getEntry(), nullptr);
    EXPECT_EQ(thief.maxTime, 0.0f);
    EXPECT_TRUE(thief.textList.empty());
    size_t thiefLines = 0;
    for (const LogCapture::Line& line : log.lines())
        if (line.level == 2 && line.text.find("QuestThief") != std::string::npos)
            ++thiefLines;
    EXPECT_EQ(thiefLines, 1u);

    NpcChat* chat = data.findNpcChat("chatter");
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->dialogType, toIndex(ChatDialogType::Rain));
    EXPECT_EQ(chat->chatTexts, std::vector<std::string>{"ChatA"});
}
