#pragma once

#include "game/definitions/GateList.h"

// The running World as the gate lists' source: one gate per level that has a
// gate spot, with the world-size entry id as its level id and the level index
// as its zone.
class WorldGateSource : public GateSource {
public:
    void collectGates(std::vector<GateLocation>& out) const override;

    // The one source the server installs once its World is loaded.
    static WorldGateSource& instance();
};
