#include "game/definitions/GameData.h"

#include "engine/core/Random.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "game/definitions/GameFormulas.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

const char* const kGameSystem = R"(
GameSystem {
    Version "test 1"
    TileSize 2.0
    GridSize 0.5
    LevelTileWidth 48
    LevelTileHeight 32
    BlockTileWidth 16
    BlockTileHeight 8
    TileOrigin 1.0 1.0
    MaxLevel 4
    BaseXpNeededEachLevel 100
    XpMultEachLevel2 1.5
    XpMultEachLevel3 2
    XpMultEachLevel4 3
    MonsterXpPerLevel 2
    XpMultMonsterNormal 1
    XpMultMonsterUnique 5
    DifficultyLevelOffsetChampion 5
    TownCenterPosition "0 10 20"
    TownGatePosition "1 2.5 3.5" "2 4 5"
    Font normal small
    RelationName "50 Neutral" "-50 Hated"
    QuestPlague PlagueQuest
}
)";

const char* const kClasses = R"(
ClassBase {
    Type Class
    BaseOnly 1
    BaseSpeed 4
}
ClassWarrior {
    Base ClassBase
    Index 0
    Name "Warrior"
    PowerName "Rage"
    StartBaseStrength 30
    StrengthPerLevel 3
    SkillTree TreeArms TreeDefence
    ItemRequirement ArmorPlate Shield
}
ClassRogue {
    Base ClassBase
    Index 1
    Name "Rogue"
}
ClassPriest {
    Base ClassBase
    Index 2
    Name "Priest"
}
ClassMage {
    Base ClassBase
    Index 3
    Name "Mage"
    PowerName "Mana"
    BaseSpeed 3.5
}
TreeArms {
    Type SkillTree
    Skill Cleave Bash Charge
}
TreeDefence {
    Type SkillTree
    Skill ShieldWall
}
)";

const char* const kMonsters = R"(
MonsterAttributesMonsterWarrior {
    BaseStrength 12
    StrengthPerLevel 2.5
    MinDamage 2
}
ArchBase {
    Type MonsterArchetype
    BaseOnly 1
    Class MonsterWarrior
    SpawnChance 1
}
Greenskin {
    Base ArchBase
    Name "Greenskin"
    XpMult 1.5
}
Villagers {
    Base ArchBase
    Class NpcWarrior
    Npc 1
}
Ghosts {
    Base ArchBase
    SpawnChance 0
}
TypeBase {
    Type MonsterType
    BaseOnly 1
}
Goblin {
    Base TypeBase
    Archetype Greenskin
    Name "Goblin Scout"
    MinLevel 1
    MaxLevel 5
    GuardCapable 1
}
Orc {
    Base TypeBase
    Archetype Greenskin
    MinLevel 4
    MaxLevel 10
    BossCapable 1
    UniqueVersion GrimOrc RedOrc
}
GrimOrc {
    Base Orc
    Unique 1
    MinLevel 6
}
RedOrc {
    Base Orc
    Unique 1
    MinLevel 6
    Name "Red Orc"
}
OldOrc {
    Base TypeBase
    Archetype Greenskin
    Legend 1
    MinLevel 8
    MaxLevel 12
}
Villager {
    Base TypeBase
    Archetype Villagers
    MinLevel 1
    MaxLevel 50
}
Ghost {
    Base TypeBase
    Archetype Ghosts
    MinLevel 1
    MaxLevel 50
}
Halo {
    Type Attachment
    ModelName "halo.mdl"
    TagName tag_head
}
Flame {
    Type Attachment
    ModelName "flame.mdl"
    SkinName "blue.skn"
    TagName tag_flame
    Scale 0.5
}
)";

