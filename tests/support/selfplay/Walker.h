#pragma once

// The player's walks: clicks on the ground along a route, on its level or
// off its edge into the next, and through gates.
#include "support/selfplay/Part.h"

#include <vector>

class Gate;

namespace selfplay {

class Walker : public Part {
public:
    explicit Walker(Bot& bot);

    // Clicks on the ground along a route to a point of the player's level.
    void walkTo(const ZonePosition& point);

    // To a gate and through it: a click on it once the player stands near.
    void takeGate(const Gate& gate);

    // Every two game minutes the player walks off its level into a
    // neighbouring one, by clicks on the ground along a route to the edge;
    // between journeys it walks to free points of its level.
    void wander();

    // Clicks on the ground along the route; without one, walks to free
    // points of the level.
    void followRoute();

    size_t routeSize() const { return m_route.size(); }
    // The way it was on leads elsewhere.
    void clearRoute() { m_route.clear(); }
    // A journey begun for a level the player no longer goes to is planned
    // again: walked to its end it would take the player on, away from home.
    void dropJourneyElsewhere();

private:
    static constexpr float kByStone = 600.0f; // how far from its stone it walks while held home

    // The farthest cell of the route within a click's reach (on screen)
    // that the player sees over free ground.
    size_t farthestInSight() const;

    std::vector<ZonePosition> m_route;
    int m_journeyGoal = -1; // the level the last journey over a level's side was planned for
    int m_nextJourney = 600;
    int m_routeUntil = 0;
    int m_misses = 0;
    size_t m_routeLeft = 0;
    int m_routeProgressAt = 0;
    int m_detourUntil = 0;
    int m_wanderUntil = 0;
    int m_zone = 0;
    int m_cameFrom = -1;
    ZonePosition m_walkGoal{-1, 0.0f, 0.0f};
};

} // namespace selfplay
