#pragma once

struct AppHooks;

// Registers the "ara" resource type with the systems, makes the one World
// when the world is set up and the path finder after the game's classes
// (gone first when the games stop), finishes pending level builds once per main-loop
// pass and deletes the World first at shut-down (the server's Game is gone
// by then).
void installWorldHooks(AppHooks& hooks);
