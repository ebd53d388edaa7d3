#include "game/definitions/GameRules.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/DefinitionReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Reads "<prefix><enum name>" for every name of a table into `out`, each
// value through read(key).
template <class Array, class Read> void readFamily(const char* prefix, GameEnum table, Array& out, Read read)
{
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = read(std::string(prefix) + getGameEnumName(table, static_cast<int>(i)));
}

template <class Array>
void readFloatFamily(const DefinitionReader& r, const char* prefix, GameEnum table, Array& out,
                     float fallback)
{
    readFamily(prefix, table, out, [&](const std::string& key) { return r.getFloat(key, fallback); });
}

template <class Array>
void readIntFamily(const DefinitionReader& r, const char* prefix, GameEnum table, Array& out, int fallback)
{
    readFamily(prefix, table, out, [&](const std::string& key) { return r.getInt(key, fallback); });
}

template <class Array>
void readStringFamily(const DefinitionReader& r, const char* prefix, GameEnum table, Array& out)
{
    readFamily(prefix, table, out, [&](const std::string& key) { return r.getString(key); });
}

Vec2 readVec2(const DefinitionReader& r, std::string_view key, Vec2 fallback)
{
    std::vector<float> values = r.getFloatList(key);
    if (values.size() >= 2)
        return Vec2(values[0], values[1]);
    return fallback;
}

// One zone position per list item, or per three numbers when the items are
// the plain numbers themselves.
std::vector<ZonePosition> readZonePositions(const DefinitionReader& r, std::string_view key)
{
    std::vector<ZonePosition> out;
    std::vector<std::string> items = r.getStringList(key);
    bool grouped = std::all_of(items.begin(), items.end(),
                               [](const std::string& item) { return item.find(' ') != std::string::npos; });
    if (grouped) {
        for (const std::string& item : items)
            out.push_back(parseZonePositionText(item));
        return out;
    }
    for (size_t i = 0; i + 2 < items.size(); i += 3)
        out.push_back(parseZonePositionText(items[i] + " " + items[i + 1] + " " + items[i + 2]));
    if (items.size() % 3 != 0)
        debugPrint(2, "%s: %.*s holds %zu numbers, not a multiple of 3 (zone x y)\n", r.where(key).c_str(),
                   static_cast<int>(key.size()), key.data(), items.size());
    return out;
}

} // namespace

ZonePosition parseZonePositionText(std::string_view text)
{
    std::string copy(text);
    char* end = nullptr;
    long zone = std::strtol(copy.c_str(), &end, 10);
    Vec2 xy = parseVec2(end);
    return ZonePosition(static_cast<int32_t>(std::clamp<long>(zone, INT32_MIN, INT32_MAX)), xy.x, xy.y);
}

void GameRules::deriveGeometry(const std::string& where)
{
    if (!(tileSize > 0.0f) || !std::isfinite(tileSize)) {
        debugPrint(2, "%s: TileSize %g is not a positive number; using 1\n", where.c_str(), tileSize);
        tileSize = 1.0f;
    }
    if (!(gridSize > 0.0f) || !std::isfinite(gridSize)) {
        debugPrint(2, "%s: GridSize %g is not a positive number; using TileSize\n", where.c_str(), gridSize);
        gridSize = tileSize;
    }
    levelTileWidth = std::clamp(levelTileWidth, 1, kMaxLevelTiles);
    levelTileHeight = std::clamp(levelTileHeight, 1, kMaxLevelTiles);
    blockTileWidth = std::clamp(blockTileWidth, 1, levelTileWidth);
    blockTileHeight = std::clamp(blockTileHeight, 1, levelTileHeight);
    levelWidth = static_cast<float>(levelTileWidth) * tileSize;
    levelHeight = static_cast<float>(levelTileHeight) * tileSize;
    blocksAcross = levelTileWidth / blockTileWidth;
    blocksDown = levelTileHeight / blockTileHeight;
    blockWidth = static_cast<float>(blockTileWidth) * tileSize;
    blockHeight = static_cast<float>(blockTileHeight) * tileSize;
    float cells = std::floor(tileSize / gridSize + 0.5f);
    if (!(cells >= 1.0f) || cells > static_cast<float>(kMaxCellsPerTile)) {
        debugPrint(2, "%s: TileSize / GridSize gives %g collision cells per tile; using %d\n", where.c_str(),
                   cells, cells > 1.0f ? kMaxCellsPerTile : 1);
        cells = cells > 1.0f ? static_cast<float>(kMaxCellsPerTile) : 1.0f;
    }
    collisionCellsPerTile = static_cast<int>(cells);
    collisionGridWidth = collisionCellsPerTile * levelTileWidth;
    collisionGridHeight = collisionCellsPerTile * levelTileHeight;
    subCellSize = tileSize / static_cast<float>(collisionCellsPerTile);
}

