#pragma once

#include "engine/core/Direction.h"

#include <string>
#include <string_view>

struct EnumNameTable;

// Every game enumeration with its name table. Names are the lookup names used
// in data files and text keys; parsers compare them without regard to case.
// A non-empty name missing from its table logs "Unknown <table> name <name>"
// and gives the table's default; an empty name gives the default silently.
// Name functions return "" for a value outside the table.

enum class GameEnum : int {
    CharacterStat,
    EntityState,
    DamageType,
    SimpleEvent,
    AnimationPriority,
    TimedAction,
    NpcType,
    Direction,
    SolidType,
    StatusType,
    StatusEffectType,
    SkillType,
    ProjectileType,
    ItemRequirement,
    InventoryGroupIndex,
    EquipedLocation,
    ItemSlotType,
    ItemType,
    ItemRarity,
    MonsterRarity,
    CharacterClassType,
    CovenantStat,
    CovenantTreaty,
    TradeRoute,
    CovenantMultiplier,
    CovenantResponse,
    CovenantDifficultyLevel,
    WorldDifficultyLevel,
    ChatDialogType,
    QuestType,
    DynamicStat,
    ActorBehavior,
    AttackSoundType,
    ObjectType,
    MagicRequirement,
    InWayAlphaType,
    CharacterFunStat,
    CovenantFunStat,
    StatType,
    StatOtherIndex,
    Count
};

// The name table of one enumeration, for code that works on any table.
const EnumNameTable& getGameEnumTable(GameEnum which);
// Generic lookups over any of the tables below (table name, names in value
// order, default value).
const char* getGameEnumTableName(GameEnum which);
int getGameEnumDefault(GameEnum which);
int parseGameEnum(GameEnum which, std::string_view name);
std::string getGameEnumName(GameEnum which, int value);
int getGameEnumCount(GameEnum which);

// ---- Character statistics -------------------------------------------------

enum class CharacterStat : int {
    BaseStrength = 0,
    BaseDexterity,
    BaseVitality,
    BaseIntelligence,
    BaseSpirit,
    Strength = 5,
    Dexterity,
    Vitality,
    Intelligence,
    Spirit,
    Skill1 = 10, // Skill1 … Skill60: 10 + tree × 15 + slot
    Skill60 = 69,
    Defense = 70,
    Block,
    Parry,
    Deflection,
    Dodge,
    Evade,
    Attack = 76,
    AttackSpeed = 77, // milliseconds per attack
    Armor = 78,
    ArmorPiercing,
    Power,
    MaxPower,
    MaxHealth,
    PowerRising,
    Level = 84,
    Xp,
    XpNeeded,
    XpDebt,
    MinDamage = 88,
    MaxDamage,
    HealthRegen,
    PowerRegen,
    Class = 92,
    AttributePointsLeft,
    SkillPointsLeft,
    Movement,
    Money = 96,
    ResistancePhysical = 97,
    ResistanceFire,
    ResistanceCold,
    ResistancePoison,
    ResistanceLightning,
    ResistanceMagic = 102,
    ExtraMoney = 103,
    ItemsChance,
    MagicChance,
    LightIntensity,
    Size,
    LastSkillRaised,
    DisarmTrap,
    SecretsFound,
    SpecificSecrets,
    Num = 112,
    None = 113
};
constexpr int kCharacterStatCount = 114;
constexpr int kSkillStatsPerTree = 15;
constexpr CharacterStat skillStat(int tree, int slot)
{
    return static_cast<CharacterStat>(static_cast<int>(CharacterStat::Skill1) + tree * kSkillStatsPerTree +
                                      slot);
}

CharacterStat parseCharacterStat(std::string_view name);
// The stat's name, or its text key ("$$name$$") when wrap is set.
std::string getCharacterStatName(int index, bool wrap = false);
// The five base attributes in stat order, for the keys built from them
// ("StartBaseStrength", "SpiritPerLevel", …).
constexpr int kBaseAttributeCount = 5;
constexpr const char* kBaseAttributeNames[kBaseAttributeCount] = {"Strength", "Dexterity", "Vitality",
                                                                  "Intelligence", "Spirit"};

