#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"
#include "engine/object/SafePtr.h"

#include "engine/resources/ResourceHandle.h"

#include <functional>
#include <string>

// What an effect is bound to (on the client, an entity mirror). The effect
// system holds it through a safe pointer to the same object's SafeClass base
// and asks nothing once that reads null.
class EffectHost {
public:
    // The attach parent as effects see it.
    struct ParentState {
        bool exists = false;
        bool dead = false;
        bool hidden = false; // state bit 0x400
        float fade = 1.0f;
    };

    virtual ~EffectHost() = default;

    virtual SafeClass* getEffectSafeBase() = 0;
    // The name of the host's model for messages.
    virtual std::string getEffectModelName() const = 0;
    // Bones first, then tags; -1 without a model.
    virtual int findEffectAttachPoint(const std::string& name) const = 0;
    // An attach point's world position and orientation; false without it.
    virtual bool getEffectTagTransform(int attachPoint, ZonePosition3& position,
                                       Matrix3& orientation) const = 0;
    // An equipment location by name, -1 for a name that is none.
    virtual int parseEffectLocation(const std::string& name) const = 0;
    // A tag of the model worn at a location; -1 for none.
    virtual int findEffectTagInAttachment(int location, const std::string& tag) const = 0;
    virtual bool getEffectAttachmentTagTransform(int location, const std::string& tag,
                                                 ZonePosition3& position, Matrix3& orientation) const = 0;
    virtual ParentState getEffectParentState() const = 0;
    // The two beam ends the server gave the host, through the client's
    // entity table; false when either entity is missing.
    virtual bool getEffectBeamEnds(ZonePosition3& start, ZonePosition3& end) const = 0;
    // The colour of the host's item type; false for none.
    virtual bool getEffectItemColour(float out[3]) const = 0;
    // The colour of the host's covenant; false without one.
    virtual bool getEffectCovenantColour(float out[3]) const = 0;
    // False only for the local player's own entry of the entity table.
    virtual bool isNotLocalPlayer() const = 0;
};

// A host held safely: null once the host's object is gone.
class EffectHostRef {
public:
    EffectHostRef() = default;
    explicit EffectHostRef(EffectHost* host) { reset(host); }
    void reset(EffectHost* host = nullptr)
    {
        m_safe = host ? host->getEffectSafeBase() : nullptr;
        m_host = host;
    }
    EffectHost* get() const { return m_safe ? m_host : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    bool operator==(const EffectHost* other) const { return get() == other; }

private:
    SafePtr<SafeClass> m_safe;
    EffectHost* m_host = nullptr;
};

// What effects ask of the client, which graphics/ cannot include. Empty
// hooks answer: not paused, no weather, no wind, no screen, no sound.
struct EffectEnvironment {
    std::function<bool()> isPaused;
    // The current area's "WeatherIntensityMult" and the weather's amount.
    std::function<float()> areaWeatherIntensity;
    std::function<float()> weatherAmount;
    std::function<Vec2()> wind;
    // A world point on the virtual screen.
    std::function<Vec2(const ZonePosition3& position)> screenPositionOf;
    // A sound at a place on a free channel (nothing without one).
    std::function<void(const ResourceHandle& sound, const ZonePosition3& position)> playSound;

    bool paused() const { return isPaused && isPaused(); }
    float localWeather() const
    {
        return (areaWeatherIntensity ? areaWeatherIntensity() : 0.0f) *
               (weatherAmount ? weatherAmount() : 0.0f);
    }
};
