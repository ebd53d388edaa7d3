#pragma once

// What a self-played run did, counted as the server took the player's asks.
#include <cstdint>

namespace selfplay {

// The first minutes of a run, in which every class makes its first kills.
constexpr int kEarlyMinutes = 5;

struct Figures {
    const char* playerClass = "Warrior"; // as its class's entry names it after "Class"
    int frames = 0;
    int questsAccepted = 0;
    int questsSolved = 0;
    int questsBeyondTutorial = 0; // quests other than the tutorial's solved and paid
    int questsRewarded = 0;       // quests whose reward arrived
    int questsGivenUp = 0;        // held quests it could not finish, given up in the quest log
    int bought = 0;
    int sold = 0;
    int equipped = 0;
    int looted = 0; // ground items that reached the player: drops of bodies and chests
    int chestsOpened = 0;
    int offersAccepted = 0; // the server's confirmations of the player's answers
    int offersRejected = 0;
    int acceptsClicked = 0; // the answers the player gave on the trade-request page
    int rejectsClicked = 0;
    int recruits = 0;
    int guards = 0;
    int raidsOnPlayer = 0;
    int raidsByPlayer = 0;
    int raidsOther = 0;
    // Raids on the player that it met: it reached its stone while the
    // raid lasted and stayed by it (alive, or resurrected there) until
    // the raid ended or no raider was left near the stone.
    int raidsMet = 0;
    // Raids on the player beaten off at their first weighing before it
    // could come (see Raids::beatenOffAtOnce).
    int raidsBeatenOff = 0;
    float lowestStone = -1.0f; // the stone's lowest health, a fraction of its maximum
    int deaths = 0;
    int resurrections = 0;
    // From the push's start to the death that ended it, -1 without one.
    double pushMinutes = -1.0;
    // At the end no level's monsters stood above the player's level: its push
    // had no level left where it could die.
    bool outgrewWorld = false;
    int gateTravels = 0;
    int levelsVisited = 0;
    int kills = 0;
    int earlyKills = 0; // kills in the first kEarlyMinutes game minutes
    int hotBarUses = 0; // skills used with a hot bar key, beyond the plain attack
    int peakEntities = 0;
    long peakRssKb = 0;
    double stepMeanMs = 0.0;
    double stepP99Ms = 0.0;
    double frameMeanMs = 0.0;
    double frameP99Ms = 0.0;
    int warnings = 0;
    double wallSeconds = 0.0;
    uint64_t endHash = 0;
};

// One line of a seed's figures on standard output.
void printFigures(uint32_t seed, int minutes, const Figures& f);

} // namespace selfplay
