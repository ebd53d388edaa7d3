// One interface frame (update and draw) of the shipped in-game menus and a
// menu of 300 widgets, with the pointer over a widget; the budget is 0.25 ms.
// After the first frame, rebuilding the active menus allocates nothing.
#include "bench/BenchSupport.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "engine/input/Input.h"
#include "tests/support/FakeClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
}

// Counting replacements of the global allocation functions (GCC cannot tell
// that they pair with each other).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Draws nothing; measures text by its length.
class NullDrawing : public UIDrawing {
public:
    ResourceHandle acquireImage(const std::string&, int) override { return {}; }
    ResourceHandle loadFont(const std::string&) override { return {}; }
    Vec2 imageSize(const ResourceHandle&) override { return {64.0f, 32.0f}; }
    void drawImage(const ResourceHandle&, float, float, float, float, float, const float*, bool,
                   bool) override
    {
        ++calls;
    }
    void drawText(const ResourceHandle&, const std::string&, int, int, const float*, bool, float) override
    {
        ++calls;
    }
    Vec2 layoutText(const ResourceHandle&, const std::string& text) override
    {
        return {6.0f * static_cast<float>(text.size()), 10.0f};
    }
    const ResourceHandle* standardImage(int) override { return nullptr; }
    void drawLine(float, float, float, float, float, const float*, uint16_t) override { ++calls; }
    int textEventCount() override { return 0; }
    void drawRadialWipe(const ResourceHandle&, float, float, float, float, float, const float*,
                        float) override
    {
        ++calls;
    }
    void drawModel(const ResourceHandle&, int, float, float, float, float) override { ++calls; }
    void beginModelView(float, float, float, float, const ZonePosition3&, const ZonePosition&, float,
                        bool) override
    {
    }
    void endModelView() override {}
    long calls = 0;
};

struct Interface {
    Interface() : files(GLOAM_DATA_DIR, (std::filesystem::temp_directory_path() / "gloam_bench_ui").string())
    {
        ui.setClientView(&view);
        ui.setDrawing(&drawing);
        view.gameRunning = true;
        view.inGame = true;
        ui.loadMenus(false);
        ui.showGameMenus();
        std::string text = "name Many\nvisible 1\n";
        for (int i = 0; i < 300; ++i) {
            text += formatString("Widget {\n position %d %d\n size 30 12\n canClick 1\n text \"w%d\"\n"
                                 " showCondition AlwaysTrue\n}\n",
                                 (i % 20) * 32, (i / 20) * 16, i);
        }
        UIMenu* many = ui.addMenu(std::make_unique<UIMenu>());
        TextReader reader(text, "many.mnu");
        many->parse(reader);
        input.setMousePosition(40, 20);
    }
    DebugSystem debug;
    CommandSystem commands;
    UserVarSystem vars;
    VirtualKeys keys;
    Input input;
    FileSystem files;
    FakeClientView view;
    NullDrawing drawing;
    UISystem ui;
};

void BM_InterfaceFrame(benchmark::State& state)
{
    Interface face;
    face.ui.update(0.016f);
    face.ui.draw();
    for (auto _ : state) {
        face.ui.update(0.016f);
        face.ui.draw();
    }
    benchmark::DoNotOptimize(face.drawing.calls);
    if (!face.ui.getHoveredWidget()) {
        state.SkipWithError("the pointer is over no widget");
    }
}
BENCHMARK(BM_InterfaceFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Interface face;
    face.ui.update(0.016f);
    face.ui.draw();
    long before = g_allocations.load();
    for (int i = 0; i < 100; ++i) {
        benchmark::DoNotOptimize(face.ui.isMouseOverMenu());
    }
    long rebuilds = g_allocations.load() - before;
    std::printf("Allocations in 100 rebuilds of the active menus: %ld\n", rebuilds);
    return budgetExitCode(rebuilds == 0);
}