class GameDataLoad : public ::testing::Test {
protected:
    ~GameDataLoad() override
    {
        // Loading hands the geometry to the engine; leave it as found.
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }
    void loadDatabase(const char* system = kGameSystem)
    {
        database.addSubDatabase("GameSystem", "gamesystem.dbl", system);
        database.addSubDatabase("Class", "classes.dbl", kClasses);
        database.addSubDatabase("Monster", "monsters.dbl", kMonsters);
        database.resolveBases();
    }
    std::vector<std::string> names(const std::vector<MonsterType*>& types)
    {
        std::vector<std::string> out;
        for (const MonsterType* type : types)
            out.push_back(type->getEntryName());
        std::sort(out.begin(), out.end());
        return out;
    }

    LogCapture log;
    Database database;
    GameData data;
};

} // namespace

TEST_F(GameDataLoad, MissingRulesEntryIsReported)
{
    database.addSubDatabase("Class", "classes.dbl", kClasses);
    database.resolveBases();
    EXPECT_FALSE(data.load());
    EXPECT_TRUE(log.contains("GameSystem database entry not found!", 3));
    EXPECT_FALSE(data.isLoaded());
}

TEST_F(GameDataLoad, RulesAndDerivedGeometry)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    const GameRules& r = data.rules();
    EXPECT_EQ(r.version, "test 1");
    EXPECT_FLOAT_EQ(r.levelWidth, 96.0f); // 48 tiles × 2
    EXPECT_FLOAT_EQ(r.levelHeight, 64.0f);
    EXPECT_EQ(r.blocksAcross, 3); // 48 / 16
    EXPECT_EQ(r.blocksDown, 4);   // 32 / 8
    EXPECT_FLOAT_EQ(r.blockWidth, 32.0f);
    EXPECT_FLOAT_EQ(r.blockHeight, 16.0f);
    EXPECT_EQ(r.collisionCellsPerTile, 4); // floor(2 / 0.5 + 0.5)
    EXPECT_EQ(r.collisionGridWidth, 192);
    EXPECT_EQ(r.collisionGridHeight, 128);
    // Handed to the engine.
    EXPECT_FLOAT_EQ(ZoneTopology::current().width, 96.0f);
    EXPECT_FLOAT_EQ(ZoneTopology::current().height, 64.0f);
    EXPECT_FLOAT_EQ(getGrid().cellWidth, 2.0f);
    EXPECT_FLOAT_EQ(getGrid().originX, 1.0f);
    ZoneTopology::reset();
    setGrid(1.0f, 1.0f, 0.0f, 0.0f);

    EXPECT_EQ(data.getTownGatePosition(1), ZonePosition(2, 4.0f, 5.0f));
    EXPECT_EQ(data.getTownGatePosition(5), ZonePosition(0, 10.0f, 20.0f));
    EXPECT_EQ(data.getFontName(9), "normal");
    EXPECT_EQ(data.getRelationName(0), "Neutral"); // thresholds sorted
    EXPECT_EQ(r.questEntryNames[toIndex(QuestType::Plague)], "PlagueQuest");
    EXPECT_EQ(xpNeededForLevel(4), 900);
    EXPECT_EQ(log.count(3), 0u);
}

TEST_F(GameDataLoad, MissingLevelFactorCountsAsOneWithWarning)
{
    loadDatabase(R"(
GameSystem {
    MaxLevel 3
    BaseXpNeededEachLevel 100
    XpMultEachLevel2 2
}
)");
    ASSERT_TRUE(data.load());
    EXPECT_TRUE(log.contains("gamesystem.dbl:2: XpMultEachLevel3 is missing", 2));
    EXPECT_FALSE(log.contains("XpMultEachLevel2", 2));
    EXPECT_EQ(xpNeededForLevel(2), 200);
    EXPECT_EQ(xpNeededForLevel(3), 200); // not 0
}

