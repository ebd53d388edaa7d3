#include "graphics/StageBatch.h"

void StageBatch::clear()
{
    indices.clear();
    positions.clear();
    normals.clear();
    texCoords.clear();
    generatedCoords.clear();
    colours.clear();
    savedLighting.clear();
    codeColours.clear();
    for (auto& alphas : stageAlphas) {
        alphas.clear();
    }
    origin[0] = origin[1] = origin[2] = 0.0f;
    hasMatrix = false;
    shaderTime = 0.0f;
    litEntity = nullptr;
}
