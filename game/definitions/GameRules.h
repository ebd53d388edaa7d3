#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;

// The values of the "GameSystem" rules entry, plus the values derived from
// them at load. Keys are the field names; a key family ("Max%s",
// "XpMultMonster%s", …) has one value per enumeration name.
struct GameRules {
    // Limits that keep a damaged rules entry from asking for absurd tables.
    static constexpr int kMaxLevelLimit = 1000;
    static constexpr int kMaxLevelTiles = 4096;
    static constexpr int kMaxCellsPerTile = 64;

    // ---- World geometry
    float tileSize = 1.0f;
    float gridSize = 1.0f;
    int levelTileWidth = 64;
    int levelTileHeight = 64;
    int blockTileWidth = 16;
    int blockTileHeight = 16;
    Vec2 tileOrigin;           // "TileOrigin"
    float mapCellSize = 1.0f;  // "MapCellSize"
    Vec2 drawDistance{20, 15}; // "DrawDistance": half extents at zoom 1
    // Derived.
    float levelWidth = 64.0f;
    float levelHeight = 64.0f;
    int blocksAcross = 4;
    int blocksDown = 4;
    float blockWidth = 16.0f;
    float blockHeight = 16.0f;
    int collisionCellsPerTile = 1;
    int collisionGridWidth = 64;
    int collisionGridHeight = 64;
    float subCellSize = 1.0f; // TileSize / collisionCellsPerTile (area editor sub-cells)

    // ---- Start, town and NPC stands
    Vec2 startPosition; // "StartPosition": fractions of the world grid
    ZonePosition townCenterPosition{0, 0.0f, 0.0f};
    int townCenterCellX = 0; // "TownCenterCell"
    int townCenterCellY = 0;
    float townCellSize = 1.0f; // "TownCellSize"
    std::vector<ZonePosition> townGatePositions;
    // Town NPC slot i stands at entry i of "NpcPosition", facing entry i of
    // "NpcDirection"; the slots are the "NpcType" list, not the type numbers.
    std::array<ZonePosition, kNpcTypeCount> npcPositions{};
    std::array<int, kNpcTypeCount> npcDirections{};
    std::vector<int> townNpcTypes; // "NpcType": the NPC type of each town slot

    // ---- Levels and experience
    int maxLevel = 100;
    float baseXpNeededEachLevel = 100.0f;
    std::vector<float> xpMultEachLevel; // index = level; [0], [1] unused (1.0)
    std::array<float, kMonsterRarityCount> xpMultMonster{};
    float monsterXpPerLevel = 1.0f;
    std::array<float, kMonsterRarityCount> enhancementXpMult{}; // "EnhancementXpMult%s"
    float secretDiscoveryXpMult = 1.0f;
    float covenantGuardThreat = 100.0f; // "CovenantGuardThreat": the threat a guard's hit gives
    float followerXpFactor = 1.0f;      // "FollowerXpFactor": a lower-ranked follower's share
    float levelDiscoveryXpMult = 1.0f;
    float influenceMultCombatXp = 0.0f;
    float influenceMultSecretXp = 0.0f;
    float influenceMultQuestXp = 0.0f;
    float influenceMultExplorationXp = 0.0f;
    float influenceMultDestroyedCovenant = 0.0f;

    // ---- Characters
    float resurrectHealthPercent = 0.5f;
    float resurrectPowerPercent = 0.5f;
    int bookshelfSize = 0;
    std::array<int, 5> maxBaseAttributes{}; // "Max" + base stat name
    float moneyPerSkillPoint = 0.0f;        // "MoneyPerSkillPoint"
    int maxRecruits = 0;
    int minAiCovenants = 0;
    int maxAiCovenants = 0;
    std::array<int, kWorldDifficultyCount> worldDifficultyMinLevel{}; // "WorldDifficultyMinLevel%s"
    std::array<int, kWorldDifficultyCount> difficultyLevelOffset{};   // "DifficultyLevelOffset%s"
    std::array<int, kWorldDifficultyCount> minCharacterLevel{};       // "MinCharacterLevel%s": to play at it
    std::array<std::string, 4> recruitMonsterTypes;                   // "RecruitMonsterType"
    std::vector<int> startingMonsterLevels;                           // "StartingMonsterLevel"
    int worldDifficulty = 0; // the running world's difficulty (set by the world, not read)

