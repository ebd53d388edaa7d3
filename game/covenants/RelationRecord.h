#pragma once

#include "engine/core/GameTime.h"

// A covenant's standing towards one other covenant: the relation (0 … 100),
// the treaty state and the trade-route size, each state with its game-time
// stamp.
struct RelationRecord {
    float relation = 50.0f;
    int treaty = 1; // CovenantTreaty, Peace
    GameTime treatyTime;
    int tradeRoute = 0;      // TradeRoute, None
    GameTime tradeRouteTime; // start of the route

    friend bool operator==(const RelationRecord&, const RelationRecord&) = default;
};
