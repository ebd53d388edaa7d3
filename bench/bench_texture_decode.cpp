// Texture decoding: a 1024 × 1024 32-bit Targa against stb_image's Targa
// decoder, and 1024 × 1024 DXT1 and DXT5 levels against libsquish's
// DecompressImage on one thread. Each ratio, timed in interleaved pairs, has
// a budget of 1.5x.
#include "BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/S3tc.h"
#include "graphics/codecs/TextureFile.h"
#include "graphics/codecs/TgaImage.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <squish.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <dlfcn.h>
#include <vector>

namespace {

constexpr int kSide = 1024;

std::vector<uint8_t> makePixels()
{
    std::vector<uint8_t> p(static_cast<size_t>(kSide) * kSide * 4);
    for (size_t i = 0; i < p.size(); ++i) {
        p[i] = static_cast<uint8_t>((i * 7 + (i >> 12) * 13) & 0xFF);
    }
    return p;
}

const std::vector<uint8_t>& targa()
{
    static const std::vector<uint8_t> file = [] {
        auto pixels = makePixels();
        return encodeTga(kSide, kSide, 4, pixels.data());
    }();
    return file;
}

const std::vector<uint8_t>& blocks(int mode)
{
    static std::vector<uint8_t> coded[3];
    if (coded[mode].empty()) {
        auto pixels = makePixels();
        coded[mode].resize(s3tc::levelBytes(kSide, kSide, mode));
        s3tc::encodeLevel(pixels.data(), kSide, kSide, 4, mode, coded[mode].data());
    }
    return coded[mode];
}

void decodeOurTga()
{
    DecodedTexture t;
    decodeTgaTexture(targa().data(), targa().size(), "bench.tga", t);
    benchmark::DoNotOptimize(t.data.data());
}

void decodeStbTga()
{
    int w = 0, h = 0, n = 0;
    stbi_uc* p = stbi_load_from_memory(targa().data(), static_cast<int>(targa().size()), &w, &h, &n, 0);
    benchmark::DoNotOptimize(p);
    stbi_image_free(p);
}

std::vector<uint8_t> g_out(static_cast<size_t>(kSide) * kSide * 4);

void decodeOurDxt(int mode)
{
    s3tc::decodeLevel(blocks(mode).data(), kSide, kSide, 4, mode, g_out.data());
    benchmark::DoNotOptimize(g_out.data());
}

void decodeSquish(int mode)
{
    squish::DecompressImage(g_out.data(), kSide, kSide, blocks(mode).data(),
                            mode == s3tc::Dxt1 ? squish::kDxt1 : squish::kDxt5);
    benchmark::DoNotOptimize(g_out.data());
}

// libsquish may decode on OpenMP threads: one thread, as ours, so that each
// pair compares the same work on one core (the pairs count this thread's
// processor time).
void squishOnOneThread()
{
    using SetThreads = void (*)(int);
    if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) {
        set(1);
    }
}

void BM_TgaOurs(benchmark::State& state)
{
    for (auto _ : state) {
        decodeOurTga();
    }
}
BENCHMARK(BM_TgaOurs)->Unit(benchmark::kMillisecond);

void BM_TgaStb(benchmark::State& state)
{
    for (auto _ : state) {
        decodeStbTga();
    }
}
BENCHMARK(BM_TgaStb)->Unit(benchmark::kMillisecond);

void BM_Dxt1Ours(benchmark::State& state)
{
    for (auto _ : state) {
        decodeOurDxt(s3tc::Dxt1);
    }
}
BENCHMARK(BM_Dxt1Ours)->Unit(benchmark::kMillisecond);

void BM_Dxt1Squish(benchmark::State& state)
{
    for (auto _ : state) {
        decodeSquish(s3tc::Dxt1);
    }
}
BENCHMARK(BM_Dxt1Squish)->Unit(benchmark::kMillisecond);

void BM_Dxt5Ours(benchmark::State& state)
{
    for (auto _ : state) {
        decodeOurDxt(s3tc::Dxt5);
    }
}
BENCHMARK(BM_Dxt5Ours)->Unit(benchmark::kMillisecond);

void BM_Dxt5Squish(benchmark::State& state)
{
    for (auto _ : state) {
        decodeSquish(s3tc::Dxt5);
    }
}
BENCHMARK(BM_Dxt5Squish)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    initBenchmarks(argc, argv);
    squishOnOneThread();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ok =
        compareInPairs("1024 x 1024 32-bit Targa", decodeOurTga, "stb_image", decodeStbTga, 1.5).withinBudget;
    ok &= compareInPairs(
              "1024 x 1024 DXT1 level", [] { decodeOurDxt(s3tc::Dxt1); }, "libsquish",
              [] { decodeSquish(s3tc::Dxt1); }, 1.5)
              .withinBudget;
    ok &= compareInPairs(
              "1024 x 1024 DXT5 level", [] { decodeOurDxt(s3tc::Dxt5); }, "libsquish",
              [] { decodeSquish(s3tc::Dxt5); }, 1.5)
              .withinBudget;
    return budgetExitCode(ok);
}
