#pragma once

struct AppHooks;

// Registers the "ara" resource type with the systems, makes the one World
// and the spawn system (loaded at once) when the world is set up, the path
// finder after the game's classes (gone first when the games stop), finishes
// pending level builds once per main-loop pass and deletes the spawn system
// and the World first at shut-down (the server's Game is gone by then).
void installWorldHooks(AppHooks& hooks);
