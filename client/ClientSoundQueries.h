#pragma once

#include "sound/SoundClientQueries.h"

// The client's answers to the sound system: the listener at the local
// player, the client's pause, entity positions from the client game state.
class ClientSoundQueries : public SoundClientQueries {
public:
    ZonePosition3 getListenerPosition() const override;
    bool isPaused() const override;
    bool findEntityPosition(int entity, ZonePosition3& out) const override;
    int getLocalPlayerEntity() const override;
};
