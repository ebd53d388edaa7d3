#pragma once

// Quests: the ones the player takes from a giver's window (those it can best
// finish), and done ones handed in through the solve window.
#include "support/selfplay/Part.h"

#include <array>
#include <map>
#include <set>

class Actor;
class Quest;

namespace selfplay {

class Quests : public Part {
public:
    explicit Quests(Bot& bot);

    // How well the player can finish a quest: 3 done by what it does
    // anyway (equipping, killing what it meets), 2 a fight elsewhere, 1 any
    // other, 0 none or held.
    int questRank(int id) const;

    // In a giver's window (a vendor's behind its Quests button) the row of
    // the quest it can best finish is clicked and accepted.
    void takeQuest(Actor& npc);
    // The errand moves on from this giver: its next quests count afresh.
    void leaveGiver() { m_acceptsHere = 0; }
    // A quest's row is clicked, its Accept is to come.
    bool choosing() const { return m_questStage != 0; }

    // A held quest that is done is solved with its giver: a click on the
    // giver opens the solve window, whose button hands the quest in.
    bool solveQuest();

    // A held quest the player has judged it cannot finish (Hunt::cannotFinish),
    // other than the tutorial's, is given up as a user gives one up: the
    // quest log opened by its key, the quest's row clicked, its "Give up"
    // button, then "Give up" in the question. A window without its button
    // is a fault. True while it is under way.
    bool giveUpQuest();
    bool givingUp() const { return m_giveUpStage != 0; }

    // Who takes a done quest in: its own person for a one-shot quest or a
    // monster quest; else its giver, or the nearest person of the kind the
    // quest returns to (a recruit is handed in to the steward, who sends the
    // recruit to the house).
    int solverOf(const Quest& quest) const;
    // A done quest its solver would not take.
    bool unsolvable(int id) const { return m_unsolvable.contains(id); }

    // The held quests not set aside.
    int questsToGoAfter() const;
    bool setAside(int id) const;
    void putAside(int id, int until) { m_setAside[id] = until; }
    // Two deaths on the way to one quest: it is set aside for a while, for
    // others.
    void noteDeathOnTheWay(int pursued);

    // The level of the monsters where a quest sends the player; -1 for a
    // quest with no target level.
    static int targetMonsterLevel(Quest& quest);
    // A townsperson turned to stone stands still and answers no click.
    static bool canTalk(const Actor& npc);
    // Quests done on their target level only: kills that count there
    // alone, and the captive waiting there.
    static bool zoneBound(const Quest& quest);
    // A captive to free: a stranger, or a townsperson taken away.
    static bool isRescue(const Quest& quest);

    // Quest numbers come round again: what was known of a quest the player
    // no longer holds is forgotten.
    void forgetDropped();

    // The server's answer to an accept, and to a hand-in.
    void countAccepted(Figures& figures);
    void countSolved(Figures& figures);
    void countGivenUp(Figures& figures);

private:
    // Money, experience (with the level) and items carried: a reward adds
    // to one of them.
    std::array<int, 4> holdings() const;

    std::map<int, int> m_givers; // quest id: the NPC it was taken from
    std::set<int> m_unsolvable;
    std::map<int, int> m_setAside; // quest id: until which frame
    std::map<int, int> m_questDeaths;
    int m_questStage = 0;
    int m_acceptsHere = 0;
    int m_questsBefore = 0;
    int m_questAskedAt = -1;
    int m_askedGiver = -1;
    int m_solvingId = -1;
    int m_solveUntil = 0;
    int m_solveRestAt = 0;
    int m_solveAsked = -1;
    int m_solveAskedAt = 0;
    std::array<int, 4> m_rewardBefore{};
    std::map<int, std::pair<int, bool>> m_doneAtAsk; // done quest id: money promised, a tutorial's
    int m_giveUpStage = 0;
    int m_giveUpId = -1;
    int m_giveUpSlot = -1;
    int m_giveUpSince = 0;
    int m_giveUpKeys = 0; // presses of the quest log's key for this give-up
    int m_nextGiveUpLook = 0;
    int m_givenUp = -1; // the quest given up, until the server's answer is counted
    int m_givenUpAt = 0;
};

} // namespace selfplay
