#pragma once

// What a save must bring back for play, summed up from the server: the
// player's stats, effects and gates (both lists), its recruits (level,
// maximum health and attack as a body made from its record has them, and
// the effects such a body is given), its covenant's crystals and the guards
// its contracts keep standing at its house with their health, the quests it
// holds; the computer covenants' members (level, experience, away), levels
// found, crystals, stone, guards, recruit quests and answers to their
// candidates; and the Game's wars between factions (goal, needed, rewards,
// completion).
// Taken at a save and again in the game resumed from it, the two differ
// only where the save lost or changed something.
#include <map>
#include <string>
#include <vector>

class Player;

namespace selfplay {

struct PlaySummary {
    // One line per recruit, held quest and covenant quest, by what it is.
    std::map<std::string, std::string> lines;
    // Guards standing at the house: health in per cent of their maximum,
    // which moves a little in the steps between a save and its resume.
    std::map<std::string, int> guardHealth;
    int recruits = 0;
    // The player has an effect that passes: its stats are the moment's.
    bool passingEffects = false;
};

PlaySummary summarizePlay(const Player& player);

// What differs, one text each ("guard 0 (TownGuard): 100 % health, then
// gone"); empty when the resumed state is the saved one. A line one of the
// steps played after the save (played, in order) shows as well is no
// difference: the join runs world steps of its own, as many as the levels'
// loading takes.
std::vector<std::string> comparePlaySummaries(const PlaySummary& saved, const PlaySummary& resumed,
                                              const std::vector<PlaySummary>& played);

} // namespace selfplay
