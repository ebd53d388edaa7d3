#include "graphics/render/BatchGeometry.h"

#include "engine/core/Random.h"
#include "graphics/StageBatch.h"
#include "graphics/render/RenderView.h"

#include <algorithm>

namespace {

constexpr float kQuadUv[4][2] = {{0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}};

} // namespace

void BatchGeometry::appendQuad(StageBatch& batch, const Vec3 corners[4], const float uv[4][2],
                               const std::array<uint8_t, 4> colours[4], const Vec3* normal)
{
    const uint32_t base = batch.baseVertex();
    float positions[12], texCoords[8];
    for (int k = 0; k < 4; ++k) {
        positions[k * 3] = corners[k].x;
        positions[k * 3 + 1] = corners[k].y;
        positions[k * 3 + 2] = corners[k].z;
        texCoords[k * 2] = uv[k][0];
        texCoords[k * 2 + 1] = uv[k][1];
    }
    batch.positions.insert(batch.positions.end(), positions, positions + 12);
    batch.texCoords.insert(batch.texCoords.end(), texCoords, texCoords + 8);
    // Colours of earlier surfaces that wrote none are white.
    const size_t cBase = static_cast<size_t>(base) * 4;
    batch.codeColours.resize(std::max(batch.codeColours.size(), cBase) + 16, 255);
    for (int k = 0; k < 4; ++k) {
        std::copy(colours[k].begin(), colours[k].end(),
                  batch.codeColours.begin() + static_cast<std::ptrdiff_t>(cBase + k * 4));
    }
    if (normal) {
        const size_t n = batch.normals.size();
        batch.normals.resize(n + 12);
        for (int k = 0; k < 4; ++k) {
            batch.normals[n + k * 3] = normal->x;
            batch.normals[n + k * 3 + 1] = normal->y;
            batch.normals[n + k * 3 + 2] = normal->z;
        }
    }
    const uint32_t indices[6] = {base, base + 2, base + 1, base, base + 3, base + 2};
    batch.indices.insert(batch.indices.end(), indices, indices + 6);
}

void BatchGeometry::addQuad(StageBatch& batch, const Vec3 corners[4], const float colour[3], float alpha)
{
    const auto packed = Color::toRGBA8(colour[0], colour[1], colour[2], alpha);
    const std::array<uint8_t, 4> colours[4] = {packed, packed, packed, packed};
    appendQuad(batch, corners, kQuadUv, colours, nullptr);
}

void BatchGeometry::addQuad(StageBatch& batch, const Vec3 corners[4], const Color colours[4])
{
    const std::array<uint8_t, 4> packed[4] = {Color::toRGBA8(colours[0]), Color::toRGBA8(colours[1]),
                                              Color::toRGBA8(colours[2]), Color::toRGBA8(colours[3])};
    appendQuad(batch, corners, kQuadUv, packed, nullptr);
}

void BatchGeometry::addTile(StageBatch& batch, const Vec3& a, const Vec3& b, bool withNormals, bool coloured,
                            const float colour[3], float alpha)
{
    const Vec3 corners[4] = {{a.x, b.y, b.z}, {b.x, b.y, b.z}, {b.x, a.y, a.z}, {a.x, a.y, a.z}};
    const auto packed = coloured ? Color::toRGBA8(colour[0], colour[1], colour[2], alpha)
                                 : Color::toRGBA8(1.0f, 1.0f, 1.0f, alpha);
    const std::array<uint8_t, 4> colours[4] = {packed, packed, packed, packed};
    const Vec3 up(0.0f, 0.0f, 1.0f);
    appendQuad(batch, corners, kQuadUv, colours, withNormals ? &up : nullptr);
}

void BatchGeometry::addBlendedTile(StageBatch& batch, const Vec3& a, const Vec3& b,
                                   const BlendCorners* corners, bool withNormals)
{
    const size_t base = batch.baseVertex();
    const float white[3] = {1.0f, 1.0f, 1.0f};
    addTile(batch, a, b, withNormals, false, white);
    size_t layers = batch.stageAlphas.size();
    if (corners) {
        for (const auto& corner : *corners) {
            layers = std::max(layers, corner.size());
        }
    }
    batch.stageAlphas.resize(layers);
    for (size_t j = 0; j < layers; ++j) {
        std::vector<uint8_t>& alphas = batch.stageAlphas[j];
        // Vertices of earlier surfaces without this layer draw it opaque.
        alphas.resize(base, 255);
        for (size_t i = 0; i < 4; ++i) {
            const std::vector<uint8_t>* weights = corners ? &(*corners)[i] : nullptr;
            alphas.push_back(weights && j < weights->size() ? (*weights)[j] : 255);
        }
    }
}

