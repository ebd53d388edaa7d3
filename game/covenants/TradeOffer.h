#pragma once

#include "game/covenants/TradeTerm.h"

#include <cstdint>
#include <vector>

class ByteBuffer;
class Covenant;

// One diplomacy exchange between two covenants: a list of terms, the offer's
// type (0 trade, 1 demand, 2 gift, 3 ask the receiver to complete it, other
// values an appraisal) and two flags.
struct TradeOffer {
    std::vector<TradeTerm> terms;
    int32_t type = 0;
    bool onlyItems = false;
    int32_t peaceTreaty = 0; // 1: a peace proposal made for an agreement about a third covenant

    // Appends {side, kind, value}; a TermGold term of 0 is left out.
    void addEntry(int kind, int value, int side);
    // Side 0 becomes 1 and 1 becomes 0; other sides stay.
    void swapSides();
    // Every term is TermGold or TermItem (true for no terms).
    bool hasOnlyItemTerms() const;

    // Every term can be given by its giver (side 0 the first covenant, else
    // the second); an ill-formed term fails. True for no terms.
    bool canBeFulfilled(const Covenant* first, const Covenant* second) const;

    // u32 count, then side, kind, value (i32 each) per term.
    void writeTerms(ByteBuffer& buffer) const;
    // False, offer unchanged, for a count the bytes cannot hold, a short
    // buffer or an ill-formed term; on success `onlyItems` is recomputed.
    bool readTerms(ByteBuffer& buffer);

    // The CovenantTreaty of a treaty term kind (TermPeace … TermAlliance);
    // None for every other kind.
    static int treatyOfKind(int kind);
};
