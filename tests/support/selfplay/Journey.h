#pragma once

// Where the player goes: the level its quests call it to, home when its
// stone is raided or a raid threatens, and where it trains meanwhile.
#include "support/selfplay/Part.h"

#include <map>

namespace selfplay {

class Journey : public Part {
public:
    static constexpr int kReach = 1; // monster levels above its own a quest may send it to

    explicit Journey(Bot& bot);

    // The level the player's quests call it to: a done quest's giver, else
    // the target of one it holds; -1 for none.
    int journeyGoal() const;

    // Where the player gains levels: a kill of a foe not above its own level
    // brings the same experience whatever the foe's level, so the nearest
    // level with foes to kill whose monsters are at most one above its own,
    // one whose monsters stand kEasier below it counting as kEasier levels
    // nearer (the harder of two as near). A level has foes to kill while
    // some stand or blocks are unexplored (a block's monsters come when the
    // player first nears it; a cleared level's dead come back only while a
    // quest is about it).
    int trainingLevel() const;
    // The level it last chose to train on.
    int trainedLevel() const { return m_training; }
    // No foe it can reach is left there: another level for a while.
    void barTraining(int level);

    // The quest the player's journey is for, -1 for none.
    int pursued() const { return m_pursued; }

    // The blocks of a level no player has neared yet.
    static int unexploredBlocks(int level);

private:
    // The living foes of each level.
    std::map<int, int> foesByLevel() const;

    static constexpr int kEasier = 2;
    static constexpr int kFewFoes = 4;   // a level with fewer standing foes is not trained on
    static constexpr int kFewBlocks = 2; // unless it has this many blocks unexplored
    static constexpr int kIdleErrandsEvery = 6 * kFramesPerMinute; // idle, home for quests this long after
    static constexpr int kFewQuestsErrandsEvery = 12 * kFramesPerMinute;
    static constexpr int kQuestsInHand = 3;

    mutable int m_pursued = -1;
    mutable int m_training = -1;
    mutable int m_trainingUntil = 0;
    mutable int m_trainingFor = 0;
    std::map<int, int> m_barredTraining; // level: until which frame it is not trained on
};

} // namespace selfplay
