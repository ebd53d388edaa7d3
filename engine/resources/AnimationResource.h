#pragma once

#include "engine/core/MathUtil.h"
#include "engine/resources/Resource.h"

#include <memory>
#include <string>
#include <vector>

// One bone's pose in one frame, relative to its parent.
struct AnimationKey {
    Quaternion rotation;
    Vec3 position;
};

// A skeletal animation (".mda"): per frame, per bone, a rotation quaternion
// and a position; optionally a bounds record of 7 floats per frame (min
// corner, max corner, radius).
class AnimationResource : public Resource {
public:
    // The u32 after the four magic characters.
    static constexpr uint32_t kFormatVersion = 1;

    struct Bounds {
        Vec3 min;
        Vec3 max;
        float radius = 0;
    };
    // Used when the animation has no bounds table.
    static const Bounds kDefaultBounds;

    static std::unique_ptr<AnimationResource> parse(const std::string& fileName, const uint8_t* data,
                                                    size_t size);

    int getNumFrames() const { return m_frames; }
    int getNumBones() const { return m_bones; }
    // The key of a bone at a frame (frame clamped into range); identity for a
    // bone out of range.
    AnimationKey getKey(int frame, int bone) const;
    bool hasBounds() const { return !m_bounds.empty(); }
    Vec3 getFrameBoundsMin(int frame) const;
    Vec3 getFrameBoundsMax(int frame) const;
    float getFrameRadius(int frame) const;

    void setSize(int frames, int bones);
    void setKey(int frame, int bone, const AnimationKey& key);
    void setBounds(int frame, const Bounds& bounds);
    std::vector<uint8_t> serialize() const;

private:
    const Bounds& boundsAt(int frame) const;
    int clampFrame(int frame) const;

    int m_frames = 0;
    int m_bones = 0;
    std::vector<AnimationKey> m_keys; // frame-major
    std::vector<Bounds> m_bounds;     // empty or one per frame
};
