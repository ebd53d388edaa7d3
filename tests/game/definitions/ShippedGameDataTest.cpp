#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The data the game ships, loaded as at start-up.
class ShippedGameData : public ::testing::Test {
protected:
    ShippedGameData() : files(gameDataPath(), temp.path().string())
    {
        log.clear(); // the file system's notes on missing packages are not ours
        database.load(Database::kMasterFile, false);
        loaded = startUpGameData(data);
    }
    ~ShippedGameData() override
    {
        data.reset();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    std::unique_ptr<GameData> data;
    bool loaded = false;
};

} // namespace

TEST_F(ShippedGameData, LoadsWithoutWarningsAndLogsTheVersion)
{
    ASSERT_TRUE(loaded);
    for (const LogCapture::Line& line : log.lines())
        EXPECT_LT(line.level, 2) << line.text;
    EXPECT_TRUE(log.contains("Game data version " + data->rules().version));
    EXPECT_FALSE(data->rules().version.empty());
}

TEST_F(ShippedGameData, IsCoherent)
{
    ASSERT_TRUE(loaded);
    const GameRules& r = data->rules();
    // Every class of the class table exists with its id.
    for (int id = 0; id < kCharacterClassTypeCount; ++id) {
        const CharacterClass* c = data->findCharacterClassById(id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_EQ(c->getEntryName(), "Class" + getCharacterClassTypeName(id));
    }
    for (int id = 0; id < kPlayerClassCount; ++id)
        EXPECT_TRUE(data->findCharacterClassById(id)->usesPower()) << id;

    // Every monster type has a monster class with an attribute record, and
    // the regular spawns cover every level a new world starts at.
    for (const auto& type : data->getMonsterTypes()) {
        ASSERT_NE(type->archetype, nullptr) << type->getEntryName();
        EXPECT_NE(data->getMonsterAttributes(type->archetype->characterClass), nullptr)
            << type->getEntryName();
    }
    for (int level : r.startingMonsterLevels)
        EXPECT_GT(data->countMonsterTypesAtLevel(level), 0) << level;
    for (const std::string& recruit : r.recruitMonsterTypes)
        EXPECT_NE(data->findMonsterType(recruit), nullptr) << recruit;
    std::vector<MonsterType*> bosses;
    data->collectMonsterTypes(MonsterType::kBossCapable, 1, r.maxLevel, bosses);
    EXPECT_FALSE(bosses.empty());

    // The experience curve grows and the rules are usable.
    for (int level = 2; level <= r.maxLevel; ++level)
        EXPECT_GT(xpNeededForLevel(level), xpNeededForLevel(level - 1)) << level;
    EXPECT_LT(r.sunriseStart, r.sunriseEnd);
    EXPECT_LT(r.sunsetStart, r.sunsetEnd);
    EXPECT_EQ(r.townGatePositions.size(), 4u);
    EXPECT_EQ(r.fontNames.size(), 7u);
    EXPECT_FALSE(data->getAttachments().empty());
}
