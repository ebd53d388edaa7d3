#pragma once

#include <cstdint>

// The kinds of an offer term (the value's meaning is per kind).
enum class TradeTermKind : int {
    TermInfluence = 1,
    TermPeace = 2,
    TermNonAggressionPact = 3,
    TermMutualProtectionPact = 4,
    TermAlliance = 5,
    TermGold = 6,
    TermItem = 7,
    TermCrystals = 8,
    TermTradeRoute = 9,
    TermSharedAdventure = 10,
    TermThirdParty = 11
};

// One term of an offer: which side gives what. Side 0 is the offering
// covenant, side 1 the receiving one; 12 bytes wherever it is stored or sent.
struct TradeTerm {
    int32_t side = 0;
    int32_t kind = 0;
    int32_t value = 0;

    friend bool operator==(const TradeTerm&, const TradeTerm&) = default;

    bool is(TradeTermKind k) const { return kind == static_cast<int32_t>(k); }

    // A TermItem value: the inventory group in the low 16 bits, the slot in
    // the high 16 bits.
    static int32_t itemPlace(int group, int slot)
    {
        return static_cast<int32_t>((static_cast<uint32_t>(group) & 0xFFFFu) |
                                    ((static_cast<uint32_t>(slot) & 0xFFFFu) << 16));
    }
    static void readItemPlace(int32_t value, int& group, int& slot)
    {
        group = static_cast<int>(static_cast<uint32_t>(value) & 0xFFFFu);
        slot = static_cast<int>(static_cast<uint32_t>(value) >> 16);
    }

    // A TermThirdParty value: the third covenant's index times 65536 plus the
    // action (a CovenantTreaty value) in the low 16 bits.
    static int32_t thirdParty(int index, int action)
    {
        return static_cast<int32_t>(((static_cast<uint32_t>(index) & 0xFFFFu) << 16) |
                                    (static_cast<uint32_t>(action) & 0xFFFFu));
    }
    static void readThirdParty(int32_t value, int& index, int& action)
    {
        index = static_cast<int>(static_cast<uint32_t>(value) >> 16);
        action = static_cast<int>(static_cast<uint32_t>(value) & 0xFFFFu);
    }

    // Amounts (influence, gold, crystals) are not negative, amount and item
    // terms are given by side 0 or 1, a route is Tiny … Huge. Other kinds,
    // sides and actions pass: they have no effect when carried out.
    bool isWellFormed() const;
};
