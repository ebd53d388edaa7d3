#include "engine/resources/ModelBinary.h"

#include <cstring>

uint32_t ModelBinaryReader::readU32()
{
    if (m_failed || remaining() < 4) {
        m_failed = true;
        return 0;
    }
    const uint8_t* p = m_data + m_pos;
    m_pos += 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float ModelBinaryReader::readF32()
{
    uint32_t bits = readU32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint8_t ModelBinaryReader::readU8()
{
    if (m_failed || remaining() < 1) {
        m_failed = true;
        return 0;
    }
    return m_data[m_pos++];
}

std::string ModelBinaryReader::readString()
{
    if (m_failed) {
        return std::string();
    }
    const void* zero = std::memchr(m_data + m_pos, 0, remaining());
    if (!zero) {
        m_failed = true;
        m_pos = m_size;
        return std::string();
    }
    size_t len = static_cast<const uint8_t*>(zero) - (m_data + m_pos);
    std::string s(reinterpret_cast<const char*>(m_data + m_pos), len);
    m_pos += len + 1;
    return s;
}

uint32_t ModelBinaryReader::readCount(size_t elementSize)
{
    uint32_t count = readU32();
    if (m_failed) {
        return 0;
    }
    if (elementSize > 0 && count > remaining() / elementSize) {
        m_failed = true;
        return 0;
    }
    return count;
}

void ModelBinaryWriter::writeU32(uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void ModelBinaryWriter::writeF32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeU32(bits);
}

void ModelBinaryWriter::writeString(const std::string& s)
{
    m_bytes.insert(m_bytes.end(), s.begin(), s.end());
    m_bytes.push_back(0);
}

void ModelBinaryWriter::writeMagic(const char magic[4])
{
    writeU32(modelMagic(magic));
}
