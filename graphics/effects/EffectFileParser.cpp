#include "graphics/effects/EffectFileParser.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"

namespace EffectFileParser {

void walk(TextReader& reader, const std::string& fileName, const char* unknownFormat,
          const KeywordHandler& handle)
{
    std::string keyword;
    while (reader.readToken(keyword, true)) {
        if (!handle(keyword)) {
            reader.report(3, unknownFormat, keyword.c_str(), fileName.c_str());
        }
    }
}

RandomValue readRandomValue(TextReader& reader)
{
    std::string token;
    if (!reader.readToken(token, false)) {
        return RandomValue::constant(0.0f);
    }
    if (equalsNoCase(token, "rand")) {
        return RandomValue::range(0.0f, reader.getFloat());
    }
    if (equalsNoCase(token, "crand")) {
        float x = reader.getFloat();
        return RandomValue::range(-x, x);
    }
    if (equalsNoCase(token, "randRange")) {
        float a = reader.getFloat();
        float b = reader.getFloat();
        return RandomValue::range(a, b);
    }
    return RandomValue::constant(textToFloat(token));
}

void readFloats(TextReader& reader, float* out, int count)
{
    for (int i = 0; i < count; ++i) {
        out[i] = reader.getFloat();
    }
}

ResourceHandle acquireTextureShader(const std::string& texture, bool additive)
{
    if (texture.empty()) {
        return {};
    }
    return acquireShader(FileSystem::addDirectoryPrefix("Textures", texture), additive ? 4 : 5);
}

ResourceHandle loadIfKnown(const std::string& name)
{
    ResourceSystem* resources = ResourceSystem::instance();
    size_t dot = name.find_last_of('.');
    if (!resources || dot == std::string::npos ||
        !resources->hasType(std::string_view(name).substr(dot + 1))) {
        return {};
    }
    return resources->load(name);
}

} // namespace EffectFileParser
