#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct SkinSurface {
    int surface = 0;
    ResourceHandle shader; // counted; -1 when none
    int flag = 0;
    std::string shaderName;
};

// A skin (".skn"): which shader each surface number of the meshes uses; one
// line per surface, `<surfaceNumber> "<shader name>" [flag]`.
class Skin : public Resource {
public:
    // Sub-types the shaders of skins and of models' map markers are asked
    // for with.
    static constexpr int kSkinShaderSubType = 3;
    static constexpr int kMapShaderSubType = 6;

    // Turns a shader name into a counted handle; installed by the shader
    // system, called on the loader thread.
    using ShaderLookup = std::function<ResourceHandle(const std::string& name, int subType)>;
    static void setShaderLookup(ShaderLookup lookup);
    static ResourceHandle lookupShader(const std::string& name, int subType);

    static std::unique_ptr<Skin> parse(const std::string& fileName, const uint8_t* data, size_t size);

    // The shader's entry index of a surface, -1 when none.
    int getSurfaceShader(int surface) const;
    const SkinSurface* findSurface(int surface) const;
    // Takes every surface record of the source, replacing records of the same
    // surface number.
    static void copySurfaces(Skin& skin, const Skin& source);

    const std::vector<SkinSurface>& getSurfaces() const { return m_surfaces; }

private:
    std::vector<SkinSurface> m_surfaces;
};
