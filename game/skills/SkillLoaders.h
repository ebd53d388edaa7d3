#pragma once

// Hands GameData the skill-definition loader and gives items the status-effect
// services (descriptions and worth of set bonuses). Called at start-up before
// the game data loads.
void registerSkillLoaders();
