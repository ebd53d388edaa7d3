#pragma once

#include "graphics/shaders/ShaderSettings.h"
#include "graphics/shaders/ShaderStageDefinition.h"

#include <string>
#include <vector>

// One shader as a script defines it; the shader system owns these.
struct ShaderDefinition : ShaderSettings {
    std::string name;
    std::vector<ShaderStageDefinition> stages;
};
