#include "game/definitions/GameEnums.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/EnumNameTable.h"
#include "engine/data/Localization.h"

#include <array>
#include <initializer_list>
#include <vector>

namespace {

using GameEnumTable = EnumNameTable;

GameEnumTable makeTable(const char* tableName, std::initializer_list<const char*> names, int defaultValue = 0)
{
    GameEnumTable table;
    table.tableName = tableName;
    for (const char* name : names)
        table.names.emplace_back(name);
    table.defaultValue = defaultValue;
    return table;
}

GameEnumTable makeCharacterStatTable()
{
    GameEnumTable table =
        makeTable("CharacterStat",
                  {"BaseStrength", "BaseDexterity", "BaseVitality", "BaseIntelligence", "BaseSpirit",
                   "Strength", "Dexterity", "Vitality", "Intelligence", "Spirit"},
                  toIndex(CharacterStat::None));
    for (int i = 1; i <= 60; ++i)
        table.names.push_back(formatString("Skill%d", i));
    for (const char* name : {"Defense",
                             "Block",
                             "Parry",
                             "Deflection",
                             "Dodge",
                             "Evade",
                             "Attack",
                             "AttackSpeed",
                             "Armor",
                             "ArmorPiercing",
                             "Power",
                             "MaxPower",
                             "MaxHealth",
                             "PowerRising",
                             "Level",
                             "Xp",
                             "XpNeeded",
                             "XpDebt",
                             "MinDamage",
                             "MaxDamage",
                             "HealthRegen",
                             "PowerRegen",
                             "Class",
                             "AttributePointsLeft",
                             "SkillPointsLeft",
                             "Movement",
                             "Money",
                             "ResistancePhysical",
                             "ResistanceFire",
                             "ResistanceCold",
                             "ResistancePoison",
                             "ResistanceLightning",
                             "ResistanceMagic",
                             "ExtraMoney",
                             "ItemsChance",
                             "MagicChance",
                             "LightIntensity",
                             "Size",
                             "LastSkillRaised",
                             "DisarmTrap",
                             "SecretsFound",
                             "SpecificSecrets",
                             "Num",
                             "None"})
        table.names.emplace_back(name);
    return table;
}

GameEnumTable makeEntityStateTable()
{
    static const char* const own[] = {"Block",
                                      "Parry",
                                      "Deflection",
                                      "Dodge",
                                      "Evade",
                                      "CriticalHit",
                                      "Hit",
                                      "MinorDistraction",
                                      "DecentDistraction",
                                      "MajorDistraction",
                                      "Stealthed"};
    GameEnumTable table;
    table.tableName = "EntityState";
    for (const char* name : own)
        table.names.emplace_back(name);
    for (const char* name : own)
        table.names.push_back(std::string("Enemy") + name);
    table.names.emplace_back("HasEnemies");
    return table;
}

GameEnumTable makeInventoryGroupTable()
{
    GameEnumTable table =
        makeTable("InventoryGroupIndex", {"Main", "Equipment", "Bag1", "Bag2", "Bag3", "Bag4", "Stash"});
    for (int i = 1; i <= 8; ++i)
        table.names.push_back(formatString("StashBag%d", i));
    table.names.emplace_back("Loot");
    for (int i = 1; i <= 8; ++i)
        table.names.push_back(formatString("LootBag%d", i));
    for (const char* name : {"House", "Bookshelf", "Backup"})
        table.names.emplace_back(name);
    return table;
}

std::vector<GameEnumTable> buildTables()
{
    std::vector<GameEnumTable> t(static_cast<size_t>(GameEnum::Count));
    auto set = [&](GameEnum which, GameEnumTable table) { t[static_cast<size_t>(which)] = std::move(table); };

    set(GameEnum::CharacterStat, makeCharacterStatTable());
    set(GameEnum::EntityState, makeEntityStateTable());
    set(GameEnum::DamageType,
        makeTable("DamageType", {"Physical", "Fire", "Cold", "Poison", "Lightning", "Magic"}));
    set(GameEnum::SimpleEvent,
        makeTable("SimpleEvent",
                  {"None", "Move", "UseSkill", "SkillFinished", "PathFindingFailed", "PathFindingSuccess",
                   "AttackSuccessful", "Hit", "DamageOverTime", "Attacked"}));
    set(GameEnum::AnimationPriority,
        makeTable("AnimationPriority",
                  {"None", "Override", "Idle", "IdleHidden", "IdleSound", "Movement", "ClientSideIdle",
                   "ClientSideIdleStealth", "ClientSideMovement", "Attak", "SpecialAttackStart",
                   "SpecialAttack", "Dead", "Dying", "ServerControlled", "HighestPriority"}));
    set(GameEnum::TimedAction,
        makeTable("TimedAction", {"None", "UsingSkill", "IdentifyingItem", "OpeningChest", "OpeningStash",
                                  "OpeningDeadBody", "CreatingGate", "Resurrecting"}));
    set(GameEnum::NpcType, makeTable("NpcType", {"None", "Warmaster", "Apothecary", "Steward", "Recruit",
                                                 "OneShot", "VendorBasic", "VendorWeapon", "VendorArmor",
                                                 "VendorGuard", "Gambler", "Tutor", "VendorWandering"}));
    set(GameEnum::Direction, makeTable("Direction", {"North", "NorthEast", "East", "SouthEast", "South",
                                                     "SouthWest", "West", "NorthWest"}));
    set(GameEnum::SolidType, makeTable("SolidType", {"Normal", "Gate"}));
    set(GameEnum::StatusType, makeTable("StatusType", {"Normal", "Distracted"}));
    set(GameEnum::StatusEffectType,
        makeTable("StatusEffectType",
                  {"Normal", "Combine", "OnlyOne", "OnePerInflicter", "OnlyOneExact", "Cancel"}));
    set(GameEnum::SkillType, makeTable("SkillType", {"Dot", "DirectDamage", "Situational", "Finish", "Heal",
                                                     "Buff", "Debuff", "Stealth"}));
    set(GameEnum::ProjectileType, makeTable("ProjectileType", {"Normal", "Ring", "Beam", "Lob"}));
    set(GameEnum::ItemRequirement,
        makeTable("ItemRequirement",
                  {"None", "Health", "Mana", "Faith", "ArmorCloth", "ArmorLeather", "ArmorMail", "ArmorPlate",
                   "WeaponDagger", "WeaponAxe", "WeaponSword", "WeaponSwordTwoHanded", "WeaponMace",
                   "WeaponStaff", "Shield", "Cape"}));
    set(GameEnum::InventoryGroupIndex, makeInventoryGroupTable());
    set(GameEnum::EquipedLocation, makeTable("EquipedLocation",
                                             {"Head", "Neck", "Shoulders", "Back", "Chest", "Wrists", "Hands",
                                              "Waist", "Legs", "Feet", "Ring1", "Ring2", "Jewelry1",
                                              "Jewelry2", "HandPrimary", "HandSecondary", "Ranged", "None"},
                                             toIndex(EquipedLocation::None)));
    set(GameEnum::ItemSlotType,
        makeTable("ItemSlotType",
                  {"Head",   "Neck", "Shoulders", "Back",  "Chest",   "Wrists",      "Hands",
                   "Waist",  "Legs", "Feet",      "Ring",  "Jewelry", "HandPrimary", "HandSecondary",
                   "Ranged", "Bag",  "Guard",     "Relic", "Tome",    "General",     "None"},
                  toIndex(ItemSlotType::None)));
    set(GameEnum::ItemType,
        makeTable("ItemType",
                  {"Head",        "Neck",     "Shoulders", "Back", "Chest",   "Wrists",      "Hands",
                   "Waist",       "Legs",     "Feet",      "Ring", "Jewelry", "HandPrimary", "HandSecondary",
                   "HandEither",  "HandBoth", "Ranged",    "Bag",  "Tome",    "Guard",       "Relic",
                   "TreasureMap", "Food",     "Drink",     "Other"},
                  toIndex(ItemType::Other)));
    set(GameEnum::ItemRarity, makeTable("ItemRarity", {"Normal", "Common", "Uncommon", "Rare", "VeryRare",
                                                       "Set", "Unique", "Artifact"}));
    set(GameEnum::MonsterRarity, makeTable("MonsterRarity", {"Normal", "Common", "Uncommon", "Rare",
                                                             "VeryRare", "Unique", "Legend", "Boss"}));
    set(GameEnum::CharacterClassType,
        makeTable("CharacterClassType",
                  {"Warrior", "Rogue", "Priest", "Mage", "NpcWarrior", "NpcRogue", "NpcPriest", "NpcMage",
                   "MonsterWarrior", "MonsterRogue", "MonsterPriest", "MonsterMage", "MonsterGeneric"}));
    set(GameEnum::CovenantStat,
        makeTable("CovenantStat",
                  {"GuardCosts", "Free1", "Free2", "AbsoluteInfluence", "MaxNPCs", "MaxLifeStone", "People",
                   "Items", "LifeStone", "House", "Money", "InfluenceAdventure", "InfluenceCompetition",
                   "InfluenceWorld", "InfluenceTransferred"}));
    set(GameEnum::CovenantTreaty,
        makeTable("CovenantTreaty",
                  {"None", "Peace", "War", "Raid", "NonAggressionPact", "MutualProtectionPact", "Alliance",
                   "GiveBribe", "DemandBribe", "BreakTreaty", "BreakTradeRoute"}));
    set(GameEnum::TradeRoute, makeTable("TradeRoute", {"None", "Tiny", "Small", "Medium", "Large", "Huge"}));
    set(GameEnum::CovenantMultiplier,
        makeTable("CovenantMultiplier", {"None", "Influence", "Taxes", "Adventure", "LifeStone",
                                         "DiplomacyNegative", "DiplomacyPositive", "Recruiting", "StartWar",
                                         "StartRaid", "Honor", "Gifts", "Demands", "Trading"}));
    set(GameEnum::CovenantResponse, makeTable("CovenantResponse", {"None",
                                                                   "OfferBlank",
                                                                   "OfferGood",
                                                                   "OfferClose",
                                                                   "OfferBad",
                                                                   "Trade",
                                                                   "Gift",
                                                                   "Demand",
                                                                   "TradeAccepted",
                                                                   "TradeRejected",
                                                                   "DemandAccepted",
                                                                   "DemandRejected",
                                                                   "TradeAcceptedConfirmation",
                                                                   "TradeRejectedConfirmation",
                                                                   "DemandAcceptedConfirmation",
                                                                   "DemandRejectedConfirmation",
                                                                   "OfferExpired",
                                                                   "NoTradePossible",
                                                                   "CantAfford",
                                                                   "DontWant",
                                                                   "GiftAccepted"}));
    set(GameEnum::CovenantDifficultyLevel, makeTable("CovenantDifficultyLevel", {"Easy", "Average", "Hard"}));
    set(GameEnum::WorldDifficultyLevel,
        makeTable("WorldDifficultyLevel", {"Normal", "Champion", "Elite", "Legendary"}));
    set(GameEnum::ChatDialogType, makeTable("ChatDialogType", {"Normal",
                                                               "Any",
                                                               "UniqueMonster",
                                                               "ScoutKilled",
                                                               "RenegadeKilled",
                                                               "AssassinKilled",
                                                               "TownAttackRepelled",
                                                               "ThiefKilled",
                                                               "RescueNpcDied",
                                                               "DeliveryNpcDied",
                                                               "EscortNpcDied",
                                                               "Rain",
                                                               "RescuedNpc",
                                                               "RescuedMe",
                                                               "CuredMePoison",
                                                               "CuredMePetrify",
                                                               "CuredPlague",
                                                               "PlayerDestroyedCovenant",
                                                               "CovenantDestroyedCovenant",
                                                               "MonstersDestroyedCovenant",
                                                               "BossKilled",
                                                               "NpcKilledByUniqueMonster",
                                                               "NpcKilledByNormalMonster",
                                                               "FoundUniqueItem",
                                                               "PlayerDeath",
                                                               "CovenantDefendedRaid",
                                                               "CovenantDefendedPlayerRaid",
                                                               "PlayerDefendedRaid"}));
    set(GameEnum::QuestType, makeTable("QuestType", {"None",
                                                     "BossKnight",
                                                     "BossLord",
                                                     "BossPrince",
                                                     "BossKing",
                                                     "KillMonsters",
                                                     "UniqueMonsterSpotted",
                                                     "Assassin",
                                                     "MonsterQuestItem",
                                                     "LevelQuestItem",
                                                     "TownTraps",
                                                     "Recruit",
                                                     "KillMonsterGroup",
                                                     "RescueNpc",
                                                     "ClearLevel",
                                                     "ScoutLocation",
                                                     "Delivery",
                                                     "CrystalGain",
                                                     "CrystalLoss",
                                                     "InfluenceGain",
                                                     "InfluenceLoss",
                                                     "Uprising",
                                                     "Renegade",
                                                     "RenegadeAttack",
                                                     "GhostRevenge",
                                                     "Revenge",
                                                     "War",
                                                     "Escort",
                                                     "TreasureMap",
                                                     "MonsterQuest",
                                                     "PoisonedSupply",
                                                     "DeadlyPoison",
                                                     "Petrify",
                                                     "Plague",
                                                     "NewNpc",
                                                     "TownAttack",
                                                     "GuardBreaksFree",
                                                     "TutorialEquipWeapon",
                                                     "TutorialUseSlot",
                                                     "TutorialInvestigateHouse",
                                                     "TutorialTalkToQuestGivers",
                                                     "TutorialTalkToVendors",
                                                     "TutorialCovenantTrade",
                                                     "Thief",
                                                     "Kidnapping",
                                                     "Siege",
                                                     "WanderingVendor",
                                                     "MonsterScout",
                                                     "ArmorsmithMonsterQuestItem",
                                                     "WeaponsmithMonsterQuestItem",
                                                     "ArmorsmithLevelQuestItem",
                                                     "WeaponsmithLevelQuestItem",
                                                     "StoryKillTurenScout",
                                                     "StoryTurenArmy",
                                                     "StoryTurenGraves",
                                                     "StoryShankarLuteKefah",
                                                     "StoryKillShankarPartner",
                                                     "StoryShankarRescue",
                                                     "StoryCiglioFindItem",
                                                     "StoryKillCiglioGuard",
                                                     "StoryCiglioHorde",
                                                     "StoryKillDraaienMage",
                                                     "StoryDraaienNullifier",
                                                     "StoryDraaienArmy",
                                                     "WarAgainstBarbarians",
                                                     "Meeting",
                                                     "TutorialGetQuest"}));
    set(GameEnum::DynamicStat,
        makeTable(
            "DynamicStat",
            {"CriticalHit", "CrushingBlow",         "DeepWounds",       "ExtraDamage",       "HealthChange",
             "TotalTime",   "ExtraPowerGainChance", "PowerGainMult",    "HateChange",        "GeneralPower",
             "CastTime",    "CriticalHeal",         "HealingHate",      "SkillDamage",       "PowerNeeded",
             "PowerRegen",  "HealthRegen",          "MagicCriticalHit", "MagicCrushingBlow", "Attack"}));
    set(GameEnum::ActorBehavior,
        makeTable("ActorBehavior", {"Sleep",        "Idle",         "Melee",       "ReturnHome",
                                    "Ranged",       "Approach",     "Retreat",     "Suicide",
                                    "Teleport",     "Spawner",      "RaiseDead",   "DestroyCorpse",
                                    "EatCorpse",    "FollowLeader", "AvoidLeader", "TeleportToLeader",
                                    "TeleportRaid", "UseSkill",     "Pray",        "LifestoneRegen",
                                    "Adventure",    "Jump"}));
    set(GameEnum::AttackSoundType,
        makeTable("AttackSoundType", {"DeadlyHit", "CriticalHit", "CrushingBlow", "DeepWounds", "NormalHit",
                                      "Block", "Parry", "NormalMiss"}));
    set(GameEnum::ObjectType, makeTable("ObjectType", {"Normal", "Door", "Torch", "Secret"}));
    set(GameEnum::MagicRequirement,
        makeTable("MagicRequirement",
                  {"None", "Weapon", "MeleeWeapon", "RangedWeapon", "Armor", "Shield", "Jewelry"}));
    set(GameEnum::InWayAlphaType,
        makeTable("InWayAlphaType", {"None", "Screen", "WallAcross", "WallAlong", "Box"}));
    set(GameEnum::CharacterFunStat, makeTable("CharacterFunStat", {"Kills",
                                                                   "Deaths",
                                                                   "KillsPerDeath",
                                                                   "GoldFound",
                                                                   "TimePlayedMilliSeconds",
                                                                   "TimePlayedDays",
                                                                   "MaxDamageDealt",
                                                                   "MaxDamageTaken",
                                                                   "StrongestMonsterDefeated",
                                                                   "StrongestMonsterDefeatedInfo",
                                                                   "ToughestBattleWon",
                                                                   "ToughestBattleWonInfo",
                                                                   "StrongestMonsterKilledBy",
                                                                   "StrongestMonsterKilledByInfo",
                                                                   "WeakestMonsterKilledBy",
                                                                   "WeakestMonsterKilledByInfo",
                                                                   "QuestsSolved",
                                                                   "MaxDamageDealtAtOnce",
                                                                   "MaxHealthHealed",
                                                                   "RaidsOffensiveWon",
                                                                   "RaidsOffensiveTotal",
                                                                   "RaidsDefensiveWon",
                                                                   "RaidsDefensiveTotal",
                                                                   "DestroyedByMonsters",
                                                                   "BestTrapDisarmed"}));
    set(GameEnum::CovenantFunStat,
        makeTable("CovenantFunStat", {"WorldsConquered", "WorldsLost", "WorldsAbandoned", "WorldsAllyWin"}));
    set(GameEnum::StatType,
        makeTable("StatType", {"Normal", "Fun", "Covenant", "CovenantFun", "PlayerCovenant", "GlobalNormal",
                               "GlobalFun", "GlobalOther", "Other"}));
    set(GameEnum::StatOtherIndex,
        makeTable("StatOtherIndex",
                  {"Health", "MaxHealth", "Power", "MaxPower", "TimedEvent", "MaxTimedEvent",
                   "CovenantHealth", "CovenantMaxHealth", "Dps", "EquipmentWorth", "InventoryWorth",
                   "CovenantPower", "CovenantMaxPower"}));
    return t;
}

const GameEnumTable& table(GameEnum which)
{
    static const std::vector<GameEnumTable> tables = buildTables();
    return tables[static_cast<size_t>(which)];
}

int lookup(GameEnum which, std::string_view name)
{
    return lookupEnumName(table(which), name);
}

template <class E> E parseAs(GameEnum which, std::string_view name)
{
    return static_cast<E>(lookup(which, name));
}

std::string nameOf(GameEnum which, int value)
{
    return table(which).nameOf(value);
}

// The name, or its text key ("$$name$$") when wrap is set.
std::string wrappedNameOf(GameEnum which, int value, bool wrap)
{
    std::string name = nameOf(which, value);
    return wrap ? "$$" + name + "$$" : name;
}

} // namespace

