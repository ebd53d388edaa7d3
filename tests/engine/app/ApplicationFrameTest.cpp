#include "engine/app/Application.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/input/Input.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// Start-up, two frames (the second after `quit`) and shut-down in-process,
// recording when each hook runs and which systems stand at that moment.
TEST(ApplicationFrameTest, HooksRunInStartupFrameAndShutdownOrder)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    TempDir user;
    LaunchOptions options;
    options.headless = true;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();

    std::vector<std::string> calls;
    auto record = [&calls](const char* name) { return [&calls, name] { calls.push_back(name); }; };
    AppHooks hooks;
    hooks.createGraphicsSystems = [&] {
        calls.push_back("createGraphicsSystems");
        EXPECT_NE(ResourceSystem::instance(), nullptr);
        EXPECT_EQ(Database::instance(), nullptr);
    };
    hooks.createUiSystem = [&] {
        calls.push_back("createUiSystem");
        EXPECT_NE(Database::instance(), nullptr);
        EXPECT_EQ(SystemInfo::instance(), nullptr);
    };
    hooks.createSoundSystem = [&] {
        calls.push_back("createSoundSystem");
        EXPECT_NE(Input::instance(), nullptr);
    };
    hooks.createLateSystems = record("createLateSystems");
    hooks.registerSystems = [&] {
        calls.push_back("registerSystems");
        EXPECT_TRUE(ResourceSystem::get().isLoaderRunning());
    };
    hooks.afterDatabaseLoad = [&] {
        calls.push_back("afterDatabaseLoad");
        EXPECT_GT(Database::get().getEntryCount(), 0);
    };
    hooks.setupDisplay = [&](std::string&) {
        calls.push_back("setupDisplay");
        return true;
    };
    hooks.startSound = [&] {
        calls.push_back("startSound");
        return true;
    };
    hooks.setupWorld = record("setupWorld");
    hooks.registerGameClasses = [&] {
        calls.push_back("registerGameClasses");
        EXPECT_TRUE(Input::get().isStarted());
        EXPECT_TRUE(DebugConsole::get().isReadingStdin());
    };
    hooks.setStartupDone = [&] {
        calls.push_back("setStartupDone");
        EXPECT_NE(CommandSystem::get().findCommand("saveAndExit"), nullptr);
    };
    hooks.finishLevels = record("finishLevels");
    hooks.isClientPaused = [&] {
        calls.push_back("isClientPaused");
        return true;
    };
    hooks.serverReceive = [&](double frameMs, bool paused) {
        calls.push_back("serverReceive");
        EXPECT_GE(frameMs, 0.0);
        EXPECT_TRUE(paused);
    };
    hooks.clientUpdate = record("clientUpdate");
    hooks.clientThink = [&](double) { calls.push_back("clientThink"); };
    hooks.serverUpdate = record("serverUpdate");
    hooks.clientDraw = [&](double) { calls.push_back("clientDraw"); };
    hooks.saveClientState = record("saveClientState");
    hooks.saveServerGame = record("saveServerGame");
    hooks.start = [&](const CommandArgs& args) { calls.push_back("start " + (args.empty() ? "" : args[0])); };
    hooks.stopGames = [&] {
        calls.push_back("stopGames");
        EXPECT_TRUE(ResourceSystem::get().isLoaderRunning());
    };
    hooks.shutdownSound = record("shutdownSound");
    hooks.shutdownDisplay = record("shutdownDisplay");
    hooks.logStatistics = record("logStatistics");
    hooks.destroySystems = [&] {
        calls.push_back("destroySystems");
        EXPECT_NE(FileSystem::instance(), nullptr);
        EXPECT_NE(DebugSystem::instance(), nullptr);
    };

    // Standard input becomes a pipe the test writes console lines into.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int savedStdin = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    auto typeLine = [&](const std::string& line) {
        std::string text = line + "\n";
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    };
    {
        Application app(options, hooks);
        app.startup();
        EXPECT_EQ(calls,
                  (std::vector<std::string>{"createGraphicsSystems", "createUiSystem", "createSoundSystem",
                                            "createLateSystems", "registerSystems", "afterDatabaseLoad",
                                            "setupWorld", "registerGameClasses", "setStartupDone"}));
        calls.clear();
        typeLine("start both");
        app.frame();
        // The console runs its lines after the server's steps, before drawing.
        EXPECT_EQ(calls,
                  (std::vector<std::string>{"finishLevels", "isClientPaused", "serverReceive", "clientUpdate",
                                            "clientThink", "serverUpdate", "start both", "clientDraw"}));
        calls.clear();
        typeLine("quit");
        app.frame();
        EXPECT_FALSE(app.isRunning());
        EXPECT_EQ(calls, (std::vector<std::string>{"finishLevels", "isClientPaused", "serverReceive",
                                                   "clientUpdate", "clientThink", "serverUpdate",
                                                   "clientDraw", "saveClientState", "saveServerGame"}));
        calls.clear();
        app.shutdown();
        // Headless: no sound to stop.
        EXPECT_EQ(calls, (std::vector<std::string>{"stopGames", "shutdownDisplay", "logStatistics",
                                                   "destroySystems"}));
    }
    dup2(savedStdin, 0);
    close(savedStdin);
    close(fds[1]);
    EXPECT_EQ(DebugSystem::instance(), nullptr);
    EXPECT_EQ(FileSystem::instance(), nullptr);
    EXPECT_EQ(ResourceSystem::instance(), nullptr);

    std::ifstream log(user.file("log.txt"));
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("] start both"), std::string::npos);
    EXPECT_NE(text.str().find("Profile:"), std::string::npos);
}

} // namespace
