#pragma once

// Recruits and guards: a person who would join is asked to through its
// window, and a guard for the house is hired with a contract bought from a
// guard vendor and laid into the House window.
#include "support/selfplay/Part.h"

#include <set>
#include <utility>

class Covenant;
class ItemBase;
class Vendor;

namespace selfplay {

class Recruits : public Part {
public:
    explicit Recruits(Bot& bot);

    // A person of its level who would join is asked to join the covenant:
    // a click on it opens its window, whose button recruits.
    bool recruitSomeone();

    // A guard for the covenant's house, as a user hires one: a contract
    // bought from a guard vendor of the house's level (paid in the
    // covenant's crystals, so only when they cover its price), then laid
    // into a free guard place of the House window the house's pedestal
    // opens. Tried again a few minutes after it fails or ends.
    bool hireGuard(Figures& figures);

    // The recruit it asked for joined.
    void count(Figures& figures);

private:
    void endGuardHire();

    // The guard vendor's window: a right click on a contract buys it.
    bool buyContract(Covenant& own);

    // The House window: the contract taken up from its bag and let go on a
    // free guard place.
    bool layContract(Covenant& own, int place);

    // The first of the house's four guard places that holds nothing, or a
    // contract whose guard died, and no guard.
    int freeGuardPlace(const Covenant& own) const;

    // A contract whose guard died (its dead flag set).
    static bool isDeadContract(const ItemBase& item);

    // The bag place of a live guard contract the player carries.
    std::pair<int, int> carriedContract() const;

    static bool notStocked(Vendor& vendor);

    // A guard vendor's goods place holding a contract the covenant's
    // crystals pay for.
    static int contractSlot(Vendor& vendor, const Covenant& own);

    int m_recruit = -1;
    int m_recruitUntil = 0;
    std::set<int> m_recruitTried;
    int m_recruitsBefore = 0;
    int m_recruitAskedAt = -1;
    int m_guardStage = 0; // 1 buying a contract, 2 laying it in the house
    int m_guardVendor = -1;
    int m_guardTries = 0;
    int m_guardUntil = 0;
    int m_guardLaid = -1;
    int m_nextGuardLook = 0;
};

} // namespace selfplay
