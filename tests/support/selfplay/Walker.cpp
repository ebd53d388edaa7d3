#include "support/selfplay/Walker.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Gate.h"
#include "support/LevelRoute.h"
#include "support/selfplay/Bot.h"

#include <algorithm>

namespace selfplay {

Walker::Walker(Bot& bot) : Part(bot) {}

void Walker::walkTo(const ZonePosition& point)
{
    // A new route for a new goal; a route that brought it nowhere is
    // left for a walk elsewhere (in wander) before the next.
    const bool newGoal = m_walkGoal.zone != point.zone || distance(m_walkGoal, point) > 64.0f;
    if (newGoal || (m_route.empty() && frame() >= m_detourUntil)) {
        m_walkGoal = point;
        m_route = m_bot.raids.homewardToRaid() ? RoutePlanner::straightRoute(player()->getPosition(), point)
                                               : routeToPoint(player()->getPosition(), point);
        m_routeLeft = m_route.size();
        m_routeProgressAt = frame();
        m_routeUntil = frame() + 2 * kFramesPerMinute;
        if (m_bot.raids.homewardToRaid()) {
            // Called home by a raid, it turns at once rather than end the
            // walk it was on.
            m_wanderUntil = frame();
        }
    }
    followRoute();
}

size_t Walker::farthestInSight() const
{
    const ZonePosition& here = player()->getPosition();
    size_t best = 0;
    for (size_t i = 1; i < m_route.size(); ++i) {
        const ZonePosition& to = m_route[i];
        const float length = distance(here, to);
        if (length > 384.0f) {
            continue;
        }
        bool clear = true;
        for (float t = 16.0f; clear && t < length; t += 16.0f) {
            clear = walkable(ZonePosition(here.zone, here.x + (to.x - here.x) * t / length,
                                          here.y + (to.y - here.y) * t / length));
        }
        if (clear) {
            best = i;
        }
    }
    return best > 0 ? best : std::min<size_t>(m_route.size() - 1, 12);
}

void Walker::takeGate(const Gate& gate)
{
    EntityClient* clickable = mirrorOf(gate.getEntityNumber());
    if (!clickable || distance(gate.getPosition(), player()->getPosition()) > 200.0f) {
        walkTo(gate.getPosition());
        return;
    }
    if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
        mirror()->selectEntity(clickable);
        m_ctx.usedGateAt = frame();
        trace("takes a gate to another level");
    }
}

void Walker::wander()
{
    const ZonePosition& here = player()->getPosition();
    if (here.zone != m_zone) {
        m_cameFrom = m_zone;
        m_zone = here.zone;
        m_bot.gates.resetTries();
    }
    if (!m_route.empty() && m_route.front().zone != here.zone) {
        m_route.clear(); // across the edge
        m_nextJourney = frame() + 2 * kFramesPerMinute;
    }
    const int goal = m_bot.journey.journeyGoal();
    if (goal >= 0 && goal != here.zone && m_route.empty() && frame() >= m_detourUntil) {
        // Over level edges and connection gates; a side it cannot walk
        // to from where it entered is noted as closed.
        const LevelFlood flood = RoutePlanner::floodLevel(here);
        m_bot.planner.noteClosedSides(flood);
        // Around levels too strong for it, when there is a way; not
        // when it pushes its luck.
        LevelStep step = m_bot.push.pushing()
                             ? LevelStep{}
                             : m_bot.planner.stepTowards(goal, flood, ownLevel() + Journey::kReach);
        if (!step.gate && step.side < 0) {
            step = m_bot.planner.stepTowards(goal, flood);
        }
        if (step.gate) {
            takeGate(*step.gate);
            return;
        }
        if (step.side >= 0) {
            m_route = flood.routeToSide(step.side);
            m_journeyGoal = goal;
            m_routeLeft = m_route.size();
            m_routeProgressAt = frame();
            m_nextJourney = frame() + 2 * kFramesPerMinute;
            m_routeUntil = frame() + 2 * kFramesPerMinute;
            trace(formatString("sets off for level %d, %zu cells", goal, m_route.size()).c_str());
        }
    }
    if (m_route.empty() && frame() >= m_detourUntil && frame() >= m_nextJourney && goal != here.zone) {
        m_route = routeToLevelEdge(here, m_ctx.random.below(4));
        m_routeLeft = m_route.size();
        m_routeProgressAt = frame();
        m_nextJourney = frame() + 2 * kFramesPerMinute;
        m_routeUntil = frame() + kFramesPerMinute;
        trace(formatString("sets off for the edge, %zu cells", m_route.size()).c_str());
    }
    followRoute();
}

