#pragma once

#include "engine/core/ZonePosition.h"
#include "game/covenants/CovenantBase.h"

class Entity;
class Sentient;

// The server's covenant as the world's characters see it: who leads it,
// whether it takes kill credit, how long its dead wait to come back and
// where they come back. The covenant code answers the queries.
class Covenant : public CovenantBase {
public:
    // The leader credited with the covenant's kills; null for none.
    virtual Sentient* getLeader() const = 0;
    // A covenant that is passed over when kill credit is given.
    virtual bool isExcludedFromKillCredit() const = 0;
    // Seconds a dead member waits before it comes back: -1 for a neutral
    // covenant, 0 for none.
    virtual float getResurrectTime(const Entity* member) const = 0;
    // Where a member belongs.
    virtual ZonePosition getReturnPosition(const Entity* member) const = 0;
    virtual void playTeleportEffect(Entity* member) = 0;
    virtual bool isPlayerCovenant() const = 0;
};
