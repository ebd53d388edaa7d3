#pragma once

#include "game/ai/BehaviorBase.h"

// Does nothing; the usual last entry of a list, always ready.
class BehaviorSleep : public BehaviorBase {
public:
    void copyFrom(const BehaviorBase&) override {}
    int getType() const override;
    bool canStart() override { return true; }
    bool canContinue() override { return true; }
    void update(float) override {}
};
