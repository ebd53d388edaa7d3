#pragma once

struct AppHooks;

// Every subsystem's hooks in their start-up order: the program, and the
// tests that start it whole in their own process.
void installProgramHooks(AppHooks& hooks, bool headless);
