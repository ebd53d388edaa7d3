#pragma once

// The whole program windowed on an X display of its own, in a fresh user
// directory with the given user.cfg, its sound going to OpenAL Soft's null
// device: what the windowed benchmarks share.
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/platform/LaunchOptions.h"
#include "graphics/GraphicsSystem.h"
#include "main/ProgramHooks.h"
#include "tests/support/XvfbDisplay.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

struct BenchWindow {
    XvfbDisplay display;
    std::filesystem::path user;
    std::unique_ptr<Application> app;

    // False, with a line naming the benchmark, when no display can be had.
    bool start(const char* name, const std::string& userCfg)
    {
        if (!display.start()) {
            std::printf("%s: no X server can be started\n", name);
            return false;
        }
        std::string folder = std::string("gloam_") + name;
        std::replace(folder.begin(), folder.end(), ' ', '_');
        user = benchTempDir(folder);
        std::filesystem::remove_all(user);
        std::filesystem::create_directories(user);
        std::ofstream(user / "user.cfg") << userCfg;
        setenv("ALSOFT_DRIVERS", "null", 1);
        LaunchOptions options;
        options.dataDir = GLOAM_DATA_DIR;
        options.userDir = user.string();
        AppHooks hooks;
        installProgramHooks(hooks, false);
        app = std::make_unique<Application>(options, hooks);
        app->startup();
        if (!GraphicsSystem::get().isDisplayReady()) {
            std::printf("%s: no display\n", name);
            return false;
        }
        return true;
    }

    // Quits, shuts the program down and removes the user directory.
    void stop()
    {
        if (app) {
            Application::runConsoleLine("quit");
            app->shutdown();
            app.reset();
            std::filesystem::remove_all(user);
        }
    }

    ~BenchWindow() { stop(); }
};
