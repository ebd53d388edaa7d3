#pragma once

#include "engine/object/SafePtr.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Sentient.h"

// A covenant whose answers the test sets, counting the teleport effects it
// is asked to play.
class ScriptedCovenant : public Covenant {
public:
    Sentient* getLeader() const override { return leader.get(); }
    bool isExcludedFromKillCredit() const override { return excluded; }
    float getResurrectTime(const Entity*) const override { return resurrectTime; }
    ZonePosition getReturnPosition(const Entity*) const override { return returnPosition; }
    void playTeleportEffect(Entity*) override { ++teleportEffects; }
    bool isPlayerCovenant() const override { return player; }

    SafePtr<Sentient> leader;
    bool excluded = false;
    float resurrectTime = 0.0f;
    ZonePosition returnPosition;
    int teleportEffects = 0;
    bool player = false;
};
