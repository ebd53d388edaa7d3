#include "game/covenants/TradeOffer.h"

#include "engine/core/ByteBuffer.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"

bool TradeTerm::isWellFormed() const
{
    switch (static_cast<TradeTermKind>(kind)) {
    case TradeTermKind::TermInfluence:
    case TradeTermKind::TermGold:
    case TradeTermKind::TermCrystals:
        return value >= 0 && (side == 0 || side == 1);
    case TradeTermKind::TermItem:
        return side == 0 || side == 1;
    case TradeTermKind::TermTradeRoute:
        return value >= static_cast<int>(TradeRoute::Tiny) && value <= static_cast<int>(TradeRoute::Huge);
    default:
        return true;
    }
}

void TradeOffer::addEntry(int kind, int value, int side)
{
    if (kind == static_cast<int>(TradeTermKind::TermGold) && value == 0)
        return;
    terms.push_back({side, kind, value});
}

void TradeOffer::swapSides()
{
    for (TradeTerm& term : terms) {
        if (term.side == 0)
            term.side = 1;
        else if (term.side == 1)
            term.side = 0;
    }
}

bool TradeOffer::hasOnlyItemTerms() const
{
    for (const TradeTerm& term : terms)
        if (!term.is(TradeTermKind::TermGold) && !term.is(TradeTermKind::TermItem))
            return false;
    return true;
}

void TradeOffer::writeTerms(ByteBuffer& buffer) const
{
    buffer.writeInt(static_cast<uint32_t>(terms.size()));
    for (const TradeTerm& term : terms) {
        buffer.writeInt(term.side);
        buffer.writeInt(term.kind);
        buffer.writeInt(term.value);
    }
}

bool TradeOffer::readTerms(ByteBuffer& buffer)
{
    uint32_t count = buffer.readCount(12);
    if (buffer.failed())
        return false;
    std::vector<TradeTerm> read;
    read.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        TradeTerm term;
        term.side = buffer.readInt();
        term.kind = buffer.readInt();
        term.value = buffer.readInt();
        if (buffer.failed() || !term.isWellFormed())
            return false;
        read.push_back(term);
    }
    terms = std::move(read);
    onlyItems = hasOnlyItemTerms();
    return true;
}

int TradeOffer::treatyOfKind(int kind)
{
    switch (static_cast<TradeTermKind>(kind)) {
    case TradeTermKind::TermPeace:
        return static_cast<int>(CovenantTreaty::Peace);
    case TradeTermKind::TermNonAggressionPact:
        return static_cast<int>(CovenantTreaty::NonAggressionPact);
    case TradeTermKind::TermMutualProtectionPact:
        return static_cast<int>(CovenantTreaty::MutualProtectionPact);
    case TradeTermKind::TermAlliance:
        return static_cast<int>(CovenantTreaty::Alliance);
    default:
        return static_cast<int>(CovenantTreaty::None);
    }
}

bool TradeOffer::canBeFulfilled(const Covenant* first, const Covenant* second) const
{
    for (const TradeTerm& term : terms) {
        const Covenant* giver = term.side == 0 ? first : second;
        if (!term.isWellFormed() || !giver)
            return false;
        switch (static_cast<TradeTermKind>(term.kind)) {
        case TradeTermKind::TermInfluence:
            if (giver->getInfluence() < term.value)
                return false;
            break;
        case TradeTermKind::TermGold:
            if (giver->getLeaderGold() < term.value)
                return false;
            break;
        case TradeTermKind::TermItem: {
            int group = 0;
            int slot = 0;
            TradeTerm::readItemPlace(term.value, group, slot);
            if (!giver->getItemAt(group, slot))
                return false;
            break;
        }
        case TradeTermKind::TermCrystals:
            if (giver->stats.get(static_cast<int>(CovenantStat::Money)) < term.value)
                return false;
            break;
        default:
            break;
        }
    }
    return true;
}