enum class EntityState : int {
    Block,
    Parry,
    Deflection,
    Dodge,
    Evade,
    CriticalHit,
    Hit,
    MinorDistraction,
    DecentDistraction,
    MajorDistraction,
    Stealthed,
    EnemyBlock, // 11 … 21 mirror 0 … 10 for the enemy
    EnemyStealthed = 21,
    HasEnemies = 22
};
constexpr int kEntityStateCount = 23;
EntityState parseEntityState(std::string_view name);

enum class DamageType : int { Physical, Fire, Cold, Poison, Lightning, Magic };
constexpr int kDamageTypeCount = 6;
DamageType parseDamageType(std::string_view name);
std::string getDamageTypeName(int type);

enum class SimpleEvent : int {
    None,
    Move,
    UseSkill,
    SkillFinished,
    PathFindingFailed,
    PathFindingSuccess,
    AttackSuccessful,
    Hit,
    DamageOverTime,
    Attacked
};
SimpleEvent parseSimpleEvent(std::string_view name);

enum class AnimationPriority : int {
    None,
    Override,
    Idle,
    IdleHidden,
    IdleSound,
    Movement,
    ClientSideIdle,
    ClientSideIdleStealth,
    ClientSideMovement,
    Attack, // table name "Attak"
    SpecialAttackStart,
    SpecialAttack,
    Dead,
    Dying,
    ServerControlled,
    HighestPriority
};
AnimationPriority parseAnimationPriority(std::string_view name);

enum class TimedAction : int {
    None,
    UsingSkill,
    IdentifyingItem,
    OpeningChest,
    OpeningStash,
    OpeningDeadBody,
    CreatingGate,
    Resurrecting
};
TimedAction parseTimedAction(std::string_view name);

enum class NpcType : int {
    None,
    Warmaster,
    Apothecary,
    Steward,
    Recruit,
    OneShot,
    VendorBasic,
    VendorWeapon,
    VendorArmor,
    VendorGuard,
    Gambler,
    Tutor,
    VendorWandering
};
constexpr int kNpcTypeCount = 13;
NpcType parseNpcType(std::string_view name);
std::string getNpcTypeName(int type);

// Direction itself is the engine's (engine/core/Direction.h).
Direction parseDirection(std::string_view name);

enum class SolidType : int { Normal, Gate };
SolidType parseSolidType(std::string_view name);

enum class StatusType : int { Normal, Distracted };
StatusType parseStatusType(std::string_view name);

enum class StatusEffectType : int { Normal, Combine, OnlyOne, OnePerInflicter, OnlyOneExact, Cancel };
StatusEffectType parseStatusEffectType(std::string_view name);

enum class SkillType : int { Dot, DirectDamage, Situational, Finish, Heal, Buff, Debuff, Stealth };
SkillType parseSkillType(std::string_view name);

enum class ProjectileType : int { Normal, Ring, Beam, Lob };
ProjectileType parseProjectileType(std::string_view name);

// ---- Items and inventories ------------------------------------------------

enum class ItemRequirement : int {
    None,
    Health,
    Mana,
    Faith,
    ArmorCloth,
    ArmorLeather,
    ArmorMail,
    ArmorPlate,
    WeaponDagger,
    WeaponAxe,
    WeaponSword,
    WeaponSwordTwoHanded,
    WeaponMace,
    WeaponStaff,
    Shield,
    Cape
};
constexpr int kItemRequirementCount = 16;
ItemRequirement parseItemRequirement(std::string_view name);

enum class InventoryGroupIndex : int {
    Main,
    Equipment,
    Bag1,
    Bag2,
    Bag3,
    Bag4,
    Stash,
    StashBag1,
    StashBag8 = 14,
    Loot = 15,
    LootBag1,
    LootBag8 = 23,
    House = 24,
    Bookshelf,
    Backup
};
constexpr int kInventoryGroupCount = 27;
InventoryGroupIndex parseInventoryGroupIndex(std::string_view name);
std::string getInventoryGroupIndexName(int group);

enum class EquipedLocation : int {
    Head,
    Neck,
    Shoulders,
    Back,
    Chest,
    Wrists,
    Hands,
    Waist,
    Legs,
    Feet,
    Ring1,
    Ring2,
    Jewelry1,
    Jewelry2,
    HandPrimary,
    HandSecondary,
    Ranged,
    None
};
constexpr int kEquipedLocationCount = 18;
EquipedLocation parseEquipedLocation(std::string_view name);
std::string getEquipedLocationName(int location);