// parse<E> and get<E>Name over the table of the same name; the functions
// that differ from these are written out below.
#define GAME_ENUM_PARSER(E)                                                                                  \
    E parse##E(std::string_view name)                                                                        \
    {                                                                                                        \
        return parseAs<E>(GameEnum::E, name);                                                                \
    }
#define GAME_ENUM_NAMER(E)                                                                                   \
    std::string get##E##Name(int value)                                                                      \
    {                                                                                                        \
        return nameOf(GameEnum::E, value);                                                                   \
    }

const EnumNameTable& getGameEnumTable(GameEnum which)
{
    return table(which);
}

const char* getGameEnumTableName(GameEnum which)
{
    return table(which).tableName.c_str();
}

int getGameEnumDefault(GameEnum which)
{
    return table(which).defaultValue;
}

int parseGameEnum(GameEnum which, std::string_view name)
{
    return lookup(which, name);
}

std::string getGameEnumName(GameEnum which, int value)
{
    return nameOf(which, value);
}

int getGameEnumCount(GameEnum which)
{
    return static_cast<int>(table(which).names.size());
}

GAME_ENUM_PARSER(CharacterStat)

std::string getCharacterStatName(int index, bool wrap)
{
    return wrappedNameOf(GameEnum::CharacterStat, index, wrap);
}

