#pragma once

struct AppHooks;

// The frame commands that drive client and server together: start,
// resumeGame and saveAndExit. The program and the end-to-end tests install
// them the same way.
void installFrameCommands(AppHooks& hooks);
