#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// File access of the codecs: everything goes through the file system, so
// writes land in the user directory through a temporary file and a rename.
namespace codec {

bool readWholeFile(const std::string& name, std::vector<uint8_t>& out);
bool writeWholeFile(const std::string& name, const void* data, size_t size);

// The name with everything from its extension dot replaced by "." + ext.
std::string replaceExtension(const std::string& name, std::string_view extension);
// Appends "." + ext unless the name already has that extension.
std::string withExtension(const std::string& name, std::string_view extension);

inline uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}
inline void put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

} // namespace codec
