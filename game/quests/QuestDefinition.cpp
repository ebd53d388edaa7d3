#include "game/quests/QuestDefinition.h"

#include "engine/core/DebugSystem.h"
#include "game/definitions/DefinitionReader.h"

namespace {

// The entry a key names. Empty names find nothing; with skipEmpty they are
// not even looked up. A name without entry is reported and reads as null.
const DatabaseEntry* lookUpEntry(const DefinitionReader& r, const char* key, bool skipEmpty)
{
    std::string name = r.getString(key);
    if (skipEmpty && name.empty())
        return nullptr;
    const DatabaseEntry* entry = DefinitionReader::findEntry(name);
    if (!entry && !name.empty())
        debugPrint(2, "%s: %s %s names no database entry\n", r.where(key).c_str(), key, name.c_str());
    return entry;
}

// Empty gives None silently; an unknown name is reported by the table.
NpcType readNpcType(const DefinitionReader& r, const char* key)
{
    return parseNpcType(r.getString(key));
}

} // namespace

QuestDefinition::~QuestDefinition() = default;

void QuestDefinition::loadFromDatabase()
{
    if (!getEntry())
        return;
    DefinitionReader r(getEntry());
    minCountMult = r.getFloat("MinCountMult");
    maxCountMult = r.getFloat("MaxCountMult");
    xpMinRewardPerMonster = r.getInt("XpMinRewardPerMonster");
    xpMaxRewardPerMonster = r.getInt("XpMaxRewardPerMonster");
    moneyRewardMinMultiplier = r.getFloat("MoneyRewardMinMultiplier");
    moneyRewardMaxMultiplier = r.getFloat("MoneyRewardMaxMultiplier");
    armorReward = r.getFlag("ArmorReward");
    weaponReward = r.getFlag("WeaponReward");
    itemReward = lookUpEntry(r, "ItemReward", false);
    magicChance = r.getInt("MagicChance");
    minSpread = r.getInt("MinSpread");
    maxSpread = r.getInt("MaxSpread");
    aboveLevelChance = r.getFloat("AboveLevelChance");
    aboveLevelSpread = r.getInt("AboveLevelSpread");
    maxItemGenerationTries = r.getInt("MaxItemGenerationTries");
    classSkewChance = r.getFloat("ClassSkewChance");
    legendChance = r.getFloat("LegendChance");
    minCount = r.getInt("MinCount");
    maxCount = r.getInt("MaxCount");
    minTime = r.getFloat("MinTime");
    maxTime = r.getFloat("MaxTime");
    boss = r.getFlag("Boss");
    announce = r.getFlag("Announce");
    eventOnly = r.getFlag("EventOnly");
    minPercentChange = r.getFloat("MinPercentChange");
    maxPercentChange = r.getFloat("MaxPercentChange");
    minEventTime = r.getFloat("MinEventTime");
    maxEventTime = r.getFloat("MaxEventTime");
    uprisingChance = r.getFloat("UprisingChance");
    formGroupChance = r.getFloat("FormGroupChance");
    overthrowAttemptChance = r.getFloat("OverthrowAttemptChance");
    overthrowFailureWarChance = r.getFloat("OverthrowFailureWarChance");
    monsterQuestChance = r.getFloat("MonsterQuestChance");
    dragIntoWarChance = r.getFloat("DragIntoWarChance");
    supplyChangeChance = r.getFloat("SupplyChangeChance");
    spreadChance = r.getFloat("SpreadChance");
    spawnChance = r.getFloat("SpawnChance");
    gateOutChance = r.getFloat("GateOutChance");
    gateInChance = r.getFloat("GateInChance");
    poisonedSupplyChance = r.getFloat("PoisonedSupplyChance");
    deadlyPoisonChance = r.getFloat("DeadlyPoisonChance");
    petrifyChance = r.getFloat("PetrifyChance");
    plagueChance = r.getFloat("PlagueChance");
    siegeAttackChance = r.getFloat("SiegeAttackChance");
    rescueChance = r.getFloat("RescueChance");
    deathChance = r.getFloat("DeathChance");
    ghostRevengeChance = r.getFloat("GhostRevengeChance");
    revengeChance = r.getFloat("RevengeChance");
    generalRevengeChance = r.getFloat("GeneralRevengeChance");
    showThiefChance = r.getFloat("ShowThiefChance");
    stealItemChance = r.getFloat("StealItemChance");
    thiefLeaveChance = r.getFloat("ThiefLeaveChance");
    recruitChance = r.getFloat("RecruitChance");
    groupAttackChance = r.getFloat("GroupAttackChance");
    projectileChance = r.getFloat("ProjectileChance");
    npcGatherSuccessChance = r.getFloat("NpcGatherSuccessChance");
    npcGatherFailureChance = r.getFloat("NpcGatherFailureChance");
    npcGatherRescueChance = r.getFloat("NpcGatherRescueChance");
    assassinChance = r.getFloat("AssassinChance");
    kidnapChance = r.getFloat("KidnapChance");
    trapChance = r.getFloat("TrapChance");
    townAttackChance = r.getFloat("TownAttackChance");
    townAttackMinLevel = r.getInt("TownAttackMinLevel");
    endChance = r.getFloat("EndChance");
    endOnSuccess = r.getFlag("EndOnSuccess");
    minEventLevelDiff = r.getInt("MinEventLevelDiff");
    maxEventLevelDiff = r.getInt("MaxEventLevelDiff");
    levelChange = r.getInt("LevelChange");
    textList = r.getStringList("TextList");
    startSuccess = r.getInt("StartSuccess");
    successMult = r.getFloat("SuccessMult");
    minSuccess = r.getInt("MinSuccess");
    minLevelChange = r.getInt("MinLevelChange");
    maxLevelChange = r.getInt("MaxLevelChange");
    minLevel = r.getInt("MinLevel");
    minGameTime = r.getFloat("MinGameTime");
    reputationMult = r.getFloat("ReputationMult");
    returnForReward = r.getFlag("ReturnForReward");
    returnToMonster = r.getFlag("ReturnToMonster");
    returnToSpecificNpc = r.getFlag("ReturnToSpecificNpc");
    returnNpcType = readNpcType(r, "ReturnNpcType");
    needNpcType = readNpcType(r, "NeedNpcType");
    reputationChange = r.getFloat("ReputationChange");
    startMult = r.getFloat("StartMult");
    multChange = r.getFloat("MultChange");
    maxMult = r.getFloat("MaxMult");
    statusEffect = lookUpEntry(r, "StatusEffect", true);
    duplicatesAllowed = r.getFlag("DuplicatesAllowed");
    attackTownCenterChance = r.getFloat("AttackTownCenterChance");
    maxDistance = r.getFloat("MaxDistance");
    maxMonsters = r.getInt("MaxMonsters");
    effectModelName = r.getString("EffectModelName");
    monsterRarityMultiplier = r.getFloat("MonsterRarityMultiplier");
    canRemoveFromAge = r.getFlag("CanRemoveFromAge");
    useDifficultyTimeMult = r.getFlag("UseDifficultyTimeMult");
    hasUniqueMonster = r.getFlag("HasUniqueMonster");
    important = r.getFlag("Important");
    minHealth = r.getFloat("MinHealth");
    maxHealth = r.getFloat("MaxHealth");
    needsMonsterType = r.getFlag("NeedsMonsterType");
    forceLevel = r.getInt("ForceLevel");
    nextQuest = r.getString("NextQuest");
    canSolveFromClient = r.getFlag("CanSolveFromClient");
    levelBonus = r.getInt("LevelBonus");
    hasWorldLevel = r.getFlag("HasWorldLevel");
    hasDestWorldLevel = r.getFlag("HasDestWorldLevel");
    aboveGroundOnly = r.getFlag("AboveGroundOnly");
    tutorialEnd = r.getFlag("TutorialEnd");
    minItemsStolen = r.getInt("MinItemsStolen");
    maxItemsStolen = r.getInt("MaxItemsStolen");
    monsterType = r.getString("MonsterType");
    damageMult = r.getFloat("DamageMult");
    safeRange = r.getFloat("SafeRange");
    playerNearDistance = r.getFloat("PlayerNearDistance");
    noEventsNearPlayer = r.getFlag("NoEventsNearPlayer");
    monsterSpawnChanceMult = r.getFloat("MonsterSpawnChanceMult");
    defaultMonster = r.getString("DefaultMonster");
    defaultItem = lookUpEntry(r, "DefaultItem", false);
    defaultLevel = r.getInt("DefaultLevel");
    alwaysAdd = r.getFlag("AlwaysAdd");
    maxSyncTries = r.getInt("MaxSyncTries");
    announceSound = r.getString("AnnounceSound");
    activeQuest = r.getFlag("ActiveQuest");
    dontEndNearPlayer = r.getFlag("DontEndNearPlayer");
    canPickupExtra = r.getFlag("CanPickupExtra");
    questSolvedBit = r.getInt("QuestSolvedBit");
}
