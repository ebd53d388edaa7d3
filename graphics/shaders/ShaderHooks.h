#pragma once

struct AppHooks;

// Creates the shader system with the graphics systems (every run, headless
// too), registers its resource type and command with the systems, and
// destroys it at shut-down once the loader has stopped.
void installShaderHooks(AppHooks& hooks);
