#include "game/definitions/GameEnums.h"

#include "engine/core/StringUtil.h"
#include "engine/data/EnumNameTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TableShape {
    GameEnum which;
    const char* tableName;
    int count;
    int defaultValue;
};

// Sizes and defaults the rest of the game relies on.
const TableShape kShapes[] = {
    {GameEnum::CharacterStat, "CharacterStat", 114, 113},
    {GameEnum::EntityState, "EntityState", 23, 0},
    {GameEnum::DamageType, "DamageType", 6, 0},
    {GameEnum::SimpleEvent, "SimpleEvent", 10, 0},
    {GameEnum::AnimationPriority, "AnimationPriority", 16, 0},
    {GameEnum::TimedAction, "TimedAction", 8, 0},
    {GameEnum::NpcType, "NpcType", 13, 0},
    {GameEnum::Direction, "Direction", 8, 0},
    {GameEnum::SolidType, "SolidType", 2, 0},
    {GameEnum::StatusType, "StatusType", 2, 0},
    {GameEnum::StatusEffectType, "StatusEffectType", 6, 0},
    {GameEnum::SkillType, "SkillType", 8, 0},
    {GameEnum::ProjectileType, "ProjectileType", 4, 0},
    {GameEnum::ItemRequirement, "ItemRequirement", 16, 0},
    {GameEnum::InventoryGroupIndex, "InventoryGroupIndex", 27, 0},
    {GameEnum::EquipedLocation, "EquipedLocation", 18, 17},
    {GameEnum::ItemSlotType, "ItemSlotType", 21, 20},
    {GameEnum::ItemType, "ItemType", 25, 24},
    {GameEnum::ItemRarity, "ItemRarity", 8, 0},
    {GameEnum::MonsterRarity, "MonsterRarity", 8, 0},
    {GameEnum::CharacterClassType, "CharacterClassType", 13, 0},
    {GameEnum::CovenantStat, "CovenantStat", 15, 0},
    {GameEnum::CovenantTreaty, "CovenantTreaty", 11, 0},
    {GameEnum::TradeRoute, "TradeRoute", 6, 0},
    {GameEnum::CovenantMultiplier, "CovenantMultiplier", 14, 0},
    {GameEnum::CovenantResponse, "CovenantResponse", 21, 0},
    {GameEnum::CovenantDifficultyLevel, "CovenantDifficultyLevel", 3, 0},
    {GameEnum::WorldDifficultyLevel, "WorldDifficultyLevel", 4, 0},
    {GameEnum::ChatDialogType, "ChatDialogType", 28, 0},
    {GameEnum::QuestType, "QuestType", 67, 0},
    {GameEnum::DynamicStat, "DynamicStat", 20, 0},
    {GameEnum::ActorBehavior, "ActorBehavior", 22, 0},
    {GameEnum::AttackSoundType, "AttackSoundType", 8, 0},
    {GameEnum::ObjectType, "ObjectType", 4, 0},
    {GameEnum::MagicRequirement, "MagicRequirement", 7, 0},
    {GameEnum::InWayAlphaType, "InWayAlphaType", 5, 0},
    {GameEnum::CharacterFunStat, "CharacterFunStat", 25, 0},
    {GameEnum::CovenantFunStat, "CovenantFunStat", 4, 0},
    {GameEnum::StatType, "StatType", 9, 0},
    {GameEnum::StatOtherIndex, "StatOtherIndex", 13, 0},
};

} // namespace

TEST(GameEnums, EveryTableHasItsShapeAndRoundTrips)
{
    ASSERT_EQ(std::size(kShapes), static_cast<size_t>(GameEnum::Count));
    LogCapture log;
    for (const TableShape& shape : kShapes) {
        SCOPED_TRACE(shape.tableName);
        EXPECT_STREQ(getGameEnumTableName(shape.which), shape.tableName);
        EXPECT_EQ(getGameEnumCount(shape.which), shape.count);
        EXPECT_EQ(getGameEnumDefault(shape.which), shape.defaultValue);
        for (int i = 0; i < shape.count; ++i) {
            std::string name = getGameEnumName(shape.which, i);
            ASSERT_FALSE(name.empty()) << i;
            // name -> index -> name, also with the case changed
            EXPECT_EQ(parseGameEnum(shape.which, name), i) << name;
            EXPECT_EQ(parseGameEnum(shape.which, toLowerCopy(name)), i) << name;
            EXPECT_EQ(getGameEnumName(shape.which, parseGameEnum(shape.which, name)), name);
        }
        EXPECT_EQ(getGameEnumName(shape.which, -1), "");
        EXPECT_EQ(getGameEnumName(shape.which, shape.count), "");
    }
    EXPECT_EQ(log.count(2) + log.count(3), 0u);
}

