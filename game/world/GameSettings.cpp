#include "game/definitions/WorldRules.h"
#include "game/world/Game.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Population looks at (2 × SpawnSteps + 1)² points around each player.
constexpr int kMaxSpawnSteps = 16;

// "x y": two finite numbers and nothing else.
bool parsePoint(const std::string& text, Vec2& out)
{
    const char* p = text.c_str();
    char* end = nullptr;
    float x = std::strtof(p, &end);
    if (end == p) {
        return false;
    }
    p = end;
    float y = std::strtof(p, &end);
    if (end == p) {
        return false;
    }
    for (p = end; *p; ++p) {
        if (*p != ' ' && *p != '\t') {
            return false;
        }
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    out = Vec2(x, y);
    return true;
}

void readPoints(const Database& db, const DatabaseEntry* entry, const char* key, float scaleX, float scaleY,
                std::vector<Vec2>& out)
{
    out.clear();
    for (const std::string& item : db.getStringList(entry, key)) {
        Vec2 point;
        if (!parsePoint(item, point)) {
            debugPrint(2, "%s:%d: %s item \"%s\" is not two numbers\n", entry->getFileName().c_str(),
                       entry->getLine(), key, item.c_str());
            continue;
        }
        out.emplace_back(point.x * scaleX, point.y * scaleY);
    }
}

// base + (a - b) * increase above, base - (b - a) * decrease below, raised
// to the minimum on that side only.
float levelScaledTime(float base, float increase, float decrease, float minimum, int a, int b)
{
    if (a > b) {
        return base + static_cast<float>(a - b) * increase;
    }
    if (a == b) {
        return base;
    }
    float t = base - static_cast<float>(b - a) * decrease;
    return t < minimum ? minimum : t;
}

} // namespace