void Walker::followRoute()
{
    const ZonePosition& here = player()->getPosition();
    if (!m_route.empty() && m_route.size() < m_routeLeft) {
        m_routeLeft = m_route.size();
        m_routeProgressAt = frame();
    }
    if (!m_route.empty() && (frame() > m_routeUntil || frame() - m_routeProgressAt > 200)) {
        // Stuck where the route's cells are too narrow for the player:
        // a walk elsewhere first, then a route from there.
        trace("leaves its route");
        m_route.clear();
        m_detourUntil = frame() + 300;
    }
    if (!m_route.empty()) {
        // The walk may cut corners: the route goes on from the cell
        // nearest to the player.
        size_t nearestCell = 0;
        for (size_t i = 1; i < m_route.size(); ++i) {
            if (distance(m_route[i], here) < distance(m_route[nearestCell], here)) {
                nearestCell = i;
            }
        }
        if (distance(m_route[nearestCell], here) < 48.0f) {
            m_route.erase(m_route.begin(), m_route.begin() + static_cast<long>(nearestCell) + 1);
        }
        if (!m_route.empty() && (!mirror()->hasDestination() || frame() >= m_wanderUntil)) {
            // A click some cells ahead on the route, nearer when the
            // last one found no path.
            const size_t ahead = m_bot.raids.homewardToRaid()
                                     ? farthestInSight()
                                     : std::min<size_t>(m_route.size() - 1, m_misses % 2 == 0 ? 12 : 3);
            ZonePosition to = m_route[ahead];
            to.normalize();
            m_misses += frame() < m_wanderUntil ? 1 : 0;
            trace(formatString("clicks %.0f %.0f (zone %d)", static_cast<double>(to.x),
                               static_cast<double>(to.y), to.zone)
                      .c_str());
            mirror()->setDestination(to, true);
            groundClick();
            m_wanderUntil = frame() + 60;
        }
        return;
    }
    if (mirror()->hasDestination() && frame() < m_wanderUntil) {
        return;
    }
    // Held home by a raid to come, it keeps by its stone: roaming the
    // town it would walk into the recruits at a hostile covenant's house.
    const Covenant* own = player()->getCovenant();
    const bool byStone = own && own->housePosition.zone == here.zone &&
                         (m_bot.raids.raidsExpected() || m_bot.raids.threatHolds());
    for (int tries = 0; tries < 64; ++tries) {
        ZonePosition p(here.zone, static_cast<float>(m_ctx.random.below(128)) * 32.0f + 16.0f,
                       static_cast<float>(m_ctx.random.below(128)) * 32.0f + 16.0f);
        if (byStone) {
            // The same draw, drawn in about the stone.
            p.x = std::clamp(own->housePosition.x + (p.x - 2048.0f) * kByStone / 2048.0f, 16.0f, 4080.0f);
            p.y = std::clamp(own->housePosition.y + (p.y - 2048.0f) * kByStone / 2048.0f, 16.0f, 4080.0f);
        }
        if (walkable(p)) {
            mirror()->setDestination(p, true);
            groundClick();
            m_wanderUntil = frame() + 400;
            return;
        }
    }
}

void Walker::dropJourneyElsewhere()
{
    if (!m_route.empty() && m_route.back().zone != player()->getPosition().zone &&
        m_bot.journey.journeyGoal() != m_journeyGoal) {
        m_route.clear();
    }
}

} // namespace selfplay
