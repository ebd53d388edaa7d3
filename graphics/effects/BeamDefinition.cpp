#include "graphics/effects/BeamDefinition.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "graphics/effects/EffectFileParser.h"

std::unique_ptr<BeamDefinition> BeamDefinition::create(const std::string& fileName, const uint8_t* data,
                                                       size_t size)
{
    return EffectFileParser::readWhole<BeamDefinition>(fileName, data, size);
}

void BeamDefinition::parse(TextReader& reader, BeamDefinition& d, const std::string& fileName)
{
    std::string texture;
    EffectFileParser::walk(reader, fileName, "Unknown beam parm %s in %s\n", [&](std::string_view k) {
        auto is = [k](const char* name) { return equalsNoCase(k, name); };
        if (is("texture")) {
            texture.clear();
            reader.readString(texture);
        } else if (is("linked")) {
            d.linked = true;
        } else if (is("additive")) {
            d.additive = true;
        } else if (is("fade")) {
            d.fade = true;
        } else if (is("size")) {
            d.size = reader.getFloat();
        } else if (is("maxAge")) {
            d.maxAge = reader.getFloat();
        } else if (is("alpha")) {
            d.alpha = reader.getFloat();
        } else if (is("color")) {
            EffectFileParser::readFloats(reader, d.colour, 3);
        } else if (is("length")) {
            d.length = reader.getFloat();
        } else if (is("numSegments")) {
            d.segmentCount = reader.getInt();
        } else if (is("segmentLength")) {
            d.segmentLength = reader.getFloat();
        } else if (is("minOffset")) {
            d.minOffset = reader.getFloat();
        } else if (is("maxOffset")) {
            d.maxOffset = reader.getFloat();
        } else if (is("startSize")) {
            d.startSize = reader.getFloat();
        } else if (is("endSize")) {
            d.endSize = reader.getFloat();
        } else if (is("changeTime")) {
            d.changeTime = reader.getFloat();
        } else if (is("endPointsFromEntity")) {
            d.endPointsFromEntity = reader.getBool();
        } else {
            return false;
        }
        return true;
    });
    if (d.startSize == -1.0f) {
        d.startSize = d.size;
    }
    if (d.endSize == -1.0f) {
        d.endSize = d.size;
    }
    d.shader = EffectFileParser::acquireTextureShader(texture, d.additive);
}

std::string BeamDefinition::describe() const
{
    return formatString("%s: beam, %d segments, length %g", getFileName().c_str(), segmentCount, length);
}
