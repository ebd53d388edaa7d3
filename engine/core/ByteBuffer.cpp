#include "engine/core/ByteBuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

ByteBuffer::ByteBuffer(const void* data, size_t size)
{
    if (data != nullptr && size > 0) {
        const auto* p = static_cast<const uint8_t*>(data);
        m_data.assign(p, p + size);
    }
}

void ByteBuffer::put32(uint32_t v)
{
    size_t at = m_data.size();
    m_data.resize(at + 4);
    uint8_t* p = m_data.data() + at;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

const uint8_t* ByteBuffer::take(size_t n)
{
    if (m_readPos > m_data.size() || n > m_data.size() - m_readPos) {
        m_readPos = m_data.size();
        m_failed = true;
        return nullptr;
    }
    const uint8_t* p = m_data.data() + m_readPos;
    m_readPos += n;
    return p;
}

uint32_t ByteBuffer::get32()
{
    const uint8_t* p = take(4);
    if (p == nullptr) {
        return 0;
    }
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void ByteBuffer::writeInt(int32_t value)
{
    put32(static_cast<uint32_t>(value));
}

void ByteBuffer::writeInt(uint32_t value)
{
    put32(value);
}

void ByteBuffer::writeFloat(float value)
{
    put32(std::bit_cast<uint32_t>(value));
}

void ByteBuffer::writeDouble(double value)
{
    uint64_t v = std::bit_cast<uint64_t>(value);
    put32(static_cast<uint32_t>(v));
    put32(static_cast<uint32_t>(v >> 32));
}

void ByteBuffer::writeBool(bool value)
{
    put32(value ? 1u : 0u);
}

void ByteBuffer::writeByte(uint8_t value)
{
    m_data.push_back(value);
}

void ByteBuffer::writeString(std::string_view text)
{
    // An embedded zero would end the string early when read back and shift
    // every later field, so the text stops there.
    size_t end = text.find('\0');
    if (end != std::string_view::npos) {
        text = text.substr(0, end);
    }
    m_data.insert(m_data.end(), text.begin(), text.end());
    m_data.push_back(0);
}

void ByteBuffer::writeVec2(const Vec2& v)
{
    writeFloat(v.x);
    writeFloat(v.y);
}

void ByteBuffer::writeVec3(const Vec3& v)
{
    writeFloat(v.x);
    writeFloat(v.y);
    writeFloat(v.z);
}

void ByteBuffer::writeZonePosition(const ZonePosition& p)
{
    writeInt(p.zone);
    writeFloat(p.x);
    writeFloat(p.y);
}

void ByteBuffer::writeGameTime(const GameTime& t)
{
    writeInt(t.days);
    writeInt(t.hours);
    writeInt(t.minutes);
    writeFloat(t.seconds);
}

void ByteBuffer::writeIntVector(const std::vector<int32_t>& values)
{
    put32(static_cast<uint32_t>(values.size()));
    for (int32_t v : values) {
        writeInt(v);
    }
}

void ByteBuffer::writeBoolVector(const std::vector<bool>& values)
{
    put32(static_cast<uint32_t>(values.size()));
    for (bool v : values) {
        writeBool(v);
    }
}

void ByteBuffer::reserve(const void* bytes, size_t size)
{
    if (bytes == nullptr || size == 0) {
        return;
    }
    const auto* p = static_cast<const uint8_t*>(bytes);
    m_data.insert(m_data.end(), p, p + size);
}

int32_t ByteBuffer::readInt()
{
    return static_cast<int32_t>(get32());
}

uint32_t ByteBuffer::readUInt()
{
    return get32();
}

float ByteBuffer::readFloat()
{
    return std::bit_cast<float>(get32());
}

double ByteBuffer::readDouble()
{
    const uint8_t* p = take(8);
    if (p == nullptr) {
        return 0.0;
    }
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return std::bit_cast<double>(v);
}

bool ByteBuffer::readBool()
{
    return get32() != 0;
}

uint8_t ByteBuffer::readByte()
{
    const uint8_t* p = take(1);
    return p != nullptr ? *p : 0;
}

uint32_t ByteBuffer::readCount(size_t elementSize)
{
    if (remaining() < 4) {
        take(4);
        return 0;
    }
    uint32_t count = get32();
    if (count > remaining() / std::max<size_t>(elementSize, 1)) {
        take(remaining() + 1);
        return 0;
    }
    return count;
}

std::string ByteBuffer::readString()
{
    if (m_readPos >= m_data.size()) {
        m_failed = true;
        return {};
    }
    const uint8_t* start = m_data.data() + m_readPos;
    size_t left = m_data.size() - m_readPos;
    const void* zero = std::memchr(start, 0, left);
    if (zero == nullptr) {
        m_readPos = m_data.size();
        m_failed = true;
        return std::string(reinterpret_cast<const char*>(start), left);
    }
    size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - start);
    m_readPos += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
}

Vec2 ByteBuffer::readVec2()
{
    Vec2 v;
    v.x = readFloat();
    v.y = readFloat();
    return v;
}

Vec3 ByteBuffer::readVec3()
{
    Vec3 v;
    v.x = readFloat();
    v.y = readFloat();
    v.z = readFloat();
    return v;
}

ZonePosition ByteBuffer::readZonePosition()
{
    if (remaining() < 12) {
        take(12);
        return ZonePosition();
    }
    ZonePosition p;
    p.zone = readInt();
    p.x = readFloat();
    p.y = readFloat();
    p.needsNormalizing = true;
    return p;
}

GameTime ByteBuffer::readGameTime()
{
    if (remaining() < 16) {
        take(16);
        return GameTime();
    }
    GameTime t;
    t.days = readInt();
    t.hours = readInt();
    t.minutes = readInt();
    t.seconds = readFloat();
    return t;
}

bool ByteBuffer::readIntVector(std::vector<int32_t>& out)
{
    out.clear();
    if (remaining() < 4) {
        take(4);
        return false;
    }
    uint32_t count = get32();
    if (count > remaining() / 4) {
        take(remaining() + 1);
        return false;
    }
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = readInt();
    }
    return true;
}

