#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Little-endian reading and writing for the binary model files (.mds, .mdm,
// .mda). Every read is bounds-checked: past the end it returns zero and sets
// the sticky failed flag; counts are checked against the bytes left.
class ModelBinaryReader {
public:
    ModelBinaryReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint32_t readU32();
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    float readF32();
    uint8_t readU8();
    std::string readString(); // bytes up to a zero byte
    // A count of elements of elementSize bytes each; fails (returns 0) when
    // the remaining bytes cannot hold that many.
    uint32_t readCount(size_t elementSize);

    size_t remaining() const { return m_size - m_pos; }
    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_failed = false;
};

class ModelBinaryWriter {
public:
    void writeU32(uint32_t v);
    void writeI32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
    void writeF32(float v);
    void writeU8(uint8_t v) { m_bytes.push_back(v); }
    void writeString(const std::string& s);
    void writeMagic(const char magic[4]);
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// The four magic bytes as the u32 that readU32 returns for them.
constexpr uint32_t modelMagic(const char m[4])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(m[0])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(m[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(m[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(m[3])) << 24);
}

constexpr uint32_t kModelFormatVersion = 1;
