#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/effects/EffectHost.h"

#include <string>
#include <vector>

class EffectDefinition;
class EffectSystem;
class RenderQueue;
struct Particle;

// One running particle effect, bound to a host's attach point.
class EffectInstance {
public:
    const EffectDefinition* getDefinition() const;
    void loadDefinition(const std::string& name);
    // The item-type or covenant colour, and the line's attach point.
    void initColour();
    // The origin follows the attach point; the delta is its movement.
    void updateOrigin();
    void update(float seconds, EffectSystem& system);
    void spawnParticles(EffectSystem& system);
    void spawnParticle(EffectSystem& system);
    void updateParticles(float seconds, EffectSystem& system);
    void removeDeadParticles(EffectSystem& system);
    // The definition's spawn count at once.
    void spawnBurst(EffectSystem& system);
    void draw(RenderQueue& queue) const;
    // Host released, accumulator 0, no attach points, inactive, no particles.
    void reset(EffectSystem& system);

    std::vector<Particle*> particles;
    EffectHostRef entity;
    std::string attachPointName;
    int attachPoint = -1;
    std::string definitionName;
    ResourceHandle definition;
    float accumulator = 0.0f;
    ZonePosition3 origin{-1, 0.0f, 0.0f, 0.0f};
    Vec3 originDelta;
    Matrix3 orientation;
    bool active = false;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    int lineAttachPoint = -1;
};
