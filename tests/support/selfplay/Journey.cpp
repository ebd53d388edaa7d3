#include "support/selfplay/Journey.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/world/World.h"
#include "support/selfplay/Bot.h"

#include <optional>

namespace selfplay {

Journey::Journey(Bot& bot) : Part(bot) {}

int Journey::journeyGoal() const
{
    // Raided, it goes home to defend its stone.
    if (m_bot.raids.raidedNow()) {
        return player()->getCovenant()->housePosition.zone;
    }
    if (const std::optional<int> raidGate = m_bot.relations.raidGateLevel()) {
        return *raidGate;
    }
    // Pushing, it makes for the level it chose.
    if (m_bot.push.pushing() && m_bot.push.goal() >= 0) {
        return m_bot.push.goal();
    }
    // Of the quests to do, the one with the weakest monsters; one too
    // strong for the player waits until it has gained levels elsewhere.
    int goal = -1;
    int goalMonsters = 0;
    m_pursued = -1;
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        Quest* quest = player()->getQuest(slot);
        if (!quest || !quest->isInUse() || m_bot.quests.unsolvable(quest->id)) {
            continue;
        }
        if (quest->isComplete()) {
            // A giver turned to stone takes nothing until it is cured,
            // which may be a quest of its own to go after meanwhile.
            const Entity* giver = Game::get().getEntity(m_bot.quests.solverOf(*quest));
            const auto* talker = dynamic_cast<const Actor*>(giver);
            if (giver && (!talker || Quests::canTalk(*talker))) {
                m_pursued = -1;
                return giver->getPosition().zone;
            }
        } else if (quest->getTargetLevel() >= 0 && !m_bot.quests.setAside(quest->id) &&
                   !m_bot.hunt.preyGone(*quest) &&
                   (goal < 0 || Quests::targetMonsterLevel(*quest) < goalMonsters)) {
            goal = m_bot.hunt.preyLevel(*quest);
            goalMonsters = Quests::targetMonsterLevel(*quest);
            m_pursued = quest->id;
        }
    }
    if (goal > 0 && goalMonsters > ownLevel() + kReach) {
        const int training = trainingLevel();
        goal = training >= 0 ? training : goal;
    }
    // With no quest to go after it gains levels where foes stand, and
    // goes home now and then for new quests (holding none, as soon as the
    // givers may have new ones); holding few, it also goes home now and
    // then for more, as a player keeps a few in hand.
    const bool idle = goal < 0;
    const bool fewQuests = player()->countQuests() < kQuestsInHand;
    const int errandsAfter = player()->countQuests() == 0 ? 0
                             : idle                       ? kIdleErrandsEvery
                                                          : kFewQuestsErrandsEvery;
    const bool errandsDue = frame() >= m_bot.trade.nextErrandsAt() + errandsAfter && (idle || fewQuests);
    if (idle && !errandsDue) {
        goal = trainingLevel();
    }
    // Under threat of a raid, or while a covenant that raided it lately
    // may be back, it goes only where it is quickly home from; a threat
    // that brings no raid holds it only every other ten minutes, or a
    // raid that never comes would keep it home for good. Kept to its town
    // instead, two raiders taking turns held it there for good.
    if (m_bot.raids.threatHolds() || m_bot.raids.raidsExpected()) {
        const int here = player()->getPosition().zone;
        if (goal >= 0 && !m_bot.raids.nearHome(goal)) {
            return m_bot.raids.nearHome(here) ? -1 : player()->getCovenant()->housePosition.zone;
        }
        if (goal < 0 && !m_bot.raids.nearHome(here)) {
            return player()->getCovenant()->housePosition.zone;
        }
    }
    if (errandsDue) {
        return 0;
    }
    return goal;
}

int Journey::trainingLevel() const
{
    if (frame() < m_trainingUntil && m_trainingFor == ownLevel()) {
        return m_training;
    }
    m_trainingUntil = frame() + kFramesPerMinute;
    m_trainingFor = ownLevel();
    const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
    const int own = ownLevel();
    World& world = World::get();
    const std::map<int, int> foes = foesByLevel();
    int best = -1;
    int bestMonsters = -1;
    int bestWay = 0;
    int bestCost = 0;
    for (int level = 1; level < world.getLevelCount(); ++level) {
        const int monsters = world.getLevelMonsterLevel(level);
        const auto barred = m_barredTraining.find(level);
        if (monsters > own + 1 || (barred != m_barredTraining.end() && barred->second > frame())) {
            continue;
        }
        const auto standing = foes.find(level);
        if ((standing == foes.end() || standing->second < kFewFoes) && unexploredBlocks(level) < kFewBlocks) {
            continue;
        }
        const int way = level == flood.zone ? 0 : m_bot.planner.stepTowards(level, flood).levels;
        if (way < 0) {
            continue;
        }
        const int cost = way + (monsters <= own - kEasier ? 0 : kEasier);
        if (best < 0 || cost < bestCost || (cost == bestCost && monsters > bestMonsters)) {
            best = level;
            bestMonsters = monsters;
            bestWay = way;
            bestCost = cost;
        }
    }
    if (best != m_training) {
        trace(formatString("player of level %d trains on level %d (monsters %d, %d levels away)", own, best,
                           bestMonsters, bestWay)
                  .c_str());
    }
    m_training = best;
    return best;
}

int Journey::unexploredBlocks(int level)
{
    const GameRules& rules = worldRules();
    int count = 0;
    for (int block = 0; block < rules.blocksAcross * rules.blocksDown; ++block) {
        count += Game::get().isBlockPopulated(level, block) ? 0 : 1;
    }
    return count;
}

std::map<int, int> Journey::foesByLevel() const
{
    std::map<int, int> foes;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
        if (actor && actor->isAlive() && actor->getMonsterType() && player()->isEnemyOf(actor)) {
            ++foes[actor->getPosition().zone];
        }
    }
    return foes;
}

void Journey::barTraining(int level)
{
    m_barredTraining[level] = frame() + 20 * kFramesPerMinute;
    m_trainingUntil = 0;
}

} // namespace selfplay