enum class ItemSlotType : int {
    Head,
    Neck,
    Shoulders,
    Back,
    Chest,
    Wrists,
    Hands,
    Waist,
    Legs,
    Feet,
    Ring,
    Jewelry,
    HandPrimary,
    HandSecondary,
    Ranged,
    Bag,
    Guard,
    Relic,
    Tome,
    General,
    None
};
constexpr int kItemSlotTypeCount = 21;
ItemSlotType parseItemSlotType(std::string_view name);
std::string getItemSlotTypeName(int slotType);

enum class ItemType : int {
    Head,
    Neck,
    Shoulders,
    Back,
    Chest,
    Wrists,
    Hands,
    Waist,
    Legs,
    Feet,
    Ring,
    Jewelry,
    HandPrimary,
    HandSecondary,
    HandEither,
    HandBoth,
    Ranged,
    Bag,
    Tome,
    Guard,
    Relic,
    TreasureMap,
    Food,
    Drink,
    Other
};
constexpr int kItemTypeCount = 25;
ItemType parseItemType(std::string_view name);
std::string getItemTypeName(int type);

enum class ItemRarity : int { Normal, Common, Uncommon, Rare, VeryRare, Set, Unique, Artifact };
constexpr int kItemRarityCount = 8;
ItemRarity parseItemRarity(std::string_view name);
std::string getItemRarityName(int rarity);

// Items may carry requirements that magic modifiers test.
enum class MagicRequirement : int { None, Weapon, MeleeWeapon, RangedWeapon, Armor, Shield, Jewelry };
constexpr int kMagicRequirementCount = 7;
MagicRequirement parseMagicRequirement(std::string_view name);

// ---- Monsters and characters ----------------------------------------------

enum class MonsterRarity : int { Normal, Common, Uncommon, Rare, VeryRare, Unique, Legend, Boss };
constexpr int kMonsterRarityCount = 8;
MonsterRarity parseMonsterRarity(std::string_view name);
std::string getMonsterRarityName(int rarity);

enum class CharacterClassType : int {
    Warrior,
    Rogue,
    Priest,
    Mage,
    NpcWarrior,
    NpcRogue,
    NpcPriest,
    NpcMage,
    MonsterWarrior,
    MonsterRogue,
    MonsterPriest,
    MonsterMage,
    MonsterGeneric
};
constexpr int kCharacterClassTypeCount = 13;
constexpr int kPlayerClassCount = 4;
CharacterClassType parseCharacterClassType(std::string_view name);
std::string getCharacterClassTypeName(int type);

// Combat modifiers and dynamic stats share one list.
enum class DynamicStat : int {
    CriticalHit,
    CrushingBlow,
    DeepWounds,
    ExtraDamage,
    HealthChange,
    TotalTime,
    ExtraPowerGainChance,
    PowerGainMult,
    HateChange,
    GeneralPower,
    CastTime,
    CriticalHeal,
    HealingHate,
    SkillDamage,
    PowerNeeded,
    PowerRegen,
    HealthRegen,
    MagicCriticalHit,
    MagicCrushingBlow,
    Attack
};
using CombatModifier = DynamicStat;
constexpr int kDynamicStatCount = 20;
DynamicStat parseDynamicStat(std::string_view name);
std::string getDynamicStatName(int index, bool wrap = false);

enum class ActorBehavior : int {
    Sleep,
    Idle,
    Melee,
    ReturnHome,
    Ranged,
    Approach,
    Retreat,
    Suicide,
    Teleport,
    Spawner,
    RaiseDead,
    DestroyCorpse,
    EatCorpse,
    FollowLeader,
    AvoidLeader,
    TeleportToLeader,
    TeleportRaid,
    UseSkill,
    Pray,
    LifestoneRegen,
    Adventure,
    Jump
};
constexpr int kActorBehaviorCount = 22;
ActorBehavior parseActorBehavior(std::string_view name);
std::string getActorBehaviorName(int type);

