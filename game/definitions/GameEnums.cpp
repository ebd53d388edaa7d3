#include "game/definitions/GameEnums.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/EnumNameTable.h"

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

} // namespace

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

CharacterStat parseCharacterStat(std::string_view name)
{
    return parseAs<CharacterStat>(GameEnum::CharacterStat, name);
}

std::string getCharacterStatName(int index, bool wrap)
{
    std::string name = nameOf(GameEnum::CharacterStat, index);
    return wrap ? "$$" + name + "$$" : name;
}

EntityState parseEntityState(std::string_view name)
{
    return parseAs<EntityState>(GameEnum::EntityState, name);
}

DamageType parseDamageType(std::string_view name)
{
    return parseAs<DamageType>(GameEnum::DamageType, name);
}

std::string getDamageTypeName(int type)
{
    return nameOf(GameEnum::DamageType, type);
}

SimpleEvent parseSimpleEvent(std::string_view name)
{
    return parseAs<SimpleEvent>(GameEnum::SimpleEvent, name);
}

AnimationPriority parseAnimationPriority(std::string_view name)
{
    return parseAs<AnimationPriority>(GameEnum::AnimationPriority, name);
}

TimedAction parseTimedAction(std::string_view name)
{
    return parseAs<TimedAction>(GameEnum::TimedAction, name);
}

NpcType parseNpcType(std::string_view name)
{
    return parseAs<NpcType>(GameEnum::NpcType, name);
}

std::string getNpcTypeName(int type)
{
    return nameOf(GameEnum::NpcType, type);
}

Direction parseDirection(std::string_view name)
{
    return parseAs<Direction>(GameEnum::Direction, name);
}

SolidType parseSolidType(std::string_view name)
{
    return parseAs<SolidType>(GameEnum::SolidType, name);
}

StatusType parseStatusType(std::string_view name)
{
    return parseAs<StatusType>(GameEnum::StatusType, name);
}

StatusEffectType parseStatusEffectType(std::string_view name)
{
    return parseAs<StatusEffectType>(GameEnum::StatusEffectType, name);
}

SkillType parseSkillType(std::string_view name)
{
    return parseAs<SkillType>(GameEnum::SkillType, name);
}

ProjectileType parseProjectileType(std::string_view name)
{
    return parseAs<ProjectileType>(GameEnum::ProjectileType, name);
}

ItemRequirement parseItemRequirement(std::string_view name)
{
    return parseAs<ItemRequirement>(GameEnum::ItemRequirement, name);
}

InventoryGroupIndex parseInventoryGroupIndex(std::string_view name)
{
    return parseAs<InventoryGroupIndex>(GameEnum::InventoryGroupIndex, name);
}

std::string getInventoryGroupIndexName(int group)
{
    return nameOf(GameEnum::InventoryGroupIndex, group);
}

EquipedLocation parseEquipedLocation(std::string_view name)
{
    return parseAs<EquipedLocation>(GameEnum::EquipedLocation, name);
}

std::string getEquipedLocationName(int location)
{
    return nameOf(GameEnum::EquipedLocation, location);
}

ItemSlotType parseItemSlotType(std::string_view name)
{
    return parseAs<ItemSlotType>(GameEnum::ItemSlotType, name);
}

std::string getItemSlotTypeName(int slotType)
{
    return nameOf(GameEnum::ItemSlotType, slotType);
}

ItemType parseItemType(std::string_view name)
{
    return parseAs<ItemType>(GameEnum::ItemType, name);
}

std::string getItemTypeName(int type)
{
    return nameOf(GameEnum::ItemType, type);
}

ItemRarity parseItemRarity(std::string_view name)
{
    return parseAs<ItemRarity>(GameEnum::ItemRarity, name);
}

std::string getItemRarityName(int rarity)
{
    return nameOf(GameEnum::ItemRarity, rarity);
}

MagicRequirement parseMagicRequirement(std::string_view name)
{
    return parseAs<MagicRequirement>(GameEnum::MagicRequirement, name);
}

MonsterRarity parseMonsterRarity(std::string_view name)
{
    return parseAs<MonsterRarity>(GameEnum::MonsterRarity, name);
}