const ZonePosition& GameRules::townNpcStand(int npcType) const
{
    const int slots = std::min(static_cast<int>(townNpcTypes.size()), kNpcTypeCount);
    for (int slot = 0; slot < slots; ++slot) {
        if (townNpcTypes[static_cast<size_t>(slot)] == npcType)
            return npcPositions[static_cast<size_t>(slot)];
    }
    return npcPositions[static_cast<size_t>(std::clamp(npcType, 0, kNpcTypeCount - 1))];
}

void GameRules::load(const DatabaseEntry* entry)
{
    DefinitionReader r(entry);

    tileSize = r.getFloat("TileSize", tileSize);
    gridSize = r.getFloat("GridSize", gridSize);
    levelTileWidth = r.getInt("LevelTileWidth", levelTileWidth);
    levelTileHeight = r.getInt("LevelTileHeight", levelTileHeight);
    blockTileWidth = r.getInt("BlockTileWidth", blockTileWidth);
    blockTileHeight = r.getInt("BlockTileHeight", blockTileHeight);
    tileOrigin = readVec2(r, "TileOrigin", tileOrigin);
    mapCellSize = r.getFloat("MapCellSize", mapCellSize);
    drawDistance = readVec2(r, "DrawDistance", drawDistance);
    deriveGeometry(r.where("GridSize"));

    startPosition = readVec2(r, "StartPosition", startPosition);
    if (r.has("TownCenterPosition"))
        townCenterPosition = parseZonePositionText(r.getString("TownCenterPosition"));
    std::vector<int> cell = r.getIntList("TownCenterCell");
    if (cell.size() >= 2) {
        townCenterCellX = cell[0];
        townCenterCellY = cell[1];
    }
    townCellSize = r.getFloat("TownCellSize", townCellSize);
    townGatePositions = readZonePositions(r, "TownGatePosition");
    DefinitionReader::copyLeading(readZonePositions(r, "NpcPosition"), npcPositions);
    DefinitionReader::copyLeading(r.getIntList("NpcDirection"), npcDirections);
    townNpcTypes.clear();
    for (const std::string& name : r.getStringList("NpcType"))
        townNpcTypes.push_back(toIndex(parseNpcType(name)));

    maxLevel = r.getInt("MaxLevel", maxLevel);
    if (maxLevel < 1 || maxLevel > kMaxLevelLimit) {
        int limited = std::clamp(maxLevel, 1, kMaxLevelLimit);
        debugPrint(2, "%s: MaxLevel %d is outside 1..%d; using %d\n", r.where("MaxLevel").c_str(), maxLevel,
                   kMaxLevelLimit, limited);
        maxLevel = limited;
    }
    baseXpNeededEachLevel = r.getFloat("BaseXpNeededEachLevel", baseXpNeededEachLevel);
    xpMultEachLevel.assign(static_cast<size_t>(maxLevel) + 1, 1.0f);
    for (int level = 2; level <= maxLevel; ++level) {
        std::string key = formatString("XpMultEachLevel%d", level);
        float factor = r.getFloat(key, 0.0f);
        if (!(factor > 0.0f) || !std::isfinite(factor)) {
            // A missing factor would make every later level need no experience.
            debugPrint(2, "%s: %s is missing or not positive; counting it as 1.0\n", r.where(key).c_str(),
                       key.c_str());
            factor = 1.0f;
        }
        xpMultEachLevel[static_cast<size_t>(level)] = factor;
    }
    readFloatFamily(r, "XpMultMonster", GameEnum::MonsterRarity, xpMultMonster, 1.0f);
    monsterXpPerLevel = r.getFloat("MonsterXpPerLevel", monsterXpPerLevel);
    readFloatFamily(r, "EnhancementXpMult", GameEnum::MonsterRarity, enhancementXpMult, 1.0f);
    secretDiscoveryXpMult = r.getFloat("SecretDiscoveryXpMult", secretDiscoveryXpMult);
    covenantGuardThreat = r.getFloat("CovenantGuardThreat", covenantGuardThreat);
    followerXpFactor = r.getFloat("FollowerXpFactor", followerXpFactor);
    levelDiscoveryXpMult = r.getFloat("LevelDiscoveryXpMult", levelDiscoveryXpMult);
    influenceMultCombatXp = r.getFloat("InfluenceMultCombatXp", influenceMultCombatXp);
    influenceMultSecretXp = r.getFloat("InfluenceMultSecretXp", influenceMultSecretXp);
    influenceMultQuestXp = r.getFloat("InfluenceMultQuestXp", influenceMultQuestXp);
    influenceMultExplorationXp = r.getFloat("InfluenceMultExplorationXp", influenceMultExplorationXp);
    influenceMultDestroyedCovenant =
        r.getFloat("InfluenceMultDestroyedCovenant", influenceMultDestroyedCovenant);

    resurrectHealthPercent = r.getFloat("ResurrectHealthPercent", resurrectHealthPercent);
    resurrectPowerPercent = r.getFloat("ResurrectPowerPercent", resurrectPowerPercent);
    bookshelfSize = r.getInt("BookshelfSize", bookshelfSize);
    for (size_t i = 0; i < maxBaseAttributes.size(); ++i)
        maxBaseAttributes[i] = r.getInt(std::string("MaxBase") + kBaseAttributeNames[i], 0);
    moneyPerSkillPoint = r.getFloat("MoneyPerSkillPoint", moneyPerSkillPoint);
    maxRecruits = r.getInt("MaxRecruits", maxRecruits);
    minAiCovenants = r.getInt("MinAiCovenants", minAiCovenants);
    maxAiCovenants = r.getInt("MaxAiCovenants", maxAiCovenants);
    readIntFamily(r, "WorldDifficultyMinLevel", GameEnum::WorldDifficultyLevel, worldDifficultyMinLevel, 1);
    readIntFamily(r, "DifficultyLevelOffset", GameEnum::WorldDifficultyLevel, difficultyLevelOffset, 0);
    readIntFamily(r, "MinCharacterLevel", GameEnum::WorldDifficultyLevel, minCharacterLevel, 1);
    DefinitionReader::copyLeading(r.getStringList("RecruitMonsterType"), recruitMonsterTypes);
    startingMonsterLevels = r.getIntList("StartingMonsterLevel");

    moneyChance = r.getInt("MoneyChance", moneyChance);
    minMoneyPerLevel = r.getFloat("MinMoneyPerLevel", minMoneyPerLevel);
    maxMoneyPerLevel = r.getFloat("MaxMoneyPerLevel", maxMoneyPerLevel);
    minSellPercent = r.getFloat("MinSellPercent", minSellPercent);
    maxSellPercent = r.getFloat("MaxSellPercent", maxSellPercent);
    minSellPercentPrice = r.getInt("MinSellPercentPrice", minSellPercentPrice);
    tradeAdditionPercent = r.getFloat("TradeAdditionPercent", tradeAdditionPercent);
    taxMult = r.getFloat("TaxMult", taxMult);
    readFloatFamily(r, "TradeRouteStartValue", GameEnum::TradeRoute, tradeRouteStartValue, 0.0f);
    readFloatFamily(r, "TradeRouteIncreasePerHour", GameEnum::TradeRoute, tradeRouteIncreasePerHour, 0.0f);
    readIntFamily(r, "TradeRouteMaxValue", GameEnum::TradeRoute, tradeRouteMaxValue, 0);
    readIntFamily(r, "TradeRouteStartCost", GameEnum::TradeRoute, tradeRouteStartCost, 0);
    influenceCurve.clear();
    // parseVec2 reads a missing or non-finite number as 0.
    for (const std::string& item : r.getStringList("InfluenceCurve"))
        influenceCurve.push_back(parseVec2(item));
    std::sort(influenceCurve.begin(), influenceCurve.end(),
              [](const Vec2& a, const Vec2& b) { return a.x < b.x; });
    influenceCurveMult = r.getFloat("InfluenceCurveMult", influenceCurveMult);
    r.getFloats("CovenantPowerMult", covenantPowerMult);

    r.getFloats("RumorCostPerLevel", rumorCostPerLevel);
    r.getFloats("RumorFailureChance", rumorFailureChance);
    r.getFloats("RumorChance", rumorChance);
    rumorMinPercentChange = r.getFloat("RumorMinPercentChange", rumorMinPercentChange);
    rumorMaxPercentChange = r.getFloat("RumorMaxPercentChange", rumorMaxPercentChange);
    monsterRespawnTime = r.getFloat("MonsterRespawnTime", monsterRespawnTime);
    bonusChestGoodDepth = r.getInt("BonusChestGoodDepth", bonusChestGoodDepth);
    bonusChestGreatDepth = r.getInt("BonusChestGreatDepth", bonusChestGreatDepth);
    bonusChestNormalName = r.getString("BonusChestNormalName");
    bonusChestDecentName = r.getString("BonusChestDecentName");
    bonusChestGoodName = r.getString("BonusChestGoodName");
    bonusChestGreatName = r.getString("BonusChestGreatName");

    readFloatFamily(r, "DirectDamagePercent", GameEnum::DamageType, directDamagePercent, 1.0f);
    readFloatFamily(r, "DamageOverTimePercent", GameEnum::DamageType, damageOverTimePercent, 0.0f);
    pvpDamageMult = r.getFloat("PvpDamageMult", pvpDamageMult);
    armorAbsorbMultiplier = r.getFloat("ArmorAbsorbMultiplier", armorAbsorbMultiplier);
    armorMinAbsorbPercent = r.getFloat("ArmorMinAbsorbPercent", armorMinAbsorbPercent);
    resistanceAbsorbMultiplier = r.getFloat("ResistanceAbsorbMultiplier", resistanceAbsorbMultiplier);
    resistanceMinAbsorbPercent = r.getFloat("ResistanceMinAbsorbPercent", resistanceMinAbsorbPercent);
    resistanceDotMultiplier = r.getFloat("ResistanceDotMultiplier", resistanceDotMultiplier);
    resistanceReferenceDamagePerLevel =
        r.getFloat("ResistanceReferenceDamagePerLevel", resistanceReferenceDamagePerLevel);
    readStringFamily(r, "AttackSound", GameEnum::AttackSoundType, attackSound);
    readStringFamily(r, "CombatEffect", GameEnum::AttackSoundType, combatEffect);
    readFloatFamily(r, "DifficultyArmorMult", GameEnum::WorldDifficultyLevel, difficultyArmorMult, 1.0f);
    readFloatFamily(r, "DifficultyDefenseMult", GameEnum::WorldDifficultyLevel, difficultyDefenseMult, 1.0f);
    readFloatFamily(r, "DifficultyHealthMult", GameEnum::WorldDifficultyLevel, difficultyHealthMult, 1.0f);
    readFloatFamily(r, "DifficultyDamageMult", GameEnum::WorldDifficultyLevel, difficultyDamageMult, 1.0f);
    readFloatFamily(r, "DifficultyResistanceMult", GameEnum::WorldDifficultyLevel, difficultyResistanceMult,
                    1.0f);
    readFloatFamily(r, "DifficultyQuestTimeMult", GameEnum::WorldDifficultyLevel, difficultyQuestTimeMult,
                    1.0f);

    rewardChestLevelBonus = r.getInt("RewardChestLevelBonus", rewardChestLevelBonus);
    rewardChestRingLimit = r.getInt("RewardChestRingLimit", rewardChestRingLimit);
    freeSpotRingLimit = r.getInt("FreeSpotRingLimit", freeSpotRingLimit);
    dropRingCount = r.getInt("DropRingCount", dropRingCount);
    monsterSpacing = r.getFloat("MonsterSpacing", monsterSpacing);
    raidColorIndex = r.getInt("RaidColorIndex", raidColorIndex);
    respawnDistance = r.getFloat("RespawnDistance", respawnDistance);
    respawnDelay = r.getFloat("RespawnDelay", respawnDelay);
    upkeepInterval = r.getFloat("UpkeepInterval", upkeepInterval);
    timeOfDayRate = r.getFloat("TimeOfDayRate", timeOfDayRate);
    sunriseStart = r.getFloat("SunriseStart", sunriseStart);
    sunriseEnd = r.getFloat("SunriseEnd", sunriseEnd);
    sunsetStart = r.getFloat("SunsetStart", sunsetStart);
    sunsetEnd = r.getFloat("SunsetEnd", sunsetEnd);
    if (!(sunriseStart <= sunriseEnd && sunriseEnd <= sunsetStart && sunsetStart <= sunsetEnd))
        debugPrint(2, "%s: SunriseStart <= SunriseEnd <= SunsetStart <= SunsetEnd does not hold\n",
                   r.where("SunriseStart").c_str());
    baseItemTimeOnGround = r.getFloat("BaseItemTimeOnGround", baseItemTimeOnGround);
    readFloatFamily(r, "TimeOnGroundMult", GameEnum::ItemRarity, timeOnGroundMult, 1.0f);
    readStringFamily(r, "Quest", GameEnum::QuestType, questEntryNames);
    readFloatFamily(r, "QuestTypeChance", GameEnum::QuestType, questTypeChance, 0.0f);
    readFloatFamily(r, "EventChance", GameEnum::QuestType, eventTypeChance, 0.0f);

    fontNames = r.getStringList("Font");
    wonGameText = r.getStringList("WonGameText");
    lostGameText = r.getStringList("LostGameText");
    readStringFamily(r, "MonsterRarityColor", GameEnum::MonsterRarity, monsterRarityColor);
    readIntFamily(r, "TreatyColor", GameEnum::CovenantTreaty, treatyColor, 0);
    readIntFamily(r, "TradeRouteColor", GameEnum::TradeRoute, tradeRouteColor, 0);
    readStringFamily(r, "ItemQualityText", GameEnum::ItemRarity, itemQualityText);
    readIntFamily(r, "ItemTypeColor", GameEnum::ItemType, itemTypeColor, 0);
    floatingTextRiseSpeed = r.getFloat("FloatingTextRiseSpeed", floatingTextRiseSpeed);
    floatingTextLifetime = r.getFloat("FloatingTextLifetime", floatingTextLifetime);
    floatingTextFadeTime = r.getFloat("FloatingTextFadeTime", floatingTextFadeTime);
    questIconWidth = r.getInt("QuestIconWidth", questIconWidth);
    questIconHeight = r.getInt("QuestIconHeight", questIconHeight);
    maxSelectedEntityDistance = r.getFloat("MaxSelectedEntityDistance", maxSelectedEntityDistance);
    useHintFadeInSpeed = r.getFloat("UseHintFadeInSpeed", useHintFadeInSpeed);
    useHintFadeOutSpeed = r.getFloat("UseHintFadeOutSpeed", useHintFadeOutSpeed);
    useHintSize = r.getFloat("UseHintSize", useHintSize);
    useHints.clear();
    for (const std::string& item : r.getStringList("UseHint")) {
        size_t space = item.find(' ');
        UseHint hint;
        hint.definition = item.substr(0, space);
        if (space != std::string::npos) {
            Vec2 offset = parseVec2(std::string_view(item).substr(space + 1));
            hint.offsetX = offset.x;
            hint.offsetY = offset.y;
        }
        useHints.push_back(hint);
    }
    relationNames.clear();
    for (const std::string& item : r.getStringList("RelationName")) {
        size_t space = item.find(' ');
        if (space == std::string::npos) {
            debugPrint(2, "%s: RelationName \"%s\" needs a threshold and a name\n",
                       r.where("RelationName").c_str(), item.c_str());
            continue;
        }
        relationNames.push_back({textToInt(item), item.substr(space + 1)});
    }
    std::sort(relationNames.begin(), relationNames.end(),
              [](const RelationName& a, const RelationName& b) { return a.threshold < b.threshold; });
    version = r.getString("Version");
    questFailedSound = r.getString("SoundNameQuestFailed");

    worthHealthChange = r.getFloat("WorthHealthChange", worthHealthChange);
    worthPowerChange = r.getFloat("WorthPowerChange", worthPowerChange);
    worthAttributeChange = r.getFloat("WorthAttributeChange", worthAttributeChange);
    worthResistanceChange = r.getFloat("WorthResistanceChange", worthResistanceChange);
    worthMagicFindChange = r.getFloat("WorthMagicFindChange", worthMagicFindChange);
}

void MonsterAttributes::load(const DatabaseEntry* entry)
{
    DefinitionReader r(entry);
    for (size_t i = 0; i < 5; ++i) {
        base[i] = r.getFloat(std::string("Base") + kBaseAttributeNames[i], 0.0f);
        perLevel[i] = r.getFloat(std::string(kBaseAttributeNames[i]) + "PerLevel", 0.0f);
    }
    minDamage = r.getFloat("MinDamage", 0.0f);
    maxDamage = r.getFloat("MaxDamage", 0.0f);
    minDamagePerLevel = r.getFloat("MinDamagePerLevel", 0.0f);
    maxDamagePerLevel = r.getFloat("MaxDamagePerLevel", 0.0f);
    baseArmor = r.getFloat("BaseArmor", 0.0f);
    armorPerLevel = r.getFloat("ArmorPerLevel", 0.0f);
    baseResistance = r.getFloat("BaseResistance", 0.0f);
    resistancePerLevel = r.getFloat("ResistancePerLevel", 0.0f);
    loaded = true;
}
