#include "graphics/shaders/ShaderScriptParser.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"

namespace {

std::string argument(TextReader& reader)
{
    std::string token;
    reader.readToken(token, false);
    return token;
}

// One GL constant named by the next argument; an unknown name is reported and
// gives the fallback.
unsigned readGlName(TextReader& reader, bool (*lookup)(std::string_view, unsigned&), unsigned fallback,
                    const char* what)
{
    std::string name = argument(reader);
    unsigned value = fallback;
    if (!lookup(name, value)) {
        reader.report(1, "Unknown %s %s", what, name.c_str());
        value = fallback;
    }
    return value;
}

} // namespace

unsigned readSourceBlend(TextReader& reader)
{
    return readGlName(reader, lookupSourceBlend, GL_ONE, "source blend");
}

unsigned readDestBlend(TextReader& reader)
{
    return readGlName(reader, lookupDestBlend, GL_ONE, "dest blend");
}

unsigned readComparison(TextReader& reader)
{
    return readGlName(reader, lookupComparison, GL_LEQUAL, "comparison func");
}

unsigned readStencilAction(TextReader& reader)
{
    return readGlName(reader, lookupStencilAction, GL_KEEP, "stencil action");
}

unsigned readClampMode(TextReader& reader)
{
    return readGlName(reader, lookupClampMode, GL_CLAMP, "Clamp Mode");
}

int readEnumName(TextReader& reader, const EnumNameTable& table)
{
    std::string name = argument(reader);
    int value = table.find(name);
    if (value < 0) {
        reader.report(3, "Unknown %s name %s\n", table.tableName.c_str(), name.c_str());
        value = table.defaultValue;
    }
    return value;
}

void ShaderScriptParser::parseFile(std::string_view text, const std::string& fileName,
                                   std::vector<std::unique_ptr<ShaderDefinition>>& out,
                                   int32_t& nextIndex) const
{
    TextReader reader(text, fileName);
    reader.setBraceTokens(true);
    std::string token;
    while (reader.readToken(token, true)) {
        auto definition = std::make_unique<ShaderDefinition>();
        definition->index = nextIndex++;
        definition->name = token;
        // The opening brace, whatever its text.
        std::string brace;
        reader.readToken(brace, true);
        parseShaderBody(reader, *definition);
        out.push_back(std::move(definition));
    }
}

void ShaderScriptParser::parseShaderBody(TextReader& reader, ShaderDefinition& d) const
{
    std::string key;
    while (reader.readToken(key, true)) {
        if (key == "}") {
            break;
        }
        if (key == "{") {
            d.stages.emplace_back();
            parseShaderStage(reader, d, d.stages.back());
        } else if (equalsNoCase(key, "cull")) {
            std::string name = argument(reader);
            CullType type;
            if (!lookupCullType(name, type)) {
                reader.report(1, "Unknown cull type %s", name.c_str());
            } else if (type == CullType::None) {
                d.cullEnabled = false;
            } else {
                d.cullFace = type == CullType::Back ? GL_BACK : GL_FRONT;
            }
        } else if (equalsNoCase(key, "deformVerts")) {
            VertexDeform deform;
            deform.type = static_cast<DeformVertsType>(readEnumName(reader, deformVertsTypeTable()));
            if (deform.type == DeformVertsType::Offset) {
                deform.value = reader.getFloat();
            } else if (deform.type == DeformVertsType::Wave) {
                deform.value = reader.getFloat();
                deform.wave = readWaveParams(reader);
            }
            d.deforms.push_back(deform);
            d.vertexDeformation = true;
        } else if (equalsNoCase(key, "sort")) {
            d.sort = static_cast<SortType>(readEnumName(reader, sortTypeTable()));
        } else if (equalsNoCase(key, "testDepth")) {
            d.testDepth = reader.getInt() != 0;
        } else if (equalsNoCase(key, "writeDepth")) {
            d.writeDepth = reader.getInt() != 0;
        } else if (equalsNoCase(key, "depthFunc")) {
            d.depthFunc = readComparison(reader);
        } else if (equalsNoCase(key, "writeColor")) {
            d.writeColor = reader.getInt() != 0;
        } else if (equalsNoCase(key, "blendGroup")) {
            d.blendGroup = argument(reader);
        } else if (equalsNoCase(key, "dontBlend")) {
            d.blendAllowed = false;
        } else if (equalsNoCase(key, "stencilFunc")) {
            d.stencilEnabled = true;
            d.stencilFunc = readComparison(reader);
            d.stencilRef = reader.getInt();
        } else if (equalsNoCase(key, "stencilOp")) {
            for (unsigned& action : d.stencilActions) {
                action = readStencilAction(reader);
            }
        } else if (equalsNoCase(key, "useMipMaps")) {
            d.useMipMaps = reader.getInt() != 0;
        } else if (equalsNoCase(key, "BlocksCollision")) {
            d.BlocksCollision = true;
        } else if (equalsNoCase(key, "BlocksSight")) {
            d.BlocksSight = true;
        } else if (equalsNoCase(key, "useShaderTime")) {
            d.useShaderTime = reader.getInt() != 0;
        } else if (equalsNoCase(key, "highlightsSurface")) {
            d.highlightsSurface = reader.getInt() != 0;
        }
        // Anything else is skipped; its arguments are read as keywords.
    }
    if (d.blendGroup.empty() && !d.stages.empty()) {
        d.blendGroup = d.stages.front().texture;
    }
    d.groupHash = hashString(d.blendGroup);
}

