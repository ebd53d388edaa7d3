#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/Directories.h"
#include "engine/platform/HeapPolicy.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "main/ProgramHooks.h"

#include <cstdio>
#include <dlfcn.h>

// Sanitizer builds: the desktop-bus library that SDL's video layer loads
// keeps one buffer for the life of the process, and Mesa's driver keeps its
// caches; the driver stays loaded (below) so that its blocks are named.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\nleak:swrast_dri.so\nleak:libLLVM\nleak:libGLX_mesa.so\n"
           // SDL's X11 window list grows with each window made (video restarts).
           "leak:libSDL2-2.0.so\n"
           // OpenAL Soft keeps its back-end state for the life of the process.
           "leak:libopenal.so\n";
}

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLOAM_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLOAM_ASAN 1
#endif

// Keeps Mesa's software driver in memory past libGL's unload at exit, so the
// leak check can tell its blocks from ours.
void keepGlDriverLoaded()
{
#ifdef GLOAM_ASAN
    const char* const paths[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                 "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                                 "/usr/lib/dri/swrast_dri.so"};
    for (const char* path : paths) {
        if (dlopen(path, RTLD_LAZY | RTLD_NODELETE)) {
            return;
        }
    }
#endif
}

// The program's version and the one the game data's "GameSystem" entry gives,
// read without starting anything else (nothing is logged).
void printVersions(const LaunchOptions& options)
{
    std::printf("Gloamreach %s\n", GLOAM_VERSION);
    Directories dirs = Directories::resolve(options.dataDir, options.userDir);
    DebugSystem debug;
    FileSystem files(dirs.base, dirs.user);
    files.mountGeneratedDirectory(dirs.generated);
    Database database;
    std::string version;
    if (database.load(Database::kMasterFile, false)) {
        version = database.getString(database.findEntry("GameSystem"), "Version");
    }
    std::printf("Game data version %s (%s)\n", version.empty() ? "unknown" : version.c_str(),
                dirs.base.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    keepHeapMemory();
    keepGlDriverLoaded();
    LaunchOptions options;
    std::string error;
    if (!LaunchOptions::parse(argc, argv, options, error)) {
        std::fprintf(stderr, "gloamreach: %s\n%s", error.c_str(), LaunchOptions::usage());
        return 2;
    }
    if (options.help) {
        std::fputs(LaunchOptions::usage(), stdout);
        return 0;
    }
    if (options.version) {
        printVersions(options);
        return 0;
    }
    // The game's subsystems install their hooks as they arrive.
    AppHooks hooks;
    installProgramHooks(hooks, options.headless);
    Application app(options, std::move(hooks));
    return app.run();
}
