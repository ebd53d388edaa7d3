#pragma once

class Entity;
struct AppHooks;

// Creates the server's game singletons (the game-system registry, the Game,
// the combat and stat systems; the faction system joins with its code),
// registers the entity classes and the game commands. Nothing when the Game
// already exists.
void startGame();
// Deletes what startGame made, in reverse: the game and combat systems, the registry,
// then the Game (which clears its world first).
void shutdownGame();
// GameSystem::onKill (killer, victim, 0) on every registered game system.
void notifyGameSystemsOfKill(Entity* killer, Entity* victim);

// Wires the Server and the Game into the application frame.
void installServerHooks(AppHooks& hooks);
