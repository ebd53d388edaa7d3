#include "game/quests/QuestBase.h"

#include "engine/core/DebugSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestWorld.h"

#include <algorithm>
#include <climits>

QuestBase::QuestBase()
{
    reset();
}

QuestBase::~QuestBase() = default;

bool QuestBase::isAny(std::initializer_list<QuestType> types) const
{
    return std::any_of(types.begin(), types.end(), [this](QuestType t) { return is(t); });
}

bool QuestBase::isGivenBy(NpcType npcType, Entity*) const
{
    return npcType != NpcType::None && definition && definition->returnNpcType == npcType;
}

bool QuestBase::isBoss() const
{
    return definition && definition->boss;
}

// ---- Life cycle

void QuestBase::reset()
{
    placeRoll = 0.0f;
    level = -1;
    seed = 0;
    progress = 0;
    goal = 0;
    npcChoice = 0;
    monsterType = nullptr;
    xpReward = 0;
    moneyReward = 0;
    recruitLevel = 0;
    open = true;
    targetLevel = -1;
    secondTargetLevel = -1;
    textVariant = -1;
    failed = false;
    invalid = false;
    targets.clear();
    npcName.clear();
    onReset();
}

bool QuestBase::setup(int newLevel, const GameTime& start, uint32_t newSeed, int newType, int value)
{
    if (newLevel == level && newSeed == seed && newType == type)
        return false;
    reset();
    if (newLevel == -1)
        return false;
    const GameData* data = GameData::instance();
    const QuestDefinition* found = data ? data->getQuestDefinition(newType) : nullptr;
    if (!found) {
        debugPrint(2, "Quest of type %d (%s) not set up: no quest definition\n", newType,
                   getQuestTypeName(newType).c_str());
        return false;
    }
    seed = newSeed;
    type = newType;
    level = newLevel;
    startTime = start;
    progress = value;
    definition = found;
    if (definition->forceLevel > 0)
        level = definition->forceLevel;
    return true;
}

void QuestBase::copyFrom(QuestBase* source)
{
    if (!source)
        return;
    setup(source->level, source->startTime, source->seed, source->type, 0);
    rollChoices(false);
    setUp(0, source);
    id = source->id;
    monsterType = source->getMonsterType(0);
    if (!source->targets.empty())
        targets = source->targets;
    randomizeParameters();
    if (source->isComplete())
        setCompleted();
}

bool QuestBase::isComplete() const
{
    if (failed)
        return false;
    if (targets.empty())
        return progress >= goal;
    return std::all_of(targets.begin(), targets.end(),
                       [](const QuestTarget& t) { return t.count >= t.needed; });
}

void QuestBase::setCompleted()
{
    if (targets.empty()) {
        progress = goal;
        return;
    }
    for (QuestTarget& t : targets)
        t.count = t.needed;
}

bool QuestBase::hasProgress() const
{
    if (is(QuestType::WarAgainstBarbarians))
        return false;
    if (progress > 0)
        return true;
    if (std::any_of(targets.begin(), targets.end(), [](const QuestTarget& t) { return t.count > 0; }))
        return true;
    return failed;
}

MonsterType* QuestBase::getMonsterType(int index) const
{
    if (isAny({QuestType::KillMonsterGroup, QuestType::MonsterQuest, QuestType::War,
               QuestType::StoryShankarLuteKefah, QuestType::Meeting})) {
        if (index < 0 || index >= static_cast<int>(targets.size()))
            return nullptr;
        return targets[static_cast<size_t>(index)].monsterType;
    }
    return monsterType;
}

// ---- Kills

