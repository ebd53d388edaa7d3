#pragma once

#include "game/definitions/GateList.h"

#include <vector>

// A world of the given gates, installed as the running world's gate source
// while it lives.
class FixedGateSource : public GateSource {
public:
    explicit FixedGateSource(std::vector<GateLocation> gates) : m_gates(std::move(gates))
    {
        GateList::setWorldSource(this);
    }
    ~FixedGateSource() override { GateList::setWorldSource(nullptr); }
    FixedGateSource(const FixedGateSource&) = delete;
    FixedGateSource& operator=(const FixedGateSource&) = delete;

    void collectGates(std::vector<GateLocation>& out) const override { out = m_gates; }

private:
    std::vector<GateLocation> m_gates;
};
