#pragma once

#include "engine/data/EnumNameTable.h"

#include <string_view>

// Enumerations of the shader scripts. The values are the indices in their
// name tables.
enum class ColorGen : int {
    Identity = 0,
    Vertex,
    VertexAndConstant,
    Constant,
    Origin,
    OriginAndConstant,
    Wave,
    CodeGenerated,
    SameAsPreviousStage,
    EntityLight,
    Saved,
    SavedAndConstant,
    Sphere,
    SphereAndConstant,
};
constexpr int kColorGenCount = 14;

enum class AlphaGen : int { Identity = 0, Constant, Wave, CodeGenerated, StageGenerated };
constexpr int kAlphaGenCount = 5;

enum class UVMod : int { None = 0, Scroll, Scale, Offset };
constexpr int kUVModCount = 4;

enum class DeformVertsType : int { None = 0, Offset, Wave };
constexpr int kDeformVertsTypeCount = 3;

enum class SortType : int { Opaque = 0, Shadow, AdvancedTransparent, Transparent, Additive };
constexpr int kSortTypeCount = 5;

// The five name tables ("ColorGen", "AlphaGen", "UVMod", "DeformVertsType",
// "SortType"); a missing name gives value 0 in each.
const EnumNameTable& colorGenTable();
const EnumNameTable& alphaGenTable();
const EnumNameTable& uvModTable();
const EnumNameTable& deformVertsTypeTable();
const EnumNameTable& sortTypeTable();

// Values of the fixed sets, as OpenGL constants. Each returns false for a
// name outside its set (names compare without regard to case).
bool lookupSourceBlend(std::string_view name, unsigned& out);
bool lookupDestBlend(std::string_view name, unsigned& out);
bool lookupComparison(std::string_view name, unsigned& out);
bool lookupStencilAction(std::string_view name, unsigned& out);
bool lookupClampMode(std::string_view name, unsigned& out);

// Cull types: None turns culling off, Back and Front choose the face.
enum class CullType { None, Back, Front };
bool lookupCullType(std::string_view name, CullType& out);

// Whether a value is one of its set's constants (checks of parsed data).
bool isSourceBlend(unsigned value);
bool isDestBlend(unsigned value);
bool isComparison(unsigned value);
bool isStencilAction(unsigned value);
bool isClampMode(unsigned value);

// How a stage hands its colours to OpenGL: 0 per-vertex RGB, 1 per-vertex
// RGBA, 2 one constant RGB colour, 3 one constant RGBA colour. Sphere
// lighting is per vertex only with better lighting on.
int computeVertexColorMode(ColorGen colorGen, AlphaGen alphaGen, bool forceAlpha, bool betterLighting);
