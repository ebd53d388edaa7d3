#pragma once

class Entity;
struct AppHooks;

// Creates the server's game singletons (the game-system registry, the Game
// with the spawn system's loot hook, the combat, faction and stat systems),
// registers the entity classes and the game commands. Nothing when the Game
// already exists.
void startGame();
// Deletes what startGame made, in reverse: the stat, faction and combat
// systems, the registry, then the Game (which clears its world first).
void shutdownGame();

// Wires the Server and the Game into the application frame.
void installServerHooks(AppHooks& hooks);
