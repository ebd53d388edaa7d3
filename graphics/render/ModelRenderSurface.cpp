#include "graphics/render/ModelRenderSurface.h"

#include "engine/console/UserVarRef.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/SkeletonResource.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/StageBatch.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/RenderView.h"

#include <algorithm>
#include <cmath>

namespace {

// Column-major 4 × 4 of a rotation (rows become columns) and a translation.
void objectMatrix(const Matrix3& rotation, const Vec3& translation, float out[16])
{
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            out[j * 4 + i] = rotation.m[j][i];
        }
        out[j * 4 + 3] = 0.0f;
    }
    out[12] = translation.x;
    out[13] = translation.y;
    out[14] = translation.z;
    out[15] = 1.0f;
}

void multiply4(const float a[16], const float b[16], float out[16])
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + r] * b[c * 4 + k];
            }
            out[c * 4 + r] = sum;
        }
    }
}

bool varOn(GraphicsSystem& graphics, const char* name, bool fallback)
{
    UserVarRef var = graphics.getVar(name);
    return var.isValid() ? var.getInt() != 0 : fallback;
}

} // namespace

int ModelRenderSurface::frameOf(float time, int frames)
{
    if (frames <= 0 || !std::isfinite(time)) {
        return 0;
    }
    const float whole = std::floor(time);
    if (whole <= 0.0f) {
        return 0;
    }
    if (whole >= static_cast<float>(frames - 1)) {
        return frames - 1;
    }
    return static_cast<int>(whole);
}

void ModelRenderSurface::buildModelView(float out[16]) const
{
    GraphicsSystem& graphics = m_queue.getGraphics();
    const RenderView& view = graphics.getView();
    const Vec3 local = view.toLocal(position);
    Matrix3 rotation = orientation;
    Vec3 translation = local;
    if (!savedTransform) {
        // Into the camera's axes: rotation × view rotation transposed, and
        // the offset from the eye along each camera axis.
        const Vec3 offset = local - view.toLocal(view.eye);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                rotation.m[i][j] = vec3Dot(orientation.row(i), view.rotation.row(j));
            }
        }
        translation = {vec3Dot(offset, view.rotation.row(0)), vec3Dot(offset, view.rotation.row(1)),
                       vec3Dot(offset, view.rotation.row(2))};
    }
    float flat[9];
    for (int i = 0; i < 9; ++i) {
        flat[i] = rotation.m[i / 3][i % 3];
    }
    const float t[3] = {translation.x, translation.y, translation.z};
    graphics.makeTransformMatrix(flat, t, out);
    if (shadowPass) {
        // Flattened onto the ground in the world, away from the light point.
        float world[16], shadow[16], result[16];
        objectMatrix(orientation, local, world);
        const Vec3 light = view.toLocal(shadowLight);
        // The shadow matrix takes heights negated, as it takes its plane.
        const float l[3] = {light.x, light.y, -light.z};
        graphics.buildShadowMatrix(world, l, shadow);
        multiply4(out, shadow, result);
        std::copy(result, result + 16, out);
    }
}

void ModelRenderSurface::begin()
{
    GraphicsSystem& graphics = m_queue.getGraphics();
    graphics.setObjectTransform(graphics.toCameraSpace(position), orientation);
    float matrix[16];
    buildModelView(matrix);
    graphics.loadModelView(matrix);
}

bool ModelRenderSurface::isCulled() const
{
    if (fade <= 0.0f) {
        return true;
    }
    GraphicsSystem& graphics = m_queue.getGraphics();
    const ModelAnimation* anim = model ? model->getAnimation(animation) : nullptr;
    const AnimationResource* keys = anim ? anim->getAnimationResource() : nullptr;
    const int frame = frameOf(time, keys ? keys->getNumFrames() : 0);
    return graphics.isModelCulled(model, graphics.toCameraSpace(position), animation, frame, scale);
}

void ModelRenderSurface::draw(StageBatch& batch, bool withNormals)
{
    const RenderView& view = m_queue.getGraphics().getView();
    const Vec3 local = view.toLocal(position);
    batch.origin[0] = local.x;
    batch.origin[1] = local.y;
    batch.origin[2] = local.z;
    batch.hasMatrix = true;
    for (int i = 0; i < 9; ++i) {
        batch.matrix[i] = orientation.m[i / 3][i % 3];
    }
    batch.litEntity = litEntity;
    drawSkinned(batch, withNormals);
}

void ModelRenderSurface::end()
{
    m_queue.getGraphics().loadCameraMatrix();
}

