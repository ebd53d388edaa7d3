#include "engine/app/Application.h"

#include "engine/app/DebugConsole.h"
#include "engine/app/FramePacer.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/EngineCommands.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/Clock.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/MemorySystem.h"
#include "engine/core/Profiler.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/data/NameGenerator.h"
#include "engine/files/FileSystem.h"
#include "engine/files/SaveSet.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/platform/CriticalError.h"
#include "engine/platform/MonotonicTime.h"
#include "engine/platform/Platform.h"
#include "engine/platform/Signals.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/TextResource.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {
constexpr int kInactiveSleepMs = 100;
// Headless, once standard input has ended nothing can arrive any more (the
// transport is in-process): a pass per two server steps (50 ms each) is
// enough, as the step clock catches up with the time slept.
constexpr int kServerOnlySleepMs = 100;

} // namespace

void Application::handleFatalError(const std::string& text)
{
    if (ResourceSystem* resources = ResourceSystem::instance(); resources && resources->isLoaderThread()) {
        resources->raiseLoaderFatal(text);
    }
    showCriticalError(text);
}

std::string Application::soundFailureText(const std::string& logPath, const std::string& userDir,
                                          const std::string& beyondDevice)
{
    // The real files; a silent device is offered only where it helps.
    std::string text =
        formatString("Sound system failed to initialize!  See %s for more info.  ", logPath.c_str());
    if (!beyondDevice.empty()) {
        text += beyondDevice + "  ";
    }
    text += formatString("To play without sound, put \"s_initSound 0\" in %s/user.cfg", userDir.c_str());
    text +=
        beyondDevice.empty() ? ", or start with ALSOFT_DRIVERS=null for OpenAL Soft's silent device." : ".";
    return text;
}

Application::Application(const LaunchOptions& options, AppHooks hooks)
    : m_options(options), m_hooks(std::move(hooks)), m_pacer(std::make_unique<FramePacer>())
{
}

Application::~Application()
{
    if (m_started && !m_shutDown) {
        shutdown();
    }
}

void Application::runConsoleLine(const std::string& line)
{
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->execute(line, nullptr, false, false);
    }
}

void Application::runProgramLine(const std::string& line)
{
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->execute(line, nullptr, false, true);
    }
}

void Application::saveAtLoopEnd()
{
    if (m_savedAtLoopEnd) {
        return;
    }
    m_savedAtLoopEnd = true;
    // The client's files and the world: one save. The program ends either
    // way; a failure has already named its file in the log.
    SaveSet set;
    if (m_hooks.saveClientState) {
        m_hooks.saveClientState();
    }
    if (m_hooks.saveServerGame) {
        m_hooks.saveServerGame();
    }
    set.commit();
}

void Application::quitByPlayer()
{
    const QuitSave save = m_hooks.saveBeforeQuit ? m_hooks.saveBeforeQuit() : QuitSave::NotInGame;
    if (save == QuitSave::Refused) {
        return;
    }
    m_savedAtLoopEnd = m_savedAtLoopEnd || save == QuitSave::Saved;
    m_running = false;
}

int Application::run()
{
    startup();
    while (m_running) {
        frame();
    }
    // A signal that lands between two frames ends the loop before a frame
    // sees it: the end-of-loop save runs here then.
    saveAtLoopEnd();
    shutdown();
    return 0;
}

