#pragma once

#include "game/covenants/CovenantBase.h"

#include <deque>
#include <vector>

// A covenant that records the notifications of the relation table and
// answers the influence and route-income questions from a set value and a
// script.
class RecordingCovenant : public CovenantBase {
public:
    struct RouteCall {
        int cap;
        int other;
        int tradeRoute;
        GameTime since;
    };

    void setDefinitionIndex(int definition) override
    {
        ++definitionCalls;
        CovenantBase::setDefinitionIndex(definition);
    }
    void onTreatyChanged(int other) override { treatyChanges.push_back(other); }
    void onTradeRouteChanged(int other) override { routeChanges.push_back(other); }
    int getInfluence() const override { return influence; }
    int getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const override
    {
        routeCalls.push_back({cap, other, tradeRoute, since});
        if (routeAnswers.empty())
            return 0;
        int answer = routeAnswers.front();
        routeAnswers.pop_front();
        return answer;
    }

    int influence = 0;
    int definitionCalls = 0;
    std::vector<int> treatyChanges;
    std::vector<int> routeChanges;
    mutable std::deque<int> routeAnswers;
    mutable std::vector<RouteCall> routeCalls;
};
