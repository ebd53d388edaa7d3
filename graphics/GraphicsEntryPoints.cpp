// Small draw entry points of the graphics system for the interface and the
// debug views: images on the virtual screen and wire cubes.
#include "graphics/GraphicsSystem.h"

#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/RenderSurface.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/ShaderTextures.h"
#include "graphics/StageDrawer.h"
#include "graphics/shaders/Shader.h"

#include <algorithm>

namespace {

// A surface for its alpha alone: a shader whose stages take no alpha from
// the vertices ("UIBlack") takes its see-through from the surface drawn.
class FadeOnly : public RenderSurface {
public:
    void draw(StageBatch&, bool) override {}
};

} // namespace

void GraphicsSystem::drawImage(const float colour[3], const ResourceHandle& shader, float x0, float y0,
                               float x1, float y1, float opacity, bool tiled, bool tiledToFit)
{
    ResourceSystem* resources = ResourceSystem::instance();
    auto* s = resources && shader.isValid() ? resources->getAs<Shader>(shader) : nullptr;
    if (!s) {
        return;
    }
    prepareShader(s);
    // Images are stored bottom row first: v runs from the rectangle's
    // bottom (0) to its top (1, or the repeat count when tiled).
    float uv[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    if (tiled || tiledToFit) {
        TileRepeat r = computeTileRepeat(x1 - x0, y1 - y0, shader, tiledToFit);
        uv[0] = r.u0;
        uv[1] = r.v1;
        uv[2] = r.u1;
        uv[3] = r.v0;
    }
    ScreenGeometry::addTexturedRect(m_stageDrawer->batch(), x0, y0, x1, y1, uv, colour, opacity);
    if (opacity < 1.0f) {
        // The opacity reaches every shader, those with vertex alpha too.
        FadeOnly fade;
        fade.fade = std::max(opacity, 0.0f);
        drawShaderStages(&fade, false);
    } else {
        drawShaderStages(nullptr, false);
    }
}

void GraphicsSystem::drawWireCube(const ZonePosition3& position, float halfSize, const float colour[3])
{
    const Vec3 c = toCameraSpace(position);
    float corners[8][3];
    for (int i = 0; i < 8; ++i) {
        corners[i][0] = c.x + ((i & 1) ? halfSize : -halfSize);
        corners[i][1] = c.y + ((i & 2) ? halfSize : -halfSize);
        corners[i][2] = c.z + ((i & 4) ? halfSize : -halfSize);
    }
    static const ResourceHandle white;
    // Each edge joins two corners that differ in one axis bit.
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if (!(i & bit)) {
                drawLine3D(white, corners[i], corners[i | bit], colour, 1.0f);
            }
        }
    }
}

void GraphicsSystem::queueWireCube(const ZonePosition3& position, float halfSize, const float colour[3])
{
    QueuedWireCube cube;
    cube.position = position;
    cube.halfSize = halfSize;
    std::copy(colour, colour + 3, cube.colour);
    m_queuedWireCubes.push_back(cube);
}
