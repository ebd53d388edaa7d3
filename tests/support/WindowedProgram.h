#pragma once

// The program's window, shader, game-data and graphics start-up on the shipped
// data, with a user directory of its own: what the window tests share.
#include "engine/app/Application.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/shaders/ShaderHooks.h"
#include "support/TestSupport.h"

struct WindowedProgram {
    WindowedProgram()
    {
        options.dataDir = gameDataPath();
        options.userDir = user.path().string();
        installShaderHooks(hooks);
        installGameDataHooks(hooks);
        installGraphicsHooks(hooks);
    }

    TempDir user;
    LaunchOptions options;
    AppHooks hooks;
};