void ModelRenderSurface::drawSkinned(StageBatch& batch, bool withNormals)
{
    if (!model || model->getSkeletonHandle().getIndex() < 0 || model->getMeshSetHandle().getIndex() < 0) {
        return;
    }
    const SkeletonResource* skeleton = model->getSkeleton();
    const MeshSetResource* meshes = model->getMeshSet();
    const ModelAnimation* anim = model->getAnimation(animation);
    const AnimationResource* keys = anim ? anim->getAnimationResource() : nullptr;
    if (!skeleton || !meshes || !keys) {
        return;
    }
    const int bones = skeleton->getNumBones();
    if (bones != keys->getNumBones()) {
        debugPrint(3, "Number of bones mismatch: model - %s, anim - %s\n", skeleton->getFileName().c_str(),
                   keys->getFileName().c_str());
        return;
    }
    if (meshes->getMaxBoneIndex() >= bones) {
        if (m_queue.firstBadMeshSet(model->getFileName())) {
            debugPrint(3, "%s: its meshes name bone %d of %d; not drawn\n", model->getFileName().c_str(),
                       meshes->getMaxBoneIndex(), bones);
        }
        return;
    }
    const Mesh* source = meshes->getMesh(mesh);
    if (!source) {
        return;
    }
    const int frame = frameOf(time, keys->getNumFrames());
    batch.litEntity = litEntity;
    PoseCache& poses = m_queue.getPoseCache();
    const int first = poses.getPose(poseSlot, *skeleton, *keys, frame);
    if (first < 0) {
        return;
    }
    GraphicsSystem& graphics = m_queue.getGraphics();
    if (varOn(graphics, "drawModel", true)) {
        const uint32_t base = batch.baseVertex();
        const size_t count = source->vertices.size();
        const size_t p = batch.positions.size(), t = batch.texCoords.size(), i = batch.indices.size();
        batch.positions.resize(p + count * 3);
        batch.texCoords.resize(t + count * 2);
        batch.codeColours.resize(std::max(batch.codeColours.size(), static_cast<size_t>(base) * 4), 255);
        const auto packed = Color::toRGBA8(colour[0], colour[1], colour[2], colour[3]);
        for (size_t v = 0; v < count; ++v) {
            batch.codeColours.insert(batch.codeColours.end(), packed.begin(), packed.end());
        }
        if (withNormals) {
            batch.normals.resize(static_cast<size_t>(base) * 3 + count * 3, 0.0f);
        }
        batch.indices.resize(i + source->triangles.size());
        for (size_t k = 0; k < source->triangles.size(); ++k) {
            batch.indices[i + k] = source->triangles[k] + base;
        }
        for (size_t v = 0; v < count; ++v) {
            const MeshVertex& vertex = source->vertices[v];
            Vec3 sum;
            int firstBone = -1;
            for (uint32_t w = 0; w < vertex.weightCount; ++w) {
                const size_t index = static_cast<size_t>(vertex.firstWeight) + w;
                if (index >= source->weights.size() || source->weights[index].bone < 0) {
                    continue;
                }
                const MeshWeight& weight = source->weights[index];
                const BonePose& bone = poses.getBone(first + weight.bone);
                const Vec3 placed =
                    transformVectorByMatrix(Vec3(weight.ox, weight.oy, weight.oz), bone.rotation) +
                    bone.position;
                sum += placed * weight.weight;
                if (firstBone < 0) {
                    firstBone = weight.bone;
                }
            }
            if (scale != 1.0f) {
                sum = sum * scale;
            }
            batch.positions[p + v * 3] = sum.x;
            batch.positions[p + v * 3 + 1] = sum.y;
            batch.positions[p + v * 3 + 2] = sum.z;
            batch.texCoords[t + v * 2] = vertex.u;
            batch.texCoords[t + v * 2 + 1] = vertex.v;
            if (withNormals) {
                Vec3 normal(vertex.nx, vertex.ny, vertex.nz);
                if (firstBone >= 0) {
                    normal = transformVectorByMatrix(normal, poses.getBone(first + firstBone).rotation);
                }
                vec3Normalize(normal);
                const size_t n = (static_cast<size_t>(base) + v) * 3;
                batch.normals[n] = normal.x;
                batch.normals[n + 1] = normal.y;
                batch.normals[n + 2] = normal.z;
            }
        }
    }
    if (varOn(graphics, "showSkel", false)) {
        const Color c = ColorSystem::getColor(0);
        const float lineColour[3] = {c.r, c.g, c.b};
        for (int b = 0; b < bones; ++b) {
            const int parent = skeleton->getBone(b)->parent;
            if (parent < 0 || parent >= bones) {
                continue;
            }
            const Vec3 from = poses.getBone(first + parent).position * scale;
            const Vec3 to = poses.getBone(first + b).position * scale;
            const float a[3] = {from.x, from.y, from.z}, z[3] = {to.x, to.y, to.z};
            graphics.drawLine3D(ResourceHandle(), a, z, lineColour, 1.0f);
        }
    }
}
