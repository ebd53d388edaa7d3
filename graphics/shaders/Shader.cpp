#include "graphics/shaders/Shader.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

Shader::~Shader() = default;

std::string Shader::describe() const
{
    return formatString("%s (shader %d, %zu stage%s%s)", getFileName().c_str(), index, stages.size(),
                        stages.size() == 1 ? "" : "s", blendedTile ? ", blended tiles" : "");
}