void Application::startup()
{
    // 1. The running flag; SIGINT and SIGTERM clear it.
    m_running = true;
    installTerminationSignals(&m_running);
    setFatalErrorHook(handleFatalError);
    setCriticalErrorBoxAllowed(!m_options.headless);
    if (!m_options.headless) {
        // Without a display there is nothing to show: say so at once
        // instead of running an invisible window.
        std::string problem = Platform::findDisplayProblem();
        if (!problem.empty()) {
            fatalError(problem);
        }
    }
    m_started = true;

    // 2. The singletons.
    createSystems();
    // 3. Commands, variables, loaders.
    registerSystems();

    // 4. The database, the game definitions, the version line.
    m_database->load(Database::kMasterFile, true);
    if (m_hooks.afterDatabaseLoad) {
        m_hooks.afterDatabaseLoad();
    }

    if (!m_options.headless) {
        // 5. Window and OpenGL context.
        std::string error;
        bool ok = false;
        if (m_hooks.setupDisplay) {
            ok = m_hooks.setupDisplay(error);
        } else {
            // No graphics system: the bare window shell, without a context.
            Platform::WindowOptions window;
            window.openGL = false;
            ok = m_platform->createWindow(window, error);
        }
        if (!ok) {
            fatalError(error.empty() ? "Cannot open the window." : error);
        }
        // 6. The sound driver.
        std::string beyondDevice;
        if (m_hooks.startSound && !m_hooks.startSound(beyondDevice)) {
            std::string log =
                m_debug->getLogPath().empty() ? m_dirs.user + "/log.txt" : m_debug->getLogPath();
            fatalError(soundFailureText(log, m_dirs.user, beyondDevice));
        }
    }

    // 7. World, UI, maps, editors; the system information.
    if (m_hooks.setupWorld) {
        m_hooks.setupWorld();
    }
    m_systemInfo->gather();
    m_systemInfo->logInfo();
    debugPrintRaw("Data directory: %s\n", m_dirs.base.c_str());
    if (!m_dirs.generated.empty()) {
        debugPrintRaw("Generated content: %s\n", m_dirs.generated.c_str());
    }
    debugPrintRaw("User directory: %s\n", m_dirs.user.c_str());

    // 8. Input devices (none headless), then the debug console.
    if (!m_input->start(!m_options.headless)) {
        fatalError("Input system failed to initialize!");
    }
    m_console->start(m_options.headless);

    // 9. Game and client classes, path finder, events and handlers.
    if (m_hooks.registerGameClasses) {
        m_hooks.registerGameClasses();
    }
    m_classes->declareAllEvents();
    m_classes->bindAllHandlers();

    // 10. The frame commands; start-up is done.
    registerFrameCommands();
    if (m_hooks.setStartupDone) {
        m_hooks.setStartupDone();
    }
    // The first frame measures from here, not from the start of start-up.
    m_clock->update();
}

void Application::createSystems()
{
    m_dirs = Directories::resolve(m_options.dataDir, m_options.userDir);
    std::error_code ec;
    if (!std::filesystem::is_directory(m_dirs.base, ec)) {
        fatalError(formatString("The game data directory \"%s\" does not exist.", m_dirs.base.c_str()));
    }
    std::filesystem::create_directories(m_dirs.user, ec);
    if (!std::filesystem::is_directory(m_dirs.user, ec)) {
        fatalError(formatString("Cannot create the user directory \"%s\".", m_dirs.user.c_str()));
    }

    // Before anything of the folder is read or written: a second program
    // on it ends here and leaves it, the first one's unfinished save among
    // it, as it is.
    std::string lockProblem;
    if (!m_userLock.acquire(m_dirs.user, lockProblem)) {
        fatalError(lockProblem);
    }

    m_fileSystem = std::make_unique<FileSystem>(m_dirs.base, m_dirs.user, false);
    m_fileSystem->mountGeneratedDirectory(m_dirs.generated);
    m_debug = std::make_unique<DebugSystem>();
    // Flushed after each line, as `logfile` is by default, until the
    // configuration says otherwise: a run killed during start-up leaves
    // every line it printed.
    if (!m_debug->openLog(m_dirs.user + "/log.txt", 2)) {
        std::fprintf(stderr, "Cannot write the log %s/log.txt: %s\n", m_dirs.user.c_str(),
                     std::strerror(errno));
    }
    m_debug->setEchoToStdout(m_options.headless);
    // The log starts with the program's name and version.
    debugPrintRaw("Gloamreach %s\n", GLOAM_VERSION);
    if (!lockProblem.empty()) {
        debugPrint(2, "%s\n", lockProblem.c_str());
    }
    // Mounted once the log is open, and before the configuration, which may
    // come from a package.
    m_fileSystem->mountPackages();
    // A save the last run did not finish is finished or undone before
    // anything reads the user folder.
    m_fileSystem->recoverSaveSet();
    m_memory = std::make_unique<MemorySystem>();
    m_localization = std::make_unique<Localization>();
    m_classes = std::make_unique<ClassRegistry>();
    m_events = std::make_unique<EventSystem>();
    m_commands = std::make_unique<CommandSystem>();
    m_keys = std::make_unique<VirtualKeys>();
    m_userVars = std::make_unique<UserVarSystem>();
    {
        auto defaults = m_fileSystem->readFile("default.cfg");
        std::string text = defaults ? std::string(defaults->begin(), defaults->end()) : std::string();
        m_userVars->loadConfig(defaults ? &text : nullptr, m_fileSystem->makeBasePath("default.cfg"),
                               m_dirs.user + "/user.cfg");
    }
    m_clock = m_clockSource ? std::make_unique<Clock>(m_clockSource) : std::make_unique<Clock>();
    m_profiler = std::make_unique<Profiler>();
    m_colors = std::make_unique<ColorSystem>();
    m_names = std::make_unique<NameGenerator>();
    m_random = std::make_unique<Random>();
    m_resources = std::make_unique<ResourceSystem>();
    if (m_hooks.createGraphicsSystems) {
        m_hooks.createGraphicsSystems();
    }
    m_database = std::make_unique<Database>();
    if (m_hooks.createUiSystem) {
        m_hooks.createUiSystem();
    }
    m_systemInfo = std::make_unique<SystemInfo>();
    m_input = std::make_unique<Input>();
    if (m_hooks.createSoundSystem) {
        m_hooks.createSoundSystem();
    }
    m_sockets = std::make_unique<SocketLayer>();
    m_platform = std::make_unique<Platform>(&m_running);
    m_platform->setQuitHandler([this] { quitByPlayer(); });
    m_console = std::make_unique<DebugConsole>();
    if (m_hooks.createLateSystems) {
        m_hooks.createLateSystems();
    }
}