TEST_F(GameDataLoad, ClassesById)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    const CharacterClass* warrior = data.findCharacterClassById(0);
    ASSERT_NE(warrior, nullptr);
    EXPECT_EQ(warrior->name, "Warrior");
    EXPECT_EQ(warrior->powerName, "Rage");
    EXPECT_TRUE(warrior->usesPower());
    EXPECT_EQ(warrior->startAttributes[0], 30);
    EXPECT_EQ(warrior->attributesPerLevel[0], 3);
    EXPECT_FLOAT_EQ(warrior->baseSpeed, 4.0f); // from the template
    ASSERT_EQ(warrior->getSkillTreeCount(), 2);
    EXPECT_EQ(warrior->skillTrees[0].skillCount, 3);
    EXPECT_EQ(warrior->skillTrees[1].skillCount, 1);
    EXPECT_TRUE(warrior->allowsItemRequirement(toIndex(ItemRequirement::Shield)));
    EXPECT_TRUE(warrior->allowsItemRequirement(toIndex(ItemRequirement::None)));
    EXPECT_FALSE(warrior->allowsItemRequirement(toIndex(ItemRequirement::WeaponStaff)));

    const CharacterClass* mage = data.findCharacterClassById(3);
    ASSERT_NE(mage, nullptr);
    EXPECT_EQ(mage->name, "Mage");
    EXPECT_FLOAT_EQ(mage->baseSpeed, 3.5f);
    EXPECT_FALSE(data.findCharacterClassById(1)->usesPower());
    EXPECT_EQ(data.findCharacterClassById(4), nullptr); // NpcWarrior not in this database
    EXPECT_EQ(data.findCharacterClassById(-1), nullptr);
    EXPECT_EQ(data.findCharacterClassById(99), nullptr);
    EXPECT_TRUE(log.contains("Character class entry ClassNpcWarrior not found", 2));
    EXPECT_EQ(log.count(3), 0u);

    const MonsterAttributes* attributes =
        data.getMonsterAttributes(toIndex(CharacterClassType::MonsterWarrior));
    ASSERT_NE(attributes, nullptr);
    EXPECT_FLOAT_EQ(attributes->base[0], 12.0f);
    EXPECT_FLOAT_EQ(attributes->perLevel[0], 2.5f);
    EXPECT_EQ(data.getMonsterAttributes(toIndex(CharacterClassType::MonsterMage)), nullptr);
}

TEST_F(GameDataLoad, MonsterTypesAtLevel)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    ASSERT_EQ(data.getMonsterTypes().size(), 7u);
    // Regular spawns: not unique or legend, not NPC, spawn chance above 0.
    EXPECT_EQ(data.countMonsterTypesAtLevel(1), 1); // Goblin
    EXPECT_EQ(data.countMonsterTypesAtLevel(4), 2); // Goblin, Orc
    EXPECT_EQ(data.countMonsterTypesAtLevel(11), 0);
    EXPECT_EQ(data.getMonsterTypeAtLevel(4, 0)->getEntryName(), "Goblin");
    EXPECT_EQ(data.getMonsterTypeAtLevel(4, 1)->getEntryName(), "Orc");
    EXPECT_EQ(data.getMonsterTypeAtLevel(4, 2), nullptr);
    EXPECT_EQ(data.getMonsterTypeAtLevel(4, -1), nullptr);
    // Without "DamagePercent" a monster type deals physical damage only.
    using Shares = std::array<float, kDamageTypeCount>;
    EXPECT_EQ(data.findMonsterType("Goblin")->damagePercent, (Shares{1, 0, 0, 0, 0, 0}));

    // Champion difficulty raises every range by 5.
    data.setWorldDifficulty(toIndex(WorldDifficultyLevel::Champion));
    EXPECT_EQ(data.countMonsterTypesAtLevel(4), 0);
    EXPECT_EQ(data.countMonsterTypesAtLevel(9), 2);
    EXPECT_EQ(data.findMonsterType("Goblin")->getMinLevel(), 6);
    data.setWorldDifficulty(0);

    MonsterArchetype* greenskin = data.findDefinitionByName("greenskin");
    ASSERT_NE(greenskin, nullptr);
    EXPECT_EQ(greenskin->getTypes().size(), 5u);
    Random::setState(0, 0); // r = 0.0042 picks the first candidate
    EXPECT_EQ(greenskin->pickTypeForLevel(4)->getEntryName(), "Goblin");
    EXPECT_EQ(greenskin->pickTypeForLevel(7)->getEntryName(), "Orc"); // Grim and Red are unique
    EXPECT_EQ(greenskin->pickTypeForLevel(30), nullptr);
}