    // ---- Money and trade
    int moneyChance = 0;
    float minMoneyPerLevel = 0.0f;
    float maxMoneyPerLevel = 0.0f;
    float minSellPercent = 0.0f;
    float maxSellPercent = 0.0f;
    int minSellPercentPrice = 0;
    float tradeAdditionPercent = 0.0f;
    float taxMult = 1.0f;
    std::array<float, kTradeRouteCount> tradeRouteStartValue{};      // "TradeRouteStartValue%s"
    std::array<float, kTradeRouteCount> tradeRouteIncreasePerHour{}; // "TradeRouteIncreasePerHour%s"
    std::array<int, kTradeRouteCount> tradeRouteMaxValue{};          // "TradeRouteMaxValue%s"
    std::array<int, kTradeRouteCount> tradeRouteStartCost{};         // "TradeRouteStartCost%s"
    std::vector<Vec2> influenceCurve;         // "InfluenceCurve": "influence value" points
    float influenceCurveMult = 1.0f;          // "InfluenceCurveMult"
    std::array<float, 5> covenantPowerMult{}; // House, Influence, People, Items, Lifestone

    // ---- Rumours
    std::array<float, 3> rumorCostPerLevel{};
    std::array<float, 4> rumorFailureChance{}; // Partial, Complete, UnknownBackfire, CompleteBackfire
    std::array<float, 3> rumorChance{};        // success chance per rumour level
    float rumorMinPercentChange = 0.0f;        // fractions of the average influence
    float rumorMaxPercentChange = 0.0f;

    // ---- Deaths and bonus chests
    float monsterRespawnTime = 300.0f;
    int bonusChestGoodDepth = 3;
    int bonusChestGreatDepth = 5;
    std::string bonusChestNormalName, bonusChestDecentName, bonusChestGoodName, bonusChestGreatName;

    // ---- Combat
    std::array<float, kDamageTypeCount> directDamagePercent{};
    std::array<float, kDamageTypeCount> damageOverTimePercent{};
    float pvpDamageMult = 1.0f;
    float armorAbsorbMultiplier = 0.0f;
    float armorMinAbsorbPercent = 0.0f;
    float resistanceAbsorbMultiplier = 0.0f;
    float resistanceMinAbsorbPercent = 0.0f;
    float resistanceDotMultiplier = 1.0f;
    float resistanceReferenceDamagePerLevel = 1.0f; // "ResistanceReferenceDamagePerLevel"
    std::array<std::string, kAttackSoundTypeCount> attackSound;
    std::array<std::string, kAttackSoundTypeCount> combatEffect;
    // Difficulty factors, one per world difficulty ("DifficultyArmorMult%s" …).
    std::array<float, kWorldDifficultyCount> difficultyArmorMult{};
    std::array<float, kWorldDifficultyCount> difficultyDefenseMult{};
    std::array<float, kWorldDifficultyCount> difficultyHealthMult{};
    std::array<float, kWorldDifficultyCount> difficultyDamageMult{};
    std::array<float, kWorldDifficultyCount> difficultyResistanceMult{};
    std::array<float, kWorldDifficultyCount> difficultyQuestTimeMult{};

