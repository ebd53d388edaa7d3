// The rolls of a quest record: choices, goals, rewards and the deadline, all
// drawn from random stream 3 after seeding it with the quest's seed.
#include "engine/core/Random.h"
#include "game/definitions/GameBase.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestBase.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/Saturate.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kQuestStream = 3;

// trunc(r × n), n becoming n − 1; always one draw, so an empty list (n = 0)
// gives -1 and the later draws stay in step whatever the list sizes.
int questRandomInt(int n)
{
    float r = randomFloat(kQuestStream);
    if (n <= 0)
        return -1;
    int v = saturate(static_cast<double>(r) * n);
    return v >= n ? n - 1 : v;
}

int questRandomIntInclusive(int lo, int hi)
{
    return randomIntInclusive(kQuestStream, lo, hi);
}

float questRandomFloatBetween(float lo, float hi)
{
    return randomFloatBetween(kQuestStream, lo, hi);
}

const GameRules* rules()
{
    const GameData* data = GameData::instance();
    return data ? &data->rules() : nullptr;
}

float rankMultiplier(int rank)
{
    const GameRules* r = rules();
    if (!r || rank < 0 || rank >= kMonsterRarityCount)
        return 1.0f;
    return r->xpMultMonster[static_cast<size_t>(rank)];
}

float expectedMoney(int level)
{
    const GameData* data = GameData::instance();
    return data ? data->expectedMoneyAtLevel(level) : 0.0f;
}

} // namespace

void QuestBase::rollChoices(bool keepGoal)
{
    if (!definition)
        return;
    Random::setState(kQuestStream, seed);
    placeRoll = randomFloat(kQuestStream);
    if (!keepGoal)
        goal = 1;

    if (isAny({QuestType::Renegade, QuestType::RescueNpc, QuestType::Delivery, QuestType::GhostRevenge,
               QuestType::Revenge, QuestType::Escort, QuestType::Thief, QuestType::RenegadeAttack,
               QuestType::Recruit, QuestType::WanderingVendor, QuestType::StoryShankarRescue})) {
        npcSeed = Random::next(kQuestStream);
        // The stream now stands at npcSeed: the class draw is its next value.
        if (!is(QuestType::StoryShankarRescue))
            randomFloat(kQuestStream);
        npcName = generateNpcName();
        if (is(QuestType::Recruit)) {
            int lo = static_cast<int>(
                std::clamp<long long>(static_cast<long long>(level) + definition->minLevelChange, 1, 100));
            int hi = static_cast<int>(
                std::clamp<long long>(static_cast<long long>(level) + definition->maxLevelChange, 1, 100));
            recruitLevel = lo + questRandomInt(hi - lo + 1);
        }
    }

    if (isAny({QuestType::DeadlyPoison, QuestType::Kidnapping, QuestType::Petrify}))
        npcChoice = questRandomInt(getNpcCount());
    else if (isAny({QuestType::PoisonedSupply, QuestType::Revenge}))
        npcChoice = questRandomInt(static_cast<int>(definition->textList.size()));

    if (isAny({QuestType::TownTraps, QuestType::Siege}))
        goal = saturateWide(static_cast<long long>(definition->minCount) +
                            questRandomInt(saturateWide(static_cast<long long>(definition->maxCount) -
                                                        definition->minCount + 1)));

    if (isAny({QuestType::KillMonsters,
               QuestType::UniqueMonsterSpotted,
               QuestType::Assassin,
               QuestType::MonsterQuestItem,
               QuestType::LevelQuestItem,
               QuestType::KillMonsterGroup,
               QuestType::RescueNpc,
               QuestType::ClearLevel,
               QuestType::ScoutLocation,
               QuestType::Delivery,
               QuestType::Uprising,
               QuestType::Renegade,
               QuestType::RenegadeAttack,
               QuestType::GhostRevenge,
               QuestType::Escort,
               QuestType::TreasureMap,
               QuestType::MonsterQuest,
               QuestType::Plague,
               QuestType::Thief,
               QuestType::Kidnapping,
               QuestType::Siege,
               QuestType::MonsterScout,
               QuestType::ArmorsmithMonsterQuestItem,
               QuestType::WeaponsmithMonsterQuestItem,
               QuestType::ArmorsmithLevelQuestItem,
               QuestType::WeaponsmithLevelQuestItem,
               QuestType::WarAgainstBarbarians,
               QuestType::Meeting}))
        textVariant = questRandomInt(static_cast<int>(definition->textList.size()));
}

void QuestBase::spawnScaledRange(const MonsterType* target, int& lo, int& hi) const
{
    float f = target && target->archetype ? target->archetype->spawnChance : 0.0f;
    lo = std::clamp(saturate(static_cast<double>(f) * definition->minCountMult), 1, 100);
    hi = std::clamp(saturate(static_cast<double>(f) * definition->maxCountMult), lo, 100);
}

void QuestBase::addReward(int count, int rank)
{
    int v = questRandomIntInclusive(saturatingMultiply(definition->xpMinRewardPerMonster, count),
                                    saturatingMultiply(definition->xpMaxRewardPerMonster, count));
    xpReward =
        saturate(static_cast<double>(xpReward) + saturate(v * static_cast<double>(rankMultiplier(rank))));
    float base = expectedMoney(level) * static_cast<float>(count);
    float money = questRandomFloatBetween(base * definition->moneyRewardMinMultiplier,
                                          base * definition->moneyRewardMaxMultiplier);
    moneyReward = saturate(static_cast<double>(moneyReward) + saturate(money));
}

void QuestBase::rollRewards(int rank)
{
    xpReward = 0;
    moneyReward = 0;
    if (targets.empty()) {
        addReward(goal, rank);
        return;
    }
    for (const QuestTarget& t : targets)
        addReward(t.needed, rank);
}

