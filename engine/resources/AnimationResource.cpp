#include "engine/resources/AnimationResource.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

#include <algorithm>
#include <cstring>

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
    ByteBuffer in(data, size);
    char magic[4];
    in.readBytes(magic, sizeof magic);
    if (std::memcmp(magic, "MDA1", 4) != 0) {
        debugPrint(3, "%s: not an animation file\n", fileName.c_str());
        return nullptr;
    }
    uint32_t version = in.readUInt();
    if (version != kFormatVersion) {
        debugPrint(3, "%s: unsupported animation version %u\n", fileName.c_str(), version);
        return nullptr;
    }
    uint32_t frames = in.readUInt();
    uint32_t bones = in.readUInt();
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
        k.rotation.x = in.readFloat();
        k.rotation.y = in.readFloat();
        k.rotation.z = in.readFloat();
        k.rotation.w = in.readFloat();
        k.position.x = in.readFloat();
        k.position.y = in.readFloat();
        k.position.z = in.readFloat();
    }
    bool hasBounds = in.readByte() != 0;
    if (hasBounds && frames <= in.remaining() / kBoundsBytes) {
        anim->m_bounds.resize(frames);
        for (auto& b : anim->m_bounds) {
            b.min.x = in.readFloat();
            b.min.y = in.readFloat();
            b.min.z = in.readFloat();
            b.max.x = in.readFloat();
            b.max.y = in.readFloat();
            b.max.z = in.readFloat();
            b.radius = in.readFloat();
        }
    }
    if (in.failed() || (hasBounds && anim->m_bounds.empty())) {
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
    ByteBuffer out;
    out.reserve("MDA1", 4);
    out.writeInt(kFormatVersion);
    out.writeInt(static_cast<uint32_t>(m_frames));
    out.writeInt(static_cast<uint32_t>(m_bones));
    for (const auto& k : m_keys) {
        out.writeFloat(k.rotation.x);
        out.writeFloat(k.rotation.y);
        out.writeFloat(k.rotation.z);
        out.writeFloat(k.rotation.w);
        out.writeFloat(k.position.x);
        out.writeFloat(k.position.y);
        out.writeFloat(k.position.z);
    }
    out.writeByte(m_bounds.empty() ? 0 : 1);
    for (const auto& b : m_bounds) {
        out.writeFloat(b.min.x);
        out.writeFloat(b.min.y);
        out.writeFloat(b.min.z);
        out.writeFloat(b.max.x);
        out.writeFloat(b.max.y);
        out.writeFloat(b.max.z);
        out.writeFloat(b.radius);
    }
    return out.bytes();
}
