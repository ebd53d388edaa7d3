// Texture names and the upload of images with their mip levels.
#include "graphics/GraphicsSystem.h"

#include "graphics/GlStateCache.h"

#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "graphics/codecs/UploadLevels.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool isCompressedFormat(unsigned format)
{
    return format == GraphicsSystem::kFormatDxt1 || format == GraphicsSystem::kFormatDxt3 ||
           format == GraphicsSystem::kFormatDxt5;
}

// The layout of an OpenGL pixel format's levels: RGBA 4 bytes a pixel, the
// three S3TC formats in blocks, anything else 3 bytes a pixel.
DecodedTexture::Format textureFormatOf(unsigned format)
{
    switch (format) {
    case GraphicsSystem::kFormatRgba:
        return DecodedTexture::Format::Rgba;
    case GraphicsSystem::kFormatDxt1:
        return DecodedTexture::Format::Dxt1;
    case GraphicsSystem::kFormatDxt3:
        return DecodedTexture::Format::Dxt3;
    case GraphicsSystem::kFormatDxt5:
        return DecodedTexture::Format::Dxt5;
    default:
        return DecodedTexture::Format::Rgb;
    }
}

// Holds the context lock for a scope.
struct ScopedContext {
    explicit ScopedContext(GraphicsSystem& g) : graphics(g) { graphics.acquireContext(); }
    ~ScopedContext() { graphics.releaseContext(); }
    GraphicsSystem& graphics;
};

} // namespace

void GraphicsSystem::deleteTexture(uint32_t id)
{
    drawDirectly();
    ++m_textureChanges;
    if (id == kNoTexture) {
        return;
    }
    {
        ScopedContext lock(*this);
        if (m_context) {
            GLuint name = id;
            glDeleteTextures(1, &name);
        }
    }
    std::lock_guard<std::mutex> lock(m_idMutex);
    m_freeTextureIds.push_back(id);
}

uint32_t GraphicsSystem::uploadTexture(const uint8_t* data, int width, int height, unsigned format,
                                       int levels)
{
    drawDirectly();
    ++m_textureChanges;
    std::string error;
    return uploadTexture(data, width, height, format, levels, error);
}

uint32_t GraphicsSystem::uploadTexture(const uint8_t* data, int width, int height, unsigned format,
                                       int levels, std::string& error)
{
    drawDirectly();
    ++m_textureChanges;
    ScopedContext lock(*this);
    if (!m_context) {
        error = "no OpenGL context";
        return kNoTexture;
    }
    bool compressed = isCompressedFormat(format);
    using CompressedUpload = void (*)(GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*);
    CompressedUpload compressedUpload = nullptr;
    if (compressed && !m_decodeCompressedUploads) {
        // Without texture compression the entry point is absent: refuse.
        if (m_context->hasExtension("GL_ARB_texture_compression") &&
            m_context->hasExtension("GL_EXT_texture_compression_s3tc")) {
            compressedUpload =
                reinterpret_cast<CompressedUpload>(m_context->getProcAddress("glCompressedTexImage2DARB"));
        }
        if (!compressedUpload) {
            error = "compressed textures are not supported by this OpenGL";
            return kNoTexture;
        }
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || (maxSize > 0 && (width > maxSize || height > maxSize))) {
        error = formatString("%d x %d exceeds the largest texture of %d", width, height, maxSize);
        return kNoTexture;
    }
    while (glGetError() != GL_NO_ERROR) {
    }

    uint32_t id = allocateTextureId();
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The caller's block holds the levels as the walk lays them out.
    const DecodedTexture::Format kind = textureFormatOf(format);
    UploadLevels walk(data, UploadLevels::blockBytes(width, height, kind, levels), width, height, kind,
                      levels, m_decodeCompressedUploads);
    UploadLevels::Level level;
    while (walk.next(level)) {
        if (level.compressed) {
            compressedUpload(GL_TEXTURE_2D, level.index, format, level.width, level.height, 0,
                             static_cast<GLsizei>(level.bytes), level.pixels);
        } else {
            glTexImage2D(GL_TEXTURE_2D, level.index, GL_RGBA8, level.width, level.height, 0,
                         level.rgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, level.pixels);
        }
    }
    int quality = m_filteringQuality;
    GLint minFilter = levels < 2 || quality == 0 ? GL_LINEAR
                      : quality == 1             ? GL_LINEAR_MIPMAP_NEAREST
                                                 : GL_LINEAR_MIPMAP_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // A chain that stops short of 1 × 1 is still complete.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels > 0 ? levels - 1 : 0);
    float anisotropy = m_textureAnisotropy;
    if (anisotropy >= 1.0f) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    GLenum glError = glGetError();
    if (glError != GL_NO_ERROR) {
        error = formatString("OpenGL error 0x%04X during upload", static_cast<unsigned>(glError));
        GLuint name = id;
        glDeleteTextures(1, &name);
        std::lock_guard<std::mutex> idLock(m_idMutex);
        m_freeTextureIds.push_back(id);
        return kNoTexture;
    }
    return id;
}

