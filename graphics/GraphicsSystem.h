#pragma once

#include "engine/core/Singleton.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class GLContext;

// The single graphics object: the window's OpenGL context and the lock
// through which the main thread and the resource loader share it, the
// texture names, and the drawing services of the other graphics parts.
class GraphicsSystem : public Singleton<GraphicsSystem> {
public:
    static constexpr uint32_t kNoTexture = 0xFFFFFFFFu;
    static constexpr uint32_t kFirstTextureId = 1024;
    // Pixel formats of uploadTexture (the OpenGL constants).
    static constexpr unsigned kFormatRgb = 0x1907;  // GL_RGB
    static constexpr unsigned kFormatRgba = 0x1908; // GL_RGBA
    static constexpr unsigned kFormatDxt1 = 0x83F1; // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
    static constexpr unsigned kFormatDxt3 = 0x83F2;
    static constexpr unsigned kFormatDxt5 = 0x83F3;

    GraphicsSystem();
    ~GraphicsSystem();

    // Context lock: recursive; only the outermost acquire makes the context
    // current on the calling thread, only the outermost release detaches it.
    void acquireContext();
    void releaseContext();
    // Gives up every level the calling thread holds (0 when it holds none)
    // and takes the same number back: a thread about to wait for the loader.
    int releaseAllContext();
    void reacquireContext(int levels);
    bool ownsContext() const;
    int getContextNesting() const;
    // The context shared under the lock (null before display set-up).
    void setContext(GLContext* context);
    GLContext* getContext() const { return m_context; }
    bool hasContext() const { return m_context != nullptr; }

    // Texture names: the oldest name given back first, else the next new one.
    uint32_t allocateTextureId();
    void deleteTexture(uint32_t id);

    // Uploads `levels` levels lying one after the other (level i of
    // max(1, w >> i) × max(1, h >> i)); the texture's name, or kNoTexture when
    // there is no context, the image exceeds the driver's limit, a compressed
    // format cannot be uploaded or OpenGL reports an error (`error` says why).
    uint32_t uploadTexture(const uint8_t* data, int width, int height, unsigned format, int levels);
    uint32_t uploadTexture(const uint8_t* data, int width, int height, unsigned format, int levels,
                           std::string& error);

    // Settings read by the loader thread, kept in atomics.
    void setFilteringQuality(int quality) { m_filteringQuality = quality; }
    int getFilteringQuality() const { return m_filteringQuality; }
    void setTextureAnisotropy(float level) { m_textureAnisotropy = level; }
    // Whether the texture types load ".ctx" caches (else ".rtx").
    void setUseCompressedTextures(bool on) { m_useCompressed = on; }
    bool useCompressedTextures() const { return m_useCompressed; }
    bool isTextureCompressionSupported() const { return m_compressionSupported; }
    void setTextureCompressionSupported(bool on) { m_compressionSupported = on; }

    uint32_t getFrameNumber() const { return m_frameNumber; }

private:
    struct ContextLock;

    std::recursive_mutex m_contextMutex;
    std::atomic<std::thread::id> m_contextOwner{};
    int m_contextNesting = 0;
    GLContext* m_context = nullptr;

    std::mutex m_idMutex;
    uint32_t m_nextTextureId = kFirstTextureId;
    std::deque<uint32_t> m_freeTextureIds;

    std::atomic<int> m_filteringQuality{1};
    std::atomic<float> m_textureAnisotropy{0.0f};
    std::atomic<bool> m_useCompressed{false};
    std::atomic<bool> m_compressionSupported{false};
    std::atomic<uint32_t> m_frameNumber{0};
};
