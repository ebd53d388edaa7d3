#pragma once

// Raids on the player and its stone: a computer covenant's raid calls the
// player home to stand by its stone, a threat keeps it near home, and each
// raid is judged met, beaten off or missed.
#include "support/selfplay/Part.h"

#include <map>
#include <set>
#include <vector>

class Covenant;

namespace selfplay {

class Raids : public Part {
public:
    explicit Raids(Bot& bot);

    // A computer covenant's raid on the player's covenant is under way and
    // some of its raiders still stand: the player goes home and stays by
    // its stone until the raid ends or none of them is left; raiders that
    // come near are fought as any foe.
    bool raidedNow() const;

    // Raided, the player goes home to its stone: true while it does.
    bool defend();

    // Raided and not yet by its stone: it hurries home.
    bool homewardToRaid() const;

    // A covenant still hostile to the player's covenant ended a raid on it
    // within the last five minutes: it raids again soon.
    bool raidsExpected() const;

    // A raid on it may come soon: one threatens, or a covenant that raided
    // it lately will be back.
    bool raidLikely() const { return raidThreatened() || raidsExpected(); }

    // A raid threatens and holds the player near home: a threat that brings
    // no raid holds it only every other ten minutes, or a raid that never
    // comes would keep it home for good; one that lapses while it holds
    // still holds to the end of those ten minutes, and one back within ten
    // minutes of its lapse keeps its clock.
    bool threatHolds() const;

    // A level from which the player reaches its stone within a raid: its
    // town, one whose gate it has woken, or any with a scroll of return in
    // its bags.
    bool nearHome(int zone) const;

    // The player reached its stone during that covenant's raid and has not
    // left it since.
    bool metRaid(int covenant) const;

    // A raid on it is under way and its raiders are out (on their way, at
    // the stone or waiting to rise again): raids last from half a minute.
    bool raidOnItUnderWay() const;

    // A raid threatens or no longer does.
    void countThreat();
    // Raids begun and ended, on the player and between others; the
    // player's stay by its stone during those on it.
    void countRaids(Figures& figures);
    // The raids on it still going on at the end.
    void judgeAtEnd(Figures& figures);

private:
    // A raid on the player's covenant may come soon: a computer covenant
    // hostile to it would raid it, weighed as the covenant weighs it but
    // without the world's early calm (none raids in its first half) and as
    // if another already raided it (the others then join in); or one on
    // terms worse than it makes peace on is busy raiding another, and comes
    // when that raid is over.
    bool raidThreatened() const;

    // A raid that its raider gave up at its first weighing, losing badly
    // (its members fell at the house, and each fall cost its own stone):
    // the house's guards beat it off within half a minute, sooner than a
    // player beyond the town can come home.
    static bool beatenOffAtOnce(const Covenant& raider, const Covenant& own, double seconds);

    // None of a raiding covenant's raiders stands or lies waiting to rise
    // again at its stone: the stone is safe.
    static bool raidersGone(const Covenant& raider);

    static constexpr int kThreatHeld = 10 * kFramesPerMinute;

    // Per covenant, its raid on the player as the player met it.
    struct RaidWatch {
        bool met = false;         // reached the stone during the raid
        bool left = false;        // and left it while raiders stood, not back yet
        bool safe = false;        // and stood by it while no raider was left
        bool raidersSeen = false; // the raiders have set out
    };
    std::vector<bool> m_raiding;
    std::vector<RaidWatch> m_raidWatch;
    std::set<int> m_raidOnMe;
    std::map<int, int> m_raidBegan; // covenant: the frame its raid on the player began
    std::map<int, int> m_raidEnded; // covenant: the frame its last raid on the player ended
    bool m_threatened = false;      // a raid may come (for the trace)
    int m_threatSince = 0;          // the frame the threat began, or the last raid on it
    int m_lapsedHeldUntil = 0;      // a threat that lapsed still holds the player until this frame
    int m_lapsedAt = -kThreatHeld;  // the frame the last threat lapsed
};

} // namespace selfplay
