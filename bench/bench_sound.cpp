// The sound system's frame on OpenAL Soft's loopback device: 16, 64 and 254
// busy channels of shipped sounds at spread positions, two of them Ogg
// streams (the theme and a level loop). One 60 Hz frame is the update plus
// mixing 735 stereo samples on the calling thread. Also one theme refill.
#include "bench/BenchSupport.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/OggStreamDecoder.h"
#include "sound/OpenALDriver.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "tests/support/FakeSoundClient.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

struct SoundBench {
    std::filesystem::path user = benchTempDir("gloam_bench_sound");
    std::unique_ptr<FileSystem> files;
    UserVarSystem vars;
    Clock clock;
    Random random;
    ResourceSystem resources;
    OpenALDriver driver;
    SoundSystem sound;
    FakeSoundClient client;

    SoundBench()
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        std::filesystem::create_directories(user);
        files = std::make_unique<FileSystem>(GLOAM_DATA_DIR, user.string());
        files->mountGeneratedDirectory(GLOAM_GENERATED_DATA_DIR);
        resources.readThroughFileSystem(files.get());
        registerSoundResourceTypes(resources);
        registerMusicResourceType(resources);
        resources.startLoader();
        driver.useLoopback(44100);
        sound.setClientQueries(&client);
        client.listener = ZonePosition3(0, 2000.0f, 2000.0f, 0.0f);
        sound.init(&driver);
    }
    ~SoundBench()
    {
        resources.stopLoader();
        sound.shutdown();
        std::filesystem::remove_all(user);
    }
};

void BM_SoundFrame(benchmark::State& state)
{
    SoundBench bench;
    const int channels = static_cast<int>(state.range(0));
    const char* names[] = {"Sounds/Combat/swing1.wav",   "Sounds/Combat/swing2.wav",
                           "Sounds/Monsters/growl1.wav", "Sounds/Levels/bell.wav",
                           "Sounds/Levels/bird.wav",     "Sounds/step.wav",
                           "Sounds/Magic/powerburn.wav"};
    std::vector<ResourceHandle> handles;
    for (const char* name : names) {
        handles.push_back(bench.resources.load(name));
        bench.resources.get(handles.back());
    }
    ResourceHandle theme = bench.resources.load("Sounds/Music/theme.ogg");
    ResourceHandle loop = bench.resources.load("Sounds/Levels/townLoop.ogg");
    bench.resources.get(theme);
    bench.resources.get(loop);
    bench.sound.playMusic(theme, 0.0f);
    // Looping sounds owned by entities that stay, so every channel stays busy.
    for (int i = 0; i < channels - 1; ++i) {
        ZonePosition3 at(0, 2000.0f + 40.0f * (i % 16) - 300.0f, 2000.0f + 40.0f * (i / 16) - 300.0f, 0.0f);
        bench.client.entities[i] = at;
        const ResourceHandle& h = i == 0 ? loop : handles[static_cast<size_t>(i) % handles.size()];
        bench.sound.playSound(bench.sound.findFreeChannel(), at, h, i, 0, true, 0.0f, 0.0f);
    }
    std::vector<int16_t> mix(735 * 2);
    std::vector<double> times;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        bench.clock.update();
        bench.sound.update();
        bench.driver.renderSamples(mix.data(), 735);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) {
        sum += t;
    }
    state.counters["mean_ms"] = times.empty() ? 0.0 : sum / times.size();
    state.counters["p99_ms"] = times.empty() ? 0.0 : times[times.size() * 99 / 100];
    state.counters["playing"] = bench.driver.getPlayingSourceCount();
}
BENCHMARK(BM_SoundFrame)->Arg(16)->Arg(64)->Arg(254)->Unit(benchmark::kMillisecond)->Iterations(600);

void BM_ThemeRefill(benchmark::State& state)
{
    SoundBench bench;
    ResourceHandle theme = bench.resources.load("Sounds/Music/theme.ogg");
    Resource* r = bench.resources.get(theme);
    VorbisFileLibrary vorbis;
    vorbis.open();
    OggStreamDecoder decoder;
    decoder.open(vorbis, r->getImage(), r->getImageSize());
    std::vector<uint8_t> buffer(44100);
    for (auto _ : state) {
        if (decoder.fill(buffer.data(), 44100) < 44100) {
            decoder.rewind();
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_ThemeRefill)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}
