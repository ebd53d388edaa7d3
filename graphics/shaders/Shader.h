#pragma once

#include "engine/resources/Resource.h"
#include "graphics/shaders/ShaderSettings.h"
#include "graphics/shaders/ShaderStage.h"

#include <vector>

// A shader resource ("sdr"): made from its script definition, from the
// settings of the sub-type it was asked for, or as a blend of ground tiles.
class Shader : public Resource, public ShaderSettings {
public:
    Shader() = default;
    ~Shader() override;

    std::string describe() const override;
    // 1 for a blended-tile shader, else 0 (the reload filter).
    int getSubType() const override { return blendedTile ? 1 : 0; }

    std::vector<ShaderStage> stages;
    bool blendedTile = false;
};