void BatchGeometry::addParticle(StageBatch& batch, const RenderView& view, const Vec3& centre, float rotation,
                                float size, const float colour[3], float alpha, float age)
{
    const float h = size * 0.5f;
    // Most particles do not spin: their quad lies in the view's own axes.
    const Matrix3 axes = rotation == 0.0f
                             ? view.rotation
                             : multiplyMatrix3(eulerToMatrix(0.0f, 0.0f, rotation), view.rotation);
    // Rows forward, left, up: right is minus left.
    const Vec3 right = axes.row(1) * -1.0f;
    const Vec3 up = axes.row(2);
    const Vec3 r = right * h, u = up * h;
    const Vec3 corners[4] = {centre - r + u, centre + r + u, centre + r - u, centre - r - u};
    addQuad(batch, corners, colour, alpha);
    batch.shaderTime = age;
}

void BatchGeometry::addBeam(StageBatch& batch, const Beam& beam)
{
    if (beam.segments <= 0) {
        return;
    }
    Random::setState(3, beam.seed);
    const int n = beam.segments;
    const Vec3 d = beam.end - beam.start;
    Vec3 previous[2]; // the last segment's far corners (q + side, q − side)
    for (int i = 0; i < n; ++i) {
        const bool first = i == 0, last = i == n - 1;
        const Vec3 p = beam.start + d * (static_cast<float>(i) / static_cast<float>(n));
        Vec3 q = last ? beam.end : beam.start + d * (static_cast<float>(i + 1) / static_cast<float>(n));
        if (!last && beam.maxOffset > 0.0f) {
            const Vec3 direction = randomUnitVector();
            const float amount = beam.minOffset + (beam.maxOffset - beam.minOffset) * randomFloat(3);
            q += direction * amount;
        }
        Vec3 side = vec3Cross(p - beam.eye, q - beam.eye);
        vec3Normalize(side);
        const float wp = first ? beam.startSize : beam.size;
        const float wq = last ? beam.endSize : beam.size;
        Vec3 corners[4];
        if (first) {
            corners[0] = p - side * wp;
            corners[1] = p + side * wp;
        } else {
            corners[0] = previous[1];
            corners[1] = previous[0];
        }
        corners[2] = q + side * wq;
        corners[3] = q - side * wq;
        previous[0] = corners[2];
        previous[1] = corners[3];
        addQuad(batch, corners, beam.colour, beam.alpha);
    }
}

void BatchGeometry::addSwipe(StageBatch& batch, const RenderView& view, const std::vector<SwipePoint>& points,
                             const float colour[3])
{
    const size_t n = points.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        const SwipePoint& p0 = points[i];
        const SwipePoint& p1 = points[i + 1];
        const Vec3 corners[4] = {view.toLocal(p0.a), view.toLocal(p0.b), view.toLocal(p1.b),
                                 view.toLocal(p1.a)};
        const float v0 = 1.0f - static_cast<float>(i) / static_cast<float>(n);
        const float v1 = 1.0f - static_cast<float>(i + 1) / static_cast<float>(n);
        const float uv[4][2] = {{0.0f, v0}, {1.0f, v0}, {1.0f, v1}, {0.0f, v1}};
        const auto c0 =
            Color::toRGBA8(colour[0] * p0.alpha, colour[1] * p0.alpha, colour[2] * p0.alpha, 1.0f);
        const auto c1 =
            Color::toRGBA8(colour[0] * p1.alpha, colour[1] * p1.alpha, colour[2] * p1.alpha, 1.0f);
        const std::array<uint8_t, 4> colours[4] = {c0, c0, c1, c1};
        appendQuad(batch, corners, uv, colours, nullptr);
    }
}
