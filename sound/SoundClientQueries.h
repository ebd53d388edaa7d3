#pragma once

#include "engine/core/ZonePosition3.h"

// What the sound system asks of the game client. The client installs its
// answers with SoundSystem::setClientQueries; until then the defaults apply
// (no position, not paused, no entities).
class SoundClientQueries {
public:
    virtual ~SoundClientQueries() = default;

    // The local player's zone position (z 0) while the client is connected
    // and the area editor is inactive; else zone -1 at (0, 0, 0). It is the
    // listener, the reference point of source positions and the centre of
    // ambient sounds.
    virtual ZonePosition3 getListenerPosition() const = 0;
    virtual bool isPaused() const = 0;
    // The zone position of an entity's client mirror; false for -1 or an
    // entity without a mirror.
    virtual bool findEntityPosition(int entity, ZonePosition3& out) const = 0;
    // The local player's entity number, -1 for none.
    virtual int getLocalPlayerEntity() const = 0;
};
