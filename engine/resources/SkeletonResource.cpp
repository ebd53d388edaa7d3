#include "engine/resources/SkeletonResource.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <cstring>

std::unique_ptr<SkeletonResource> SkeletonResource::parse(const std::string& fileName, const uint8_t* data,
                                                          size_t size)
{
    ByteBuffer in(data, size);
    char magic[4];
    in.readBytes(magic, sizeof magic);
    if (std::memcmp(magic, "MDS1", 4) != 0) {
        debugPrint(3, "%s: not a skeleton file\n", fileName.c_str());
        return nullptr;
    }
    uint32_t version = in.readUInt();
    if (version != kFormatVersion) {
        debugPrint(3, "%s: unsupported skeleton version %u\n", fileName.c_str(), version);
        return nullptr;
    }
    // A bone takes at least its name's zero byte and a parent index.
    uint32_t count = in.readCount(5);
    auto skeleton = std::make_unique<SkeletonResource>();
    skeleton->m_bones.reserve(count);
    for (uint32_t i = 0; i < count && !in.failed(); ++i) {
        SkeletonBone bone;
        bone.name = in.readString();
        bone.parent = in.readInt();
        if (!in.failed() && (bone.parent < -1 || bone.parent >= static_cast<int>(i))) {
            debugPrint(3, "%s: bone %u (%s) has parent %d; parents must come before their children\n",
                       fileName.c_str(), i, bone.name.c_str(), bone.parent);
            return nullptr;
        }
        skeleton->m_bones.push_back(std::move(bone));
    }
    if (in.failed()) {
        debugPrint(3, "%s: skeleton file is truncated or damaged\n", fileName.c_str());
        return nullptr;
    }
    return skeleton;
}

const SkeletonBone* SkeletonResource::getBone(int index) const
{
    return index >= 0 && index < getNumBones() ? &m_bones[index] : nullptr;
}

const std::string& SkeletonResource::getBoneName(int index) const
{
    static const std::string kEmpty;
    return index >= 0 && index < getNumBones() ? m_bones[index].name : kEmpty;
}

int SkeletonResource::findBone(std::string_view name) const
{
    for (size_t i = 0; i < m_bones.size(); ++i) {
        if (equalsNoCase(m_bones[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<uint8_t> SkeletonResource::serialize() const
{
    ByteBuffer out;
    out.reserve("MDS1", 4);
    out.writeInt(kFormatVersion);
    out.writeInt(static_cast<uint32_t>(m_bones.size()));
    for (const auto& b : m_bones) {
        out.writeString(b.name);
        out.writeInt(b.parent);
    }
    return out.bytes();
}