void Application::registerSystems()
{
    registerEngineCommands();
    m_localization->loadCurrentLanguage();

    // Resources are read through the file system (loose files, then packages).
    m_resources->readThroughFileSystem();
    // Written files (model tags) go through the file system: names checked,
    // directories made, the old file replaced only once the new one is whole.
    m_resources->setFileWriter([](const std::string& name, const std::string& contents) {
        FileSystem& files = FileSystem::get();
        File* file = files.open(name, true, false, true, true);
        if (!file) {
            return false;
        }
        bool written = files.write(file, contents);
        return files.close(file) && written;
    });
    m_resources->registerCommands();
    TextResource::registerType(*m_resources);
    ModelResource::registerTypes(*m_resources);
    m_resources->startLoader();

    // Key and button lines run with the program flag; typed lines without.
    m_input->setLineRunner(runProgramLine);
    m_console->setLineRunner(runConsoleLine);
    m_console->setRunningCheck([this] { return m_running.load(); });

    // Until the client registers its own key and button routing, keys and
    // buttons go to the debug console.
    m_commands->registerCommand(
        [](const CommandArgs& args) {
            if (DebugConsole* console = DebugConsole::instance(); console && args.size() >= 3) {
                console->handleKey(std::atoi(args[0].c_str()), args[1] == "1" || args[1] == "true",
                                   args[2] == "1" || args[2] == "true");
            }
        },
        "keyPress", "Tells the client about a key press event", "key down repeat", "ibb", true, 0);
    m_commands->registerCommand(
        [](const CommandArgs& args) {
            if (DebugConsole* console = DebugConsole::instance(); console && args.size() >= 4) {
                console->handleMouseButton(std::atoi(args[0].c_str()), args[1] == "1" || args[1] == "true",
                                           std::atoi(args[2].c_str()));
            }
        },
        "buttonPress", "Tells the client about a mouse button event", "button down posX posY", "ibii", true,
        0);

    if (m_hooks.registerSystems) {
        m_hooks.registerSystems();
    }
}

void Application::registerFrameCommands()
{
    m_commands->registerCommand([this](const CommandArgs&) { quitByPlayer(); }, "quit", "Quits the game", "",
                                "", false, 0);
    auto forward = [](const std::function<void(const CommandArgs&)>& hook, const char* name) {
        return [&hook, name](const CommandArgs& args) {
            if (hook) {
                hook(args);
            } else {
                debugPrint(2, "%s: no game is available in this program\n", name);
            }
        };
    };
    m_commands->registerCommand(forward(m_hooks.start, "start"), "start", "Starts or joins a game",
                                "mode resume", "SS", false, 0);
    m_commands->registerCommand(forward(m_hooks.resumeGame, "resumeGame"), "resumeGame",
                                "Resumes the last played character", "", "", false, 0);
    m_commands->registerCommand(forward(m_hooks.saveAndExit, "saveAndExit"), "saveAndExit",
                                "Saves the game and ends it", "", "", false, 0);
}

void Application::checkLoaderFatal()
{
    std::string text;
    if (m_resources && m_resources->takeFatalError(text)) {
        // The loader thread logged it already; show it here and end.
        showCriticalError(text);
        std::exit(1);
    }
}

