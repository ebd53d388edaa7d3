// One frame of the render queue: 961 blended tiles of three layers, 150
// BoxMan models with three worn models each, 2,000 particles and 20 beams of
// 16 segments; beginFrame, the adds and drawQueuedSurfaces through the
// recording stage back end. Budget: 3 ms of this thread's processor time per
// frame (mean over 500 frames; on a loaded machine the wall time also counts
// the waits for a core); the program exits 1 above it.
#include "bench/BenchSupport.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderSystem.h"
#include "tests/support/RecordingStageBackend.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    CommandSystem commands;
    UserVarSystem vars;
    FileSystem files{GLOAM_DATA_DIR, GLOAM_DATA_DIR, false};
    ResourceSystem resources;
    const std::vector<std::string> roots = {GLOAM_DATA_DIR, GLOAM_GENERATED_DATA_DIR};
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
    ModelResource::registerTypes(resources);
    ShaderSystem shaders;
    shaders.registerCommands();
    RecordingStageBackend backend;
    backend.keep = false; // counts only: the copies would time the recorder
    GraphicsSystem graphics;
    graphics.registerCommands(false);
    graphics.getStageDrawer().setBackend(&backend);

    std::vector<ResourceHandle> held;
    auto load = [&](const std::string& name, int subType) {
        held.push_back(resources.load(name, subType));
        return held.back().getIndex();
    };
    const int ground = load("Textures/areas/town/cobbles01.sdr", ShaderSystem::kWorld);
    const int spark = load("Models/BoxMan/body.sdr", ShaderSystem::kWorld);
    const int man = load("Models/BoxMan/boxman.mdl", 0);
    const int worn[3] = {load("Models/Items/handAxe.mdl", 0), load("Models/Items/buckler.mdl", 0),
                         load("Models/Items/leatherCap.mdl", 0)};
    if (ground < 0 || spark < 0 || man < 0 || worn[0] < 0 || worn[1] < 0 || worn[2] < 0) {
        std::printf("render queue: the shipped models and shaders are missing\n");
        return 1;
    }

    // Three layers blended over each corner.
    BlendCorners corners;
    for (size_t i = 0; i < corners.size(); ++i) {
        corners[i] = {255, static_cast<uint8_t>(40 * i), static_cast<uint8_t>(200 - 30 * i)};
    }
    const float white[3] = {1.0f, 1.0f, 1.0f};
    RenderQueue& queue = graphics.getRenderQueue();
    float time = 0.0f;
    auto frame = [&] {
        queue.beginFrame();
        for (int y = 0; y < 31; ++y) {
            for (int x = 0; x < 31; ++x) {
                queue.addBlendedTile(Vec3(x * 32.0f, y * 32.0f, 0.0f),
                                     Vec3((x + 1) * 32.0f, (y + 1) * 32.0f, 0.0f), ground, &corners, 0);
            }
        }
        for (int i = 0; i < 150; ++i) {
            const ZonePosition3 at(-1, 16.0f + 64.0f * (i % 15), 16.0f + 96.0f * (i / 15), 0.0f);
            ModelDrawRequest body = ModelDrawRequest::at(man, at, Matrix3());
            body.time = time + static_cast<float>(i % 7);
            queue.addSkinnedModel(body);
            for (int k = 0; k < 3; ++k) {
                ModelDrawRequest item = ModelDrawRequest::at(worn[k], at, Matrix3());
                item.position.z = 20.0f + 10.0f * k;
                queue.addSkinnedModel(item);
            }
        }
        for (int i = 0; i < 2000; ++i) {
            const ZonePosition3 at(-1, static_cast<float>(i % 50) * 20.0f, static_cast<float>(i / 50) * 25.0f,
                                   30.0f);
            queue.addParticle(spark, at, 0.0f, 4.0f, white, 0.8f, 0.1f);
        }
        for (int i = 0; i < 20; ++i) {
            const ZonePosition3 a(-1, 50.0f * i, 0.0f, 40.0f), b(-1, 50.0f * i + 200.0f, 300.0f, 40.0f);
            queue.addBeam(spark, a, b, 16, 3.0f, 0.0f, 4.0f, 3.0f, 3.0f, white, 1.0f, 100u + i);
        }
        graphics.drawQueuedSurfaces(queue.getQueued());
        time += 0.25f;
    };
    for (int i = 0; i < 20; ++i) {
        frame(); // pools and arrays at their size
    }
    const size_t queued = queue.getQueued().size();
    const size_t batchesBefore = backend.batchCount;
    const int frames = benchCount(500, 20);
    const double start = bench_pairs::threadSeconds();
    for (int i = 0; i < frames; ++i) {
        frame();
    }
    const double ms = (bench_pairs::threadSeconds() - start) * 1000.0 / frames;
    std::printf("render queue frame: %.3f ms (%zu surfaces, %.1f batches a frame; budget 3 ms)\n", ms, queued,
                static_cast<double>(backend.batchCount - batchesBefore) / frames);
    return budgetExitCode(ms <= 3.0);
}