TEST_F(GameDataLoad, CollectMonsterTypesWithEachFlag)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    auto collect = [&](int flags, int lo, int hi) {
        std::vector<MonsterType*> out;
        data.collectMonsterTypes(flags, lo, hi, out);
        return names(out);
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(collect(0, 1, 5), (V{"Ghost", "Goblin", "Orc", "Villager"}));
    EXPECT_EQ(collect(MonsterType::kGuardCapable, 1, 50), (V{"Goblin"}));
    EXPECT_EQ(collect(MonsterType::kUnique, 1, 50), (V{"GrimOrc", "RedOrc"}));
    EXPECT_EQ(collect(MonsterType::kLegend, 1, 50), (V{"OldOrc"}));
    EXPECT_EQ(collect(MonsterType::kUniqueOrLegend, 1, 50), (V{"GrimOrc", "OldOrc", "RedOrc"}));
    EXPECT_EQ(collect(MonsterType::kBossCapable, 1, 50),
              (V{"GrimOrc", "Orc", "RedOrc"}));                                       // versions inherit it
    EXPECT_EQ(collect(MonsterType::kUniqueOrLegend, 1, 7), (V{"GrimOrc", "RedOrc"})); // OldOrc starts at 8
    EXPECT_EQ(collect(MonsterType::kGuardCapable, 6, 50), V{});                       // Goblin ends at 5
    EXPECT_EQ(collect(MonsterType::kGuardCapable | MonsterType::kLegend, 1, 50), (V{"Goblin", "OldOrc"}));
}

TEST_F(GameDataLoad, MonsterNamesVersionsAndLookups)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    MonsterType* goblin = data.findMonsterType("GOBLIN");
    MonsterType* orc = data.findMonsterType("Orc");
    ASSERT_TRUE(goblin && orc);
    EXPECT_EQ(goblin->getName(), "Goblin Scout");
    EXPECT_EQ(orc->getName(), "Greenskin"); // no own Name: the monster class's
    EXPECT_EQ(data.findMonsterType("RedOrc")->getName(), "Red Orc");
    EXPECT_EQ(data.findMonsterType("Nothing"), nullptr);
    EXPECT_EQ(data.findMonsterTypeByEntryId(goblin->getEntryId()), goblin);
    EXPECT_EQ(data.findMonsterTypeByEntryId(-1), nullptr);
    EXPECT_EQ(data.getMonsterType(goblin->getIndex()), goblin);

    // GrimOrc's Base is a monster type; Goblin's (a template) is not.
    EXPECT_EQ(data.findMonsterType("GrimOrc")->base, orc);
    EXPECT_EQ(goblin->base, nullptr);

    EXPECT_EQ(goblin->pickRandomUniqueVersion(), nullptr);
    ASSERT_EQ(orc->uniqueVersions.size(), 2u);
    Random::setState(0, 0); // r = 0.0042 → trunc(0.008) = 0
    EXPECT_EQ(orc->pickRandomUniqueVersion()->getEntryName(), "GrimOrc");
    Random::setState(0, 12345); // r = 0.2798 → 0
    EXPECT_EQ(orc->pickRandomUniqueVersion()->getEntryName(), "GrimOrc");
    // A state whose next draw is 0.75: ((24576 << 16) − 9116991) × 569813⁻¹ (mod 2^32).
    Random::setState(0, ((24576u << 16) - 9116991u) * 3106340733u);
    EXPECT_EQ(orc->pickRandomUniqueVersion()->getEntryName(), "RedOrc"); // trunc(1.5) = 1

    const AttachmentDefinition* flame = data.findAttachment("flame");
    ASSERT_NE(flame, nullptr);
    EXPECT_EQ(flame->modelName, "flame.mdl");
    EXPECT_EQ(flame->skinName, "blue.skn");
    EXPECT_EQ(flame->tagName, "tag_flame");
    EXPECT_FLOAT_EQ(flame->scale, 0.5f);
    EXPECT_FLOAT_EQ(data.findAttachment("Halo")->scale, 1.0f);
    EXPECT_EQ(data.findAttachment("Crown"), nullptr);
}

