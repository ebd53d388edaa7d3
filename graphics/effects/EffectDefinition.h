#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/effects/RandomValue.h"

#include <memory>
#include <string>

class TextReader;

// A particle emitter read from an ".eff" file under "Effects/". Never
// changed after loading.
class EffectDefinition : public Resource {
public:
    // Limits of what one file can ask for in a frame.
    static constexpr int kMaxSpawnCount = 1000;
    static constexpr int kMaxParticlesPerUpdate = 1000;

    static std::unique_ptr<EffectDefinition> create(const std::string& fileName, const uint8_t* data,
                                                    size_t size);
    static void parse(TextReader& reader, EffectDefinition& d, const std::string& fileName);
    std::string describe() const override;

    ResourceHandle shader;
    bool linked = false;
    bool additive = false;
    bool fadeIn = false;
    bool fadeOut = false;
    float fadeTime = 0.0f;
    bool flicker = false;
    bool dieOnTouch = false;
    bool bounce = false;
    float bounceFactor = 0.9f;
    int maxBounces = 0;
    float size = 1.0f;
    float spawnInterval = 0.0f; // seconds between particles; 0: no timed spawning
    float maxAge = 1.0f;
    float scaleRate = 0.0f;
    float alpha = 1.0f;
    float sphereRadius = 0.0f;
    float circleRadius = 0.0f;
    bool onSurface = true;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    int spawnCount = 0;
    RandomValue scale = RandomValue::constant(1.0f);
    RandomValue velocity[3];
    float speed = 0.0f;
    bool hasDirection = false;
    RandomValue direction[3];
    RandomValue angularVelocity[3];
    RandomValue offset[3];
    float acceleration[3] = {0.0f, 0.0f, 0.0f};
    ResourceHandle bounceSound;
    bool tagOriented = false;
    float spin = 0.0f; // degrees per second
    std::string swipeName;
    bool spawnRateFollowsWeather = false;
    float windFactor = 0.0f;
    bool colourFromItemType = false;
    bool colourFromCovenant = false;
    bool hideWhenParentDead = false;
    bool hideWhenParentHidden = true;
    bool matchRotationToInitialVelocity = false;
    bool line = false;
    std::string lineAttachPoint;
};
