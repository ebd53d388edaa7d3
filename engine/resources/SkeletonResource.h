#pragma once

#include "engine/resources/Resource.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct SkeletonBone {
    std::string name;
    int parent = -1; // -1 for a root; parents come before their children
};

// A skeleton (".mds"): the bones with their names and parent indices.
class SkeletonResource : public Resource {
public:
    // The u32 after the four magic characters.
    static constexpr uint32_t kFormatVersion = 1;

    static std::unique_ptr<SkeletonResource> parse(const std::string& fileName, const uint8_t* data,
                                                   size_t size);

    int getNumBones() const { return static_cast<int>(m_bones.size()); }
    const SkeletonBone* getBone(int index) const;
    const std::string& getBoneName(int index) const;
    int findBone(std::string_view name) const; // without regard to case; -1 none

    std::vector<SkeletonBone>& bones() { return m_bones; }
    const std::vector<SkeletonBone>& bones() const { return m_bones; }
    std::vector<uint8_t> serialize() const;

private:
    std::vector<SkeletonBone> m_bones;
};
