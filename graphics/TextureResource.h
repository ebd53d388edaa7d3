#pragma once

#include "engine/resources/Resource.h"
#include "graphics/codecs/TextureFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ResourceSystem;

// A texture loaded from a ".tga", ".rtx" or ".ctx" file and uploaded to
// OpenGL at once (on the loader thread, under the context lock).
class TextureResource : public Resource {
public:
    TextureResource() = default;
    ~TextureResource() override;

    std::string describe() const override;

    // Targa header fields (Targa files only; zero otherwise).
    TgaHeader header;
    int width = 0;
    int height = 0;
    int pixelDepth = 24;
    uint32_t glName = 0xFFFFFFFFu;
    uint32_t lastUsedFrame = 0xFFFFFFFFu;
    // RGBA copies of the 4 × 4, 2 × 2 and 1 × 1 levels of square caches.
    std::array<std::vector<uint8_t>, 3> smallLevels;

    // Resource factories: decode and validate, then upload. Null (with a
    // line naming the file) when the file is unusable.
    static std::unique_ptr<Resource> loadTga(const uint8_t* data, const std::string& fileName, size_t size,
                                             int flags);
    static std::unique_ptr<Resource> loadRtx(const uint8_t* data, size_t size, const std::string& fileName);
    static std::unique_ptr<Resource> loadCtx(const uint8_t* data, size_t size, const std::string& fileName);
    static std::unique_ptr<Resource> makeMissingTexture(const std::string& fileName);

    // A resource from a decoded image, uploaded when a context exists; null
    // when the upload fails (logged with the file name).
    static std::unique_ptr<TextureResource> fromDecoded(DecodedTexture&& image, const std::string& fileName);

    // Registers "tga", "rtx" and "ctx" (the caches stand in for "tga" and
    // are read from the user directory's "TextureCache/" first).
    static void registerTypes(ResourceSystem& resources);
    // Reads a cache: "TextureCache/<name>" in the user directory, else the
    // game data.
    static bool readCacheFile(const std::string& name, std::vector<uint8_t>& out);
    static constexpr const char* kCacheDirectory = "TextureCache/";
};
