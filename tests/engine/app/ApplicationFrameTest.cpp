#include "engine/app/Application.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/Clock.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Profiler.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/data/NameGenerator.h"
#include "engine/files/FileSystem.h"
#include "engine/input/Input.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// The engine's systems in the creation order of start-up, by whether each
// stands yet: "1" for a system that exists, "0" for one that does not.
std::string standingSystems()
{
    auto bit = [](const void* p) { return p ? '1' : '0'; };
    return {bit(FileSystem::instance()),    bit(DebugSystem::instance()),    bit(Localization::instance()),
            bit(ClassRegistry::instance()), bit(EventSystem::instance()),    bit(CommandSystem::instance()),
            bit(VirtualKeys::instance()),   bit(UserVarSystem::instance()),  bit(Clock::instance()),
            bit(Profiler::instance()),      bit(ColorSystem::instance()),    bit(NameGenerator::instance()),
            bit(Random::instance()),        bit(ResourceSystem::instance()), bit(Database::instance()),
            bit(SystemInfo::instance()),    bit(Input::instance()),          bit(SocketLayer::instance())};
}

// Start-up, two frames (the second after `quit`) and shut-down in-process,
// recording when each hook runs and which systems stand at that moment.
TEST(ApplicationFrameTest, HooksRunInStartupFrameAndShutdownOrder)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    TempDir user;
    LaunchOptions options = headlessOptions(user);

    std::vector<std::string> calls;
    auto record = [&calls](const char* name) { return [&calls, name] { calls.push_back(name); }; };
    AppHooks hooks;
    // Everything up to the resource manager, then the graphics systems, the
    // database, the UI, system information and input, sound, the sockets.
    hooks.createGraphicsSystems = [&] {
        calls.push_back("createGraphicsSystems");
        EXPECT_EQ(standingSystems(), "111111111111110000");
    };
    hooks.createUiSystem = [&] {
        calls.push_back("createUiSystem");
        EXPECT_EQ(standingSystems(), "111111111111111000");
    };
    hooks.createSoundSystem = [&] {
        calls.push_back("createSoundSystem");
        EXPECT_EQ(standingSystems(), "111111111111111110");
    };
    hooks.createLateSystems = [&] {
        calls.push_back("createLateSystems");
        EXPECT_EQ(standingSystems(), "111111111111111111");
    };
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
    hooks.startSound = [&](std::string&) {
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

        // Resources write into the user directory through the file system:
        // missing directories are made, names that leave it are refused.
        EXPECT_TRUE(ResourceSystem::get().writeFile("Models/New/thing.tag", "tag data\n"));
        std::ifstream written(user.file("Models/New/thing.tag"));
        std::string line;
        EXPECT_TRUE(std::getline(written, line));
        EXPECT_EQ(line, "tag data");
        EXPECT_FALSE(ResourceSystem::get().writeFile("../escaped.tag", "x"));
        EXPECT_FALSE(std::filesystem::exists(user.path().parent_path() / "escaped.tag"));

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
