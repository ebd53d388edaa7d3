#pragma once

// The push: with no death by two thirds of the span the player pushes its
// luck until it dies, on to the nearest level whose monsters will stand
// above its own level when it arrives, with no quest, errand or loot on the
// way; a level it outlives for a while sends it on to the next harder one.
#include "support/selfplay/Part.h"

namespace selfplay {

class Push : public Part {
public:
    explicit Push(Bot& bot);

    bool pushing() const;

    // The push begins sooner when the way to a level that can kill the
    // player is long: it must reach that level with time left to die there,
    // and, while a raid on it may come, to go home to meet it on the way and
    // come back. Weighed once a game minute until it is due; a push due
    // early waits for the end of the player's own raid, which carries it
    // home.
    void planStart();

    // The push has begun, or begins once the player's own raid is over.
    bool due() const { return m_due || pushing(); }

    // On its way to the push's level (see Fights::pushFoe).
    bool onThePush() const;

    // The push's level, -1 before it is chosen.
    int goal() const { return m_pushGoal; }

    // The push's level: chosen as the push begins; chosen again when the
    // player has outgrown it on the way, and after kStay on it (the nearest
    // level harder than it and than the player).
    void choosePushLevel();

    // The last frame the push moved toward its goal: a level nearer to it
    // than any before, another level chosen, or its end (a death); -1
    // before.
    int advancedAt() const { return m_advancedAt; }
    void noteEnd() { m_advancedAt = frame(); }
    // The frame its first level was chosen, -1 before.
    int begunAt() const { return m_begunAt; }

    // At the push's level the player walks up to the nearest foe of the
    // level, out of sight or not: false when none stands there (its
    // unexplored blocks are walked then, where new ones come).
    bool seekFoe();

    // Pushing from a level whose gate it can walk to, the player goes home
    // through that gate when the way from the town is shorter by two levels
    // or more. Weighed once a level.
    bool pushHomeFirst();

private:
    // The nearest level (by the levels crossed on the way, the player's own
    // counting as none) whose monsters will stand above the given level when
    // the player arrives, the harder of two as near; without any, the
    // hardest it can reach.
    struct Target {
        int level = -1;
        int way = 0;     // levels crossed on the way
        int planned = 0; // those levels weighed for the time they take
    };
    Target nearestLevelAbove(int above) const;

    // The levels the player gains on a way of that many levels: about one
    // for two levels crossed, with their fights.
    static int gainedOnTheWay(int levels) { return (levels + 1) / 2; }

    // The push's level from now on; another level is an advance.
    void newGoal(int level);
    // On a level new to the push, the levels between it and the goal.
    void noteWay();

    static constexpr int kFramesPerLevel = kFramesPerMinute; // a level crossed, with its fights
    static constexpr int kMargin = 5 * kFramesPerMinute;     // to die there
    // Home by its level's gate, the raid, and out by the house's gate.
    static constexpr int kRaidDetour = 3 * kFramesPerMinute;

    bool m_early = false; // begun before two thirds of the span
    bool m_due = false;   // to begin early once its own raid is over
    int m_pushGoal = -1;
    bool m_pushChosen = false;
    int m_pushArrivedAt = -1;
    int m_pushHomeZone = -1;
    bool m_pushHome = false;
    int m_advancedAt = -1;
    int m_begunAt = -1;
    int m_wayZone = -1;     // the level the way was last measured from
    int m_shortestWay = -1; // the fewest levels to the goal so far
    int m_chosenFor = 0;    // the player's level when the goal was chosen
};

} // namespace selfplay
