#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ResourceSystem;

// A bitmap font (".fnt"): the glyph index of each byte value and the glyph
// rectangles of one font texture. Without a display the texture is -1 and
// the metrics still measure text.
class FontResource : public Resource {
public:
    static constexpr int kSubType = 6; // the shader sub-type of interface textures

    struct Glyph {
        // The rectangle in the texture, vertical values counted from the top.
        float left = -1.0f, top = -1.0f, right = -1.0f, bottom = -1.0f;
        // Size in virtual-screen pixels.
        int width = -1, height = -1;
    };

    FontResource();
    ~FontResource() override;

    // Reads the text of a font file; an index outside -1..255 is read as -1
    // with a "file:line:" line. With `withTexture` the texture is acquired.
    static std::unique_ptr<FontResource> parse(const std::string& fileName, const uint8_t* data, size_t size,
                                               bool withTexture);
    // The "fnt" type; fonts get their textures only in a windowed run.
    static void registerType(ResourceSystem& resources, bool windowed);

    std::string describe() const override;
    int getSubType() const override { return kSubType; }

    // The glyph of a byte (null when it has none).
    const Glyph* glyphForByte(unsigned char byte) const;

    std::string name;
    int size = 0;
    std::array<int, 256> charIndexes;
    std::array<Glyph, 256> glyphs;
    ResourceHandle texture;
};
