#pragma once

// Attaches the player's covenant commands (recruit, invite, removeNpc,
// kickout, Raid, stopRaid, stopSharedAdventure) and the diplomacy commands
// (offers, treaties, trade routes, allied victory) to the game command table.
void attachCovenantCommands();
void attachDiplomacyCommands();