TEST_F(GameDataLoad, MonsterExperienceFromRecord)
{
    loadDatabase();
    ASSERT_TRUE(data.load());
    const MonsterType* goblin = data.findMonsterType("Goblin");
    std::vector<int32_t> values(4, 0);
    // Level 3 unique Goblin killed by a level-2 character.
    storeMonsterRecord(values, 2, goblin, 3, toIndex(MonsterRarity::Unique), 2);
    EXPECT_EQ(values[2], goblin->getEntryId());
    EXPECT_EQ(values[3], 3 | (5 << 8) | (2 << 16));
    // Value = MonsterXpPerLevel 2 × level 3 × XpMultMonsterUnique 5 × class XpMult 1.5 = 45.
    // Level 1: factors of levels 2 and 3 (1.5 × 2 = 3) → 100 × 45 × 3 = 13500.
    EXPECT_EQ(monsterExperienceFromRecord(values, 2, false), 13500);
    // At player level 2: factor of level 3 only (2) → 9000.
    EXPECT_EQ(monsterExperienceFromRecord(values, 2, true), 9000);
    // A player above the monster gets the plain value × 100.
    values[3] = packMonsterRecordInfo(3, toIndex(MonsterRarity::Unique), 4);
    EXPECT_EQ(monsterExperienceFromRecord(values, 2, true), 4500);
    // Unknown or empty entries give nothing.
    values[0] = -1;
    EXPECT_EQ(monsterExperienceFromRecord(values, 0, false), 0);
    values[0] = 0x7FFF0000;
    EXPECT_EQ(monsterExperienceFromRecord(values, 0, false), 0);
    EXPECT_EQ(getMonsterTypeName(goblin->getEntryId(), false), "Goblin Scout");
    EXPECT_EQ(getMonsterTypeName(-1, true), "");
}

TEST_F(GameDataLoad, BadMonsterDataIsReportedWithFileAndLine)
{
    database.addSubDatabase("GameSystem", "gamesystem.dbl", kGameSystem);
    database.addSubDatabase("Monster", "bad.dbl", R"(Lost {
    Type MonsterType
    Archetype Nobody
    MinLevel 9
    MaxLevel 3
    Companion Ghostly
}
)");
    database.resolveBases();
    ASSERT_TRUE(data.load());
    EXPECT_TRUE(log.contains("bad.dbl:3: monster type Lost: unknown Archetype \"Nobody\"", 3));
    EXPECT_TRUE(log.contains("bad.dbl:5: monster type Lost: MaxLevel 3 below MinLevel 9; using 9", 2));
    EXPECT_TRUE(log.contains("bad.dbl:6: monster type Lost: Companion Ghostly is not a monster type", 2));
    const MonsterType* lost = data.findMonsterType("Lost");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(lost->archetype, nullptr);
    EXPECT_EQ(lost->getMaxLevel(), 9);
    EXPECT_EQ(lost->getName(), "Lost");
    EXPECT_TRUE(lost->isRegularSpawn()); // no class to forbid it
}

