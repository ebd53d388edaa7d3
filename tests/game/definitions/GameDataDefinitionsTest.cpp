#include "game/definitions/GameData.h"

#include "engine/core/Random.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Stand-ins for the definitions of later subsystems; GameData sees only
// opaque pointers, so the loaders hand it these.
struct FakeDefinition {
    std::string entryName;
    float weight = 0.0f;
    static inline int live = 0;
    FakeDefinition() { ++live; }
    ~FakeDefinition() { --live; }
};

template <class T> DefinitionLoader<T> fakeLoader()
{
    DefinitionLoader<T> loader;
    loader.create = [] { return reinterpret_cast<T*>(new FakeDefinition()); };
    loader.load = [](T* definition, const DatabaseEntry* entry) {
        auto* fake = reinterpret_cast<FakeDefinition*>(definition);
        if (!entry)
            return true; // a quest type without its entry
        fake->entryName = entry->getName();
        fake->weight = Database::get().getFloat(entry, "Weight", 0.0f);
        return !Database::get().getInt(entry, "Broken");
    };
    loader.destroy = [](T* definition) { delete reinterpret_cast<FakeDefinition*>(definition); };
    return loader;
}

const FakeDefinition* fake(const void* definition)
{
    return static_cast<const FakeDefinition*>(definition);
}

const char* const kData = R"(
GameSystem {
    QuestPlague QuestOfPlague
    QuestMeeting QuestOfMeeting
    QuestThief NoSuchQuest
    QuestTypeChancePlague 1
    QuestTypeChanceMeeting 3
}
Gloomy {
    Type NpcChat
}
QuestOfPlague {
    Weight 1
}
QuestOfMeeting {
    Weight 3
}
Fireball {
    Type Skill
}
fireball2 {
    Type Skill
}
BadSkill {
    Type Skill
    Broken 1
}
SkillTemplate {
    Type Skill
    BaseOnly 1
}
Fire {
    Type SkillTree
}
Greeting {
    Type NpcChat
}
Stubborn {
    Type CovenantTrait
}
Human {
    Type Covenant
}
Elf {
    Type Covenant
}
)";

class GameDataDefinitions : public ::testing::Test {
protected:
    GameDataDefinitions()
    {
        DefinitionLoaders& l = GameData::loaders();
        l.skillDefinitions = fakeLoader<SkillDefinition>();
        l.skillTrees = fakeLoader<SkillTree>();
        l.questDefinitions = fakeLoader<QuestDefinition>();
        l.npcChats = fakeLoader<NpcChat>();
        l.covenantTraits = fakeLoader<CovenantTrait>();
        l.covenantDefinitions = fakeLoader<CovenantDefinition>();
        l.describeCovenant = [](const CovenantBase*, std::string& name, int& color) {
            name = "Iron Pact";
            color = 7;
        };
        database.addSubDatabase("GameSystem", "gamesystem.dbl", kData);
        database.resolveBases();
    }
    ~GameDataDefinitions() override
    {
        GameData::loaders() = DefinitionLoaders();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
        Random::setState(0, saved);
    }

    uint32_t saved = Random::getState(0);
    LogCapture log;
    Database database;
};

} // namespace

TEST_F(GameDataDefinitions, LoadsEveryRegisteredListAndFreesIt)
{
    {
        GameData data;
        ASSERT_TRUE(data.load());
        ASSERT_EQ(data.getSkillDefinitions().size(), 2u); // BadSkill dropped, template skipped
        EXPECT_EQ(data.getSkillTrees().size(), 1u);
        EXPECT_EQ(data.getNpcChats().size(), 2u);
        EXPECT_EQ(data.getCovenantTraits().size(), 1u);
        EXPECT_EQ(data.getCovenantDefinitions().size(), 2u);
        // 2 skills + tree + 67 quests + 2 chats + trait + 2 covenants.
        EXPECT_EQ(FakeDefinition::live, 75);
        EXPECT_EQ(data.getQuestDefinitionCount(), 67);

        EXPECT_EQ(fake(data.findNpcChat("gloomy"))->entryName, "Gloomy");
        EXPECT_EQ(fake(data.findNpcChat("GREETING"))->entryName, "Greeting");
        EXPECT_EQ(data.findNpcChat("Cheerful"), nullptr);

        // Skill names compare exactly.
        EXPECT_EQ(data.findSkillIndex("Fireball"), 0);
        EXPECT_EQ(data.findSkillIndex("fireball2"), 1);
        EXPECT_EQ(data.findSkillIndex("FIREBALL"), -1);
        EXPECT_EQ(fake(data.findSkillDefinition("Fireball"))->entryName, "Fireball");
        EXPECT_EQ(data.getSkillDefinitionList().size(), 2u);

        // One quest definition per QuestType, from "Quest" + the type name;
        // a type without its entry still has one, loaded from no entry.
        EXPECT_EQ(fake(data.getQuestDefinition(toIndex(QuestType::Plague)))->entryName, "QuestOfPlague");
        ASSERT_NE(data.getQuestDefinition(toIndex(QuestType::Thief)), nullptr);
        EXPECT_EQ(fake(data.getQuestDefinition(toIndex(QuestType::Thief)))->entryName, "");
        EXPECT_NE(data.getQuestDefinition(toIndex(QuestType::None)), nullptr);
        EXPECT_NE(data.getQuestDefinition(toIndex(QuestType::Siege)), nullptr);
        EXPECT_EQ(data.getQuestDefinition(67), nullptr);
        EXPECT_EQ(data.getQuestDefinition(-1), nullptr);
        EXPECT_TRUE(
            log.contains("gamesystem.dbl:5: Quest definition entry NoSuchQuest (Thief) not found", 2));
        EXPECT_TRUE(log.contains("no key QuestSiege", 2));
        EXPECT_FALSE(log.contains("no key QuestNone"));
        EXPECT_FALSE(log.contains("QuestPlague"));

        EXPECT_EQ(data.findCovenantDefinition("human"), 0);
        EXPECT_EQ(data.findCovenantDefinition("Elf"), 1);
        EXPECT_EQ(data.findCovenantDefinition("Dwarf"), -1);
        EXPECT_EQ(fake(data.getCovenantDefinition(1))->entryName, "Elf");
        EXPECT_EQ(data.getCovenantDefinition(2), nullptr);

        // Weighted picks: Plague weighs 1, Meeting 3 (of 4).
        Random::setState(0, 0); // r = 0.0042 → 0.017 < 1
        EXPECT_EQ(data.randomQuestType(), QuestType::Plague);
        Random::setState(0, 12345); // r = 0.2798 → 1.119 ≥ 1
        EXPECT_EQ(data.randomQuestType(), QuestType::Meeting);
        EXPECT_EQ(data.randomEventType(), QuestType::None); // no event weights

        int token = 0;
        EXPECT_EQ(data.getColoredCovenantDisplayName(reinterpret_cast<const CovenantBase*>(&token)),
                  "^c007Iron Pact");
        EXPECT_EQ(data.getColoredCovenantDisplayName(nullptr), "");
    }
    EXPECT_EQ(FakeDefinition::live, 0);
}

TEST_F(GameDataDefinitions, ReloadReplacesTheLists)
{
    GameData data;
    ASSERT_TRUE(data.load());
    ASSERT_TRUE(data.load());
    EXPECT_EQ(data.getSkillDefinitions().size(), 2u);
    EXPECT_EQ(FakeDefinition::live, 75);
    data.unload();
    EXPECT_EQ(FakeDefinition::live, 0);
    EXPECT_EQ(data.findSkillIndex("Fireball"), -1);
}
