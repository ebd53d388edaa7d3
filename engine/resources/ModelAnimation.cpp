#include "engine/resources/ModelAnimation.h"

#include "engine/core/StringUtil.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/ResourceSystem.h"

#include <mutex>

namespace {
std::mutex g_lookupMutex;
ModelAnimation::TextureLookup g_textureLookup;
} // namespace

void ModelAnimation::setTextureLookup(TextureLookup lookup)
{
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_textureLookup = std::move(lookup);
}

ResourceHandle ModelAnimation::lookupTexture(const std::string& name)
{
    TextureLookup lookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_textureLookup;
    }
    return lookup ? lookup(name) : ResourceHandle();
}

int ModelAnimation::getNumFrames() const
{
    if (kind != kSkeletal) {
        return directions > 0 ? static_cast<int>(spriteFrames.size()) / directions : 0;
    }
    return cachedFrames;
}

float ModelAnimation::getMoveSpeed() const
{
    return kind == kSkeletal ? cachedMoveSpeed : 0.0f;
}

float ModelAnimation::getDuration() const
{
    return framesPerSecond > 0 ? getNumFrames() / framesPerSecond : 0.0f;
}

int ModelAnimation::getEventFrame(const ModelAnimation* animation, std::string_view eventName)
{
    if (!animation) {
        return 0;
    }
    for (const auto& e : animation->events) {
        if (!equalsNoCase(e.name, eventName)) {
            continue;
        }
        switch (e.kind) {
        case AnimationEventKind::Frame:
            return e.frame;
        case AnimationEventKind::Last:
        case AnimationEventKind::Exit:
            return animation->getNumFrames() > 0 ? animation->getNumFrames() - 1 : 0;
        default:
            return 0;
        }
    }
    return 0;
}

const AnimationEvent* ModelAnimation::findNextEvent(int fromFrame, int toFrame, size_t& cursor) const
{
    int frames = getNumFrames();
    auto inRange = [&](int f) { return f > fromFrame && f <= toFrame; };
    while (cursor < events.size()) {
        const AnimationEvent& e = events[cursor++];
        bool fires = false;
        switch (e.kind) {
        case AnimationEventKind::Frame:
            fires = inRange(e.frame);
            break;
        case AnimationEventKind::Entry:
            fires = fromFrame < 0;
            break;
        case AnimationEventKind::Exit:
            fires = frames > 0 && toFrame >= frames;
            break;
        case AnimationEventKind::First:
            fires = inRange(0);
            break;
        case AnimationEventKind::Last:
            fires = frames > 0 && inRange(frames - 1);
            break;
        case AnimationEventKind::Every:
            fires = toFrame > fromFrame;
            break;
        }
        if (fires) {
            return &e;
        }
    }
    return nullptr;
}

int ModelAnimation::getSpriteTexture(int frame, int direction) const
{
    if (spriteTextures.empty()) {
        return -1;
    }
    int dirs = directions > 0 ? directions : 1;
    if (direction < 0 || direction >= dirs) {
        direction = 0;
    }
    size_t index = static_cast<size_t>(frame) * dirs + direction;
    if (frame < 0 || index >= spriteTextures.size()) {
        return spriteTextures[0].getIndex();
    }
    return spriteTextures[index].getIndex();
}

AnimationResource* ModelAnimation::getAnimationResource() const
{
    if (!animation.isValid() || !ResourceSystem::instance()) {
        return nullptr;
    }
    return ResourceSystem::get().getAs<AnimationResource>(animation);
}