TEST_F(GameDataLoad, UnknownNamesAndBadNumbersNameFileLineAndEntry)
{
    database.addSubDatabase("GameSystem", "gamesystem.dbl", kGameSystem);
    database.addSubDatabase("Monster", "odd.dbl", R"(Spooks {
    Type MonsterArchetype
    Class Ghosty
}
Spook {
    Type MonsterType
    Archetype Spooks
    MinLevel abc
    MaxLevel 7
}
)");
    database.resolveBases();
    ASSERT_TRUE(data.load());
    EXPECT_TRUE(log.contains("odd.dbl:3: entry Spooks: Unknown CharacterClassType name Ghosty", 3));
    EXPECT_TRUE(log.contains("odd.dbl:8: entry Spook: MinLevel \"abc\" is not a number", 3));
    size_t ghosty = 0, abc = 0;
    for (const auto& line : log.lines()) {
        ghosty += line.text.find("Ghosty") != std::string::npos ? 1 : 0;
        abc += line.text.find("\"abc\"") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(ghosty, 1u);
    EXPECT_EQ(abc, 1u);
    // The bad number reads as the key's default.
    const MonsterType* spook = data.findMonsterType("Spook");
    ASSERT_NE(spook, nullptr);
    EXPECT_EQ(spook->getMinLevel(), 1);
}

TEST_F(GameDataLoad, UnusableGeometryFallsBack)
{
    loadDatabase(R"(
GameSystem {
    TileSize -2
    GridSize 0
    LevelTileWidth 100000
    BlockTileWidth 0
    MaxLevel 5000000
}
)");
    ASSERT_TRUE(data.load());
    const GameRules& r = data.rules();
    EXPECT_FLOAT_EQ(r.tileSize, 1.0f);
    EXPECT_FLOAT_EQ(r.gridSize, 1.0f);
    EXPECT_EQ(r.levelTileWidth, GameRules::kMaxLevelTiles);
    EXPECT_EQ(r.blockTileWidth, 1);
    EXPECT_EQ(r.maxLevel, GameRules::kMaxLevelLimit);
    EXPECT_TRUE(log.contains("gamesystem.dbl:", 2));
    EXPECT_TRUE(log.contains("MaxLevel 5000000 is outside 1..1000; using 1000", 2));
    ZoneTopology::reset();
    setGrid(1.0f, 1.0f, 0.0f, 0.0f);
}

TEST_F(GameDataLoad, OutOfRangeNumbersSaturateAndNonFiniteCoordinatesAreZero)
{
    database.addSubDatabase("GameSystem", "gamesystem.dbl", R"(
GameSystem {
    TownCenterPosition "99999999999 nan 1e50"
    TownGatePosition "0 inf 3"
    RelationName "99999999999 Top" "-99999999999 Bottom"
    MaxLevel 99999999999
    DifficultyLevelOffsetNormal 2147483647
}
)");
    database.addSubDatabase("Monster", "monsters.dbl", R"(
Giants {
    Type MonsterArchetype
    Class 99999999999
}
Titan {
    Type MonsterType
    Archetype Giants
    MinLevel 2147483000
    MaxLevel 99999999999
}
)");
    database.resolveBases();
    ASSERT_TRUE(data.load());
    const GameRules& r = data.rules();
    EXPECT_EQ(r.townCenterPosition, ZonePosition(INT32_MAX, 0.0f, 0.0f));
    EXPECT_EQ(data.getTownGatePosition(0), ZonePosition(0, 0.0f, 3.0f));
    ASSERT_EQ(r.relationNames.size(), 2u);
    EXPECT_EQ(r.relationNames[0].threshold, INT_MIN);
    EXPECT_EQ(r.relationNames[1].threshold, INT_MAX);
    EXPECT_EQ(data.getRelationName(0), "Top");
    EXPECT_EQ(r.maxLevel, GameRules::kMaxLevelLimit); // saturated, then limited
    const MonsterArchetype* giants = data.findDefinitionByName("Giants");
    ASSERT_NE(giants, nullptr);
    EXPECT_EQ(giants->characterClass, kCharacterClassTypeCount - 1);
    // Level plus difficulty offset saturates rather than wrapping negative.
    const MonsterType* titan = data.findMonsterType("Titan");
    ASSERT_NE(titan, nullptr);
    EXPECT_EQ(titan->getMinLevel(), INT_MAX);
    EXPECT_EQ(titan->getMaxLevel(), INT_MAX);
    EXPECT_TRUE(titan->isAtLevel(INT_MAX));
    EXPECT_EQ(data.countMonsterTypesAtLevel(INT_MAX), 1);
}
