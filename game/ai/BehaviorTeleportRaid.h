#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"

class Covenant;

// Sends a member of a raiding covenant straight to the raided covenant's
// life stone when it is far from the raid and no enemy is close; acts once
// per selection.
class BehaviorTeleportRaid : public BehaviorBase {
public:
    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return false; }
    void start() override;
    void update(float) override {}

    // The covenant the owner's covenant raids, when the owner is one of its
    // raiders and their teleports are allowed; null otherwise.
    const Covenant* findRaidedCovenant() const;

    float maxRange = 0.0f;
    float maxRangeWithEnemy = 0.0f;
};
