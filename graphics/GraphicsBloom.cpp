// The bloom post-process: the frame is copied, darkened (which keeps only its
// bright parts), blurred both ways into a small square texture and added back
// over the frame.
#include "graphics/GraphicsSystem.h"

#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "graphics/BloomPlan.h"
#include "graphics/GlStateCache.h"

#include <GL/gl.h>
#include <vector>

namespace {

int powerOfTwoAtLeast(int value)
{
    int p = 1;
    while (p < value && p < (1 << 30)) {
        p *= 2;
    }
    return p;
}

} // namespace

void GraphicsSystem::forgetBloomTextures()
{
    // The textures went with the old context.
    m_bloomCopy = kNoTexture;
    m_bloomTexture = kNoTexture;
    m_bloomSide = 0;
}

void GraphicsSystem::drawBloom()
{
    drawDirectly();
    if (getVar("r_bloom").getInt() == 0) {
        return;
    }
    int largest = 4096;
    if (m_context) {
        GLint maxSize = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        largest = maxSize > 0 ? maxSize : largest;
    }
    UserVarRef sizeVar = getVar("r_bloomTextureSize");
    const int side = BloomPlan::textureSide(sizeVar.getInt(), largest);
    if (side != sizeVar.getInt()) {
        sizeVar.setString(formatString("%d", side));
    }
    if (!m_context) {
        return;
    }
    if (m_bloomTexture != kNoTexture && m_bloomSide != side) {
        deleteTexture(m_bloomTexture);
        m_bloomTexture = kNoTexture;
    }
    float viewport[4];
    getViewport(viewport);
    const int vx = static_cast<int>(viewport[0]), vy = static_cast<int>(viewport[1]);
    const int vw = static_cast<int>(viewport[2]), vh = static_cast<int>(viewport[3]);
    if (vw <= 0 || vh <= 0) {
        return;
    }
    if (m_bloomCopy == kNoTexture) {
        m_bloomCopyWidth = powerOfTwoAtLeast(vw);
        m_bloomCopyHeight = powerOfTwoAtLeast(vh);
        std::vector<uint8_t> zero(static_cast<size_t>(m_bloomCopyWidth) * m_bloomCopyHeight * 4, 0);
        m_bloomCopy = uploadTexture(zero.data(), m_bloomCopyWidth, m_bloomCopyHeight, kFormatRgba, 1);
    }
    if (m_bloomTexture == kNoTexture) {
        std::vector<uint8_t> zero(static_cast<size_t>(side) * side * 4, 0);
        m_bloomTexture = uploadTexture(zero.data(), side, side, kFormatRgba, 1);
        m_bloomSide = side;
    }
    if (m_bloomCopy == kNoTexture || m_bloomTexture == kNoTexture) {
        return;
    }
    auto copyInto = [](uint32_t texture, int x, int y, int w, int h) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, y, w, h);
    };
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const float su = static_cast<float>(vw) / static_cast<float>(m_bloomCopyWidth);
    const float sv = static_cast<float>(vh) / static_cast<float>(m_bloomCopyHeight);

    setOrthoOverlay();
    resetRenderState();
    copyInto(m_bloomCopy, vx, vy, vw, vh);
    setViewport(0.0f, 0.0f, static_cast<float>(side), static_cast<float>(side), false);
    drawTexturedQuad(m_bloomCopy, -1.0f, -1.0f, 1.0f, 1.0f, white, 1.0f, GL_ONE, GL_ZERO, 0.0f, 0.0f, su, sv,
                     kWrapClampToEdge, kWrapClampToEdge);
    for (int pass = getVar("r_bloomDarkenPasses").getInt(); pass > 0; --pass) {
        drawTexturedQuad(m_bloomCopy, -1.0f, -1.0f, 1.0f, 1.0f, white, 1.0f, GL_DST_COLOR, GL_ZERO, 0.0f,
                         0.0f, su, sv, kWrapClampToEdge, kWrapClampToEdge);
    }
    copyInto(m_bloomTexture, 0, 0, side, side);

    const int n = getVar("r_bloomBlur").getInt();
    const float distance = getVar("r_bloomBlurDistance").getFloat();
    const float intensity = getVar("r_bloomIntensity").getFloat();
    for (bool vertical : {true, false}) {
        const auto quads =
            BloomPlan::blurPass(n, distance, intensity, static_cast<float>(vertical ? vh : vw));
        if (quads.empty()) {
            break;
        }
        for (const BloomPlan::Quad& q : quads) {
            const float grey[3] = {q.weight, q.weight, q.weight};
            const float du = vertical ? 0.0f : q.offset, dv = vertical ? q.offset : 0.0f;
            drawTexturedQuad(m_bloomTexture, -1.0f, -1.0f, 1.0f, 1.0f, grey, 1.0f, GL_ONE,
                             q.replaces ? GL_ZERO : GL_ONE, du, dv, du + 1.0f, dv + 1.0f, kWrapClampToEdge,
                             kWrapClampToEdge);
        }
        copyInto(m_bloomTexture, 0, 0, side, side);
    }

    setViewport(viewport[0], viewport[1], viewport[2], viewport[3], false);
    drawTexturedQuad(m_bloomCopy, -1.0f, -1.0f, 1.0f, 1.0f, white, 1.0f, GL_ONE, GL_ZERO, 0.0f, 0.0f, su, sv,
                     kWrapClampToEdge, kWrapClampToEdge);
    drawTexturedQuad(m_bloomTexture, -1.0f, -1.0f, 1.0f, 1.0f, white, 1.0f, GL_ONE, GL_ONE, 0.0f, 0.0f, 1.0f,
                     1.0f, kWrapClampToEdge, kWrapClampToEdge);
}
