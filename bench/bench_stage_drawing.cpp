// A frame of 4,000 queued surfaces through the stage drawing with the
// recording back end: 3,000 tile quads over 16 one- and two-stage shaders,
// 1,000 particle quads over 4 additive shaders with a wave alpha. Budget:
// 2 ms per frame on one core (printed as the counter ms_per_frame).
#include "bench/BenchSupport.h"
#include "graphics/RenderSurface.h"
#include "graphics/StageDrawer.h"
#include "graphics/shaders/Shader.h"
#include "tests/support/RecordingStageBackend.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

class QuadSurface : public RenderSurface {
public:
    float x = 0, y = 0;
    bool coloured = false;
    void draw(StageBatch& b, bool withNormals) override
    {
        uint32_t base = b.baseVertex();
        const float corners[4][2] = {{0, 0}, {32, 0}, {32, 32}, {0, 32}};
        for (int i = 0; i < 4; ++i) {
            b.positions.insert(b.positions.end(), {x + corners[i][0], y + corners[i][1], 0.0f});
            b.texCoords.insert(b.texCoords.end(), {corners[i][0] / 32, corners[i][1] / 32});
            if (withNormals) {
                b.normals.insert(b.normals.end(), {0.0f, 0.0f, 1.0f});
            }
            if (coloured) {
                b.codeColours.insert(b.codeColours.end(), {255, 200, 100, 180});
            }
        }
        for (uint32_t i : {0u, 2u, 1u, 0u, 3u, 2u}) {
            b.indices.push_back(base + i);
        }
    }
};

void BM_StageDrawingFrame(benchmark::State& state)
{
    std::vector<std::unique_ptr<Shader>> shaders;
    for (int i = 0; i < 20; ++i) {
        auto s = std::make_unique<Shader>();
        s->index = i;
        if (i < 16) {
            s->stages.resize(i % 2 ? 2 : 1);
            s->stages[0].colorGen = ColorGen::Vertex;
            s->stages[0].vertexColorMode = 0;
            if (s->stages.size() == 2) {
                ShaderStage& over = s->stages[1];
                over.blendEnabled = true;
                over.sourceBlend = over.destBlend = GL_ONE;
                over.colorGen = ColorGen::Constant;
                UVModifier scroll;
                scroll.type = UVMod::Scroll;
                scroll.scrollU = 2;
                over.uvModifiers.push_back(scroll);
            }
        } else {
            s->sort = SortType::Additive;
            s->stages.resize(1);
            ShaderStage& st = s->stages[0];
            st.blendEnabled = true;
            st.sourceBlend = st.destBlend = GL_ONE;
            st.colorGen = ColorGen::CodeGenerated;
            st.alphaGen = AlphaGen::Wave;
            st.alphaWave = {0.75f, 0.25f, 40.0f, 0.0f};
            st.vertexColorMode = 1;
        }
        shaders.push_back(std::move(s));
    }
    std::vector<QuadSurface> surfaces(4000);
    for (int i = 0; i < 4000; ++i) {
        QuadSurface& q = surfaces[static_cast<size_t>(i)];
        bool tile = i < 3000;
        q.shader = shaders[static_cast<size_t>(tile ? i % 16 : 16 + i % 4)].get();
        q.sortKey = (static_cast<uint32_t>(q.shader->sort) << 29) | (1023u << 10) |
                    static_cast<uint32_t>(q.shader->index);
        q.x = static_cast<float>(i % 64) * 32;
        q.y = static_cast<float>(i / 64) * 32;
        q.coloured = !tile;
    }
    RecordingStageBackend backend;
    backend.keep = false;
    StageDrawer drawer(&backend);
    drawer.setWaveClock([] { return 12.5f; });
    std::vector<RenderSurface*> queue;
    double totalMs = 0;
    int frames = 0;
    for (auto _ : state) {
        queue.clear();
        for (QuadSurface& q : surfaces) {
            queue.push_back(&q);
        }
        auto start = std::chrono::steady_clock::now();
        drawer.drawQueuedSurfaces(queue);
        totalMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++frames;
    }
    state.counters["ms_per_frame"] = frames ? totalMs / frames : 0.0;
    state.counters["batches_per_frame"] = frames ? static_cast<double>(backend.batchCount) / frames : 0.0;
}
BENCHMARK(BM_StageDrawingFrame)->Iterations(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}
