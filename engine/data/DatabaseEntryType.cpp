#include "engine/data/DatabaseEntryType.h"

#include "engine/core/ColorSystem.h"

const EnumNameTable& getDatabaseEntryTypeTable()
{
    static const EnumNameTable table("DatabaseEntryType",
                                     {"None",
                                      "Item",
                                      "MagicModifier",
                                      "Actor",
                                      "MonsterArchetype",
                                      "MonsterType",
                                      "MonsterEnhancement",
                                      "Stat",
                                      "StatusEffect",
                                      "Skill",
                                      "SkillTree",
                                      "Class",
                                      "Info",
                                      "Projectile",
                                      "BehaviorStack",
                                      "BehaviorData",
                                      "Object",
                                      "Covenant",
                                      "CovenantTrait",
                                      "Money",
                                      "Chest",
                                      "Faction",
                                      "QuestItem",
                                      "Quest",
                                      "Area",
                                      "Trap",
                                      "Attachment",
                                      "NpcChat"},
                                     0);
    return table;
}

const EnumNameTable& getColorTypeTable()
{
    static const EnumNameTable table("ColorType", kColorTypeNames, kColorCount, 0);
    return table;
}

int parseDatabaseEntryType(std::string_view name)
{
    return lookupEnumName(getDatabaseEntryTypeTable(), name);
}
