#include "engine/core/ByteBuffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

ByteBuffer::ByteBuffer(const void* data, size_t size)
{
    if (data != nullptr && size > 0) {
        std::memcpy(grow(size), data, size);
    }
}

ByteBuffer::ByteBuffer(const ByteBuffer& other) : m_readPos(other.m_readPos), m_failed(other.m_failed)
{
    if (other.m_size > 0) {
        std::memcpy(grow(other.m_size), other.m_data.get(), other.m_size);
    }
}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other)
{
    if (this != &other) {
        m_size = 0;
        if (other.m_size > 0) {
            std::memcpy(grow(other.m_size), other.m_data.get(), other.m_size);
        }
        m_readPos = other.m_readPos;
        m_failed = other.m_failed;
    }
    return *this;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_data(std::move(other.m_data)), m_capacity(other.m_capacity), m_size(other.m_size),
      m_readPos(other.m_readPos), m_failed(other.m_failed)
{
    other.m_capacity = 0;
    other.m_size = 0;
    other.m_readPos = 0;
    other.m_failed = false;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept
{
    if (this != &other) {
        m_data = std::move(other.m_data);
        m_capacity = other.m_capacity;
        m_size = other.m_size;
        m_readPos = other.m_readPos;
        m_failed = other.m_failed;
        other.m_capacity = 0;
        other.m_size = 0;
        other.m_readPos = 0;
        other.m_failed = false;
    }
    return *this;
}

void ByteBuffer::FreeBytes::operator()(uint8_t* p) const
{
    std::free(p);
}

void ByteBuffer::makeRoom(size_t n)
{
    if (n > SIZE_MAX / 2 - m_size) {
        throw std::bad_alloc();
    }
    size_t capacity = std::max({m_size + n, m_capacity * 2, size_t(256)});
    void* bigger = std::realloc(m_data.get(), capacity);
    if (bigger == nullptr) {
        throw std::bad_alloc();
    }
    (void)m_data.release();
    m_data.reset(static_cast<uint8_t*>(bigger));
    m_capacity = capacity;
}

std::string ByteBuffer::readUnterminated()
{
    const size_t left = m_size - m_readPos;
    std::string rest(reinterpret_cast<const char*>(m_data.get() + m_readPos), left);
    m_readPos = m_size;
    m_failed = true;
    return rest;
}

namespace {

// The little-endian 32-bit values of a run of bytes, as vector::assign reads
// them: it counts them first, then copies.
struct Int32Reader {
    using iterator_category = std::forward_iterator_tag;
    using value_type = int32_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const int32_t*;
    using reference = int32_t;

    const uint8_t* at;

    int32_t operator*() const
    {
        return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                                    (static_cast<uint32_t>(at[2]) << 16) |
                                    (static_cast<uint32_t>(at[3]) << 24));
    }
    Int32Reader& operator++()
    {
        at += 4;
        return *this;
    }
    Int32Reader operator++(int)
    {
        Int32Reader was = *this;
        at += 4;
        return was;
    }
    bool operator==(const Int32Reader& other) const { return at == other.at; }
};

} // namespace

const uint8_t* ByteBuffer::refuse()
{
    m_readPos = m_size;
    m_failed = true;
    return nullptr;
}

void ByteBuffer::writeBoolVector(const std::vector<bool>& values)
{
    uint8_t* p = grow(4 + 4 * values.size());
    store32(p, static_cast<uint32_t>(values.size()));
    for (bool v : values) {
        p += 4;
        store32(p, v ? 1u : 0u);
    }
}

void ByteBuffer::reserve(const void* bytes, size_t size)
{
    if (bytes == nullptr || size == 0) {
        return;
    }
    std::memcpy(grow(size), bytes, size);
}

uint32_t ByteBuffer::readCount(size_t elementSize)
{
    const uint8_t* p = take(4);
    if (p == nullptr) {
        return 0;
    }
    uint32_t count = load32(p);
    if (count > remaining() / std::max<size_t>(elementSize, 1)) {
        refuse();
        return 0;
    }
    return count;
}

bool ByteBuffer::readIntVector(std::vector<int32_t>& out)
{
    out.clear();
    const uint8_t* head = take(4);
    if (head == nullptr) {
        return false;
    }
    uint32_t count = load32(head);
    if (count > remaining() / 4) {
        refuse();
        return false;
    }
    const uint8_t* p = take(4 * static_cast<size_t>(count));
    // One allocation of the stored size, filled straight from the bytes (no
    // zeroing first).
    out.assign(Int32Reader{p}, Int32Reader{p + 4 * static_cast<size_t>(count)});
    return true;
}

bool ByteBuffer::readBoolVector(std::vector<bool>& out, bool resize)
{
    const uint8_t* head = take(4);
    uint32_t count = head != nullptr ? load32(head) : 0;
    if (head == nullptr || count > remaining() / 4) {
        if (head != nullptr) {
            refuse();
        }
        if (resize) {
            out.clear();
        } else {
            out.assign(out.size(), false);
        }
        return false;
    }
    const uint8_t* p = take(4 * static_cast<size_t>(count));
    if (resize) {
        out.assign(count, false);
    }
    // Surplus stored flags are skipped, missing ones become false.
    size_t keep = out.size();
    for (size_t i = 0; i < keep; ++i) {
        out[i] = i < count && load32(p + 4 * i) != 0;
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
    if (pos > m_size) {
        m_readPos = m_size;
        m_failed = true;
        return;
    }
    m_readPos = pos;
}

void ByteBuffer::clear()
{
    m_size = 0;
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
