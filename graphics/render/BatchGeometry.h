#pragma once

#include "engine/core/Color.h"
#include "engine/core/MathUtil.h"
#include "graphics/render/SwipePoint.h"

#include <array>
#include <cstdint>
#include <vector>

class StageBatch;
struct RenderView;

// The per-vertex blend weights of a blended ground tile: one list per corner
// (upper-left, upper-right, lower-right, lower-left, y up), one byte per
// layer.
using BlendCorners = std::array<std::vector<uint8_t>, 4>;

// Builders that append world geometry to the shared batch. Each grows the
// arrays first and writes from the base vertex (the vertex count before the
// call); colours go to the batch's code colours, normals only when asked.
class BatchGeometry {
public:
    // Four corners with texture coordinates (0, 1), (1, 1), (1, 0), (0, 0),
    // triangles (0, 2, 1) and (0, 3, 2); one colour on all four.
    static void addQuad(StageBatch& batch, const Vec3 corners[4], const float colour[3], float alpha);
    // As addQuad with a colour per corner.
    static void addQuad(StageBatch& batch, const Vec3 corners[4], const Color colours[4]);
    // The ground quad between corners a (low x, low y) and b: (a.x, b.y),
    // (b.x, b.y), (b.x, a.y), (a.x, a.y). Normals (0, 0, 1) when asked; the
    // colour when coloured, else white; the alpha on every corner.
    static void addTile(StageBatch& batch, const Vec3& a, const Vec3& b, bool withNormals, bool coloured,
                        const float colour[3], float alpha = 1.0f);
    // The tile quad; stage j's alpha at vertex i is corner i's weight of
    // layer j, 255 for a layer the corner lacks.
    static void addBlendedTile(StageBatch& batch, const Vec3& a, const Vec3& b, const BlendCorners* corners,
                               bool withNormals);
    // A camera-facing square about a camera-space centre: the view's right
    // and up axes turned about the view direction by `rotation` degrees. The
    // age becomes the batch's surface time.
    static void addParticle(StageBatch& batch, const RenderView& view, const Vec3& centre, float rotation,
                            float size, const float colour[3], float alpha, float age);

    // How a beam looks, wherever it runs.
    struct BeamShape {
        int segments = 1;
        float size = 1.0f;
        float minOffset = 0.0f;
        float maxOffset = 0.0f;
        float startSize = 1.0f;
        float endSize = 1.0f;
        float colour[3] = {1.0f, 1.0f, 1.0f};
        float alpha = 1.0f;
        uint32_t seed = 0;
    };
    struct Beam : BeamShape {
        Vec3 start, end; // camera space
        Vec3 eye;        // camera space
    };
    // One quad per segment, joints shared; inner points moved at random
    // (random stream 3, re-seeded with the beam's seed).
    static void addBeam(StageBatch& batch, const Beam& beam);
    // One quad per pair of neighbouring trail points, each point taken in
    // the view's reference zone; the colour times the point's alpha.
    static void addSwipe(StageBatch& batch, const RenderView& view, const std::vector<SwipePoint>& points,
                         const float colour[3]);

private:
    static void appendQuad(StageBatch& batch, const Vec3 corners[4], const float uv[4][2],
                           const std::array<uint8_t, 4> colours[4], const Vec3* normal);
};
