#include "support/selfplay/Gates.h"

#include "engine/core/StringUtil.h"
#include "engine/input/Input.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Door.h"
#include "game/entities/Gate.h"
#include "support/selfplay/Bot.h"
#include "ui/maps/MapLabel.h"
#include "ui/maps/WorldMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace selfplay {

Gates::Gates(Bot& bot) : Part(bot) {}

bool Gates::openDoor()
{
    const ZonePosition& here = player()->getPosition();
    if (here.zone != m_stillAt.zone || distance(here, m_stillAt) > 1.0f) {
        m_stillAt = here;
        m_stillSince = frame();
    }
    auto closed = [&](Entity* e) {
        const auto* door = dynamic_cast<const Door*>(e);
        return door && door->getState() == Door::Closed && !leftAlone(m_triedDoors, e->getEntityNumber());
    };
    if (m_door >= 0 && (frame() - m_doorSince > 100 || !closed(Game::get().getEntity(m_door)))) {
        m_triedDoors[m_door] = frame() + 10 * kFramesPerMinute;
        m_door = -1;
    }
    if (m_door < 0) {
        if (frame() - m_stillSince < 100) {
            return false;
        }
        m_door = nearest(closed, 64.0f);
        if (m_door < 0) {
            return false;
        }
        m_doorSince = frame();
        trace("opens a door beside it");
    }
    EntityClient* clickable = mirrorOf(m_door);
    if (!clickable) {
        m_triedDoors[m_door] = frame() + 10 * kFramesPerMinute;
        m_door = -1;
        return false;
    }
    if (!stillClicked(clickable)) {
        m_bot.trade.closeWindows();
        mirror()->selectEntity(clickable);
    }
    return true;
}

bool Gates::gateOut()
{
    const Covenant* own = player()->getCovenant();
    const ZonePosition& here = player()->getPosition();
    if (!own || here.zone != own->housePosition.zone || frame() < m_gateOutAfter) {
        m_gateOutSince = -1;
        return false;
    }
    const int goal = m_bot.journey.journeyGoal();
    if (goal < 0 || goal == here.zone) {
        m_gateOutSince = -1;
        return false;
    }
    if (m_gateOutSince < 0) {
        m_gateOutIndex = gateNearest(goal);
        if (m_gateOutIndex < 0) {
            // Weighed again a little later: the walk meanwhile.
            m_gateOutAfter = frame() + 200;
            return false;
        }
    }
    const int gateIndex = m_gateOutIndex;
    const Gate* houseGate = nullptr;
    for (int i = 0; gateIndex >= 0 && i < Game::kMaxEntities; ++i) {
        const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
        if (gate && !gate->isRaidGate() && gate->getCovenantIndex() == own->index &&
            gate->getPosition().zone == here.zone) {
            houseGate = gate;
        }
    }
    EntityClient* clickable = houseGate ? mirrorOf(houseGate->getEntityNumber()) : nullptr;
    if (!clickable) {
        m_gateOutSince = -1;
        return false;
    }
    if (m_gateOutSince < 0) {
        m_gateOutSince = frame();
        trace(formatString("goes by its house's gate to the gate of level %d, bound for level %d",
                           mirror()->levelGates.getRecords()[static_cast<size_t>(gateIndex)].zone, goal)
                  .c_str());
    } else if (frame() - m_gateOutSince > kFramesPerMinute) {
        // The gate or its map did not take it: the walk, and another try later.
        trace("gives up the house's gate");
        m_gateOutSince = -1;
        m_gateOutAfter = frame() + 5 * kFramesPerMinute;
        groundClick();
        return false;
    }
    WorldMap& map = WorldMap::get();
    if (!map.isShown() || !map.isAtGate()) {
        if (distance(houseGate->getPosition(), here) > 200.0f) {
            m_bot.walker.walkTo(houseGate->getPosition());
        } else if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(clickable);
        }
        return true;
    }
    map.layout();
    for (const MapLabel& label : map.getLabels()) {
        if (label.kind != MapLabel::Gate || label.target != gateIndex) {
            continue;
        }
        const Vec2 point = map.screenPointOf(label.position);
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
            break;
        }
        const Vec2 at{std::clamp(point.x, -1.0e6f, 1.0e6f), std::clamp(point.y, -1.0e6f, 1.0e6f)};
        const int x = static_cast<int>(at.x);
        const int y = static_cast<int>(at.y);
        Input::get().setMousePosition(x, y);
        map.layout();
        const int hovered = map.getHoveredLabel();
        if (hovered >= 0 && map.getLabels()[static_cast<size_t>(hovered)].kind == MapLabel::Gate &&
            map.getLabels()[static_cast<size_t>(hovered)].target == gateIndex) {
            map.onClick(1, true, x, y);
            map.onClick(1, false, x, y);
            m_ctx.usedGateAt = frame();
            m_bot.walker.clearRoute();
            break;
        }
        // The mark lies off the view: the map is dragged towards the
        // middle of the screen, a step at a time.
        constexpr int cx = Input::kScreenWidth / 2;
        constexpr int cy = Input::kScreenHeight / 2;
        const int dx = static_cast<int>(std::clamp(static_cast<float>(cx) - at.x, -100.0f, 100.0f));
        const int dy = static_cast<int>(std::clamp(static_cast<float>(cy) - at.y, -100.0f, 100.0f));
        map.onClick(0, true, cx, cy);
        map.onClick(0, true, cx + dx, cy + dy);
        map.onClick(0, false, cx + dx, cy + dy);
        break;
    }
    return true;
}

