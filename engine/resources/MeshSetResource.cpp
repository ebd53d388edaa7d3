#include "engine/resources/MeshSetResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/resources/ModelBinary.h"

#include <algorithm>

namespace {
constexpr size_t kVertexBytes = 7 * 4;
constexpr size_t kWeightBytes = 5 * 4;
constexpr size_t kTriangleBytes = 3 * 4;
} // namespace

std::unique_ptr<MeshSetResource> MeshSetResource::parse(const std::string& fileName, const uint8_t* data,
                                                        size_t size)
{
    ModelBinaryReader in(data, size);
    if (in.readU32() != modelMagic("MDM1")) {
        debugPrint(3, "%s: not a mesh file\n", fileName.c_str());
        return nullptr;
    }
    uint32_t version = in.readU32();
    if (version != kModelFormatVersion) {
        debugPrint(3, "%s: unsupported mesh version %u\n", fileName.c_str(), version);
        return nullptr;
    }
    // A mesh takes at least its surface and three counts.
    uint32_t meshCount = in.readCount(16);
    auto set = std::make_unique<MeshSetResource>();
    for (uint32_t m = 0; m < meshCount && !in.failed(); ++m) {
        Mesh mesh;
        mesh.surface = in.readI32();
        uint32_t vertexCount = in.readCount(kVertexBytes);
        mesh.vertices.resize(vertexCount);
        for (auto& v : mesh.vertices) {
            v.u = in.readF32();
            v.v = in.readF32();
            v.nx = in.readF32();
            v.ny = in.readF32();
            v.nz = in.readF32();
            v.firstWeight = in.readU32();
            v.weightCount = in.readU32();
        }
        uint32_t weightCount = in.readCount(kWeightBytes);
        mesh.weights.resize(weightCount);
        for (auto& w : mesh.weights) {
            w.bone = in.readI32();
            w.ox = in.readF32();
            w.oy = in.readF32();
            w.oz = in.readF32();
            w.weight = in.readF32();
        }
        uint32_t triangleCount = in.readCount(kTriangleBytes);
        mesh.triangles.resize(static_cast<size_t>(triangleCount) * 3);
        for (auto& t : mesh.triangles) {
            t = in.readU32();
        }
        if (in.failed()) {
            break;
        }
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            const MeshVertex& v = mesh.vertices[i];
            if (v.firstWeight > mesh.weights.size() || v.weightCount > mesh.weights.size() - v.firstWeight) {
                debugPrint(3, "%s: mesh %u vertex %zu uses weights outside the mesh\n", fileName.c_str(), m,
                           i);
                return nullptr;
            }
        }
        for (const auto& w : mesh.weights) {
            if (w.bone < 0) {
                debugPrint(3, "%s: mesh %u has a weight on bone %d\n", fileName.c_str(), m, w.bone);
                return nullptr;
            }
        }
        for (uint32_t t : mesh.triangles) {
            if (t >= mesh.vertices.size()) {
                debugPrint(3, "%s: mesh %u has a triangle on vertex %u of %zu\n", fileName.c_str(), m, t,
                           mesh.vertices.size());
                return nullptr;
            }
        }
        set->m_meshes.push_back(std::move(mesh));
    }
    if (in.failed()) {
        debugPrint(3, "%s: mesh file is truncated or damaged\n", fileName.c_str());
        return nullptr;
    }
    return set;
}

const Mesh* MeshSetResource::getMesh(int index) const
{
    return index >= 0 && index < getNumMeshes() ? &m_meshes[index] : nullptr;
}

int MeshSetResource::getMaxBoneIndex() const
{
    int maxBone = -1;
    for (const auto& m : m_meshes) {
        for (const auto& w : m.weights) {
            maxBone = std::max(maxBone, w.bone);
        }
    }
    return maxBone;
}

std::vector<uint8_t> MeshSetResource::serialize() const
{
    ModelBinaryWriter out;
    out.writeMagic("MDM1");
    out.writeU32(kModelFormatVersion);
    out.writeU32(static_cast<uint32_t>(m_meshes.size()));
    for (const auto& m : m_meshes) {
        out.writeI32(m.surface);
        out.writeU32(static_cast<uint32_t>(m.vertices.size()));
        for (const auto& v : m.vertices) {
            out.writeF32(v.u);
            out.writeF32(v.v);
            out.writeF32(v.nx);
            out.writeF32(v.ny);
            out.writeF32(v.nz);
            out.writeU32(v.firstWeight);
            out.writeU32(v.weightCount);
        }
        out.writeU32(static_cast<uint32_t>(m.weights.size()));
        for (const auto& w : m.weights) {
            out.writeI32(w.bone);
            out.writeF32(w.ox);
            out.writeF32(w.oy);
            out.writeF32(w.oz);
            out.writeF32(w.weight);
        }
        out.writeU32(static_cast<uint32_t>(m.triangles.size() / 3));
        for (uint32_t t : m.triangles) {
            out.writeU32(t);
        }
    }
    return out.bytes();
}