TEST(GameEnums, UnknownNameLogsAndGivesDefault)
{
    LogCapture log;
    for (const TableShape& shape : kShapes) {
        SCOPED_TRACE(shape.tableName);
        log.clear();
        EXPECT_EQ(parseGameEnum(shape.which, "NoSuchName"), shape.defaultValue);
        EXPECT_TRUE(log.contains(std::string("Unknown ") + shape.tableName + " name NoSuchName\n", 3));
        log.clear();
        EXPECT_EQ(parseGameEnum(shape.which, ""), shape.defaultValue);
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(GameEnums, TypedParsersUseTheirTables)
{
    LogCapture log;
    EXPECT_EQ(parseCharacterStat("Skill1"), CharacterStat::Skill1);
    EXPECT_EQ(parseCharacterStat("skill60"), CharacterStat::Skill60);
    EXPECT_EQ(parseCharacterStat("ResistanceMagic"), CharacterStat::ResistanceMagic);
    EXPECT_EQ(parseCharacterStat("Bogus"), CharacterStat::None);
    EXPECT_EQ(skillStat(2, 4), static_cast<CharacterStat>(44)); // 10 + 2 × 15 + 4
    EXPECT_EQ(getCharacterStatName(toIndex(CharacterStat::Level)), "Level");
    EXPECT_EQ(getCharacterStatName(toIndex(CharacterStat::Money), true), "$$Money$$");
    EXPECT_EQ(getDynamicStatName(19, true), "$$Attack$$");
    EXPECT_EQ(getDynamicStatName(20, false), "");

    EXPECT_EQ(parseEntityState("EnemyBlock"), static_cast<EntityState>(11));
    EXPECT_EQ(parseEntityState("EnemyStealthed"), EntityState::EnemyStealthed);
    EXPECT_EQ(parseAnimationPriority("Attak"), AnimationPriority::Attack);
    EXPECT_EQ(parseInventoryGroupIndex("StashBag8"), InventoryGroupIndex::StashBag8);
    EXPECT_EQ(parseInventoryGroupIndex("LootBag1"), InventoryGroupIndex::LootBag1);
    EXPECT_EQ(parseInventoryGroupIndex("Backup"), InventoryGroupIndex::Backup);
    EXPECT_EQ(parseEquipedLocation("Nowhere"), EquipedLocation::None);
    EXPECT_EQ(parseItemSlotType("HandBoth"), ItemSlotType::None); // two-handed is an item type, not a slot
    EXPECT_EQ(parseItemType("HandBoth"), ItemType::HandBoth);
    EXPECT_EQ(parseItemRarity("Set"), ItemRarity::Set);
    EXPECT_EQ(parseMonsterRarity("Boss"), MonsterRarity::Boss);
    EXPECT_EQ(parseItemRequirement("Shield"), ItemRequirement::Shield);
    EXPECT_EQ(parseDirection("SouthWest"), SouthWest);
    EXPECT_EQ(parseSolidType("gate"), SolidType::Gate);
    EXPECT_EQ(parseQuestType("Plague"), QuestType::Plague);
    EXPECT_EQ(parseQuestType("NewNpc"), QuestType::NewNpc);
    EXPECT_EQ(toIndex(QuestType::TutorialGetQuest), 66);
    EXPECT_EQ(lookupChatDialogType("PlayerDefendedRaid"), ChatDialogType::PlayerDefendedRaid);
    EXPECT_EQ(toIndex(ChatDialogType::PlayerDefendedRaid), 27);
    EXPECT_EQ(getNpcTypeName(12), "VendorWandering");
    EXPECT_EQ(getNpcTypeName(13), "");
    EXPECT_EQ(getCovenantResponseName(20), "GiftAccepted");
    EXPECT_EQ(parseCharacterClassType("MonsterGeneric"), CharacterClassType::MonsterGeneric);
    EXPECT_EQ(log.count(3), 3u); // Bogus, Nowhere and HandBoth
    log.clear();

    // A quest name outside the table gives the caller's default.
    EXPECT_EQ(parseQuestType("Bogus", QuestType::Meeting), QuestType::Meeting);
    EXPECT_TRUE(log.contains("Unknown QuestType name Bogus\n", 3));
    log.clear();
    EXPECT_EQ(parseNpcType("Blacksmith"), NpcType::None);
    EXPECT_TRUE(log.contains("Unknown NpcType name Blacksmith\n", 3));
}

TEST(GameEnums, TablesAreSharedEnumNameTables)
{
    const EnumNameTable& table = getGameEnumTable(GameEnum::TradeRoute);
    EXPECT_EQ(table.tableName, "TradeRoute");
    EXPECT_EQ(table.nameOf(5), "Huge");
    EXPECT_EQ(lookupEnumName(table, "medium"), 3);
}
