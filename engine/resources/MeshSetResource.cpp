#include "engine/resources/MeshSetResource.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kVertexBytes = 7 * 4;
constexpr size_t kWeightBytes = 5 * 4;
constexpr size_t kTriangleBytes = 3 * 4;
} // namespace

std::unique_ptr<MeshSetResource> MeshSetResource::parse(const std::string& fileName, const uint8_t* data,
                                                        size_t size)
{
    ByteBuffer in(data, size);
    char magic[4];
    in.readBytes(magic, sizeof magic);
    if (std::memcmp(magic, "MDM1", 4) != 0) {
        debugPrint(3, "%s: not a mesh file\n", fileName.c_str());
        return nullptr;
    }
    uint32_t version = in.readUInt();
    if (version != kFormatVersion) {
        debugPrint(3, "%s: unsupported mesh version %u\n", fileName.c_str(), version);
        return nullptr;
    }
    // A mesh takes at least its surface and three counts.
    uint32_t meshCount = in.readCount(16);
    auto set = std::make_unique<MeshSetResource>();
    for (uint32_t m = 0; m < meshCount && !in.failed(); ++m) {
        Mesh mesh;
        mesh.surface = in.readInt();
        uint32_t vertexCount = in.readCount(kVertexBytes);
        mesh.vertices.resize(vertexCount);
        for (auto& v : mesh.vertices) {
            v.u = in.readFloat();
            v.v = in.readFloat();
            v.nx = in.readFloat();
            v.ny = in.readFloat();
            v.nz = in.readFloat();
            v.firstWeight = in.readUInt();
            v.weightCount = in.readUInt();
        }
        uint32_t weightCount = in.readCount(kWeightBytes);
        mesh.weights.resize(weightCount);
        for (auto& w : mesh.weights) {
            w.bone = in.readInt();
            w.ox = in.readFloat();
            w.oy = in.readFloat();
            w.oz = in.readFloat();
            w.weight = in.readFloat();
        }
        uint32_t triangleCount = in.readCount(kTriangleBytes);
        mesh.triangles.resize(static_cast<size_t>(triangleCount) * 3);
        for (auto& t : mesh.triangles) {
            t = in.readUInt();
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
    ByteBuffer out;
    out.reserve("MDM1", 4);
    out.writeInt(kFormatVersion);
    out.writeInt(static_cast<uint32_t>(m_meshes.size()));
    for (const auto& m : m_meshes) {
        out.writeInt(m.surface);
        out.writeInt(static_cast<uint32_t>(m.vertices.size()));
        for (const auto& v : m.vertices) {
            out.writeFloat(v.u);
            out.writeFloat(v.v);
            out.writeFloat(v.nx);
            out.writeFloat(v.ny);
            out.writeFloat(v.nz);
            out.writeInt(v.firstWeight);
            out.writeInt(v.weightCount);
        }
        out.writeInt(static_cast<uint32_t>(m.weights.size()));
        for (const auto& w : m.weights) {
            out.writeInt(w.bone);
            out.writeFloat(w.ox);
            out.writeFloat(w.oy);
            out.writeFloat(w.oz);
            out.writeFloat(w.weight);
        }
        out.writeInt(static_cast<uint32_t>(m.triangles.size() / 3));
        for (uint32_t t : m.triangles) {
            out.writeInt(t);
        }
    }
    return out.bytes();
}
