#pragma once

#include "engine/core/TextReader.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/effects/RandomValue.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// What the three effect formats (.eff, .bem, .swp) share: keywords are read
// across lines, each value only on its keyword's line; unknown keywords are
// reported with file and line and the walk goes on with the next token.
namespace EffectFileParser {

// Handles one keyword (compared without regard to case); false when unknown.
using KeywordHandler = std::function<bool(std::string_view keyword)>;

// Walks the file; `unknownFormat` takes the keyword and the file name.
void walk(TextReader& reader, const std::string& fileName, const char* unknownFormat,
          const KeywordHandler& handle);

// "rand X", "crand X", "randRange A B" or a constant; missing numbers read 0.
RandomValue readRandomValue(TextReader& reader);
// Three floats on the line (missing ones 0).
void readFloats(TextReader& reader, float* out, int count);
// The texture's shader under "Textures", blended additively (sub-type 4) or
// not (5); none for an empty name.
ResourceHandle acquireTextureShader(const std::string& texture, bool additive);
// A resource by name when its type is registered (none otherwise).
ResourceHandle loadIfKnown(const std::string& name);

// A definition of one of the formats, parsed from the whole file.
template <class Definition>
std::unique_ptr<Definition> readWhole(const std::string& fileName, const uint8_t* data, size_t size)
{
    auto d = std::make_unique<Definition>();
    TextReader reader(std::string_view(reinterpret_cast<const char*>(data), size), fileName);
    Definition::parse(reader, *d, fileName);
    return d;
}

} // namespace EffectFileParser
