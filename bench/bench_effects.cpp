// A frame of effects: 20 effect instances with 250 living particles each,
// 10 beams of 16 segments and 10 swipes, updated and queued per frame, then
// drawn through the recording stage back end. Budget: 1 ms of this thread's
// processor time per frame (mean over 1,000 frames; on a loaded machine the
// wall time also counts the waits for a core); the program exits 1 above it.
#include "bench/BenchSupport.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/StageDrawer.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderSystem.h"
#include "tests/support/FakeEffectHost.h"
#include "tests/support/RecordingStageBackend.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    const std::filesystem::path dir = benchTempDir("gloam_bench_effects");
    std::filesystem::create_directories(dir / "Effects");
    // 250 living particles: 500 a second for half a second each.
    writeText(dir / "Effects/bench.eff",
              "texture Effects/spark.tga\nadditive\nspawnRate 500\nmaxAge 0.5\n"
              "sphere 4 0\nvelocity crand 40 crand 40 rand 60\naccel 0 0 -100\nfade\n");
    writeText(dir / "Effects/bench.bem", "texture Effects/beam.tga\nadditive\nnumSegments 16\nmaxOffset 4\n");
    writeText(dir / "Effects/bench.swp",
              "texture Effects/whiteSwipe.tga\nadditive\nmaxAge 0.3\nupdateTime 0.03\n");

    CommandSystem commands;
    UserVarSystem vars;
    FileSystem files{GLOAM_DATA_DIR, dir.string(), false};
    ResourceSystem resources;
    const std::vector<std::string> roots = {dir.string(), GLOAM_DATA_DIR, GLOAM_GENERATED_DATA_DIR};
    resources.setBaseDirectory(roots.front());
    resources.setFileReader([roots](const std::string& name, std::vector<uint8_t>& out) {
        for (const std::string& root : roots) {
            std::ifstream in(root + "/" + name, std::ios::binary);
            if (in) {
                out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                return true;
            }
        }
        return false;
    });
    ShaderSystem shaders;
    shaders.registerCommands();
    RecordingStageBackend backend;
    backend.keep = false; // counts only: the copies would time the recorder
    GraphicsSystem graphics;
    graphics.registerCommands(false);
    graphics.getStageDrawer().setBackend(&backend);
    registerEffectResourceTypes(resources);
    Random random;
    Random::setState(4, 1);
    EffectSystem effects;
    std::vector<std::unique_ptr<FakeEffectHost>> hosts;
    for (int i = 0; i < 20; ++i) {
        hosts.push_back(std::make_unique<FakeEffectHost>());
        hosts.back()->place = ZonePosition3(0, 100.0f + 40.0f * static_cast<float>(i), 200.0f, 0.0f);
        FakeEffectHost* host = hosts.back().get();
        effects.spawnEffect(host, "bench.eff", "tag_a")->active = true;
        if (i < 10) {
            effects.startBeam(host, "bench.bem", "tag_a")->active = true;
            effects.startSwipe(host, "", "bench.swp", "tag_a", "tag_b");
        }
    }
    RenderQueue& queue = graphics.getRenderQueue();
    const float frame = 1.0f / 60.0f;
    auto run = [&] {
        effects.update(frame);
        queue.beginFrame();
        effects.draw(queue);
        graphics.drawQueuedSurfaces(queue.getQueued());
    };
    for (int i = 0; i < 120; ++i) {
        run(); // until the particle counts settle
    }
    size_t particles = 0;
    for (const EffectInstance* e : effects.getEffects()) {
        particles += e->particles.size();
    }
    const int frames = benchCount(1000, 50);
    const size_t batchesBefore = backend.batchCount;
    const double start = bench_pairs::threadSeconds();
    for (int i = 0; i < frames; ++i) {
        run();
    }
    const double ms = (bench_pairs::threadSeconds() - start) * 1000.0 / frames;
    std::printf("effects frame: %.3f ms (%zu particles, %zu beams, %zu swipes, %.1f batches a frame; "
                "budget 1 ms)\n",
                ms, particles, effects.getBeams().size(), effects.getSwipes().size(),
                static_cast<double>(backend.batchCount - batchesBefore) / frames);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return budgetExitCode(ms <= 1.0);
}
