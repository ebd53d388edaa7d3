// The display texts of monsters and NPCs on the shipped data and two
// barbarian archetypes of the test's own.
#include "client/mirrors/MonsterTexts.h"
#include "client/StateMessage.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "support/TestEntityMirror.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class MonsterTextsTest : public ::testing::Test {
protected:
    MonsterTextsTest() : files(gameDataPath(), temp.path().string())
    {
        database.load(Database::kMasterFile, false);
        database.addSubDatabase("Barbarians", "barbarians.dbl", R"(
BarbarianThiefClass {
    Base ArchetypeBase
    Name "Barbarian"
    Class NpcRogue
    NpcThief 1
}
BarbarianRenegadeClass {
    Base ArchetypeBase
    Name "Barbarian"
    Class NpcWarrior
    NpcRenegade 1
}
BarbarianThief {
    Base MonsterTypeBase
    Archetype BarbarianThiefClass
    Name "Cutpurse"
}
BarbarianRenegade {
    Base MonsterTypeBase
    Archetype BarbarianRenegadeClass
    Name "Outcast"
}
GhostOfTheWell {
    Base MonsterTypeBase
    Archetype GhostClass
}
GhostClass {
    Base ArchetypeBase
    Class NpcWarrior
    Npc 1
    NpcGhost 1
    NpcType Warmaster
}
)");
        database.resolveBases();
        startUpGameData(data);
    }
    int id(const char* name) const
    {
        const DatabaseEntry* entry = database.findEntry(name);
        EXPECT_NE(entry, nullptr) << name;
        return entry ? entry->getId() : -1;
    }
    // A mirror of the entry with its sentient section at that level.
    std::unique_ptr<TestEntityMirror> mirror(const char* entryName, int level)
    {
        auto e = std::make_unique<TestEntityMirror>();
        EntityUpdateRecord r;
        r.model = kMessageEndMark;
        r.entryId = static_cast<uint32_t>(id(entryName));
        e->readUpdate(r);
        EntityTypeSection s;
        s.kind = EntityTypeSection::Kind::Sentient;
        s.equipped.fill(-1);
        s.level = level;
        e->readSnapshot(s);
        return e;
    }
    std::string title(const TestEntityMirror& e, bool withName = true)
    {
        std::string out;
        e.getDisplayName(out, withName, true);
        return out;
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    std::unique_ptr<GameData> data;
};

} // namespace

TEST_F(MonsterTextsTest, NpcNamesAndTitles)
{
    for (auto [level, text] :
         {std::pair{12, "Borin (12th lvl Warrior)"}, std::pair{21, "Borin (21st lvl Warrior)"},
          std::pair{3, "Borin (3rd lvl Warrior)"}, std::pair{111, "Borin (111th lvl Warrior)"},
          std::pair{112, "Borin (112th lvl Warrior)"}, std::pair{101, "Borin (101st lvl Warrior)"}}) {
        auto recruit = mirror("RecruitWarrior", level);
        recruit->setName("Borin");
        EXPECT_EQ(title(*recruit), text);
    }
    auto recruit = mirror("RecruitWarrior", 5);
    std::string nameOnly;
    recruit->setName("Borin");
    recruit->getDisplayName(nameOnly, true, false);
    EXPECT_EQ(nameOnly, "Borin");

    // A ghost takes the mark and no title, even with a role.
    auto ghost = mirror("GhostOfTheWell", 4);
    ghost->setName("Borin");
    EXPECT_EQ(title(*ghost), "Borin's ghost");
    // A renegade before any role; without an own name the entry's "Name".
    EXPECT_EQ(title(*mirror("BarbarianRenegade", 9)), "Outcast the Renegade");
    EXPECT_EQ(title(*mirror("BarbarianThief", 9), false), " the Thief");
    // A role other than none and recruit names it for translation.
    auto merchant = mirror("MerchantType", 1);
    merchant->setName("Hilda");
    EXPECT_EQ(title(*merchant), "Hilda the $$NpcTypeVendorBasic$$");
    TestEntityMirror noEntry;
    EXPECT_EQ(title(noEntry), "");
}

TEST_F(MonsterTextsTest, MonsterDescriptionsByRarity)
{
    int goblin = id("GoblinWarrior");
    EXPECT_EQ(formatMonsterDescription(goblin, 5 | 0 << 8 | 7 << 16, false), "Goblin Warrior (Lvl 5)");
    EXPECT_EQ(formatMonsterDescription(goblin, 5 | 0 << 8 | 7 << 16, true),
              "Goblin Warrior (Lvl 5) at Lvl 7");
    EXPECT_EQ(formatMonsterDescription(goblin, 5 | 3 << 8, false), "^c003Elite Goblin Warrior^c145 (Lvl 5)");
    EXPECT_EQ(formatMonsterDescription(goblin, 9 | 2 << 8, false),
              "^c002Goblin Warrior Champion^c145 (Lvl 9)");
    EXPECT_EQ(formatMonsterDescription(goblin, 9 | 6 << 8, false), "^c006Goblin Warrior^c145 (Lvl 9)");
    EXPECT_EQ(formatMonsterDescription(id("BarbarianThief"), 5 | 3 << 8, false),
              "Barbarian Thief^c145 (Lvl 5)");
    EXPECT_EQ(formatMonsterDescription(id("BarbarianRenegade"), 5, false), "Barbarian Renegade (Lvl 5)");
    EXPECT_EQ(formatMonsterDescription(-1, 5, false), "None");
    EXPECT_EQ(formatMonsterDescription(id("Dagger"), 5, false), "None");
}

TEST_F(MonsterTextsTest, RankTextsByFlags)
{
    std::string out;
    getMonsterRankText(out, 3, 7, "Goblin", false, true, true);
    EXPECT_EQ(out, "^c003Elite Goblin");
    getMonsterRankText(out, 1, 7, "Goblin", true, true, true);
    EXPECT_EQ(out, "^c000Goblin");
    getMonsterRankText(out, 2, 7, "Goblin", false, true, true);
    EXPECT_EQ(out, "^c002Goblin Champion");
    getMonsterRankText(out, 5, 7, "Goblin", false, false, true);
    EXPECT_EQ(out, "^c005lvl 7 Unique");
    getMonsterRankText(out, 0, 7, "Goblin", false, false, true);
    EXPECT_EQ(out, "lvl 7");
    getMonsterRankText(out, 7, 0, "Goblin", false, false, true);
    EXPECT_EQ(out, "^c007Boss");
    getMonsterRankText(out, 4, 7, "Goblin", true, false, true);
    EXPECT_EQ(out, "^c004");
}