// --- quads ------------------------------------------------------------------

void emitQuadTriangles(const float a[2], const float b[2], const float colours[4][3], float alpha,
                       const float uvA[2], const float uvB[2])
{
    // Corners: 0 (x1, y0), 1 (x0, y0), 2 (x0, y1), 3 (x1, y1).
    const float x[4] = {b[0], a[0], a[0], b[0]};
    const float y[4] = {a[1], a[1], b[1], b[1]};
    const float u[4] = {uvB[0], uvA[0], uvA[0], uvB[0]};
    const float v[4] = {uvA[1], uvA[1], uvB[1], uvB[1]};
    static const int kOrder[6] = {0, 1, 2, 0, 2, 3};
    for (int k : kOrder) {
        if (alpha >= 1.0f) {
            glColor3f(colours[k][0], colours[k][1], colours[k][2]);
        } else {
            glColor4f(colours[k][0], colours[k][1], colours[k][2], alpha);
        }
        glTexCoord2f(u[k], v[k]);
        glVertex3f(x[k], y[k], 0.0f);
    }
}

void GraphicsSystem::drawTexturedQuad(uint32_t texture, float x0, float y0, float x1, float y1,
                                      const float colour[3], float alpha, int sourceBlend,
                                      int destinationBlend, float u0, float v0, float u1, float v1, int wrapS,
                                      int wrapT)
{
    drawDirectly();
    m_glState->setBlend(true, sourceBlend, destinationBlend);
    glBindTexture(GL_TEXTURE_2D, texture);
    m_glState->setWrap(wrapS, wrapT);
    const float a[2] = {x0, y0}, b[2] = {x1, y1};
    const float uvA[2] = {u0, v0}, uvB[2] = {u1, v1};
    const float colours[4][3] = {{colour[0], colour[1], colour[2]},
                                 {colour[0], colour[1], colour[2]},
                                 {colour[0], colour[1], colour[2]},
                                 {colour[0], colour[1], colour[2]}};
    glBegin(GL_TRIANGLES);
    emitQuadTriangles(a, b, colours, alpha, uvA, uvB);
    glEnd();
    m_trianglesDrawn += 2;
}

// --- viewport ------------------------------------------------------------------

namespace {

int roundHalfUp(float v)
{
    return static_cast<int>(std::floor(v + 0.5f));
}

} // namespace

void GraphicsSystem::setViewport(float x, float y, float width, float height, bool store)
{
    drawDirectly();
    int rounded[4] = {roundHalfUp(x), roundHalfUp(y), roundHalfUp(width), roundHalfUp(height)};
    if (m_context) {
        glViewport(rounded[0], rounded[1], std::max(0, rounded[2]), std::max(0, rounded[3]));
    }
    std::copy(rounded, rounded + 4, m_appliedViewport);
    if (store) {
        m_viewport[0] = x;
        m_viewport[1] = y;
        m_viewport[2] = width;
        m_viewport[3] = height;
    }
}

