#include "graphics/shaders/Shader.h"

#include "engine/core/DebugSystem.h"

Shader::~Shader() = default;

void Shader::printInfo() const
{
    debugPrintRaw("%s (shader %d, %zu stage%s%s)\n", getFileName().c_str(), index, stages.size(),
                  stages.size() == 1 ? "" : "s", blendedTile ? ", blended tiles" : "");
}