enum class AttackSoundType : int {
    DeadlyHit,
    CriticalHit,
    CrushingBlow,
    DeepWounds,
    NormalHit,
    Block,
    Parry,
    NormalMiss
};
constexpr int kAttackSoundTypeCount = 8;
std::string getAttackSoundTypeName(int type);

enum class ObjectType : int { Normal, Door, Torch, Secret };
ObjectType parseObjectType(std::string_view name);

// How a model fades when it stands between the camera and the player.
enum class InWayAlphaType : int { None, Screen, WallAcross, WallAlong, Box };
InWayAlphaType parseInWayAlphaType(std::string_view name);

// ---- Statistics -----------------------------------------------------------

enum class CharacterFunStat : int {
    Kills,
    Deaths,
    KillsPerDeath,
    GoldFound,
    TimePlayedMilliSeconds,
    TimePlayedDays,
    MaxDamageDealt,
    MaxDamageTaken,
    StrongestMonsterDefeated,
    StrongestMonsterDefeatedInfo,
    ToughestBattleWon,
    ToughestBattleWonInfo,
    StrongestMonsterKilledBy,
    StrongestMonsterKilledByInfo,
    WeakestMonsterKilledBy,
    WeakestMonsterKilledByInfo,
    QuestsSolved,
    MaxDamageDealtAtOnce,
    MaxHealthHealed,
    RaidsOffensiveWon,
    RaidsOffensiveTotal,
    RaidsDefensiveWon,
    RaidsDefensiveTotal,
    DestroyedByMonsters,
    BestTrapDisarmed
};
constexpr int kCharacterFunStatCount = 25;
CharacterFunStat parseCharacterFunStat(std::string_view name);

enum class CovenantFunStat : int { WorldsConquered, WorldsLost, WorldsAbandoned, WorldsAllyWin };
CovenantFunStat parseCovenantFunStat(std::string_view name);

enum class StatType : int {
    Normal,
    Fun,
    Covenant,
    CovenantFun,
    PlayerCovenant,
    GlobalNormal,
    GlobalFun,
    GlobalOther,
    Other
};
StatType parseStatType(std::string_view name);

enum class StatOtherIndex : int {
    Health,
    MaxHealth,
    Power,
    MaxPower,
    TimedEvent,
    MaxTimedEvent,
    CovenantHealth,
    CovenantMaxHealth,
    Dps,
    EquipmentWorth,
    InventoryWorth,
    CovenantPower,
    CovenantMaxPower
};
StatOtherIndex parseStatOtherIndex(std::string_view name);

// ---- Covenants ------------------------------------------------------------

enum class CovenantStat : int {
    GuardCosts,
    Free1,
    Free2,
    AbsoluteInfluence,
    MaxNPCs,
    MaxLifeStone,
    People,
    Items,
    LifeStone,
    House,
    Money,
    InfluenceAdventure,
    InfluenceCompetition,
    InfluenceWorld,
    InfluenceTransferred
};
constexpr int kCovenantStatCount = 15;
CovenantStat parseCovenantStat(std::string_view name);

enum class CovenantTreaty : int {
    None,
    Peace,
    War,
    Raid,
    NonAggressionPact,
    MutualProtectionPact,
    Alliance,
    GiveBribe,
    DemandBribe,
    BreakTreaty,
    BreakTradeRoute
};
constexpr int kCovenantTreatyCount = 11;
CovenantTreaty parseCovenantTreaty(std::string_view name);
std::string getCovenantTreatyName(int treaty);

enum class TradeRoute : int { None, Tiny, Small, Medium, Large, Huge };
constexpr int kTradeRouteCount = 6;
TradeRoute parseTradeRoute(std::string_view name);
std::string getTradeRouteName(int size);

enum class CovenantMultiplier : int {
    None,
    Influence,
    Taxes,
    Adventure,
    LifeStone,
    DiplomacyNegative,
    DiplomacyPositive,
    Recruiting,
    StartWar,
    StartRaid,
    Honor,
    Gifts,
    Demands,
    Trading
};
constexpr int kCovenantMultiplierCount = 14;
CovenantMultiplier parseCovenantMultiplier(std::string_view name);
// The multiplier's name, as a text key ("$$Honor$$") with asTextKey; "" outside 0 … 13.
std::string getCovenantMultiplierName(int value, bool asTextKey = false);