int Gates::gateNearest(int goal) const
{
    const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
    const int walk = m_bot.planner.stepTowards(goal, flood).levels;
    const std::vector<GateRecord>& records = mirror()->levelGates.getRecords();
    int best = -1;
    int bestWay = walk < 0 ? std::numeric_limits<int>::max() : walk - 1;
    for (size_t i = 0; i < records.size(); ++i) {
        if (!records[i].activated || records[i].zone == flood.zone) {
            continue;
        }
        // From the far gate every side counts as open on its own level.
        LevelFlood far;
        far.zone = records[i].zone;
        far.edge = {0, 0, 0, 0};
        const int way = m_bot.planner.stepTowards(goal, far).levels;
        if (way >= 0 && way < bestWay) {
            best = static_cast<int>(i);
            bestWay = way;
        }
    }
    return best;
}

bool Gates::wakeLevelGate()
{
    const int here = player()->getPosition().zone;
    if (here != m_stayZone) {
        m_stayZone = here;
        ++m_stays[here];
    }
    if (here == 0 || m_bot.push.pushing() || m_gatesWoken.contains(here)) {
        return false;
    }
    const Gate* gate = levelGateHere();
    EntityClient* clickable = gate ? mirrorOf(gate->getEntityNumber()) : nullptr;
    if (mirror()->isCurrentLevelGateActive()) {
        m_gatesWoken.insert(here);
        if (clickable && mirror()->getTarget(false) == clickable) {
            groundClick();
            return true;
        }
        return false;
    }
    // A level it comes back to lies on its way again and again: its gate
    // is worth the walk from anywhere on it, not only from near.
    const float reach = m_stays[here] > 1 ? std::numeric_limits<float>::max() : kWakeNear;
    if (!gate || distance(gate->getPosition(), player()->getPosition()) > reach) {
        return false;
    }
    if (m_wakeZone != here) {
        m_wakeZone = here;
        m_wakeUntil = frame() + kFramesPerMinute;
        trace("goes to wake its level's gate");
    }
    if (frame() > m_wakeUntil) {
        m_gatesWoken.insert(here);
        return false;
    }
    if (!clickable || distance(gate->getPosition(), player()->getPosition()) > 200.0f) {
        m_bot.walker.walkTo(gate->getPosition());
    } else if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
        mirror()->selectEntity(clickable);
    }
    return true;
}

bool Gates::homeByScroll()
{
    const int here = player()->getPosition().zone;
    if (const auto* near = dynamic_cast<const Gate*>(player()->getGate(0, 0));
        near && near->getPosition().zone == here) {
        m_bot.walker.takeGate(*near);
        return true;
    }
    if (m_scrollZone == here) {
        // The gate takes a few seconds to open.
        return frame() - m_scrollReadAt < 200;
    }
    // The level's gate is taken only when it is awake and near: walking to
    // one asleep or across the level costs the raid's first half minute.
    const auto [group, slot] = m_ctx.carriedScroll();
    const Gate* gate = levelGateHere();
    const bool gateAtHand = gate && mirror()->isCurrentLevelGateActive() &&
                            distance(gate->getPosition(), player()->getPosition()) <= kGateAtHand;
    if (group < 0 || here == player()->getCovenant()->housePosition.zone || gateAtHand) {
        return false;
    }
    const int used = m_ctx.useBagItem(group, slot);
    if (used <= 0) {
        return used == 0;
    }
    m_scrollZone = here;
    m_scrollReadAt = frame();
    trace("reads a scroll of return");
    return true;
}

bool Gates::homeByLevelGate()
{
    const int here = player()->getPosition().zone;
    if (here == 0 || (m_bot.journey.journeyGoal() != 0 && !m_bot.push.pushHomeFirst()) || m_gateTries > 6) {
        return false;
    }
    const Gate* gate = levelGateHere();
    if (!gate) {
        return false;
    }
    EntityClient* clickable = mirrorOf(gate->getEntityNumber());
    if (!clickable || distance(gate->getPosition(), player()->getPosition()) > 200.0f) {
        m_bot.walker.walkTo(gate->getPosition());
        return true;
    }
    if (mirror()->getTarget(false) == clickable && mirror()->action == PlayerClient::kActionNoMenu &&
        mirror()->isCurrentLevelGateActive()) {
        // Activated by that use: a click elsewhere, then on the gate again.
        groundClick();
        return true;
    }
    if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
        mirror()->selectEntity(clickable);
        m_ctx.usedGateAt = frame();
        ++m_gateTries;
        trace(formatString("uses its level's gate (action %d)", mirror()->action).c_str());
    }
    return true;
}

const Gate* Gates::levelGateHere() const
{
    const int here = player()->getPosition().zone;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
        if (gate && gate->getKind() == Gate::kLevelGate && gate->getPosition().zone == here) {
            return gate;
        }
    }
    return nullptr;
}

} // namespace selfplay
