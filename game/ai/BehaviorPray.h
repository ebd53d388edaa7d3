#pragma once

#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

// Uses "SkillPrayer" to win back power, at most once per pause of
// MinPrayTime … MaxPrayTime; a fresh actor waits one pause first.
class BehaviorPray : public BehaviorBase {
public:
    static constexpr const char* kPrayerSkill = "SkillPrayer";

    BehaviorPray();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void stop() override;
    void update(float) override {}

    Timer prayTimer;
};