void Application::frame()
{
    m_pacer->beginFrame();
    checkLoaderFatal();
    m_profiler->startFrame();

    m_clock->update();
    m_frameMs = m_clock->getFrameTimeMs();
    double seconds = m_frameMs / 1000.0;
    ++m_frames;

    if (m_hooks.finishLevels) {
        m_hooks.finishLevels();
    }
    if (m_hooks.serverReceive) {
        bool paused = m_hooks.isClientPaused && m_hooks.isClientPaused();
        m_hooks.serverReceive(m_frameMs, paused);
    }

    m_platform->pumpEvents();
    if (m_platform->hasWindow() && m_running && (!m_platform->isActive() || m_platform->isMinimised())) {
        // In the background the frame goes on (the server keeps running),
        // only slower.
        sleepMilliseconds(kInactiveSleepMs);
    }

    if (m_hooks.clientUpdate) {
        m_hooks.clientUpdate();
    } else {
        // No client yet: the input still reaches the interpreter.
        m_input->poll();
    }
    if (m_hooks.clientThink) {
        m_hooks.clientThink(seconds);
    }
    if (m_hooks.serverUpdate) {
        m_hooks.serverUpdate();
    }
    // One screenshot per press of Print Screen, not one per frame held.
    if (m_input->wasKeyPressed(DIK_SYSRQ) && m_hooks.takeScreenshot) {
        m_hooks.takeScreenshot();
    }
    m_console->update();
    if (m_hooks.clientDraw) {
        m_hooks.clientDraw(seconds);
    }
    if (!m_hooks.clientUpdate) {
        m_input->clearPressed();
    }

    if (!m_running) {
        saveAtLoopEnd();
    }

    m_profiler->endFrame();
    if (m_options.headless) {
        // Nothing waits for a display refresh here: keep an idle server
        // from spinning a whole core. A run on an injected clock (the
        // tests') keeps its own time and needs no pacing.
        if (!m_clockSource) {
            sleepMilliseconds(m_console->isStdinClosed() ? kServerOnlySleepMs : 1);
        }
    } else {
        // With monitorSync on a pass lasts at least one display refresh:
        // where the swap waits for the display this sleeps about nothing;
        // where the swap interval is refused (Mesa under Xvfb) an idle window
        // does not spin a core. With it off frames follow each other.
        if (!m_monitorSync.isValid()) {
            m_monitorSync = UserVarRef(m_userVars->findVar("monitorSync"));
        }
        m_pacer->endFrame(m_platform->getRefreshRate(),
                          !m_monitorSync.isValid() || m_monitorSync.getInt() != 0);
    }
}

void Application::logStatistics()
{
    m_fileSystem->logStatistics();
    MemorySystem::logStatistics();
    m_debug->logStatistics();
    m_userVars->logStatistics();
    m_profiler->logStatistics();
    m_resources->logStatistics();
    m_commands->logStatistics();
    m_events->logStatistics();
    m_sockets->logStatistics();
    m_database->logStatistics();
    if (m_hooks.logStatistics) {
        m_hooks.logStatistics();
    }
}

void Application::shutdown()
{
    if (!m_started || m_shutDown) {
        return;
    }
    m_shutDown = true;
    if (m_hooks.stopGames) {
        m_hooks.stopGames();
    }
    m_resources->stopLoader();
    checkLoaderFatal();
    if (!m_options.headless && m_hooks.shutdownSound) {
        m_hooks.shutdownSound();
    }
    m_input->stop();
    if (m_hooks.shutdownDisplay) {
        m_hooks.shutdownDisplay();
    }
    m_platform->destroyWindow();
    m_userVars->writeUserConfig();
    logStatistics();
    destroySystems();
    installTerminationSignals(nullptr);
}

void Application::destroySystems()
{
    if (m_hooks.destroySystems) {
        m_hooks.destroySystems();
    }
    m_console.reset();
    m_platform.reset();
    m_sockets.reset();
    m_input.reset();
    m_systemInfo.reset();
    m_database.reset();
    m_resources.reset();
    m_memory.reset();
    m_random.reset();
    m_names.reset();
    m_colors.reset();
    m_profiler.reset();
    m_clock.reset();
    m_userVars.reset();
    m_keys.reset();
    m_commands.reset();
    m_events.reset();
    m_classes.reset();
    m_localization.reset();
    m_debug.reset();
    m_fileSystem.reset();
}