std::string getMonsterRarityName(int rarity)
{
    return nameOf(GameEnum::MonsterRarity, rarity);
}

CharacterClassType parseCharacterClassType(std::string_view name)
{
    return parseAs<CharacterClassType>(GameEnum::CharacterClassType, name);
}

std::string getCharacterClassTypeName(int type)
{
    return nameOf(GameEnum::CharacterClassType, type);
}

DynamicStat parseDynamicStat(std::string_view name)
{
    return parseAs<DynamicStat>(GameEnum::DynamicStat, name);
}

std::string getDynamicStatName(int index, bool wrap)
{
    std::string name = nameOf(GameEnum::DynamicStat, index);
    return wrap ? "$$" + name + "$$" : name;
}

ActorBehavior parseActorBehavior(std::string_view name)
{
    return parseAs<ActorBehavior>(GameEnum::ActorBehavior, name);
}

std::string getActorBehaviorName(int type)
{
    return nameOf(GameEnum::ActorBehavior, type);
}

std::string getAttackSoundTypeName(int type)
{
    return nameOf(GameEnum::AttackSoundType, type);
}

ObjectType parseObjectType(std::string_view name)
{
    return parseAs<ObjectType>(GameEnum::ObjectType, name);
}

InWayAlphaType parseInWayAlphaType(std::string_view name)
{
    return parseAs<InWayAlphaType>(GameEnum::InWayAlphaType, name);
}

CharacterFunStat parseCharacterFunStat(std::string_view name)
{
    return parseAs<CharacterFunStat>(GameEnum::CharacterFunStat, name);
}

CovenantFunStat parseCovenantFunStat(std::string_view name)
{
    return parseAs<CovenantFunStat>(GameEnum::CovenantFunStat, name);
}

StatType parseStatType(std::string_view name)
{
    return parseAs<StatType>(GameEnum::StatType, name);
}

StatOtherIndex parseStatOtherIndex(std::string_view name)
{
    return parseAs<StatOtherIndex>(GameEnum::StatOtherIndex, name);
}

CovenantStat parseCovenantStat(std::string_view name)
{
    return parseAs<CovenantStat>(GameEnum::CovenantStat, name);
}

CovenantTreaty parseCovenantTreaty(std::string_view name)
{
    return parseAs<CovenantTreaty>(GameEnum::CovenantTreaty, name);
}

std::string getCovenantTreatyName(int treaty)
{
    return nameOf(GameEnum::CovenantTreaty, treaty);
}

TradeRoute parseTradeRoute(std::string_view name)
{
    return parseAs<TradeRoute>(GameEnum::TradeRoute, name);
}

std::string getTradeRouteName(int size)
{
    return nameOf(GameEnum::TradeRoute, size);
}

CovenantMultiplier parseCovenantMultiplier(std::string_view name)
{
    return parseAs<CovenantMultiplier>(GameEnum::CovenantMultiplier, name);
}

std::string getCovenantResponseName(int response)
{
    return nameOf(GameEnum::CovenantResponse, response);
}

CovenantDifficultyLevel parseCovenantDifficultyLevel(std::string_view name)
{
    return parseAs<CovenantDifficultyLevel>(GameEnum::CovenantDifficultyLevel, name);
}

WorldDifficultyLevel parseWorldDifficultyLevel(std::string_view name)
{
    return parseAs<WorldDifficultyLevel>(GameEnum::WorldDifficultyLevel, name);
}

std::string getWorldDifficultyLevelName(int level)
{
    return nameOf(GameEnum::WorldDifficultyLevel, level);
}

ChatDialogType lookupChatDialogType(std::string_view name)
{
    return parseAs<ChatDialogType>(GameEnum::ChatDialogType, name);
}

QuestType parseQuestType(std::string_view name, QuestType defaultValue)
{
    return static_cast<QuestType>(lookupEnumName(table(GameEnum::QuestType), name, toIndex(defaultValue)));
}

std::string getQuestTypeName(int type)
{
    return nameOf(GameEnum::QuestType, type);
}
