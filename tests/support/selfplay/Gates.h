#pragma once

// Gates and doors: the house's gate out to a woken gate far off, the level
// gates it wakes and takes home, its scroll of return, and a door that shuts
// a nook it stands in.
#include "support/selfplay/Part.h"

#include <map>
#include <set>

class Gate;

namespace selfplay {

class Gates : public Part {
public:
    explicit Gates(Bot& bot);

    // Held still beside a closed door (one that shuts the only way out of a
    // nook) the player opens it as anyone would: a click on it. A door that
    // stays shut is left alone for a while.
    bool openDoor();

    // Bound from its house for a level far off, the player takes the
    // house's gate to the woken gate nearest that level when the way from
    // there is shorter by two levels or more: the gate opens the world map,
    // and a right click on that gate's mark carries it there.
    bool gateOut();

    // On a level new to it the player wakes the level's gate when it stands
    // near: a way home at once when its stone is raided.
    bool wakeLevelGate();

    // Raided with no woken gate of its level at hand, the player reads its
    // scroll of return and steps into the gate that opens where it stands
    // (or into its pair's gate on this level, opened before). A level where
    // no gate opened is walked from.
    bool homeByScroll();

    // Called home (a quest to hand in, a raid on its stone) the player takes
    // its level's gate: the first use activates it, the next carries it home.
    bool homeByLevelGate();

    // The gate of the level the player stands on, if it has one.
    const Gate* levelGateHere() const;

    // Its level's gate is tried afresh (a new level, a raid to go home to).
    void resetTries() { m_gateTries = 0; }

    // A new raid to go home to: the scroll is read again, on a level where
    // it was read before too.
    void newRaid()
    {
        m_gateTries = 0;
        m_scrollZone = -1;
    }

private:
    // How far off its level's woken gate is taken home rather than a
    // scroll of return read.
    static constexpr float kGateAtHand = 1000.0f;
    // How near its level's gate the player turns aside to wake it on its
    // first stay on a level.
    static constexpr float kWakeNear = 1200.0f;

    // The place in the player's gate list of the woken gate from which the
    // way to the goal is shortest, when it is shorter by two levels or more
    // than the way from where the player stands; -1 for none.
    int gateNearest(int goal) const;

    ZonePosition m_stillAt; // where the player has stood since
    int m_stillSince = 0;   // this frame
    int m_door = -1;        // the door it opens
    int m_doorSince = 0;
    std::map<int, int> m_triedDoors; // door: left alone until which frame
    int m_gateOutSince = -1;         // the frame it set off for its house's gate
    int m_gateOutAfter = 0;          // the house's gate is weighed again from this frame
    int m_gateOutIndex = -1;         // the place in the gate list it makes for
    int m_gateTries = 0;
    std::set<int> m_gatesWoken; // levels whose gate is awake or was not reached
    int m_wakeZone = -1;
    int m_stayZone = -1;        // the level it stands on, its stays counted
    std::map<int, int> m_stays; // level: the stays on it so far
    int m_wakeUntil = 0;
    int m_scrollReadAt = -1000;
    int m_scrollZone = -1; // the level where the scroll was last read
};

} // namespace selfplay
