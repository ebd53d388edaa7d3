// Texture names and the upload of images with their mip levels.
#include "graphics/GraphicsSystem.h"

#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

namespace {

bool isCompressedFormat(unsigned format)
{
    return format == GraphicsSystem::kFormatDxt1 || format == GraphicsSystem::kFormatDxt3 ||
           format == GraphicsSystem::kFormatDxt5;
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
    std::string error;
    return uploadTexture(data, width, height, format, levels, error);
}

uint32_t GraphicsSystem::uploadTexture(const uint8_t* data, int width, int height, unsigned format,
                                       int levels, std::string& error)
{
    ScopedContext lock(*this);
    if (!m_context) {
        error = "no OpenGL context";
        return kNoTexture;
    }
    bool compressed = isCompressedFormat(format);
    using CompressedUpload = void (*)(GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*);
    CompressedUpload compressedUpload = nullptr;
    if (compressed) {
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
    const uint8_t* p = data;
    int bytesPerPixel = format == kFormatRgba ? 4 : 3;
    int mode = format == kFormatDxt1 ? s3tc::Dxt1 : format == kFormatDxt3 ? s3tc::Dxt3 : s3tc::Dxt5;
    for (int i = 0; i < levels; ++i) {
        int w = mip::levelWidth(width, i), h = mip::levelWidth(height, i);
        if (compressed) {
            size_t bytes = s3tc::levelBytes(w, h, mode);
            compressedUpload(GL_TEXTURE_2D, i, format, w, h, 0, static_cast<GLsizei>(bytes), p);
            p += bytes;
        } else {
            glTexImage2D(GL_TEXTURE_2D, i, GL_RGBA8, w, h, 0, bytesPerPixel == 4 ? GL_RGBA : GL_RGB,
                         GL_UNSIGNED_BYTE, p);
            p += static_cast<size_t>(w) * h * bytesPerPixel;
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
