#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"
#include "graphics/RenderSurface.h"

#include <cstdint>

class ModelResource;
class RenderQueue;
class Skin;
struct LitEntity;

// One mesh of a queued skinned model. It loads its own model-view matrix in
// begin, so it never joins the batch before it.
class ModelRenderSurface : public RenderSurface {
public:
    explicit ModelRenderSurface(RenderQueue& queue) : m_queue(queue) { beginsOwnBatch = true; }

    void begin() override;
    bool isCulled() const override;
    void draw(StageBatch& batch, bool withNormals) override;
    void end() override;

    // Appends the mesh skinned at the whole frame of the animation time
    // (clamped into the animation); nothing without a skeleton, meshes and a
    // loaded animation of the skeleton's bone count.
    void drawSkinned(StageBatch& batch, bool withNormals);
    // The model-view matrix begin loads (column-major).
    void buildModelView(float out[16]) const;

    const ModelResource* model = nullptr;
    const Skin* skin = nullptr;
    int animation = 0;
    float time = 0.0f;
    ZonePosition3 position;
    Matrix3 orientation;
    float scale = 1.0f;
    int mesh = 0;
    int poseSlot = -1;
    bool savedTransform = false;
    bool shadowPass = false;
    ZonePosition3 shadowLight;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const LitEntity* litEntity = nullptr;

    // The whole frame of a time in frames within an animation of that many
    // frames: 0 … frames − 1, 0 for a time that is not finite.
    static int frameOf(float time, int frames);

private:
    RenderQueue& m_queue;
};
