#pragma once

#include "engine/resources/ResourceHandle.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class AnimationResource;

enum class AnimationEventKind {
    Frame, // at a given frame
    Entry, // when the animation starts
    Exit,  // when it ends
    First, // on its first frame
    Last,  // on its last frame
    Every  // on every frame
};

struct AnimationEvent {
    AnimationEventKind kind = AnimationEventKind::Frame;
    int frame = 0;
    std::string name;
    std::vector<std::string> args; // 0 to 4 strings
};

// One animation of a model: skeletal (kind 1, keys in an ".mda" file) or
// sprite (kind 2, one texture per frame and direction).
class ModelAnimation {
public:
    static constexpr int kSkeletal = 1;
    static constexpr int kSprite = 2;
    static constexpr int kMaxEventArgs = 4;

    // Turns a sprite frame's texture name into a counted handle; installed
    // by the graphics system (an empty handle without one). Runs on the
    // loader thread.
    using TextureLookup = std::function<ResourceHandle(const std::string& name)>;
    static void setTextureLookup(TextureLookup lookup);

    int kind = kSkeletal;
    std::string name;
    float framesPerSecond = 20.0f; // the animation's own rate
    bool loop = false;
    bool moves = false;
    bool followsAttackSpeed = false;
    std::vector<AnimationEvent> events;

    std::string fileName;                       // skeletal: the ".mda" file
    ResourceHandle animation;                   // skeletal: its resource
    int directions = 1;                         // sprite: directions per frame
    std::vector<std::string> spriteFrames;      // sprite: frame-major, direction-minor
    std::vector<ResourceHandle> spriteTextures; // held while the model lives

    int getNumFrames() const;
    // Distance moved per second by the root bone: its travel from the first
    // to the last frame over the time between them.
    float getMoveSpeed() const;
    float getDuration() const;
    // The frame of the first event with that name ("attackMarker",
    // "skillMarker", "startMarker", "endMarker" …), 0 when absent or null.
    static int getEventFrame(const ModelAnimation* animation, std::string_view eventName);
    // The next event, from index `cursor` on, that fires when playing moves
    // from fromFrame (exclusive; -1 when just started) to toFrame
    // (inclusive; numFrames or more when it ends). Advances the cursor past
    // it; null when no more fire.
    const AnimationEvent* findNextEvent(int fromFrame, int toFrame, size_t& cursor) const;
    // Texture entry of a sprite frame (-1 for none); an out-of-range frame
    // gives the first.
    int getSpriteTexture(int frame, int direction) const;
    AnimationResource* getAnimationResource() const;

    // Filled in by the model once the animation file is loaded.
    int cachedFrames = 0;
    float cachedMoveSpeed = 0.0f;

    static ResourceHandle lookupTexture(const std::string& name);
};
