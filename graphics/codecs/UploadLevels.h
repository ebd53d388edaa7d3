#pragma once

#include "graphics/codecs/TextureFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The levels of an image block as the texture upload hands them to OpenGL:
// level i is max(1, w >> i) × max(1, h >> i), the levels one after the other,
// level 0 first. S3TC levels are decoded to RGBA when the OpenGL cannot take
// them compressed. No OpenGL here, so the walk can be checked on its own.
class UploadLevels {
public:
    struct Level {
        int index = 0;
        int width = 0;
        int height = 0;
        // Into the block, or the decoded RGBA (valid until the next level).
        const uint8_t* pixels = nullptr;
        // The level's bytes in the block.
        size_t bytes = 0;
        // Still S3TC blocks: uploaded compressed.
        bool compressed = false;
        // 4 bytes a pixel when not compressed (else 3).
        bool rgba = false;
    };

    // `size` bounds the block: a level that would run past it ends the walk.
    UploadLevels(const uint8_t* data, size_t size, int width, int height, DecodedTexture::Format format,
                 int levels, bool decodeCompressed);

    // The next level; false after the last one or at one past the block.
    bool next(Level& out);
    // Every level was walked inside the block.
    bool complete() const { return m_next >= m_levels && !m_overran; }

    // Bytes of the first `levels` levels of a block of that format.
    static size_t blockBytes(int width, int height, DecodedTexture::Format format, int levels);

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
    int m_width;
    int m_height;
    DecodedTexture::Format m_format;
    int m_levels;
    bool m_decode;
    int m_next = 0;
    bool m_overran = false;
    std::vector<uint8_t> m_decoded;
};