bool ByteBuffer::readBoolVector(std::vector<bool>& out, bool resize)
{
    bool complete = remaining() >= 4;
    uint32_t count = get32();
    bool refused = complete && count > remaining() / 4;
    if (!complete || refused) {
        if (refused) {
            take(remaining() + 1);
        }
        if (resize) {
            out.clear();
        } else {
            out.assign(out.size(), false);
        }
        return false;
    }
    if (resize) {
        out.assign(count, false);
    }
    size_t keep = out.size();
    for (uint32_t i = 0; i < count; ++i) {
        bool v = readBool();
        if (i < keep) {
            out[i] = v;
        }
    }
    for (size_t i = count; i < keep; ++i) {
        out[i] = false;
    }
    return true;
}

bool ByteBuffer::readBytes(void* out, size_t size)
{
    if (size == 0) {
        return !m_failed;
    }
    const uint8_t* p = take(size);
    if (p == nullptr) {
        std::memset(out, 0, size);
        return false;
    }
    std::memcpy(out, p, size);
    return true;
}

void ByteBuffer::setReadPos(size_t pos)
{
    if (pos > m_data.size()) {
        m_readPos = m_data.size();
        m_failed = true;
        return;
    }
    m_readPos = pos;
}

void ByteBuffer::clear()
{
    m_data.clear();
    m_readPos = 0;
    m_failed = false;
}

uint32_t packBits16(uint32_t word, uint32_t value, int shift)
{
    if (shift != 0 && shift != 16) {
        return word;
    }
    uint32_t mask = 0xFFFFu << shift;
    return (word & ~mask) | ((value & 0xFFFFu) << shift);
}

uint32_t unpackBits16(uint32_t word, int shift)
{
    if (shift < 0 || shift > 31) {
        return 0;
    }
    return (word >> shift) & 0xFFFFu;
}

void readUInt16(uint32_t packed, uint16_t& low, uint16_t& high)
{
    low = static_cast<uint16_t>(packed & 0xFFFFu);
    high = static_cast<uint16_t>(packed >> 16);
}
