#pragma once

// Attaches the quest and tutorial commands of a player (accept, decline,
// skip, solve, complete, escort, the tutorial's skip and restart) to the
// game command table (before it is registered).
void attachQuestCommands();
