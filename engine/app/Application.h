#pragma once

#include "engine/app/AppHooks.h"
#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"
#include "engine/files/DirectoryLock.h"
#include "engine/platform/Directories.h"
#include "engine/platform/LaunchOptions.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FileSystem;
class DebugSystem;
class Localization;
class ClassRegistry;
class EventSystem;
class CommandSystem;
class VirtualKeys;
class UserVarSystem;
class Clock;
class Profiler;
class ColorSystem;
class NameGenerator;
class Random;
class MemorySystem;
class ResourceSystem;
class Database;
class SystemInfo;
class Input;
class SocketLayer;
class Platform;
class DebugConsole;
class FramePacer;

// The application frame: start-up in the engine's order, the main loop and
// shut-down in reverse with the statistics. Later subsystems join through
// AppHooks.
class Application : public Singleton<Application> {
public:
    Application(const LaunchOptions& options, AppHooks hooks = {});
    ~Application();

    // Start-up, the loop until the running flag drops, shut-down; the exit
    // code. Fatal errors end the process with exit code 1.
    int run();

    // The clock's time source for the run (tests drive frames with it); set
    // before startup.
    void setClockSource(std::function<int64_t()> source) { m_clockSource = std::move(source); }
    void startup();
    // One pass of the main loop.
    void frame();
    void shutdown();

    void requestQuit() { m_running = false; }
    // Quit or the window's close: the game being played is saved first, and
    // one whose save cannot be made keeps running (saveBeforeQuit).
    void quitByPlayer();
    bool isRunning() const { return m_running; }
    std::atomic<bool>& getRunningFlag() { return m_running; }
    bool isHeadless() const { return m_options.headless; }
    const Directories& getDirectories() const { return m_dirs; }
    AppHooks& getHooks() { return m_hooks; }
    double getFrameMs() const { return m_frameMs; }
    unsigned long long getFrameCount() const { return m_frames; }

    // The fatal-error hook: on the loader thread the text is handed to the
    // main thread, which shows it and exits at the start of its next frame
    // (or ends the process with its own fatal error before that); elsewhere
    // the "Critical Error" shows now.
    static void handleFatalError(const std::string& text);
    // The "Critical Error" of a sound start that failed: the log, and the
    // ways to play on. `beyondDevice` is the start's reason when another
    // device would fail alike (then only switching sound off helps).
    static std::string soundFailureText(const std::string& logPath, const std::string& userDir,
                                        const std::string& beyondDevice);

    // Runs a line typed at the console / issued by the program.
    static void runConsoleLine(const std::string& line);
    static void runProgramLine(const std::string& line);

private:
    // The client's state and the server's game, once per run.
    void saveAtLoopEnd();
    void createSystems();
    void registerSystems();
    void registerFrameCommands();
    void checkLoaderFatal();
    void logStatistics();
    void destroySystems();

    LaunchOptions m_options;
    AppHooks m_hooks;
    Directories m_dirs;
    std::atomic<bool> m_running{false};
    bool m_started = false;
    bool m_shutDown = false;
    bool m_savedAtLoopEnd = false;
    double m_frameMs = 0.0;
    unsigned long long m_frames = 0;

    DirectoryLock m_userLock;
    std::unique_ptr<FileSystem> m_fileSystem;
    std::unique_ptr<DebugSystem> m_debug;
    std::unique_ptr<Localization> m_localization;
    std::unique_ptr<ClassRegistry> m_classes;
    std::unique_ptr<EventSystem> m_events;
    std::unique_ptr<CommandSystem> m_commands;
    std::unique_ptr<VirtualKeys> m_keys;
    std::unique_ptr<UserVarSystem> m_userVars;
    std::unique_ptr<Clock> m_clock;
    std::function<int64_t()> m_clockSource;
    std::unique_ptr<Profiler> m_profiler;
    std::unique_ptr<ColorSystem> m_colors;
    std::unique_ptr<NameGenerator> m_names;
    std::unique_ptr<Random> m_random;
    std::unique_ptr<MemorySystem> m_memory;
    std::unique_ptr<ResourceSystem> m_resources;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<SystemInfo> m_systemInfo;
    std::unique_ptr<Input> m_input;
    std::unique_ptr<SocketLayer> m_sockets;
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<DebugConsole> m_console;
    std::unique_ptr<FramePacer> m_pacer;
    UserVarRef m_monitorSync; // looked up once the graphics system has registered it
};