void QuestBase::recordKill(const MonsterType* killed, int killZone)
{
    if (failed || !killed)
        return;
    if (!targets.empty()) {
        for (QuestTarget& t : targets) {
            if (t.monsterType != killed || t.count >= t.needed)
                continue;
            ++t.count;
            if (progress < goal)
                ++progress;
        }
        return;
    }
    bool counts = false;
    if (countsKillsOnTargetLevelOnly()) {
        // A level to clear counts every kill there, the others their monster's.
        counts = killZone == getTargetLevel() && (is(QuestType::ClearLevel) || killed == getMonsterType(0));
    } else if (killed == getMonsterType(0)) {
        counts = isBoss() || isAny({QuestType::KillMonsters, QuestType::UniqueMonsterSpotted,
                                    QuestType::Recruit, QuestType::MonsterQuest, QuestType::Assassin,
                                    QuestType::StoryKillTurenScout, QuestType::StoryKillShankarPartner,
                                    QuestType::StoryKillCiglioGuard, QuestType::StoryKillDraaienMage});
    }
    if (counts && progress < goal)
        ++progress;
}

bool QuestBase::countsKillsOnTargetLevelOnly() const
{
    return isAny({QuestType::Uprising, QuestType::StoryTurenArmy, QuestType::StoryCiglioHorde,
                  QuestType::StoryDraaienArmy, QuestType::WarAgainstBarbarians, QuestType::ClearLevel});
}

// ---- Levels

void QuestBase::computeTargetLevels()
{
    targetLevel = -1;
    secondTargetLevel = -1;
    if (!definition || !definition->hasWorldLevel)
        return;
    if (isBoss()) {
        int area = is(QuestType::BossKnight)   ? 1
                   : is(QuestType::BossLord)   ? 2
                   : is(QuestType::BossPrince) ? 3
                                               : 4;
        targetLevel = questworld::firstLevelOfArea(area);
    } else if (is(QuestType::Escort)) {
        targetLevel = questworld::pickLevel(level, placeRoll, false);
        secondTargetLevel = questworld::pickLevel(level + 1, placeRoll, false);
    } else if (isAny(
                   {QuestType::TownAttack, QuestType::Thief, QuestType::Assassin, QuestType::MonsterScout})) {
        targetLevel = 0;
        secondTargetLevel = 0;
    } else if (is(QuestType::Siege)) {
        targetLevel = 1;
    } else {
        targetLevel =
            questworld::pickLevel(level + definition->levelBonus, placeRoll, definition->aboveGroundOnly);
    }
}

int QuestBase::getTargetLevel()
{
    if (targetLevel == -1)
        computeTargetLevels();
    return targetLevel;
}

int QuestBase::getSecondTargetLevel()
{
    if (targetLevel == -1)
        computeTargetLevels();
    return secondTargetLevel;
}

bool QuestBase::isTargetOnLevel(int levelIndex)
{
    if (level == -1 || failed || isComplete())
        return false;
    int target = getTargetLevel();
    if (target == -1)
        return false;
    return levelIndex == target || levelIndex == secondTargetLevel ||
           levelIndex == questworld::topLevel(target);
}

double QuestBase::getTimeLeft(const GameTime& now) const
{
    if (!(deadline > now))
        return 0.0;
    GameTime left = deadline - now;
    left.normalize();
    return ((static_cast<double>(left.days) * 24.0 + left.hours) * 60.0 + left.minutes) * 60.0 + left.seconds;
}

// ---- Items

bool QuestBase::isQuestItem(const DatabaseEntry* itemEntry)
{
    if (!definition || failed || !itemEntry)
        return false;
    if (progress >= goal && !definition->canPickupExtra)
        return false;
    if (isAny({QuestType::MonsterQuestItem, QuestType::DeadlyPoison, QuestType::Petrify, QuestType::Plague,
               QuestType::ArmorsmithMonsterQuestItem, QuestType::WeaponsmithMonsterQuestItem,
               QuestType::StoryDraaienNullifier}))
        return monsterType && monsterType->getEntry() == itemEntry;
    if (isAny({QuestType::LevelQuestItem, QuestType::PoisonedSupply, QuestType::ArmorsmithLevelQuestItem,
               QuestType::WeaponsmithLevelQuestItem}))
        return questworld::areaQuestItem(getTargetLevel()) == itemEntry;
    if (isAny({QuestType::StoryTurenGraves, QuestType::StoryCiglioFindItem}))
        return definition->defaultItem == itemEntry;
    return false;
}
