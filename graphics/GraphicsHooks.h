#pragma once

#include <functional>

struct AppHooks;

// Plugs the graphics system into the application frame: created in every
// run (its commands and variables work headless); a windowed run registers
// the texture types, sets up the display, draws frames and takes
// screenshots. `tileSize` gives the world's tile size (32 when empty).
void installGraphicsHooks(AppHooks& hooks, std::function<float()> tileSize = {});
