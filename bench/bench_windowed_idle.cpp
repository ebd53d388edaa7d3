// The windowed program idle in the main menu: the whole program on its own
// Xvfb display at its default window size, left alone once the menu is drawn,
// and the processor time of the whole process (every thread) over five
// seconds. Budget: a fifth of a core with the default settings; the program
// exits 1 above it. The same with the frame rate shown is printed beside it,
// as an instantaneous figure (it changes with each sleep's lateness, and each
// change is drawn) and sampled every half second.
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"
#include "engine/app/Application.h"
#include "graphics/GraphicsSystem.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Frames until none has been shown for a second's worth (the loader may still
// bring the menu's images in), at most 20 seconds; then the share of a core
// over five seconds of frames.
double idleShare(Application& app, unsigned long& shown, unsigned long& frames)
{
    GraphicsSystem& graphics = GraphicsSystem::get();
    const auto settleEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    uint64_t last = graphics.getShownFrames();
    const int stillFrames = benchCount(60, 10);
    for (int still = 0; still < stillFrames && std::chrono::steady_clock::now() < settleEnd;) {
        app.frame();
        const uint64_t now = graphics.getShownFrames();
        still = now == last ? still + 1 : 0;
        last = now;
    }
    const uint64_t shownBefore = graphics.getShownFrames();
    const double cpu = processSeconds();
    const auto start = std::chrono::steady_clock::now();
    frames = 0;
    const auto span = std::chrono::milliseconds(benchCount(5000, 500));
    while (std::chrono::steady_clock::now() - start < span) {
        app.frame();
        ++frames;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    shown = static_cast<unsigned long>(graphics.getShownFrames() - shownBefore);
    return (processSeconds() - cpu) / wall;
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    BenchWindow window;
    if (!window.start("windowed idle", "")) {
        return 1;
    }
    Application& app = *window.app;
    struct Run {
        const char* what;
        const char* lines;
    };
    const Run runs[] = {
        {"default settings", ""},
        {"fps 1 (instantaneous)", "set fps 1"},
        {"fps 1, smoothFps 0.5", "set smoothFps 0.5"},
    };
    double budgeted = -1.0;
    for (const Run& run : runs) {
        if (*run.lines) {
            Application::runConsoleLine(run.lines);
        }
        unsigned long shown = 0, frames = 0;
        const double share = idleShare(app, shown, frames);
        if (budgeted < 0.0) {
            budgeted = share;
        }
        std::printf("windowed idle in the main menu, %-22s %5.1f %% of a core (%lu of %lu frames drawn)%s\n",
                    run.what, share * 100.0, shown, frames, &run == runs ? "  (budget 20 %)" : "");
    }
    window.stop();
    return budgetExitCode(budgeted >= 0.0 && budgeted < 0.2);
}
