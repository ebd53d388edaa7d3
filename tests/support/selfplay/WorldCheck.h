#pragma once

// The world's invariants, held every game minute: the client's mirrors agree
// with the server, every covenant's links point both ways, and nothing stands
// in rock or off every level.
#include "support/selfplay/Part.h"

#include <string>

class Covenant;
class Entity;

namespace selfplay {

class WorldCheck : public Part {
public:
    explicit WorldCheck(Bot& bot);

    // Checks the mirrors against the server and the world's rules.
    void checkInvariants(int minute);
    // A mirror that differed at the minute is looked at once more a frame
    // later.
    bool mirrorsAgain() const { return m_mirrorsAgain; }
    void recheckMirrors();

private:
    // The client's mirrors agree with the server: the player's position
    // (within a frame's walk), health, money, inventory, quest slots and the
    // covenants' relations.
    void checkMirrors();

    // Every covenant member points back to its covenant, no sentient stands
    // and no item or chest lies on a blocked cell, and no living monster is
    // off every level.
    void checkWorld();

    static std::string describe(const Entity& entity);

    // Each member a covenant lists (its leader, its recruits' bodies and
    // records, the extra member), its life stone and its guards name that
    // covenant.
    void checkMembersPointBack(const Covenant& covenant);

    // What names a covenant is one it has: a character naming one is among
    // its members or guards.
    void checkListedByItsCovenant(const Entity& entity);

    bool m_mirrorsAgain = false;
};

} // namespace selfplay
