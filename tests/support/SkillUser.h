#pragma once

#include "game/entities/Sentient.h"

#include <string>
#include <utility>
#include <vector>

// A sentient whose target is set by the test and which records the messages
// it is sent and the simple events it receives.
class SkillUser : public Sentient {
public:
    Entity* getTarget() const override { return target; }
    void getTargetPosition(ZonePosition& out) const override { out = targetPosition; }
    void sendWarpDirection() override { ++warpDirections; }
    void sendMessage(int type, const std::string& text) override { messages.emplace_back(type, text); }
    void recordSkillTotal(int total) override { skillTotals.push_back(total); }
    bool refusesFriendlySkills() const override { return refusesFriendly; }
    void leaderAttacks(Entity* victim) override { leaderVictims.push_back(victim); }
    void fireSimpleEvent(int event, int datum) override
    {
        simpleEvents.push_back(event);
        Sentient::fireSimpleEvent(event, datum);
        // A finishing skill that starts the next at once (as a behaviour may).
        if (event == toIndex(SimpleEvent::SkillFinished) && windUpOnFinish >= 0) {
            int next = windUpOnFinish;
            windUpOnFinish = -1;
            startSkillWindup(next, 5.0f, nullptr, false, 0);
        }
    }
    int countEvents(int event) const
    {
        int n = 0;
        for (int e : simpleEvents)
            n += e == event ? 1 : 0;
        return n;
    }

    Entity* target = nullptr;
    ZonePosition targetPosition{-1, 0.0f, 0.0f};
    int warpDirections = 0;
    std::vector<std::pair<int, std::string>> messages;
    std::vector<int> simpleEvents;
    std::vector<int> skillTotals;
    std::vector<Entity*> leaderVictims;
    bool refusesFriendly = false;
    int windUpOnFinish = -1;
};
