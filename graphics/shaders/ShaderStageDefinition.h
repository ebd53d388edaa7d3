#pragma once

#include "graphics/shaders/ShaderStageSettings.h"

#include <string>
#include <vector>

// One stage of a shader as a script writes it.
struct ShaderStageDefinition : ShaderStageSettings {
    std::string texture;
    std::vector<std::string> animationFrames;
};
