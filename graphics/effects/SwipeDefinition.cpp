#include "graphics/effects/SwipeDefinition.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "graphics/effects/EffectFileParser.h"

std::unique_ptr<SwipeDefinition> SwipeDefinition::create(const std::string& fileName, const uint8_t* data,
                                                         size_t size)
{
    return EffectFileParser::readWhole<SwipeDefinition>(fileName, data, size);
}

void SwipeDefinition::parse(TextReader& reader, SwipeDefinition& d, const std::string& fileName)
{
    std::string texture;
    EffectFileParser::walk(reader, fileName, "Unknown beam parm %s in %s\n", [&](std::string_view k) {
        auto is = [k](const char* name) { return equalsNoCase(k, name); };
        if (is("texture")) {
            texture.clear();
            reader.readString(texture);
        } else if (is("additive")) {
            d.additive = true;
        } else if (is("maxAge")) {
            d.maxAge = reader.getFloat();
        } else if (is("alpha")) {
            d.alpha = reader.getFloat();
        } else if (is("color")) {
            EffectFileParser::readFloats(reader, d.colour, 3);
        } else if (is("updateTime")) {
            d.updateTime = reader.getFloat();
        } else {
            return false;
        }
        return true;
    });
    d.shader = EffectFileParser::acquireTextureShader(texture, d.additive);
}

std::string SwipeDefinition::describe() const
{
    return formatString("%s: swipe, max age %g, every %g s", getFileName().c_str(), maxAge, updateTime);
}
