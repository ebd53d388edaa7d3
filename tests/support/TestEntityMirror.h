#pragma once

#include "client/mirrors/EntityClient.h"
#include "client/mirrors/StatusEffectClient.h"

#include <memory>

// An entity mirror for client tests: its mouse action is whatever the test sets.
class TestEntityMirror : public EntityClient {
public:
    explicit TestEntityMirror(int mouseAction = 1) : m_mouseAction(mouseAction) {}
    int getMouseAction(bool, bool) const override { return m_mouseAction; }
    void setMouseAction(int action) { m_mouseAction = action; }
    // Gates take a lower class priority for the server's animations.
    void setGateFlag(bool gate) { m_gate = gate; }
    void setLifeStoneFlag(bool stone) { m_lifeStone = stone; }
    // The fields a state message would fill.
    void setRank(int rank) { m_rank = rank; }
    void addStatusEffect(const DatabaseEntry* entry)
    {
        auto effect = std::make_unique<StatusEffectClient>();
        effect->setEntry(entry, 1, nullptr);
        m_effects.push_back(std::move(effect));
    }
    void setVendorKind(bool vendor, bool guard, bool gambler)
    {
        m_vendor = vendor;
        m_guardVendor = guard;
        m_gambler = gambler;
    }

private:
    int m_mouseAction;
};