void GraphicsSystem::setViewportCentredOn(float x, float y)
{
    float scale = float(m_windowWidth) / 640.0f;
    float centreX = x * scale;
    // The virtual screen's y points down, the viewport's up.
    float centreY = float(m_windowHeight) - y * scale;
    setViewport(centreX - m_viewport[2] / 2.0f, centreY - m_viewport[3] / 2.0f, m_viewport[2], m_viewport[3],
                false);
}

void GraphicsSystem::getViewport(float out[4]) const
{
    std::copy(m_viewport, m_viewport + 4, out);
}

void GraphicsSystem::getAppliedViewport(int out[4]) const
{
    std::copy(m_appliedViewport, m_appliedViewport + 4, out);
}

// --- matrices (column-major: element (row i, column j) at [j * 4 + i]) -----------

namespace {

void multiply(const float a[16], const float b[16], float out[16])
{
    float r[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + i] * b[j * 4 + k];
            }
            r[j * 4 + i] = sum;
        }
    }
    std::copy(r, r + 16, out);
}

bool invert(const float m[16], float out[16])
{
    double a[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a[i][j] = m[j * 4 + i];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) {
                pivot = r;
            }
        }
        if (std::fabs(a[pivot][c]) < 1e-12) {
            return false;
        }
        std::swap(a[c], a[pivot]);
        double inv = 1.0 / a[c][c];
        for (double& v : a[c]) {
            v *= inv;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != c) {
                double f = a[r][c];
                for (int k = 0; k < 8; ++k) {
                    a[r][k] -= f * a[c][k];
                }
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out[j * 4 + i] = static_cast<float>(a[i][j + 4]);
        }
    }
    return true;
}

// World (x forward, z up) to OpenGL eye coordinates.
const float kAxisMatrix[16] = {0, 0, -1, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};

} // namespace

const float* GraphicsSystem::getAxisMatrix()
{
    return kAxisMatrix;
}

void copyMatrix(float out[16], const float in[16])
{
    std::copy(in, in + 16, out);
}

void planarShadowMatrix(const float plane[4], const float light[3], float out[16])
{
    const float p[4] = {plane[0], plane[1], -plane[2], plane[3]};
    const float l[4] = {light[0], light[1], -light[2], 1.0f};
    float k = p[0] * l[0] + p[1] * l[1] + p[2] * l[2] + p[3];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out[j * 4 + i] = (i == j ? k : 0.0f) - l[i] * p[j];
        }
    }
}

void GraphicsSystem::makeTransformMatrix(const float rotation[9], const float translation[3],
                                         float out[16]) const
{
    float m[16] = {};
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            m[j * 4 + i] = rotation[j * 3 + i];
        }
        m[12 + j] = translation[j];
    }
    m[15] = 1.0f;
    multiply(kAxisMatrix, m, out);
}

void GraphicsSystem::buildShadowMatrix(const float model[16], const float light[3], float out[16]) const
{
    // The plane through three points 0.1 above the ground: z = 0.1.
    // (planarShadowMatrix takes the plane with its z term negated.)
    const float plane[4] = {0.0f, 0.0f, 1.0f, 0.1f};
    float shadow[16];
    planarShadowMatrix(plane, light, shadow);
    // The flattened points come out with w = k - (plane . point): with the
    // light on the plane's far side k is negative and every w with it, and
    // OpenGL clips a triangle whose w is negative whole. The matrix times -1
    // places the same points with w positive.
    const float k = plane[0] * light[0] + plane[1] * light[1] + plane[2] * light[2] + plane[3];
    if (k < 0.0f) {
        for (float& v : shadow) {
            v = -v;
        }
    }
    float inverse[16];
    if (!invert(model, inverse)) {
        copyMatrix(out, shadow);
        return;
    }
    float t[16];
    multiply(shadow, model, t);
    multiply(inverse, t, out);
}
