#pragma once

#include "engine/resources/Resource.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct SkinSurface {
    int surface = 0;
    int shader = -1; // shader handle, -1 when none
    int flag = 0;
    std::string shaderName;
};

// A skin (".skn"): which shader each surface number of the meshes uses; one
// line per surface, `<surfaceNumber> "<shader name>" [flag]`.
class Skin : public Resource {
public:
    // Turns a shader name into a handle; installed by the graphics system.
    using ShaderLookup = std::function<int(const std::string& name)>;
    static void setShaderLookup(ShaderLookup lookup);
    static int lookupShader(const std::string& name);

    static std::unique_ptr<Skin> parse(const std::string& fileName, const uint8_t* data, size_t size);

    int getSurfaceShader(int surface) const;
    const SkinSurface* findSurface(int surface) const;
    // Takes every surface record of the source, replacing records of the same
    // surface number.
    static void copySurfaces(Skin& skin, const Skin& source);

    const std::vector<SkinSurface>& getSurfaces() const { return m_surfaces; }

private:
    std::vector<SkinSurface> m_surfaces;
};
