#include "graphics/ScreenGeometry.h"

#include "engine/core/Color.h"
#include "graphics/StageBatch.h"
#include "graphics/render/BatchGeometry.h"

#include <algorithm>

void ScreenGeometry::toClip(float x, float y, float out[3])
{
    out[0] = (x - 320.0f) / 320.0f;
    out[1] = (240.0f - y) / 240.0f;
    out[2] = 0.0f;
}

void ScreenGeometry::addTriangle(StageBatch& batch, const Point& p0, const Point& p1, const Point& p2)
{
    uint32_t base = batch.baseVertex();
    for (const Point* p : {&p0, &p1, &p2}) {
        float clip[3];
        toClip(p->x, p->y, clip);
        batch.positions.insert(batch.positions.end(), clip, clip + 3);
        batch.texCoords.push_back(p->u);
        batch.texCoords.push_back(p->v);
        auto c = Color::toRGBA8(p->r, p->g, p->b, p->a);
        batch.codeColours.insert(batch.codeColours.end(), c.begin(), c.end());
    }
    batch.indices.insert(batch.indices.end(), {base, base + 1, base + 2});
}

void ScreenGeometry::addRect(StageBatch& batch, float x0, float y0, float x1, float y1, const float colour[3],
                             float alpha)
{
    const float uv[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    addTexturedRect(batch, x0, y0, x1, y1, uv, colour, alpha);
}

void ScreenGeometry::addTexturedRect(StageBatch& batch, float x0, float y0, float x1, float y1,
                                     const float uv[4], const float colour[3], float alpha)
{
    float a[3], b[3];
    toClip(x0, y0, a);
    toClip(x1, y1, b);
    const Vec3 corners[4] = {{a[0], a[1], 0.0f}, {b[0], a[1], 0.0f}, {b[0], b[1], 0.0f}, {a[0], b[1], 0.0f}};
    BatchGeometry::addQuad(batch, corners, colour, alpha);
    // The quad builder's coordinates replaced by the texture rectangle.
    float* t = &batch.texCoords[batch.texCoords.size() - 8];
    const float coords[8] = {uv[0], uv[1], uv[2], uv[1], uv[2], uv[3], uv[0], uv[3]};
    std::copy(coords, coords + 8, t);
}

int ScreenGeometry::addRadialWipe(StageBatch& batch, float r, float g, float b, float x, float y, float width,
                                  float height, float alpha, float fraction)
{
    if (!(width > 0.0f) || !(height > 0.0f)) {
        return 0;
    }
    const float cx = x + width / 2, cy = y + height / 2;
    const float left = x, right = x + width, top = y, bottom = y + height;
    struct Run {
        float amount;
        float fx, fy; // fixed end
        float tx, ty; // far end of the run
    };
    // Pieces 4, 3, 2, 1, 0 of the sweep.
    const Run runs[] = {
        {std::min(1.0f, 8 * fraction), left, cy, left, top},
        {std::min(1.0f, 4 * (fraction - 0.125f)), left, top, right, top},
        {std::min(1.0f, 4 * (fraction - 0.375f)), right, top, right, bottom},
        {std::min(1.0f, 4 * (fraction - 0.625f)), right, bottom, left, bottom},
        {std::min(1.0f, 8 * (fraction - 0.875f)), left, bottom, left, cy},
    };
    auto point = [&](float px, float py) {
        Point p;
        p.x = px;
        p.y = py;
        p.u = (py - y) / height;
        p.v = (px - x) / width;
        p.r = r;
        p.g = g;
        p.b = b;
        p.a = alpha;
        return p;
    };
    int added = 0;
    for (const Run& run : runs) {
        if (!(run.amount > 0.0f)) {
            continue;
        }
        float ex = run.fx + (run.tx - run.fx) * run.amount;
        float ey = run.fy + (run.ty - run.fy) * run.amount;
        addTriangle(batch, point(cx, cy), point(run.fx, run.fy), point(ex, ey));
        ++added;
    }
    return added;
}
