#include "support/selfplay/Push.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Gate.h"
#include "game/world/World.h"
#include "support/selfplay/Bot.h"

#include <algorithm>

namespace selfplay {

Push::Push(Bot& bot) : Part(bot) {}

bool Push::pushing() const
{
    return m_ctx.span > 0 && m_ctx.deaths == 0 && (frame() * 3 >= m_ctx.span * 2 || m_early);
}

void Push::planStart()
{
    if (m_ctx.span <= 0 || m_ctx.deaths > 0 || pushing()) {
        return;
    }
    if (!m_due) {
        const Target target = nearestLevelAbove(ownLevel());
        const int plan =
            kMargin + (m_bot.raids.raidLikely() ? kRaidDetour : 0) + target.planned * kFramesPerLevel;
        if (target.level < 0 || frame() < m_ctx.span - plan) {
            return;
        }
        m_due = true;
        trace(formatString("is due to push its luck: level %d is %d levels away, planned as %d", target.level,
                           target.way, target.planned)
                  .c_str());
    }
    if (m_bot.relations.ownRaidOver()) {
        m_early = true;
        trace("pushes its luck early");
    }
}

bool Push::onThePush() const
{
    return pushing() && m_pushGoal >= 0 && player()->getPosition().zone != m_pushGoal;
}

void Push::choosePushLevel()
{
    static constexpr int kStay = 3 * kFramesPerMinute / 2;
    const int own = player()->getStat(toIndex(CharacterStat::Level));
    if (m_pushGoal < 0 && !m_pushChosen) {
        m_pushChosen = true;
        m_begunAt = frame();
        newGoal(nearestLevelAbove(own).level);
        trace(formatString("pushes on to level %d (monsters %d) at level %d", m_pushGoal,
                           World::get().getLevelMonsterLevel(m_pushGoal), own)
                  .c_str());
        return;
    }
    noteWay();
    if (m_pushGoal < 0) {
        return;
    }
    World& world = World::get();
    // Levels gained since it was chosen: a level the player has outgrown,
    // on the way or there, is not where it dies.
    if (own > m_chosenFor && world.getLevelMonsterLevel(m_pushGoal) <= own) {
        const int outgrown = m_pushGoal;
        newGoal(nearestLevelAbove(own).level);
        m_pushArrivedAt = -1;
        trace(formatString("outgrows level %d at level %d; pushes on to level %d (monsters %d)", outgrown,
                           own, m_pushGoal, world.getLevelMonsterLevel(m_pushGoal))
                  .c_str());
        return;
    }
    if (player()->getPosition().zone != m_pushGoal) {
        return;
    }
    if (m_pushArrivedAt < 0) {
        m_pushArrivedAt = frame();
        trace("reaches the level of its push");
    } else if (frame() - m_pushArrivedAt > kStay) {
        const int next = nearestLevelAbove(std::max(own, world.getLevelMonsterLevel(m_pushGoal))).level;
        m_pushArrivedAt = next == m_pushGoal ? frame() : -1;
        newGoal(next);
        trace(formatString("outlives its level; pushes on to level %d", m_pushGoal).c_str());
    }
}

bool Push::seekFoe()
{
    if (m_pushGoal < 0 || player()->getPosition().zone != m_pushGoal) {
        return false;
    }
    const int foe = nearest([&](Entity* e) { return m_bot.fights.isFoe(e); }, 1.0e9f, false);
    if (foe < 0) {
        return false;
    }
    m_bot.walker.walkTo(Game::get().getEntity(foe)->getPosition());
    return true;
}

void Push::newGoal(int level)
{
    m_chosenFor = ownLevel();
    if (level == m_pushGoal) {
        return;
    }
    // The first goal is no advance: the push has not moved yet. Its way
    // is measured afresh, the first measure the one to come nearer than.
    if (m_pushGoal >= 0) {
        m_advancedAt = frame();
    }
    m_pushGoal = level;
    m_wayZone = -1;
    m_shortestWay = -1;
}

void Push::noteWay()
{
    const ZonePosition& here = player()->getPosition();
    if (m_pushGoal < 0 || here.zone == m_wayZone) {
        return;
    }
    m_wayZone = here.zone;
    const int way = here.zone == m_pushGoal
                        ? 0
                        : m_bot.planner.stepTowards(m_pushGoal, RoutePlanner::floodLevel(here)).levels;
    if (way >= 0 && (m_shortestWay < 0 || way < m_shortestWay)) {
        if (m_shortestWay >= 0) {
            m_advancedAt = frame();
        }
        m_shortestWay = way;
    }
}

bool Push::pushHomeFirst()
{
    const int here = player()->getPosition().zone;
    if (!pushing() || m_pushGoal < 0 || here == 0 || here == m_pushGoal) {
        return false;
    }
    if (m_pushHomeZone != here) {
        m_pushHomeZone = here;
        m_pushHome = false;
        const Covenant* own = player()->getCovenant();
        const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
        for (int i = 0; i < Game::kMaxEntities && own; ++i) {
            const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
            if (gate && gate->getKind() == Gate::kLevelGate && gate->getPosition().zone == here &&
                flood.reaches(gate->getPosition())) {
                const int fromHere = m_bot.planner.stepTowards(m_pushGoal, flood).levels;
                const int fromHome =
                    m_bot.planner.stepTowards(m_pushGoal, RoutePlanner::floodLevel(own->housePosition))
                        .levels;
                m_pushHome = fromHome >= 0 && (fromHere < 0 || fromHome + 2 <= fromHere);
                trace(formatString("level %d is %d levels away, %d from home", m_pushGoal, fromHere, fromHome)
                          .c_str());
                break;
            }
        }
    }
    return m_pushHome;
}

Push::Target Push::nearestLevelAbove(int above) const
{
    const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
    World& world = World::get();
    Target best;
    int bestMonsters = -1;
    bool bestAbove = false;
    auto better = [&](bool isAbove, int monsters, int way) {
        if (best.level < 0 || isAbove != bestAbove) {
            return best.level < 0 || isAbove;
        }
        if (isAbove && way != best.way) {
            return way < best.way;
        }
        return monsters > bestMonsters || (monsters == bestMonsters && way < best.way);
    };
    for (int level = 1; level < world.getLevelCount(); ++level) {
        const LevelStep step =
            level == flood.zone ? LevelStep{-1, nullptr, 0, -1, 0} : m_bot.planner.stepTowards(level, flood);
        const int monsters = world.getLevelMonsterLevel(level);
        const bool isAbove = monsters > above + gainedOnTheWay(step.levels);
        if (step.levels >= 0 && better(isAbove, monsters, step.levels)) {
            // A level whose sides it has not seen counts twice: a way
            // guessed across it is often walled and walked round.
            best = {level, step.levels, step.levels + step.unwalked};
            bestMonsters = monsters;
            bestAbove = isAbove;
        }
    }
    return best;
}

} // namespace selfplay
