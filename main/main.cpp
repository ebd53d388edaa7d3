#include "engine/app/Application.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/quests/QuestLoaders.h"
#include "graphics/shaders/ShaderHooks.h"
#include "server/GameStartup.h"

#include <cstdio>

// Sanitizer builds: the desktop-bus library that SDL's video layer loads
// keeps one buffer for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

int main(int argc, char** argv)
{
    LaunchOptions options;
    std::string error;
    if (!LaunchOptions::parse(argc, argv, options, error)) {
        std::fprintf(stderr, "gloamreach: %s\n%s", error.c_str(), LaunchOptions::usage());
        return 2;
    }
    // The game's subsystems install their hooks here as they arrive.
    AppHooks hooks;
    registerQuestLoaders();
    installShaderHooks(hooks);
    installGameDataHooks(hooks);
    installServerHooks(hooks);
    Application app(options, std::move(hooks));
    return app.run();
}
