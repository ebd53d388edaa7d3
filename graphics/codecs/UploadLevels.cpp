#include "graphics/codecs/UploadLevels.h"

#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"

namespace {

bool isCompressed(DecodedTexture::Format format)
{
    return format == DecodedTexture::Format::Dxt1 || format == DecodedTexture::Format::Dxt3 ||
           format == DecodedTexture::Format::Dxt5;
}

int s3tcMode(DecodedTexture::Format format)
{
    return format == DecodedTexture::Format::Dxt1   ? s3tc::Dxt1
           : format == DecodedTexture::Format::Dxt3 ? s3tc::Dxt3
                                                    : s3tc::Dxt5;
}

size_t levelSize(int w, int h, DecodedTexture::Format format)
{
    if (isCompressed(format)) {
        return s3tc::levelBytes(w, h, s3tcMode(format));
    }
    return static_cast<size_t>(w) * h * (format == DecodedTexture::Format::Rgba ? 4 : 3);
}

} // namespace

UploadLevels::UploadLevels(const uint8_t* data, size_t size, int width, int height,
                           DecodedTexture::Format format, int levels, bool decodeCompressed)
    : m_data(data), m_size(data ? size : 0), m_width(width), m_height(height), m_format(format),
      m_levels(width > 0 && height > 0 ? levels : 0), m_decode(decodeCompressed)
{
}

bool UploadLevels::next(Level& out)
{
    if (m_next >= m_levels || m_overran) {
        return false;
    }
    const int w = mip::levelWidth(m_width, m_next), h = mip::levelWidth(m_height, m_next);
    const size_t bytes = levelSize(w, h, m_format);
    if (bytes > m_size - m_offset) {
        m_overran = true;
        return false;
    }
    const uint8_t* at = m_data + m_offset;
    out = Level();
    out.index = m_next;
    out.width = w;
    out.height = h;
    out.bytes = bytes;
    out.pixels = at;
    out.rgba = m_format != DecodedTexture::Format::Rgb;
    out.compressed = isCompressed(m_format);
    if (out.compressed && m_decode) {
        m_decoded.resize(static_cast<size_t>(w) * h * 4);
        s3tc::decodeLevel(at, w, h, 4, s3tcMode(m_format), m_decoded.data(), s3tc::Decoding::Sampler);
        out.pixels = m_decoded.data();
        out.compressed = false;
    }
    m_offset += bytes;
    ++m_next;
    return true;
}

size_t UploadLevels::blockBytes(int width, int height, DecodedTexture::Format format, int levels)
{
    size_t total = 0;
    for (int i = 0; width > 0 && height > 0 && i < levels; ++i) {
        total += levelSize(mip::levelWidth(width, i), mip::levelWidth(height, i), format);
    }
    return total;
}