void Game::loadSettings()
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("GameSystem") : nullptr;
    if (!entry) {
        debugPrint(3, "GameSystem database entry not found!\n");
        return;
    }
    const GameRules& rules = worldRules();
    Settings& s = m_settings;

    readPoints(*db, entry, "CovenantPosition", rules.levelWidth, rules.levelHeight, s.covenantPositions);
    s.covenantPositionCount = static_cast<int>(s.covenantPositions.size());
    readPoints(*db, entry, "PedestalOffset", 1.0f, 1.0f, s.pedestalOffsets);
    createBehaviorStacks();
    s.baseSkillPointsPerLevel = db->getInt(entry, "BaseSkillPointsPerLevel");
    s.levelsBetweenSkillPointRaises = db->getInt(entry, "LevelsBetweenSkillPointRaises");
    s.skillPointRaise = db->getInt(entry, "SkillPointRaise");
    s.maxRaidGroupSize = db->getInt(entry, "MaxRaidGroupSize");
    s.maxAdventureGroupSize = db->getInt(entry, "MaxAdventureGroupSize");
    s.potentialRecruitArriveTime = db->getFloat(entry, "PotentialRecruitArriveTime", 0.0f);
    s.potentialRecruitArriveChance = db->getFloat(entry, "PotentialRecruitArriveChance", 0.0f);
    s.xpDebtPerDeath = db->getFloat(entry, "XpDebtPerDeath", 0.0f);
    s.soulStoneXpReduction = db->getFloat(entry, "SoulStoneXpReduction", 0.0f);
    s.minInitialQuests = db->getInt(entry, "MinInitialQuests");
    s.maxInitialQuests = db->getInt(entry, "MaxInitialQuests");
    s.createQuestTries = db->getInt(entry, "CreateQuestTries");
    db->getStringList(entry, "BeginningQuest", s.beginningQuests);
    db->getIntList(entry, "QuestThreshold", s.questThresholds);
    db->getFloatList(entry, "QuestChance", s.questChances);
    s.eventChance = db->getFloat(entry, "EventChance", 0.0f);
    s.newQuestTimer.min = db->getFloat(entry, "NewQuestMinTime", 0.0f);
    s.newQuestTimer.max = db->getFloat(entry, "NewQuestMaxTime", 0.0f);
    s.newEventTimer.min = db->getFloat(entry, "NewEventMinTime", 0.0f);
    s.newEventTimer.max = db->getFloat(entry, "NewEventMaxTime", 0.0f);
    s.deleteOldQuestsThreshold = db->getInt(entry, "DeleteOldQuestsThreshold");
    s.deleteOldQuestsLevelDiff = db->getInt(entry, "DeleteOldQuestsLevelDiff");
    s.easyQuestLevelDiff = db->getInt(entry, "EasyQuestLevelDiff");
    s.hardQuestLevelDiff = db->getInt(entry, "HardQuestLevelDiff");
    s.minLevelForHardQuests = db->getInt(entry, "MinLevelForHardQuests");
    s.deleteOldQuestsTime = db->getFloat(entry, "DeleteOldQuestsTime", 0.0f);
    s.deleteOldQuestsTimer.min = s.deleteOldQuestsTime;
    s.deleteOldQuestsTimer.max = s.deleteOldQuestsTime;
    db->getStringList(entry, "NpcType", s.npcTypes);
    s.spawnSteps = db->getInt(entry, "SpawnSteps");
    // Each step squares the points examined around every player.
    if (s.spawnSteps < 0 || s.spawnSteps > kMaxSpawnSteps) {
        const int cut = std::clamp(s.spawnSteps, 0, kMaxSpawnSteps);
        debugPrint(2, "GameSystem SpawnSteps %d is outside 0 ... %d; %d is used\n", s.spawnSteps,
                   kMaxSpawnSteps, cut);
        s.spawnSteps = cut;
    }
    s.spawnStepDistance = db->getFloat(entry, "SpawnStepDistance", 0.0f);
    s.minIdentifyTime = db->getFloat(entry, "MinIdentifyTime", 0.0f);
    s.baseIdentifyTime = db->getFloat(entry, "BaseIdentifyTime", 0.0f);
    s.identifyTimeIncreasePerLevel = db->getFloat(entry, "IdentifyTimeIncreasePerLevel", 0.0f);
    s.identifyTimeDecreasePerLevel = db->getFloat(entry, "IdentifyTimeDecreasePerLevel", 0.0f);
    s.minChestOpenTime = db->getFloat(entry, "MinChestOpenTime", 0.0f);
    s.baseChestOpenTime = db->getFloat(entry, "BaseChestOpenTime", 0.0f);
    s.chestOpenTimeIncreasePerLevel = db->getFloat(entry, "ChestOpenTimeIncreasePerLevel", 0.0f);
    s.chestOpenTimeDecreasePerLevel = db->getFloat(entry, "ChestOpenTimeDecreasePerLevel", 0.0f);
    s.gateCreateTime = std::max(0.0f, db->getFloat(entry, "GateCreateTime", 0.0f));
    s.dynamicChatChance = db->getFloat(entry, "DynamicChatChance", 0.0f);
}

int Game::getTotalSkillPoints(int level) const
{
    const Settings& s = m_settings;
    long long total = 0;
    for (int l = 2; l <= level; ++l) {
        long long points = s.baseSkillPointsPerLevel;
        if (s.levelsBetweenSkillPointRaises > 0) {
            points += static_cast<long long>(l / s.levelsBetweenSkillPointRaises) * s.skillPointRaise;
        }
        total += points;
    }
    return static_cast<int>(total);
}

float Game::getIdentifyTime(int itemLevel, int characterLevel) const
{
    const Settings& s = m_settings;
    return levelScaledTime(s.baseIdentifyTime, s.identifyTimeIncreasePerLevel, s.identifyTimeDecreasePerLevel,
                           s.minIdentifyTime, itemLevel, characterLevel);
}

float Game::getChestOpenTime(int chestLevel, int characterLevel) const
{
    const Settings& s = m_settings;
    return levelScaledTime(s.baseChestOpenTime, s.chestOpenTimeIncreasePerLevel,
                           s.chestOpenTimeDecreasePerLevel, s.minChestOpenTime, chestLevel, characterLevel);
}