GAME_ENUM_PARSER(EntityState)
GAME_ENUM_PARSER(DamageType)
GAME_ENUM_NAMER(DamageType)
GAME_ENUM_PARSER(SimpleEvent)
GAME_ENUM_PARSER(AnimationPriority)
GAME_ENUM_PARSER(TimedAction)
GAME_ENUM_PARSER(NpcType)
GAME_ENUM_NAMER(NpcType)
GAME_ENUM_PARSER(Direction)
GAME_ENUM_PARSER(SolidType)
GAME_ENUM_PARSER(StatusType)
GAME_ENUM_PARSER(StatusEffectType)
GAME_ENUM_PARSER(SkillType)
GAME_ENUM_PARSER(ProjectileType)
GAME_ENUM_PARSER(ItemRequirement)
GAME_ENUM_PARSER(InventoryGroupIndex)
GAME_ENUM_NAMER(InventoryGroupIndex)
GAME_ENUM_PARSER(EquipedLocation)
GAME_ENUM_NAMER(EquipedLocation)
GAME_ENUM_PARSER(ItemSlotType)
GAME_ENUM_NAMER(ItemSlotType)
GAME_ENUM_PARSER(ItemType)
GAME_ENUM_NAMER(ItemType)
GAME_ENUM_PARSER(ItemRarity)
GAME_ENUM_NAMER(ItemRarity)
GAME_ENUM_PARSER(MagicRequirement)
GAME_ENUM_PARSER(MonsterRarity)
GAME_ENUM_NAMER(MonsterRarity)
GAME_ENUM_PARSER(CharacterClassType)
GAME_ENUM_NAMER(CharacterClassType)
GAME_ENUM_PARSER(DynamicStat)

