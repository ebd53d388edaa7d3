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
    void fireSimpleEvent(int event, int datum) override
    {
        simpleEvents.push_back(event);
        Sentient::fireSimpleEvent(event, datum);
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
};
