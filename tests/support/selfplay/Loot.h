#pragma once

// Loot: what lies on the ground, taken up by a click (a thing its quests ask
// for first), and the closed chests the player passes near, opened.
#include "support/selfplay/Part.h"

#include <array>
#include <map>

class ItemGround;

namespace selfplay {

class Loot : public Part {
public:
    explicit Loot(Bot& bot);

    // A thing on the ground a held quest asks for (a quest item stands for
    // the entry it carries), not left alone.
    bool isWantedLoot(Entity* e) const;

    // The nearest such thing within reach, -1 for none or while pushing or
    // called home by a raid (`homeward`).
    int wantedNear(bool homeward) const;

    // Ground loot is walked up to and taken: `wanted` first, else the
    // nearest (with full bags only what needs no room). True while it
    // acts on some.
    bool pickUp(bool homeward, int wanted);

    // A closed chest the player passes near (until it has opened one, any
    // of its level) is clicked as any object: the player walks up to it and
    // opens it, and what falls out is picked up as ground loot. One it
    // cannot reach or open is left alone for a while.
    bool openChest();

    int target() const { return m_loot; }

    // The loot it went for is gone, the chest it went to open is open.
    void count(Figures& figures);

private:
    // Money, and the stone its death left, are taken with no bag place.
    bool takenWithoutRoom(const ItemGround& lying) const;

    // What a thing taken up adds to: money, experience debt paid (negated),
    // the items carried (stacks counted by quantity), quest progress.
    std::array<int, 4> carried() const;

    int m_loot = -1;
    int m_lootSince = 0;
    std::array<int, 4> m_carriedBefore{}; // a frame before the loot went
    std::map<int, int> m_ignoredLoot;     // entity: until which frame
    int m_chest = -1;
    int m_chestFrames = 0; // spent on it
    int m_chestSeenAt = -100;
    std::map<int, int> m_ignoredChests; // entity: until which frame
    int m_chestsOpened = 0;
};

} // namespace selfplay