    // ---- World and server
    int rewardChestLevelBonus = 0;
    int rewardChestRingLimit = 0; // "RewardChestRingLimit"
    int freeSpotRingLimit = 0;    // "FreeSpotRingLimit"
    int dropRingCount = 0;        // "DropRingCount"
    float monsterSpacing = 0.0f;  // "MonsterSpacing"
    int raidColorIndex = 0;       // "RaidColorIndex"
    float respawnDistance = 0.0f; // "RespawnDistance"
    float respawnDelay = 0.0f;    // "RespawnDelay"
    float upkeepInterval = 0.0f;  // "UpkeepInterval"
    float timeOfDayRate = 1.0f;   // "TimeOfDayRate"
    float sunriseStart = 0.0f;
    float sunriseEnd = 0.0f;
    float sunsetStart = 0.0f;
    float sunsetEnd = 0.0f;
    float baseItemTimeOnGround = 0.0f;
    std::array<float, kItemRarityCount> timeOnGroundMult{};
    std::array<std::string, kQuestTypeCount> questEntryNames; // "Quest" + QuestType name
    std::array<float, kQuestTypeCount> questTypeChance{};     // "QuestTypeChance" + QuestType name
    std::array<float, kQuestTypeCount> eventTypeChance{};     // "EventChance" + QuestType name

    // ---- Texts, colours and display
    std::vector<std::string> fontNames; // "Font"
    std::vector<std::string> wonGameText;
    std::vector<std::string> lostGameText;
    std::array<std::string, kMonsterRarityCount> monsterRarityColor; // "MonsterRarityColor%s"
    std::array<int, kCovenantTreatyCount> treatyColor{};             // "TreatyColor%s"
    std::array<int, kTradeRouteCount> tradeRouteColor{};             // "TradeRouteColor%s"
    std::array<std::string, kItemRarityCount> itemQualityText;       // "ItemQualityText%s"
    std::array<int, kItemTypeCount> itemTypeColor{};                 // "ItemTypeColor%s"
    float floatingTextRiseSpeed = 1.0f;
    float floatingTextLifetime = 1.0f;
    float floatingTextFadeTime = 0.5f;
    int questIconWidth = 16;
    int questIconHeight = 16;
    float maxSelectedEntityDistance = 0.0f;
    float useHintFadeInSpeed = 1.0f;
    float useHintFadeOutSpeed = 1.0f;
    float useHintSize = 1.0f;
    struct UseHint {
        std::string definition;
        float offsetX = 0.0f;
        float offsetY = 0.0f;
    };
    std::vector<UseHint> useHints; // "UseHint": "definition x y"
    struct RelationName {
        int threshold = 0;
        std::string name;
    };
    std::vector<RelationName> relationNames; // "RelationName": "threshold name"
    std::string version;
    // "SoundNameQuestFailed": also played by the server for a quest that
    // failed and left its players' slots before any client saw it fail.
    std::string questFailedSound;

    // ---- Status-effect worth weights
    float worthHealthChange = 0.0f;
    float worthPowerChange = 0.0f;
    float worthAttributeChange = 0.0f;
    float worthResistanceChange = 0.0f;
    float worthMagicFindChange = 0.0f;

    // Recomputes the derived geometry from the read values; `where` starts
    // the messages about unusable values.
    void deriveGeometry(const std::string& where = "GameSystem");
    // Reads every key from the rules entry; missing keys keep their defaults.
    void load(const DatabaseEntry* entry);
    // Where the town NPC of a type stands: its slot's entry, or the type's own
    // entry for a type no slot holds.
    const ZonePosition& townNpcStand(int npcType) const;
};

// The level-dependent attributes of monsters of one character class, read from
// the entry "MonsterAttributes" + the CharacterClassType name.
struct MonsterAttributes {
    bool loaded = false;
    std::array<float, 5> base{};     // "Base%s" for Strength … Spirit
    std::array<float, 5> perLevel{}; // "%sPerLevel"
    float minDamage = 0.0f;
    float maxDamage = 0.0f;
    float minDamagePerLevel = 0.0f;
    float maxDamagePerLevel = 0.0f;
    float baseArmor = 0.0f;
    float armorPerLevel = 0.0f;
    float baseResistance = 0.0f;
    float resistancePerLevel = 0.0f;

    void load(const DatabaseEntry* entry);
};

// "zone x y" → a zone position; missing or non-finite numbers are 0.
ZonePosition parseZonePositionText(std::string_view text);
