#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "support/TestQuest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

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
        // Every monster deals some damage: its shares add up to more than 0.
        float share = 0.0f;
        for (float part : type->damagePercent)
            share += part;
        EXPECT_GT(share, 0.0f) << type->getEntryName();
    }
    // A skill's random summon never brings a unique, a legend or a town or
    // recruit character; the plain hostile types may all be summoned.
    for (const auto& type : data->getMonsterTypes()) {
        if (type->unique || type->legend || type->archetype->isNpcClass())
            EXPECT_FALSE(type->canBeSummoned) << type->getEntryName();
        else if (type->isRegularSpawn()) {
            EXPECT_TRUE(type->canBeSummoned) << type->getEntryName();
        }
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

    // A townsperson's words, and the apothecary's quests, name no gender: the
    // words are said by whoever holds a trade, and a rescued one is anybody.
    for (const char* file : {"loc/english/npcChat.trn", "loc/english/quests.trn"}) {
        std::ifstream in(gameDataPath(file));
        ASSERT_TRUE(in) << file;
        std::string line;
        while (std::getline(in, line)) {
            const bool townsfolk = std::string(file).find("npcChat") != std::string::npos ||
                                   line.find("apothecary") != std::string::npos;
            std::istringstream words(line);
            for (std::string word; townsfolk && words >> word;) {
                std::string bare;
                for (char c : word)
                    if (std::isalpha(static_cast<unsigned char>(c)))
                        bare += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                for (const char* gendered : {"he", "she", "his", "her", "him", "hers", "himself", "herself"})
                    EXPECT_NE(bare, gendered) << file << ": " << line;
            }
        }
    }
}

// A kidnapping quest calls the townsperson of each place "he" or "she" by the
// place; the person there is named from the matching list of names.
TEST_F(ShippedGameData, TownspeopleAreNamedAsTheirKidnappingTextCallsThem)
{
    ASSERT_TRUE(loaded);
    const std::vector<std::string> places =
        DefinitionReader(DefinitionReader::findEntry("GameSystem")).getStringList("NpcType");
    ASSERT_EQ(places.size(), 8u);
    for (int place = 0; place < static_cast<int>(places.size()); ++place) {
        const std::string& trade = places[static_cast<size_t>(place)];
        const MonsterType* type = data->findMonsterType("Npc" + trade);
        ASSERT_NE(type, nullptr) << trade;
        ASSERT_NE(type->archetype, nullptr) << trade;
        TestQuest kidnapping;
        kidnapping.type = toIndex(QuestType::Kidnapping);
        kidnapping.npcChoice = place;
        const std::string& names = type->archetype->randomNameFile;
        EXPECT_EQ(names, kidnapping.isNpcMale() ? "npcsMale" : "npcsFemale") << place << " " << trade;
    }
}

// The world unit: 32-unit tiles and collision cells, 4,096-unit levels, and
// the two rules tying the scale to melee: a path that ends within 1.5 tiles
// plus the radii of the walker and its target leaves a melee monster closer
// than its 96.0 and inside the combat reach of 1.9 grid cells. Objects never
// walk, so only their own radius counts, as a target's.
TEST_F(ShippedGameData, WorldScaleKeepsMeleeInReach)
{
    ASSERT_TRUE(loaded);
    const GameRules& r = data->rules();
    EXPECT_EQ(r.tileSize, 32.0f);
    EXPECT_EQ(r.gridSize, 32.0f);
    EXPECT_EQ(r.levelWidth, 4096.0f);
    EXPECT_EQ(r.levelHeight, 4096.0f);
    EXPECT_EQ(r.blocksAcross, 8);
    EXPECT_EQ(r.townCenterPosition, ZonePosition(0, 1944.0f, 2016.0f));

    const DatabaseEntry* objectBase = database.findEntry("ObjectBase");
    ASSERT_NE(objectBase, nullptr);
    float largestWalker = 0.0f;
    float largest = 0.0f;
    for (int i = 0; i < database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = database.getEntryAt(i);
        if (!database.findField(entry, "Radius")) {
            continue;
        }
        float radius = database.getFloat(entry, "Radius");
        EXPECT_GE(radius, 12.0f) << entry->getName();
        if (!entry->isDerivedFrom(objectBase)) {
            EXPECT_LE(radius, 20.0f) << entry->getName();
            largestWalker = std::max(largestWalker, radius);
        }
        largest = std::max(largest, radius);
    }
    EXPECT_GT(largestWalker, 0.0f);
    EXPECT_LT(1.5f * r.tileSize + largestWalker + largest, 96.0f);
    EXPECT_LE(1.5f * r.tileSize, 1.9f * r.gridSize);
}
