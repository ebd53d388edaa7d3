#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A byte vector with a read cursor: every message, save and event argument
// list is built with it. Integers, booleans and floats take 4 little-endian
// bytes, doubles 8, strings their bytes and a terminating zero, vectors a
// 32-bit count and their elements. The encoding is the same on every host.
//
// Reads never go past the end: a read that does not fit returns 0, 0.0, an
// empty string or an empty vector and sets the sticky failed() flag, so a
// loader can read a whole record and test ok() once.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(std::vector<uint8_t> bytes) : m_data(std::move(bytes)) {}
    ByteBuffer(const void* data, size_t size);

    void writeInt(int32_t value);
    void writeInt(uint32_t value);
    void writeFloat(float value);
    void writeDouble(double value);
    void writeBool(bool value);
    // One byte.
    void writeByte(uint8_t value);
    // The bytes up to the first zero byte, then one zero byte.
    void writeString(std::string_view text);
    void writeVec2(const Vec2& v);
    void writeVec3(const Vec3& v);
    // i32 zone, f32 x, f32 y (12 bytes).
    void writeZonePosition(const ZonePosition& p);
    // i32 days, i32 hours, i32 minutes, f32 seconds (16 bytes).
    void writeGameTime(const GameTime& t);
    // u32 count, then 4 bytes each.
    void writeIntVector(const std::vector<int32_t>& values);
    // u32 count, then a u32 0 or 1 each.
    void writeBoolVector(const std::vector<bool>& values);
    // Appends raw bytes, growing the buffer.
    void reserve(const void* bytes, size_t size);

    int32_t readInt();
    uint32_t readUInt();
    float readFloat();
    double readDouble();
    // An int compared with 0.
    bool readBool();
    uint8_t readByte();
    // A u32 count of elements that take at least elementSize bytes each (1 when
    // given 0). A count the bytes left cannot hold is refused: 0 comes back and
    // the read fails, so nothing is allocated for it.
    uint32_t readCount(size_t elementSize);
    // The bytes up to the next zero byte, which is consumed. Without one the
    // rest of the buffer is taken and the read fails.
    std::string readString();
    Vec2 readVec2();
    Vec3 readVec3();
    // Zone -1 when the read fails; the result needs normalising.
    ZonePosition readZonePosition();
    GameTime readGameTime();
    // A count larger than the bytes left could hold is refused: the vector
    // comes back empty and the read fails.
    bool readIntVector(std::vector<int32_t>& out);
    // With resize the vector takes the stored count; without, surplus stored
    // flags are skipped and missing ones become false.
    bool readBoolVector(std::vector<bool>& out, bool resize);
    // Raw bytes; on failure the target is zero-filled.
    bool readBytes(void* out, size_t size);

    bool failed() const { return m_failed; }
    bool ok() const { return !m_failed; }
    void clearFailed() { m_failed = false; }

    size_t getReadPos() const { return m_readPos; }
    // A position past the end is clamped to the end and fails.
    void setReadPos(size_t pos);
    size_t remaining() const { return m_data.size() - m_readPos; }
    bool atEnd() const { return m_readPos >= m_data.size(); }

    const uint8_t* data() const { return m_data.data(); }
    size_t size() const { return m_data.size(); }
    const std::vector<uint8_t>& bytes() const { return m_data; }
    // Empties the buffer, rewinds and clears the failed flag.
    void clear();

private:
    // The next n bytes, or null (and failed, cursor at the end) when fewer remain.
    const uint8_t* take(size_t n);
    void put32(uint32_t v);
    uint32_t get32();

    std::vector<uint8_t> m_data;
    size_t m_readPos = 0;
    bool m_failed = false;
};

// The word with the low 16 bits of value placed at shift (0 or 16).
uint32_t packBits16(uint32_t word, uint32_t value, int shift);
// (word >> shift) & 0xFFFF
uint32_t unpackBits16(uint32_t word, int shift);
// The two 16-bit halves of a packed value.
void readUInt16(uint32_t packed, uint16_t& low, uint16_t& high);
