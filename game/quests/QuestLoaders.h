#pragma once

// Hands GameData the loaders of the quest definitions and NPC chat entries.
// Called at start-up before the game data loads.
void registerQuestLoaders();