std::string getDynamicStatName(int index, bool wrap)
{
    return wrappedNameOf(GameEnum::DynamicStat, index, wrap);
}

GAME_ENUM_PARSER(ActorBehavior)
GAME_ENUM_NAMER(ActorBehavior)
GAME_ENUM_NAMER(AttackSoundType)
GAME_ENUM_PARSER(ObjectType)
GAME_ENUM_PARSER(InWayAlphaType)
GAME_ENUM_PARSER(CharacterFunStat)
GAME_ENUM_PARSER(CovenantFunStat)
GAME_ENUM_PARSER(StatType)
GAME_ENUM_PARSER(StatOtherIndex)
GAME_ENUM_PARSER(CovenantStat)
GAME_ENUM_PARSER(CovenantTreaty)
GAME_ENUM_NAMER(CovenantTreaty)
GAME_ENUM_PARSER(TradeRoute)
GAME_ENUM_NAMER(TradeRoute)
GAME_ENUM_PARSER(CovenantMultiplier)

std::string getCovenantMultiplierName(int value, bool asTextKey)
{
    const std::string& name = nameOf(GameEnum::CovenantMultiplier, value);
    if (name.empty() || !asTextKey)
        return name;
    return wrapText(name.c_str());
}

GAME_ENUM_NAMER(CovenantResponse)
GAME_ENUM_PARSER(CovenantDifficultyLevel)
GAME_ENUM_PARSER(WorldDifficultyLevel)
GAME_ENUM_NAMER(WorldDifficultyLevel)

ChatDialogType lookupChatDialogType(std::string_view name)
{
    return parseAs<ChatDialogType>(GameEnum::ChatDialogType, name);
}

QuestType parseQuestType(std::string_view name, QuestType defaultValue)
{
    return static_cast<QuestType>(lookupEnumName(table(GameEnum::QuestType), name, toIndex(defaultValue)));
}

GAME_ENUM_NAMER(QuestType)
