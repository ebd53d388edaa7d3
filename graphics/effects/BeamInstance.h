#pragma once

#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/effects/EffectHost.h"

#include <cstdint>
#include <string>

class BeamDefinition;
class RenderQueue;

// One running beam: from an attach point along its first axis, or between
// the two ends the host holds. A stopped beam fades where it was.
class BeamInstance {
public:
    const BeamDefinition* getDefinition() const;
    void update(float seconds);
    void draw(RenderQueue& queue) const;
    // The segments a draw uses (at most the definition's limit).
    int segmentCount() const;
    // Host released, alpha and colour 1, a new seed, timer 0.
    void reset();
    // The next value of the client's visual stream.
    void newSeed();

    EffectHostRef entity;
    std::string name;
    int attachPoint = -1;
    std::string definitionName;
    ResourceHandle definition;
    bool active = false;
    float alpha = 1.0f;
    ZonePosition3 start{-1, 0.0f, 0.0f, 0.0f};
    ZonePosition3 end{-1, 0.0f, 0.0f, 0.0f};
    float colour[3] = {1.0f, 1.0f, 1.0f};
    uint32_t seed = 0;
    float changeTimer = 0.0f;
};