void ShaderScriptParser::parseShaderStage(TextReader& reader, ShaderDefinition& d,
                                          ShaderStageDefinition& stage) const
{
    std::string key;
    while (reader.readToken(key, true)) {
        if (key == "}") {
            break;
        }
        if (equalsNoCase(key, "texture")) {
            stage.texture = argument(reader);
        } else if (equalsNoCase(key, "anim")) {
            stage.animationRate = reader.getFloat();
            std::string frame;
            while (reader.readToken(frame, false)) {
                stage.animationFrames.push_back(frame);
            }
        } else if (equalsNoCase(key, "clamp")) {
            stage.clampU = stage.clampV = readClampMode(reader);
        } else if (equalsNoCase(key, "clampU")) {
            stage.clampU = readClampMode(reader);
        } else if (equalsNoCase(key, "clampV")) {
            stage.clampV = readClampMode(reader);
        } else if (equalsNoCase(key, "blendFunc")) {
            stage.blendEnabled = true;
            stage.sourceBlend = readSourceBlend(reader);
            stage.destBlend = readDestBlend(reader);
        } else if (equalsNoCase(key, "colorGen")) {
            stage.colorGen = static_cast<ColorGen>(readEnumName(reader, colorGenTable()));
            switch (stage.colorGen) {
            case ColorGen::VertexAndConstant:
            case ColorGen::Constant:
            case ColorGen::OriginAndConstant:
            case ColorGen::SavedAndConstant:
            case ColorGen::SphereAndConstant: {
                Color c = parseColor(argument(reader));
                stage.constantColor[0] = c.r;
                stage.constantColor[1] = c.g;
                stage.constantColor[2] = c.b;
                break;
            }
            case ColorGen::Wave:
                stage.colorWave = readWaveParams(reader);
                break;
            default:
                break;
            }
            if (stage.colorGen == ColorGen::Sphere || stage.colorGen == ColorGen::SphereAndConstant) {
                stage.needsNormals = true;
            }
        } else if (equalsNoCase(key, "alphaGen")) {
            stage.alphaGen = static_cast<AlphaGen>(readEnumName(reader, alphaGenTable()));
            if (stage.alphaGen == AlphaGen::Constant) {
                stage.constantAlpha = reader.getFloat();
            } else if (stage.alphaGen == AlphaGen::Wave) {
                stage.alphaWave = readWaveParams(reader);
            }
        } else if (equalsNoCase(key, "uvMod")) {
            UVModifier mod;
            mod.type = static_cast<UVMod>(readEnumName(reader, uvModTable()));
            if (mod.type == UVMod::Scroll) {
                mod.scrollU = reader.getFloat();
                mod.scrollV = reader.getFloat();
            } else if (mod.type == UVMod::Scale) {
                mod.scale = reader.getFloat();
            } else if (mod.type == UVMod::Offset) {
                mod.offsetU = reader.getFloat();
                mod.offsetV = reader.getFloat();
            }
            stage.uvModifiers.push_back(mod);
        } else if (equalsNoCase(key, "alphaTest")) {
            stage.alphaTestEnabled = true;
            stage.alphaTestFunc = readComparison(reader);
            stage.alphaTestRef = reader.getFloat();
        }
    }
    stage.vertexColorMode = computeVertexColorMode(stage.colorGen, stage.alphaGen, false, m_betterLighting);
    if (stage.needsNormals) {
        d.needsNormals = true;
    }
}
