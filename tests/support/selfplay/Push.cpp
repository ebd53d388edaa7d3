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
    const Target target = nearestLevelAbove(ownLevel());
    if (target.level >= 0 && frame() >= m_ctx.span - kMargin - target.way * kFramesPerLevel) {
        m_early = true;
        trace(formatString("pushes its luck early: level %d is %d levels away", target.level, target.way)
                  .c_str());
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
        m_pushGoal = nearestLevelAbove(own).level;
        m_pushArrivedAt = -1;
        newGoal();
        trace(formatString("pushes on to level %d", m_pushGoal).c_str());
        return;
    }
    noteWay();
    if (m_pushGoal < 0 || player()->getPosition().zone != m_pushGoal) {
        return;
    }
    if (m_pushArrivedAt < 0) {
        m_pushArrivedAt = frame();
        trace("reaches the level of its push");
    } else if (frame() - m_pushArrivedAt > kStay) {
        const int next =
            nearestLevelAbove(std::max(own, World::get().getLevelMonsterLevel(m_pushGoal))).level;
        m_pushArrivedAt = next == m_pushGoal ? frame() : -1;
        m_pushGoal = next;
        newGoal();
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

void Push::newGoal()
{
    m_advancedAt = frame();
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
        m_shortestWay = way;
        m_advancedAt = frame();
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
    auto better = [&](int monsters, int way, int bestMonsters, int bestWay) {
        const bool isAbove = monsters > above;
        if (isAbove != (bestMonsters > above)) {
            return isAbove;
        }
        if (isAbove && way != bestWay) {
            return way < bestWay;
        }
        return monsters > bestMonsters || (monsters == bestMonsters && way < bestWay);
    };
    Target best;
    int bestMonsters = -1;
    for (int level = 1; level < world.getLevelCount(); ++level) {
        const int way = level == flood.zone ? 0 : m_bot.planner.stepTowards(level, flood).levels;
        const int monsters = world.getLevelMonsterLevel(level);
        if (way >= 0 && (best.level < 0 || better(monsters, way, bestMonsters, best.way))) {
            best = {level, way};
            bestMonsters = monsters;
        }
    }
    return best;
}

} // namespace selfplay
