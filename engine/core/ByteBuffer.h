#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
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
    explicit ByteBuffer(const std::vector<uint8_t>& bytes) : ByteBuffer(bytes.data(), bytes.size()) {}
    ByteBuffer(const void* data, size_t size);
    // Copies take the bytes, the cursor and the failed flag; a moved-from
    // buffer is empty.
    ByteBuffer(const ByteBuffer& other);
    ByteBuffer& operator=(const ByteBuffer& other);
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ~ByteBuffer() = default;

    void writeInt(int32_t value) { store32(grow(4), static_cast<uint32_t>(value)); }
    void writeInt(uint32_t value) { store32(grow(4), value); }
    void writeFloat(float value) { store32(grow(4), std::bit_cast<uint32_t>(value)); }
    void writeDouble(double value);
    void writeBool(bool value) { store32(grow(4), value ? 1u : 0u); }
    // One byte.
    void writeByte(uint8_t value) { *grow(1) = value; }
    // The bytes up to the first zero byte, then one zero byte.
    void writeString(std::string_view text);
    void writeVec2(const Vec2& v);
    void writeVec3(const Vec3& v);
    // i32 zone, f32 x, f32 y (12 bytes).
    void writeZonePosition(const ZonePosition& p);
    // i32 days, i32 hours, i32 minutes, f32 seconds (16 bytes).
    void writeGameTime(const GameTime& t);
    // u32 count, then 4 bytes each. A braced list is written as it is,
    // without a vector made for it.
    void writeIntVector(std::span<const int32_t> values);
    void writeIntVector(std::initializer_list<int32_t> values)
    {
        writeIntVector(std::span<const int32_t>(values.begin(), values.size()));
    }
    // u32 count, then a u32 0 or 1 each.
    void writeBoolVector(const std::vector<bool>& values);
    // Appends raw bytes, growing the buffer.
    void reserve(const void* bytes, size_t size);

    int32_t readInt() { return static_cast<int32_t>(get32()); }
    uint32_t readUInt() { return get32(); }
    float readFloat() { return std::bit_cast<float>(get32()); }
    double readDouble();
    // An int compared with 0.
    bool readBool() { return get32() != 0; }
    uint8_t readByte()
    {
        const uint8_t* p = take(1);
        return p != nullptr ? *p : 0;
    }
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
    size_t remaining() const { return m_size - m_readPos; }
    bool atEnd() const { return m_readPos >= m_size; }

    const uint8_t* data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    // A copy of the bytes written.
    std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(m_data.get(), m_data.get() + m_size); }
    // Empties the buffer, rewinds and clears the failed flag.
    void clear();

private:
    // Each read or write checks its bounds once and moves whole fields; the
    // cursor never passes the end (m_readPos <= m_size always holds). The
    // storage grows by doubling and is kept by clear(); m_size bytes of it are
    // the buffer.

    // The next n bytes, or null (and failed, cursor at the end) when fewer remain.
    const uint8_t* take(size_t n)
    {
        if (n > m_size - m_readPos) {
            return refuse();
        }
        const uint8_t* p = m_data.get() + m_readPos;
        m_readPos += n;
        return p;
    }
    const uint8_t* refuse();
    // readString without a zero byte left: the rest, and the read fails.
    std::string readUnterminated();
    // n more bytes at the end, which the caller writes, every one.
    uint8_t* grow(size_t n)
    {
        if (n > m_capacity - m_size) {
            makeRoom(n);
        }
        uint8_t* p = m_data.get() + m_size;
        m_size += n;
        return p;
    }
    void makeRoom(size_t n);
    // memcpy, with the short copies of a record's strings and lists inline
    // (a call costs more than they do).
    static void copyBytes(uint8_t* to, const void* from, size_t n)
    {
        const auto* s = static_cast<const uint8_t*>(from);
        if (n > 16) {
            std::memcpy(to, s, n);
        } else if (n >= 8) {
            uint64_t head, tail;
            std::memcpy(&head, s, 8);
            std::memcpy(&tail, s + n - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + n - 8, &tail, 8);
        } else if (n >= 4) {
            uint32_t head, tail;
            std::memcpy(&head, s, 4);
            std::memcpy(&tail, s + n - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + n - 4, &tail, 4);
        } else {
            for (size_t i = 0; i < n; ++i) {
                to[i] = s[i];
            }
        }
    }
    uint32_t get32()
    {
        const uint8_t* p = take(4);
        return p != nullptr ? load32(p) : 0;
    }
    static uint32_t load32(const uint8_t* p)
    {
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    static void store32(uint8_t* p, uint32_t v)
    {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        p[3] = static_cast<uint8_t>(v >> 24);
    }

    struct FreeBytes {
        void operator()(uint8_t* p) const;
    };
    // From malloc, grown with realloc (large blocks move without a copy);
    // uninitialised past m_size, so nothing is zeroed that is written anyway.
    std::unique_ptr<uint8_t, FreeBytes> m_data;
    size_t m_capacity = 0;
    size_t m_size = 0;
    size_t m_readPos = 0;
    bool m_failed = false;
};

