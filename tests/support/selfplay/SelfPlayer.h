#pragma once

// The game played by itself through the real client: the headless program's
// Server and Client over the loopback, a new world of a seed with the New Game
// options at their busiest, and a player that looks at the server to decide
// but acts only as a user can: the player mirror's mouse operations, the
// buttons of the windows the client opened (found by name, clicked through
// the widget) and the commands its keys are bound to. Every game minute the
// mirrors are held against the server and the world's invariants are checked;
// what breaks them is a fault, handed to the sink the player was given.
//
// GLOAM_SELFPLAY_TRACE prints the player's doings now and then.
#include "support/selfplay/Context.h"
#include "support/selfplay/Figures.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PlayedGame;
class Player;

namespace selfplay {
struct Bot;
}

class SelfPlayer {
public:
    static constexpr int kFramesPerMinute = selfplay::kFramesPerMinute;
    static constexpr const char* kPlayerName = "Selfplay";
    using Figures = selfplay::Figures;
    using FaultSink = selfplay::FaultSink;

    static void printFigures(uint32_t seed, int minutes, const Figures& f)
    {
        selfplay::printFigures(seed, minutes, f);
    }

    SelfPlayer(PlayedGame& program, uint32_t seed, FaultSink sink = {});
    ~SelfPlayer();
    SelfPlayer(const SelfPlayer&) = delete;
    SelfPlayer& operator=(const SelfPlayer&) = delete;

    // A new world as the New Game window starts it, by default with its
    // options at their busiest: the most computer covenants the rules allow,
    // "Hard"; the character of the class named (as the class's entry has
    // it after "Class").
    bool startNew(uint32_t seed, int aiCovenants = -1, const char* covenantDifficulty = "Hard",
                  const char* playerClass = "Warrior");

    // The saved character of the user directory, as Continue resumes it.
    bool resume();

    // Takes up the joined player: its entity on the server and the client's
    // mirror of it.
    bool attach();

    // The frames the run will play, for the plan's phases.
    void setSpan(int frames);

    // Plays that many frames; every game minute the invariants hold. Play
    // stops at the frame of a new fault.
    void play(int frames, Figures& figures);

    // The figures of the whole run, at its end.
    void finish(Figures& figures);

    Player* serverPlayer() const;

    // The level its push makes for, -1 before the push chose one.
    int pushGoal() const;
    // The level whose monsters stand highest in the running world.
    static int hardestLevel();

    // A player that makes no move at all: it stands where it is. Its push's
    // plan is still weighed (the stall check judges it).
    void holdStill() { m_held = true; }

    // The moments worth a save point that hold now.
    std::vector<std::string> saveEvents() const;

    // The world's state in bytes, for "the same seed ends alike".
    uint64_t worldHash();

    // Checks the mirrors against the server and the world's rules.
    void checkInvariants(int minute);

private:
    // The player's choice for this frame, made between the client's read of
    // the server's state and its own movement.
    void decide(Figures& figures);
    void decideDead();
    // Now and then its quests and what it is about, for the trace.
    void traceState() const;

    std::unique_ptr<selfplay::Bot> m_bot;
    bool m_held = false;
    int m_deadFrames = 0;
};