enum class CovenantResponse : int {
    None,
    OfferBlank,
    OfferGood,
    OfferClose,
    OfferBad,
    Trade,
    Gift,
    Demand,
    TradeAccepted,
    TradeRejected,
    DemandAccepted,
    DemandRejected,
    TradeAcceptedConfirmation,
    TradeRejectedConfirmation,
    DemandAcceptedConfirmation,
    DemandRejectedConfirmation,
    OfferExpired,
    NoTradePossible,
    CantAfford,
    DontWant,
    GiftAccepted
};
constexpr int kCovenantResponseCount = 21;
std::string getCovenantResponseName(int response);

enum class CovenantDifficultyLevel : int { Easy, Average, Hard };
CovenantDifficultyLevel parseCovenantDifficultyLevel(std::string_view name);

enum class WorldDifficultyLevel : int { Normal, Champion, Elite, Legendary };
constexpr int kWorldDifficultyCount = 4;
WorldDifficultyLevel parseWorldDifficultyLevel(std::string_view name);
std::string getWorldDifficultyLevelName(int level);

// ---- Chats and quests -----------------------------------------------------

enum class ChatDialogType : int {
    Normal,
    Any,
    UniqueMonster,
    ScoutKilled,
    RenegadeKilled,
    AssassinKilled,
    TownAttackRepelled,
    ThiefKilled,
    RescueNpcDied,
    DeliveryNpcDied,
    EscortNpcDied,
    Rain,
    RescuedNpc,
    RescuedMe,
    CuredMePoison,
    CuredMePetrify,
    CuredPlague,
    PlayerDestroyedCovenant,
    CovenantDestroyedCovenant,
    MonstersDestroyedCovenant,
    BossKilled,
    NpcKilledByUniqueMonster,
    NpcKilledByNormalMonster,
    FoundUniqueItem,
    PlayerDeath,
    CovenantDefendedRaid,
    CovenantDefendedPlayerRaid,
    PlayerDefendedRaid
};
constexpr int kChatDialogTypeCount = 28;
ChatDialogType lookupChatDialogType(std::string_view name);

enum class QuestType : int {
    None,
    BossKnight,
    BossLord,
    BossPrince,
    BossKing,
    KillMonsters,
    UniqueMonsterSpotted,
    Assassin,
    MonsterQuestItem,
    LevelQuestItem,
    TownTraps,
    Recruit,
    KillMonsterGroup,
    RescueNpc,
    ClearLevel,
    ScoutLocation,
    Delivery,
    CrystalGain,
    CrystalLoss,
    InfluenceGain,
    InfluenceLoss,
    Uprising,
    Renegade,
    RenegadeAttack,
    GhostRevenge,
    Revenge,
    War,
    Escort,
    TreasureMap,
    MonsterQuest,
    PoisonedSupply,
    DeadlyPoison,
    Petrify,
    Plague,
    NewNpc,
    TownAttack,
    GuardBreaksFree,
    TutorialEquipWeapon,
    TutorialUseSlot,
    TutorialInvestigateHouse,
    TutorialTalkToQuestGivers,
    TutorialTalkToVendors,
    TutorialCovenantTrade,
    Thief,
    Kidnapping,
    Siege,
    WanderingVendor,
    MonsterScout,
    ArmorsmithMonsterQuestItem,
    WeaponsmithMonsterQuestItem,
    ArmorsmithLevelQuestItem,
    WeaponsmithLevelQuestItem,
    StoryKillTurenScout,
    StoryTurenArmy,
    StoryTurenGraves,
    StoryShankarLuteKefah,
    StoryKillShankarPartner,
    StoryShankarRescue,
    StoryCiglioFindItem,
    StoryKillCiglioGuard,
    StoryCiglioHorde,
    StoryKillDraaienMage,
    StoryDraaienNullifier,
    StoryDraaienArmy,
    WarAgainstBarbarians,
    Meeting,
    TutorialGetQuest
};
constexpr int kQuestTypeCount = 67;
// A name outside the table gives the default (None unless given).
QuestType parseQuestType(std::string_view name, QuestType defaultValue = QuestType::None);
std::string getQuestTypeName(int type);

template <class E> constexpr int toIndex(E value)
{
    return static_cast<int>(value);
}
