#pragma once

#include "engine/resources/Resource.h"

#include <memory>
#include <string>
#include <vector>

struct MeshVertex {
    float u = 0, v = 0;
    float nx = 0, ny = 0, nz = 1;
    uint32_t firstWeight = 0;
    uint32_t weightCount = 0;
};

struct MeshWeight {
    int bone = 0;
    float ox = 0, oy = 0, oz = 0; // offset in the bone's space
    float weight = 1;
};

struct Mesh {
    int surface = 0;
    std::vector<MeshVertex> vertices;
    std::vector<MeshWeight> weights;
    std::vector<uint32_t> triangles; // three vertex indices each
};

// A mesh set (".mdm"): skinned meshes, one surface number each.
class MeshSetResource : public Resource {
public:
    // The u32 after the four magic characters.
    static constexpr uint32_t kFormatVersion = 1;

    static std::unique_ptr<MeshSetResource> parse(const std::string& fileName, const uint8_t* data,
                                                  size_t size);

    int getNumMeshes() const { return static_cast<int>(m_meshes.size()); }
    const Mesh* getMesh(int index) const;
    // The highest bone index any weight uses, -1 without weights.
    int getMaxBoneIndex() const;

    std::vector<Mesh>& meshes() { return m_meshes; }
    const std::vector<Mesh>& meshes() const { return m_meshes; }
    std::vector<uint8_t> serialize() const;

private:
    std::vector<Mesh> m_meshes;
};