// Item quests: no rank multiplier.
void QuestBase::rollItemRewards(int count)
{
    xpReward = questRandomIntInclusive(saturatingMultiply(definition->xpMinRewardPerMonster, count),
                                       saturatingMultiply(definition->xpMaxRewardPerMonster, count));
    float base = expectedMoney(level) * static_cast<float>(count);
    moneyReward = saturate(questRandomFloatBetween(base * definition->moneyRewardMinMultiplier,
                                                   base * definition->moneyRewardMaxMultiplier));
}

float QuestBase::difficultyTimeMult() const
{
    const GameBase* game = getGameBase();
    const GameRules* r = rules();
    if (!game || !r)
        return 1.0f;
    int d = game->getDifficulty();
    if (d < 0 || d >= kWorldDifficultyCount)
        return 1.0f;
    return r->difficultyQuestTimeMult[static_cast<size_t>(d)];
}

void QuestBase::randomizeParameters()
{
    if (level == -1 || invalid || !definition)
        return;
    Random::setState(kQuestStream, seed);
    if (definition->boss)
        rollRewards(toIndex(MonsterRarity::Boss));

    int lo = 1;
    int hi = 1;
    if (isAny({QuestType::KillMonsters, QuestType::Recruit, QuestType::Uprising, QuestType::StoryTurenArmy,
               QuestType::StoryCiglioHorde, QuestType::StoryDraaienArmy})) {
        spawnScaledRange(getMonsterType(0), lo, hi);
        goal = lo + questRandomInt(hi - lo + 1);
        rollRewards(0);
    } else if (is(QuestType::WarAgainstBarbarians)) {
        goal = 1;
        rollRewards(0);
        spawnScaledRange(getMonsterType(0), lo, hi);
        goal = questRandomIntInclusive(lo, hi);
    } else if (isAny({QuestType::UniqueMonsterSpotted, QuestType::Assassin, QuestType::GhostRevenge,
                      QuestType::Revenge, QuestType::StoryKillTurenScout, QuestType::StoryKillShankarPartner,
                      QuestType::StoryKillCiglioGuard, QuestType::StoryKillDraaienMage})) {
        goal = 1;
        rollRewards(toIndex(MonsterRarity::Unique));
    } else if (isAny({QuestType::MonsterScout, QuestType::Renegade, QuestType::Thief,
                      QuestType::RenegadeAttack, QuestType::RescueNpc, QuestType::Delivery, QuestType::Escort,
                      QuestType::Kidnapping, QuestType::StoryShankarRescue, QuestType::ScoutLocation})) {
        goal = 1;
        rollRewards(0);
    } else if (isAny({QuestType::KillMonsterGroup, QuestType::StoryShankarLuteKefah, QuestType::Meeting})) {
        for (QuestTarget& t : targets)
            t.needed = 1;
        rollRewards(0);
    } else if (is(QuestType::War)) {
        // Only the first set-up gives the two sides their one kill each, and
        // `needed` is not saved: a War read back or mirrored would stand
        // complete from the start. Its rewards stay as they are.
        for (QuestTarget& t : targets)
            t.needed = 1;
    } else if (is(QuestType::Siege)) {
        rollRewards(0);
    } else if (isAny({QuestType::MonsterQuestItem, QuestType::DeadlyPoison, QuestType::Petrify,
                      QuestType::Plague, QuestType::ArmorsmithMonsterQuestItem,
                      QuestType::WeaponsmithMonsterQuestItem})) {
        spawnScaledRange(getMonsterType(0), lo, hi);
        goal = questRandomIntInclusive(lo, hi);
        rollItemRewards(goal);
    } else if (is(QuestType::StoryDraaienNullifier)) {
        goal = 1;
        rollItemRewards(goal);
    } else if (isAny({QuestType::LevelQuestItem, QuestType::PoisonedSupply,
                      QuestType::ArmorsmithLevelQuestItem, QuestType::WeaponsmithLevelQuestItem,
                      QuestType::StoryTurenGraves, QuestType::StoryCiglioFindItem})) {
        goal = questRandomIntInclusive(definition->minCount, definition->maxCount);
        rollItemRewards(goal);
    } else if (is(QuestType::ClearLevel)) {
        goal = questRandomIntInclusive(definition->minCount, definition->maxCount);
        rollRewards(0);
    } else if (is(QuestType::MonsterQuest)) {
        // Only the targets the record has; a missing first one needs 0.
        if (!targets.empty()) {
            spawnScaledRange(targets[0].monsterType, lo, hi);
            targets[0].needed = questRandomIntInclusive(lo, hi);
        }
        if (targets.size() > 1)
            targets[1].needed = 0;
        rollRewards(0);
    } else if (isAny({QuestType::TutorialEquipWeapon, QuestType::TutorialUseSlot,
                      QuestType::TutorialCovenantTrade, QuestType::TutorialGetQuest})) {
        rollRewards(0);
    } else if (isAny({QuestType::TutorialInvestigateHouse, QuestType::TutorialTalkToQuestGivers,
                      QuestType::TutorialTalkToVendors})) {
        size_t n = is(QuestType::TutorialInvestigateHouse)    ? 6
                   : is(QuestType::TutorialTalkToQuestGivers) ? 3
                                                              : 5;
        targets.resize(n);
        for (QuestTarget& t : targets)
            t.needed = 1;
        rollRewards(0);
    }

    if (definition->maxTime != 0.0f) {
        float t = questRandomFloatBetween(definition->minTime, definition->maxTime);
        if (definition->useDifficultyTimeMult)
            t *= difficultyTimeMult();
        deadline = startTime;
        deadline.addSeconds(std::isfinite(t) ? t : 0.0);
    }
}
