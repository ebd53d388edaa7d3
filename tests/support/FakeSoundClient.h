#pragma once

// The game client's answers to the sound system, set by the test.
#include "sound/SoundClientQueries.h"

#include <map>

class FakeSoundClient : public SoundClientQueries {
public:
    ZonePosition3 listener{-1, 0.0f, 0.0f, 0.0f};
    bool paused = false;
    int localPlayer = -1;
    std::map<int, ZonePosition3> entities;

    ZonePosition3 getListenerPosition() const override { return listener; }
    bool isPaused() const override { return paused; }
    bool findEntityPosition(int entity, ZonePosition3& out) const override
    {
        auto it = entities.find(entity);
        if (entity == -1 || it == entities.end()) {
            return false;
        }
        out = it->second;
        return true;
    }
    int getLocalPlayerEntity() const override { return localPlayer; }
};
