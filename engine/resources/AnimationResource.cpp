#include "engine/resources/AnimationResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/resources/ModelBinary.h"

#include <algorithm>

const AnimationResource::Bounds AnimationResource::kDefaultBounds = {Vec3(-1, -1, 0), Vec3(1, 1, 2), 1.5f};

namespace {
constexpr size_t kKeyBytes = 7 * 4;
constexpr size_t kBoundsBytes = 7 * 4;
// Large enough for any real model; keeps a hostile file from asking for a
// huge table (frames × bones is checked against the bytes as well).
constexpr uint32_t kMaxBones = 1024;
} // namespace

std::unique_ptr<AnimationResource> AnimationResource::parse(const std::string& fileName, const uint8_t* data,
                                                            size_t size)
{
    ModelBinaryReader in(data, size);
    if (in.readU32() != modelMagic("MDA1")) {
        debugPrint(3, "%s: not an animation file\n", fileName.c_str());
        return nullptr;
    }
    uint32_t version = in.readU32();
    if (version != kModelFormatVersion) {
        debugPrint(3, "%s: unsupported animation version %u\n", fileName.c_str(), version);
        return nullptr;
    }
    uint32_t frames = in.readU32();
    uint32_t bones = in.readU32();
    if (in.failed()) {
        debugPrint(3, "%s: animation file is truncated\n", fileName.c_str());
        return nullptr;
    }
    if (frames == 0 || bones == 0 || bones > kMaxBones) {
        debugPrint(3, "%s: animation has %u frames of %u bones\n", fileName.c_str(), frames, bones);
        return nullptr;
    }
    uint64_t keyCount = static_cast<uint64_t>(frames) * bones;
    if (keyCount > in.remaining() / kKeyBytes) {
        debugPrint(3, "%s: animation file is truncated (%u frames of %u bones)\n", fileName.c_str(), frames,
                   bones);
        return nullptr;
    }
    auto anim = std::make_unique<AnimationResource>();
    anim->m_frames = static_cast<int>(frames);
    anim->m_bones = static_cast<int>(bones);
    anim->m_keys.resize(keyCount);
    for (auto& k : anim->m_keys) {
        k.rotation.x = in.readF32();
        k.rotation.y = in.readF32();
        k.rotation.z = in.readF32();
        k.rotation.w = in.readF32();
        k.position.x = in.readF32();
        k.position.y = in.readF32();
        k.position.z = in.readF32();
    }
    uint8_t hasBounds = in.readU8();
    if (hasBounds) {
        if (frames > in.remaining() / kBoundsBytes) {
            in.fail();
        } else {
            anim->m_bounds.resize(frames);
            for (auto& b : anim->m_bounds) {
                b.min.x = in.readF32();
                b.min.y = in.readF32();
                b.min.z = in.readF32();
                b.max.x = in.readF32();
                b.max.y = in.readF32();
                b.max.z = in.readF32();
                b.radius = in.readF32();
            }
        }
    }
    if (in.failed()) {
        debugPrint(3, "%s: animation file is truncated or damaged\n", fileName.c_str());
        return nullptr;
    }
    return anim;
}

int AnimationResource::clampFrame(int frame) const
{
    return std::clamp(frame, 0, std::max(0, m_frames - 1));
}

AnimationKey AnimationResource::getKey(int frame, int bone) const
{
    if (bone < 0 || bone >= m_bones || m_frames == 0) {
        return AnimationKey{};
    }
    return m_keys[static_cast<size_t>(clampFrame(frame)) * m_bones + bone];
}

const AnimationResource::Bounds& AnimationResource::boundsAt(int frame) const
{
    return m_bounds.empty() ? kDefaultBounds : m_bounds[clampFrame(frame)];
}

Vec3 AnimationResource::getFrameBoundsMin(int frame) const
{
    return boundsAt(frame).min;
}

Vec3 AnimationResource::getFrameBoundsMax(int frame) const
{
    return boundsAt(frame).max;
}

float AnimationResource::getFrameRadius(int frame) const
{
    return boundsAt(frame).radius;
}

void AnimationResource::setSize(int frames, int bones)
{
    m_frames = std::max(0, frames);
    m_bones = std::max(0, bones);
    m_keys.assign(static_cast<size_t>(m_frames) * m_bones, AnimationKey{});
    m_bounds.clear();
}

void AnimationResource::setKey(int frame, int bone, const AnimationKey& key)
{
    if (frame >= 0 && frame < m_frames && bone >= 0 && bone < m_bones) {
        m_keys[static_cast<size_t>(frame) * m_bones + bone] = key;
    }
}

void AnimationResource::setBounds(int frame, const Bounds& bounds)
{
    if (frame < 0 || frame >= m_frames) {
        return;
    }
    if (m_bounds.empty()) {
        m_bounds.assign(m_frames, kDefaultBounds);
    }
    m_bounds[frame] = bounds;
}

std::vector<uint8_t> AnimationResource::serialize() const
{
    ModelBinaryWriter out;
    out.writeMagic("MDA1");
    out.writeU32(kModelFormatVersion);
    out.writeU32(static_cast<uint32_t>(m_frames));
    out.writeU32(static_cast<uint32_t>(m_bones));
    for (const auto& k : m_keys) {
        out.writeF32(k.rotation.x);
        out.writeF32(k.rotation.y);
        out.writeF32(k.rotation.z);
        out.writeF32(k.rotation.w);
        out.writeF32(k.position.x);
        out.writeF32(k.position.y);
        out.writeF32(k.position.z);
    }
    out.writeU8(m_bounds.empty() ? 0 : 1);
    for (const auto& b : m_bounds) {
        out.writeF32(b.min.x);
        out.writeF32(b.min.y);
        out.writeF32(b.min.z);
        out.writeF32(b.max.x);
        out.writeF32(b.max.y);
        out.writeF32(b.max.z);
        out.writeF32(b.radius);
    }
    return out.bytes();
}
