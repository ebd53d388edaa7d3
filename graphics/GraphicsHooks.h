#pragma once

#include "graphics/GraphicsSystem.h"

struct AppHooks;

// Plugs the graphics system into the application frame: created in every
// run (its commands and variables work headless); a windowed run registers
// the texture types, sets up the display, draws frames and takes
// screenshots. A video restart resets the input and reloads the shaders.
// The links give what the renderer needs of the game; the lighting system is
// made with it and tuned once the database is loaded.
void installGraphicsHooks(AppHooks& hooks, GraphicsSystem::GameLinks links = {});
