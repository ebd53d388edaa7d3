#pragma once

#include "engine/core/ZonePosition.h"
#include "game/covenants/CovenantBase.h"

class Entity;
class Sentient;

// The server's covenant as the world's characters see it: who leads it,
// whether it takes kill credit, how long its dead wait to come back, where
// they come back, and its raid. The covenant code answers the queries.
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

    // ---- Raids
    // The raid target names a covenant and the relation with it is Raid.
    bool isRaiding() const;
    // Whether a member is one of those on the covenant's raid.
    virtual bool takesPartInRaid(const Entity* member) const = 0;
    // Whether raiders may teleport to the raided covenant: a player's
    // covenant once its raid is announced, a computer-run one always.
    virtual bool allowsRaidTeleport() const = 0;
    // The recruits on the raid: alive, and dead (maximum health or health
    // below 1).
    virtual void countRaidParty(int& alive, int& dead) const = 0;
    // 200 units in +x from the life stone, snapped to the grid; zone -1
    // without a life stone.
    virtual ZonePosition getPositionNearLifestone() const = 0;
    // Whether another covenant raids this one; no until the raid code answers.
    virtual bool isBeingRaided() const { return false; }
    // A free spot beside the house gate for the requester; zone -1 until the
    // player's covenant has a gate.
    virtual ZonePosition getSpotNearGate(const Entity* requester) const
    {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
};
