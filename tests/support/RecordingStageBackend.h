#pragma once

#include "graphics/StageBackend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

// A stage back end that keeps what it was given, for tests and benchmarks.
class RecordingStageBackend : public StageBackend {
public:
    struct Stage {
        StageDraw draw;
        std::vector<float> texCoords;
        std::vector<uint8_t> colours;
        std::vector<uint32_t> indices;
    };
    struct Batch {
        StageShaderState state;
        std::vector<float> positions;
        std::vector<Stage> stages;
        std::array<float, 16> modelView; // the one in force when the batch began
    };

    // Off: only counts (benchmarks).
    bool keep = true;
    std::vector<Batch> batches;
    size_t batchCount = 0;
    size_t stageCount = 0;
    size_t normalsDrawn = 0;
    size_t outlinesDrawn = 0;
    size_t modelViewLoads = 0;
    std::array<float, 16> modelView = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    void beginBatch(const StageShaderState& state, const float* positions, size_t vertexCount) override
    {
        ++batchCount;
        if (keep) {
            batches.push_back(
                {state, std::vector<float>(positions, positions + vertexCount * 3), {}, modelView});
            m_vertices = vertexCount;
        }
    }
    void drawStage(const StageDraw& draw, const uint32_t* indices, size_t indexCount) override
    {
        ++stageCount;
        if (!keep) {
            return;
        }
        Stage s;
        s.draw = draw;
        s.texCoords.assign(draw.texCoords, draw.texCoords + m_vertices * 2);
        if (draw.colours) {
            s.colours.assign(draw.colours, draw.colours + m_vertices * 4);
        }
        s.indices.assign(indices, indices + indexCount);
        batches.back().stages.push_back(std::move(s));
    }
    void endBatch() override {}
    void setModelView(const float matrix[16]) override
    {
        ++modelViewLoads;
        std::copy(matrix, matrix + 16, modelView.begin());
    }
    void drawNormals(const float*, const float*, size_t) override { ++normalsDrawn; }
    void drawTriangleOutlines(const uint32_t*, size_t, bool) override { ++outlinesDrawn; }

private:
    size_t m_vertices = 0;
};
