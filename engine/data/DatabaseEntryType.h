#pragma once

#include "engine/data/EnumNameTable.h"

// The "Type" values of database entries.
enum class DatabaseEntryType : int {
    None = 0,
    Item = 1,
    MagicModifier = 2,
    Actor = 3,
    MonsterArchetype = 4,
    MonsterType = 5,
    MonsterEnhancement = 6,
    Stat = 7,
    StatusEffect = 8,
    Skill = 9,
    SkillTree = 10,
    Class = 11,
    Info = 12,
    Projectile = 13,
    BehaviorStack = 14,
    BehaviorData = 15,
    Object = 16,
    Covenant = 17,
    CovenantTrait = 18,
    Money = 19,
    Chest = 20,
    Faction = 21,
    QuestItem = 22,
    Quest = 23,
    Area = 24,
    Trap = 25,
    Attachment = 26,
    NpcChat = 27,
};

constexpr int kDatabaseEntryTypeCount = 28;

// The engine's own name tables.
const EnumNameTable& getDatabaseEntryTypeTable();
// Built from the colour table's names; default 0.
const EnumNameTable& getColorTypeTable();

int parseDatabaseEntryType(std::string_view name);
