#pragma once

#include "engine/object/SimpleData.h"
#include "game/definitions/GameEnums.h"

#include <string>
#include <vector>

class DatabaseEntry;

// The tuning of one quest type, read from its database entry (type "Quest").
// Members are the entry's keys in lowerCamelCase; every missing number is 0,
// every missing text empty and a missing NPC type None.
class QuestDefinition : public SimpleData {
public:
    QuestDefinition() = default;
    ~QuestDefinition() override;

    // Reads every key of the stored entry; nothing without one.
    void loadFromDatabase() override;

    float minCountMult = 0.0f;
    float maxCountMult = 0.0f;
    int xpMinRewardPerMonster = 0;
    int xpMaxRewardPerMonster = 0;
    float moneyRewardMinMultiplier = 0.0f;
    float moneyRewardMaxMultiplier = 0.0f;
    bool armorReward = false;
    bool weaponReward = false;
    const DatabaseEntry* itemReward = nullptr;
    int magicChance = 0;
    int minSpread = 0;
    int maxSpread = 0;
    float aboveLevelChance = 0.0f;
    int aboveLevelSpread = 0;
    int maxItemGenerationTries = 0;
    float classSkewChance = 0.0f;
    float legendChance = 0.0f;
    int minCount = 0;
    int maxCount = 0;
    float minTime = 0.0f;
    float maxTime = 0.0f; // 0 = no deadline
    bool boss = false;
    bool announce = false;
    bool eventOnly = false;
    float minPercentChange = 0.0f;
    float maxPercentChange = 0.0f;
    float minEventTime = 0.0f;
    float maxEventTime = 0.0f;
    float uprisingChance = 0.0f;
    float formGroupChance = 0.0f;
    float overthrowAttemptChance = 0.0f;
    float overthrowFailureWarChance = 0.0f;
    float monsterQuestChance = 0.0f;
    float dragIntoWarChance = 0.0f;
    float supplyChangeChance = 0.0f;
    float spreadChance = 0.0f;
    float spawnChance = 0.0f;
    float gateOutChance = 0.0f;
    float gateInChance = 0.0f;
    float poisonedSupplyChance = 0.0f;
    float deadlyPoisonChance = 0.0f;
    float petrifyChance = 0.0f;
    float plagueChance = 0.0f;
    float siegeAttackChance = 0.0f;
    float rescueChance = 0.0f;
    float deathChance = 0.0f;
    float ghostRevengeChance = 0.0f;
    float revengeChance = 0.0f;
    float generalRevengeChance = 0.0f;
    float showThiefChance = 0.0f;
    float stealItemChance = 0.0f;
    float thiefLeaveChance = 0.0f;
    float recruitChance = 0.0f;
    float groupAttackChance = 0.0f;
    float projectileChance = 0.0f;
    float npcGatherSuccessChance = 0.0f;
    float npcGatherFailureChance = 0.0f;
    float npcGatherRescueChance = 0.0f;
    float assassinChance = 0.0f;
    float kidnapChance = 0.0f;
    float trapChance = 0.0f;
    float townAttackChance = 0.0f;
    int townAttackMinLevel = 0;
    float endChance = 0.0f;
    bool endOnSuccess = false;
    int minEventLevelDiff = 0;
    int maxEventLevelDiff = 0;
    int levelChange = 0;
    std::vector<std::string> textList; // one item per "TextList" line, in order
    int startSuccess = 0;
    float successMult = 0.0f;
    int minSuccess = 0;
    int minLevelChange = 0;
    int maxLevelChange = 0;
    int minLevel = 0;
    float minGameTime = 0.0f;
    float reputationMult = 0.0f;
    bool returnForReward = false;
    bool returnToMonster = false;
    bool returnToSpecificNpc = false;
    NpcType returnNpcType = NpcType::None;
    NpcType needNpcType = NpcType::None;
    float reputationChange = 0.0f;
    float startMult = 0.0f;
    float multChange = 0.0f;
    float maxMult = 0.0f;
    const DatabaseEntry* statusEffect = nullptr; // looked up only when named
    bool duplicatesAllowed = false;
    float attackTownCenterChance = 0.0f;
    float maxDistance = 0.0f;
    int maxMonsters = 0;
    std::string effectModelName;
    float monsterRarityMultiplier = 0.0f;
    bool canRemoveFromAge = false;
    bool useDifficultyTimeMult = false;
    bool hasUniqueMonster = false;
    bool important = false;
    float minHealth = 0.0f;
    float maxHealth = 0.0f;
    bool needsMonsterType = false;
    int forceLevel = 0;
    std::string nextQuest;
    // The quest type NextQuest names: None (0) without one.
    int nextQuestType() const { return toIndex(parseQuestType(nextQuest)); }
    bool canSolveFromClient = false;
    int levelBonus = 0;
    bool hasWorldLevel = false;
    bool hasDestWorldLevel = false;
    bool aboveGroundOnly = false;
    bool tutorialEnd = false;
    int minItemsStolen = 0;
    int maxItemsStolen = 0;
    std::string monsterType;
    float damageMult = 0.0f;
    float safeRange = 0.0f;
    float playerNearDistance = 0.0f;
    bool noEventsNearPlayer = false;
    float monsterSpawnChanceMult = 0.0f;
    std::string defaultMonster;
    const DatabaseEntry* defaultItem = nullptr;
    int defaultLevel = 0;
    bool alwaysAdd = false;
    int maxSyncTries = 0;
    std::string announceSound;
    bool activeQuest = false;
    bool dontEndNearPlayer = false;
    bool canPickupExtra = false;
    int questSolvedBit = 0;
};
