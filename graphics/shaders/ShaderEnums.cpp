#include "graphics/shaders/ShaderEnums.h"

#include "engine/core/StringUtil.h"

#include <GL/gl.h>

namespace {

struct NamedValue {
    const char* name;
    unsigned value;
};

constexpr NamedValue kSourceBlends[] = {
    {"Zero", GL_ZERO},
    {"One", GL_ONE},
    {"SrcAlpha", GL_SRC_ALPHA},
    {"OneMinusSrcAlpha", GL_ONE_MINUS_SRC_ALPHA},
    {"DstAlpha", GL_DST_ALPHA},
    {"OneMinusDstAlpha", GL_ONE_MINUS_DST_ALPHA},
    {"DstColor", GL_DST_COLOR},
    {"OneMinusDstColor", GL_ONE_MINUS_DST_COLOR},
    {"SrcAlphaSaturate", GL_SRC_ALPHA_SATURATE},
};

constexpr NamedValue kDestBlends[] = {
    {"Zero", GL_ZERO},          {"One", GL_ONE},
    {"SrcColor", GL_SRC_COLOR}, {"OneMinusSrcColor", GL_ONE_MINUS_SRC_COLOR},
    {"SrcAlpha", GL_SRC_ALPHA}, {"OneMinusSrcAlpha", GL_ONE_MINUS_SRC_ALPHA},
    {"DstAlpha", GL_DST_ALPHA}, {"OneMinusDstAlpha", GL_ONE_MINUS_DST_ALPHA},
};

constexpr NamedValue kComparisons[] = {
    {"Never", GL_NEVER},     {"Less", GL_LESS},         {"Equal", GL_EQUAL},   {"LEqual", GL_LEQUAL},
    {"Greater", GL_GREATER}, {"NotEqual", GL_NOTEQUAL}, {"GEqual", GL_GEQUAL}, {"Always", GL_ALWAYS},
};

constexpr NamedValue kStencilActions[] = {
    {"Keep", GL_KEEP}, {"Zero", GL_ZERO}, {"Replace", GL_REPLACE},
    {"Incr", GL_INCR}, {"Decr", GL_DECR}, {"Invert", GL_INVERT},
};

constexpr NamedValue kClampModes[] = {
    {"Clamp", GL_CLAMP},
    {"Repeat", GL_REPEAT},
    {"ClampToEdge", GL_CLAMP_TO_EDGE},
};

template <size_t N> bool lookupIn(const NamedValue (&set)[N], std::string_view name, unsigned& out)
{
    for (const NamedValue& entry : set) {
        if (equalsNoCase(entry.name, name)) {
            out = entry.value;
            return true;
        }
    }
    return false;
}

template <size_t N> bool containsValue(const NamedValue (&set)[N], unsigned value)
{
    for (const NamedValue& entry : set) {
        if (entry.value == value) {
            return true;
        }
    }
    return false;
}

} // namespace

const EnumNameTable& colorGenTable()
{
    static const EnumNameTable table("ColorGen",
                                     {"Identity", "Vertex", "VertexAndConstant", "Constant", "Origin",
                                      "OriginAndConstant", "Wave", "CodeGenerated", "SameAsPreviousStage",
                                      "EntityLight", "Saved", "SavedAndConstant", "Sphere",
                                      "SphereAndConstant"},
                                     0);
    return table;
}

const EnumNameTable& alphaGenTable()
{
    static const EnumNameTable table("AlphaGen",
                                     {"Identity", "Constant", "Wave", "CodeGenerated", "StageGenerated"}, 0);
    return table;
}

const EnumNameTable& uvModTable()
{
    static const EnumNameTable table("UVMod", {"None", "Scroll", "Scale", "Offset"}, 0);
    return table;
}

const EnumNameTable& deformVertsTypeTable()
{
    static const EnumNameTable table("DeformVertsType", {"None", "Offset", "Wave"}, 0);
    return table;
}

const EnumNameTable& sortTypeTable()
{
    static const EnumNameTable table(
        "SortType", {"Opaque", "Shadow", "AdvancedTransparent", "Transparent", "Additive"}, 0);
    return table;
}

bool lookupSourceBlend(std::string_view name, unsigned& out)
{
    return lookupIn(kSourceBlends, name, out);
}

bool lookupDestBlend(std::string_view name, unsigned& out)
{
    return lookupIn(kDestBlends, name, out);
}

bool lookupComparison(std::string_view name, unsigned& out)
{
    return lookupIn(kComparisons, name, out);
}

bool lookupStencilAction(std::string_view name, unsigned& out)
{
    return lookupIn(kStencilActions, name, out);
}

bool lookupClampMode(std::string_view name, unsigned& out)
{
    return lookupIn(kClampModes, name, out);
}

bool lookupCullType(std::string_view name, CullType& out)
{
    if (equalsNoCase(name, "None")) {
        out = CullType::None;
    } else if (equalsNoCase(name, "Back")) {
        out = CullType::Back;
    } else if (equalsNoCase(name, "Front")) {
        out = CullType::Front;
    } else {
        return false;
    }
    return true;
}

bool isSourceBlend(unsigned value)
{
    return containsValue(kSourceBlends, value);
}

bool isDestBlend(unsigned value)
{
    return containsValue(kDestBlends, value);
}

bool isComparison(unsigned value)
{
    return containsValue(kComparisons, value);
}

bool isStencilAction(unsigned value)
{
    return containsValue(kStencilActions, value);
}

bool isClampMode(unsigned value)
{
    return containsValue(kClampModes, value);
}

int computeVertexColorMode(ColorGen colorGen, AlphaGen alphaGen, bool forceAlpha, bool betterLighting)
{
    bool usesVertexColour = false;
    switch (colorGen) {
    case ColorGen::Vertex:
    case ColorGen::VertexAndConstant:
    case ColorGen::CodeGenerated:
    case ColorGen::Saved:
    case ColorGen::SavedAndConstant:
        usesVertexColour = true;
        break;
    case ColorGen::Sphere:
    case ColorGen::SphereAndConstant:
        usesVertexColour = betterLighting;
        break;
    default:
        break;
    }
    bool usesAlpha = false;
    switch (alphaGen) {
    case AlphaGen::Constant:
    case AlphaGen::Wave:
        usesAlpha = true;
        break;
    case AlphaGen::CodeGenerated:
    case AlphaGen::StageGenerated:
        usesAlpha = true;
        usesVertexColour = true;
        break;
    default:
        break;
    }
    if (!forceAlpha && !usesAlpha) {
        return usesVertexColour ? 0 : 2;
    }
    return usesVertexColour ? 1 : 3;
}
