#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct LitEntity;

// The vertex batch that queued surfaces fill and the stage drawing draws once
// per shader stage; emptied when a shader is prepared.
class StageBatch {
public:
    std::vector<uint32_t> indices;                 // three per triangle
    std::vector<float> positions;                  // 3 per vertex
    std::vector<float> normals;                    // 3 per vertex, when asked for
    std::vector<float> texCoords;                  // 2 per vertex
    std::vector<float> generatedCoords;            // texCoords after a stage's modifiers
    std::vector<uint8_t> colours;                  // RGBA per vertex, rebuilt per stage
    std::vector<float> savedLighting;              // RGB per vertex
    std::vector<uint8_t> codeColours;              // RGBA per vertex, from the surfaces
    std::vector<std::vector<uint8_t>> stageAlphas; // per stage, one byte per vertex
    float origin[3] = {0.0f, 0.0f, 0.0f};
    bool hasMatrix = false;
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float constantColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float shaderTime = 0.0f;
    // The entity a model batch is lit for (null: none).
    const LitEntity* litEntity = nullptr;

    size_t vertexCount() const { return positions.size() / 3; }
    void clear();
    // The base index of the vertices appended next.
    uint32_t baseVertex() const { return static_cast<uint32_t>(vertexCount()); }
};
