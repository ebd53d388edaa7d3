#pragma once

#include "engine/resources/ResourceHandle.h"
#include "graphics/effects/EffectHost.h"
#include "graphics/render/SwipePoint.h"

#include <string>
#include <vector>

class RenderQueue;
class SwipeDefinition;
struct Particle;

// A trail between two attach points (of the host's own model, location 17,
// or of a model it wears) or along a particle. Points keep their storage
// between uses, so a running trail allocates nothing.
class SwipeInstance {
public:
    static constexpr int kOwnModel = 17;

    const SwipeDefinition* getDefinition() const;
    void update(float seconds);
    void draw(RenderQueue& queue) const;
    void reset();

    ResourceHandle definition;
    EffectHostRef entity;
    Particle* particle = nullptr;
    bool followsParticle = false;
    std::string definitionName;
    std::string attachPointAName;
    std::string attachPointBName;
    int attachPointA = -1;
    int attachPointB = -1;
    bool active = false;
    float timer = 0.0f;
    std::vector<SwipePoint> points;
    int location = kOwnModel;
};