// The small fields are read and written inline: a record is many of them.

inline void ByteBuffer::writeDouble(double value)
{
    uint64_t v = std::bit_cast<uint64_t>(value);
    uint8_t* p = grow(8);
    store32(p, static_cast<uint32_t>(v));
    store32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline void ByteBuffer::writeString(std::string_view text)
{
    // An embedded zero would end the string early when read back and shift
    // every later field, so the text stops there.
    if (const void* zero = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size())) {
        text = text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - text.data()));
    }
    uint8_t* p = grow(text.size() + 1);
    copyBytes(p, text.data(), text.size());
    p[text.size()] = 0;
}

inline void ByteBuffer::writeIntVector(std::span<const int32_t> values)
{
    uint8_t* p = grow(4 + 4 * values.size());
    store32(p, static_cast<uint32_t>(values.size()));
    if constexpr (std::endian::native == std::endian::little) {
        copyBytes(p + 4, values.data(), 4 * values.size());
    } else {
        for (int32_t v : values) {
            p += 4;
            store32(p, static_cast<uint32_t>(v));
        }
    }
}

inline void ByteBuffer::writeVec2(const Vec2& v)
{
    uint8_t* p = grow(8);
    store32(p, std::bit_cast<uint32_t>(v.x));
    store32(p + 4, std::bit_cast<uint32_t>(v.y));
}

inline void ByteBuffer::writeVec3(const Vec3& v)
{
    uint8_t* p = grow(12);
    store32(p, std::bit_cast<uint32_t>(v.x));
    store32(p + 4, std::bit_cast<uint32_t>(v.y));
    store32(p + 8, std::bit_cast<uint32_t>(v.z));
}

inline void ByteBuffer::writeZonePosition(const ZonePosition& zp)
{
    uint8_t* p = grow(12);
    store32(p, static_cast<uint32_t>(zp.zone));
    store32(p + 4, std::bit_cast<uint32_t>(zp.x));
    store32(p + 8, std::bit_cast<uint32_t>(zp.y));
}

inline void ByteBuffer::writeGameTime(const GameTime& t)
{
    uint8_t* p = grow(16);
    store32(p, static_cast<uint32_t>(t.days));
    store32(p + 4, static_cast<uint32_t>(t.hours));
    store32(p + 8, static_cast<uint32_t>(t.minutes));
    store32(p + 12, std::bit_cast<uint32_t>(t.seconds));
}

inline double ByteBuffer::readDouble()
{
    const uint8_t* p = take(8);
    if (p == nullptr) {
        return 0.0;
    }
    uint64_t v = load32(p) | (static_cast<uint64_t>(load32(p + 4)) << 32);
    return std::bit_cast<double>(v);
}

inline std::string ByteBuffer::readString()
{
    const size_t left = m_size - m_readPos;
    const uint8_t* start = m_data.get() + m_readPos;
    const void* zero = left > 0 ? std::memchr(start, 0, left) : nullptr;
    if (zero == nullptr) {
        return readUnterminated();
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - start);
    m_readPos += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
}

inline Vec2 ByteBuffer::readVec2()
{
    Vec2 v;
    if (const uint8_t* p = take(8)) {
        v.x = std::bit_cast<float>(load32(p));
        v.y = std::bit_cast<float>(load32(p + 4));
    }
    return v;
}

inline Vec3 ByteBuffer::readVec3()
{
    Vec3 v;
    if (const uint8_t* p = take(12)) {
        v.x = std::bit_cast<float>(load32(p));
        v.y = std::bit_cast<float>(load32(p + 4));
        v.z = std::bit_cast<float>(load32(p + 8));
    }
    return v;
}

inline ZonePosition ByteBuffer::readZonePosition()
{
    const uint8_t* p = take(12);
    if (p == nullptr) {
        return ZonePosition();
    }
    ZonePosition zp(static_cast<int32_t>(load32(p)), std::bit_cast<float>(load32(p + 4)),
                    std::bit_cast<float>(load32(p + 8)));
    zp.needsNormalizing = true;
    return zp;
}

inline GameTime ByteBuffer::readGameTime()
{
    const uint8_t* p = take(16);
    if (p == nullptr) {
        return GameTime();
    }
    return GameTime(static_cast<int32_t>(load32(p)), static_cast<int32_t>(load32(p + 4)),
                    static_cast<int32_t>(load32(p + 8)), std::bit_cast<float>(load32(p + 12)));
}

// The word with the low 16 bits of value placed at shift (0 or 16).
uint32_t packBits16(uint32_t word, uint32_t value, int shift);
// (word >> shift) & 0xFFFF
uint32_t unpackBits16(uint32_t word, int shift);
// The two 16-bit halves of a packed value.
void readUInt16(uint32_t packed, uint16_t& low, uint16_t& high);
