#include "graphics/text/FontResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"

#include <climits>
#include <cstdlib>
#include <string_view>

namespace {

// A token as an integer or a float; 0 when it is not a number.
int tokenInt(TextReader& reader)
{
    std::string token;
    if (!reader.readToken(token, true)) {
        return 0;
    }
    char* end = nullptr;
    long value = std::strtol(token.c_str(), &end, 10);
    if (end == token.c_str() || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        return 0;
    }
    return static_cast<int>(value);
}

float tokenFloat(TextReader& reader)
{
    std::string token;
    if (!reader.readToken(token, true)) {
        return 0.0f;
    }
    char* end = nullptr;
    float value = std::strtof(token.c_str(), &end);
    return end == token.c_str() || *end != '\0' ? 0.0f : value;
}

} // namespace

FontResource::FontResource()
{
    charIndexes.fill(-1);
}

FontResource::~FontResource() = default;

std::unique_ptr<FontResource> FontResource::parse(const std::string& fileName, const uint8_t* data,
                                                  size_t size, bool withTexture)
{
    auto font = std::make_unique<FontResource>();
    TextReader reader(std::string_view(reinterpret_cast<const char*>(data), size), fileName);
    // Read as far as the keywords allow; what is not reached keeps -1.
    if (reader.expect("size")) {
        font->size = tokenInt(reader);
        if (reader.expect("charIndexes") && reader.expect("{")) {
            for (int b = 0; b < 256; ++b) {
                int index = tokenInt(reader);
                if (index < -1 || index > 255) {
                    reader.report(2, "glyph index %d of byte %d is outside -1..255; read as -1", index, b);
                    index = -1;
                }
                font->charIndexes[static_cast<size_t>(b)] = index;
            }
            if (reader.expect("}") && reader.expect("charData") && reader.expect("{")) {
                for (Glyph& g : font->glyphs) {
                    g.left = tokenFloat(reader);
                    g.top = tokenFloat(reader);
                    g.right = tokenFloat(reader);
                    g.bottom = tokenFloat(reader);
                    g.width = tokenInt(reader);
                    g.height = tokenInt(reader);
                }
                reader.expect("}");
            }
        }
    }
    std::string base = fileName;
    if (size_t slash = base.find_last_of("/\\"); slash != std::string::npos) {
        base = base.substr(slash + 1);
    }
    if (size_t dot = base.rfind('.'); dot != std::string::npos) {
        base = base.substr(0, dot);
    }
    font->name = base;
    if (withTexture) {
        font->texture = acquireShader("Textures/Fonts/" + font->name + ".tga", kSubType);
    }
    return font;
}

void FontResource::registerType(ResourceSystem& resources, bool windowed)
{
    if (resources.hasType("fnt")) {
        return;
    }
    ResourceTypeInfo fnt;
    fnt.extension = "fnt";
    fnt.factory = [windowed](const std::string& name, const uint8_t* data, size_t size,
                             int) -> std::unique_ptr<Resource> { return parse(name, data, size, windowed); };
    resources.registerType(std::move(fnt));
}

std::string FontResource::describe() const
{
    return formatString("%s: font %s size %d texture %d", getFileName().c_str(), name.c_str(), size,
                        texture.getIndex());
}

const FontResource::Glyph* FontResource::glyphForByte(unsigned char byte) const
{
    int index = charIndexes[byte];
    return index < 0 ? nullptr : &glyphs[static_cast<size_t>(index)];
}
