#include "game/covenants/Covenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/TradeTerm.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/world/Game.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kBreakTreaty = static_cast<int>(CovenantTreaty::BreakTreaty);
constexpr int kBreakTradeRoute = static_cast<int>(CovenantTreaty::BreakTradeRoute);

const CovenantDefinition& definitionOf(const Covenant* covenant)
{
    static const CovenantDefinition empty;
    const CovenantDefinition* d = covenant ? covenant->getDefinition() : nullptr;
    return d ? *d : empty;
}

float relationWith(const Covenant* self, const Covenant* other)
{
    return other && self->getRelationRecord(other->index) ? self->getRelation(other->index) : 0.0f;
}

float difficultyValue(const CovenantDefinition::DifficultyFamily& family, int difficulty)
{
    return CovenantDefinition::familyValue(family, difficulty);
}
} // namespace

float Covenant::getDifficultyRelationBase(const Covenant*) const
{
    return difficultyValue(definitionOf(this).RelationForPeaceTreaty, getDifficulty());
}

float Covenant::getCancelledTreatyChange(int treaty) const
{
    return CovenantDefinition::familyValue(definitionOf(this).RelationChangeCancelledTreaty, treaty);
}

void Covenant::sendOffer(Covenant* to, const TradeOffer& offer)
{
    if (to && !offer.terms.empty())
        to->receiveOffer(this, offer);
}

float Covenant::diminishingValue(int amount, int have, int floor, float mult, float cap, float chunkPercent)
{
    // Nothing held (or a debt) gives nothing; every chunk moves at least one
    // unit, so the walk ends.
    long long held = std::max(have, floor);
    if (held <= 0 || amount <= 0 || !(chunkPercent > 0.0f))
        return 0.0f;
    double total = 0.0;
    long long left = amount;
    while (left > 0) {
        long long chunk =
            std::max<long long>(1, static_cast<long long>(static_cast<double>(held) * chunkPercent));
        long long step = chunk;
        double fraction = chunkPercent;
        if (chunk > left) {
            step = left;
            fraction = static_cast<double>(left) / static_cast<double>(held);
        }
        total += fraction * mult;
        held += step;
        left -= step;
    }
    return static_cast<float>(std::min(total, static_cast<double>(cap)));
}

float Covenant::getInfluenceValue(int amount, bool ours) const
{
    const CovenantDefinition& d = definitionOf(this);
    float mult = ours ? d.RelationChangeMultMyInfluence : d.RelationChangeMultTheirInfluence;
    float cap = ours ? 10000.0f : d.RelationChangeInfluenceMaxPerTrade;
    return diminishingValue(amount, getInfluence(), d.MinComparisionInfluence, mult, cap,
                            d.GenericValueChunkPercent);
}

float Covenant::getCrystalsValue(int amount, bool ours) const
{
    const CovenantDefinition& d = definitionOf(this);
    long long have =
        static_cast<long long>(stats.get(static_cast<int>(CovenantStat::Money))) + covenantItemsWorth(true);
    float mult = ours ? d.RelationChangeMultMyCrystals : d.RelationChangeMultTheirCrystals;
    float cap = ours ? 10000.0f : d.RelationChangeCrystalsMaxPerTrade;
    return diminishingValue(amount, static_cast<int>(std::clamp<long long>(have, INT_MIN, INT_MAX)),
                            d.MinComparisionCrystals, mult, cap, d.GenericValueChunkPercent);
}

float Covenant::treatyValue(int kind, const Covenant* counterpart, int mode) const
{
    const CovenantDefinition& d = definitionOf(this);
    float r = relationWith(this, counterpart);
    float low = 0.0f;
    float high = 0.0f;
    float requirement = 0.0f;
    int cancelIndex = 0;
    switch (kind) {
    case static_cast<int>(TradeTermKind::TermPeace):
        low = d.RelationChangeMinSignedPeaceTreaty;
        high = d.RelationChangeMaxSignedPeaceTreaty;
        break;
    case static_cast<int>(TradeTermKind::TermNonAggressionPact):
        low = d.RelationChangeMinSignedNonAggressionPact;
        high = d.RelationChangeMaxSignedNonAggressionPact;
        requirement = d.RelationForNonAggresionPact;
        cancelIndex = 4;
        break;
    case static_cast<int>(TradeTermKind::TermMutualProtectionPact):
        low = d.RelationChangeMinSignedMutualProtectionPact;
        high = d.RelationChangeMaxSignedMutualProtectionPact;
        requirement = d.RelationForMutualProtectionPact;
        cancelIndex = 5;
        break;
    case static_cast<int>(TradeTermKind::TermAlliance):
        low = d.RelationChangeMinSignedAlliance;
        high = d.RelationChangeMaxSignedAlliance;
        requirement = d.RelationForAlliance;
        cancelIndex = 6;
        break;
    default:
        return 0.0f;
    }
    const bool peace = kind == static_cast<int>(TradeTermKind::TermPeace);
    const float base = peace ? getDifficultyRelationBase(counterpart) : 0.0f;
    switch (mode) {
    case 1:
        return low + randomFloat(0) * (high - low);
    case 0:
        return peace ? std::min(r - base, 0.0f) : std::min(r - requirement, 0.0f);
    case 2:
        return peace ? -(r - base) : getCancelledTreatyChange(cancelIndex) + (requirement - r);
    default:
        return peace ? r - base : 0.0f;
    }
}

float Covenant::treatyBreakCost(int treaty, const Covenant* counterpart) const
{
    switch (treaty) {
    case static_cast<int>(CovenantTreaty::Peace):
        return treatyValue(static_cast<int>(TradeTermKind::TermPeace), counterpart, 2);
    case static_cast<int>(CovenantTreaty::NonAggressionPact):
        return treatyValue(static_cast<int>(TradeTermKind::TermNonAggressionPact), counterpart, 2);
    case static_cast<int>(CovenantTreaty::MutualProtectionPact):
        return treatyValue(static_cast<int>(TradeTermKind::TermMutualProtectionPact), counterpart, 2);
    case static_cast<int>(CovenantTreaty::Alliance):
        return treatyValue(static_cast<int>(TradeTermKind::TermAlliance), counterpart, 2);
    default:
        return 0.0f;
    }
}

float Covenant::tradeRouteValue(int size, const Covenant* counterpart, int mode) const
{
    const CovenantDefinition& d = definitionOf(this);
    float r = relationWith(this, counterpart);
    switch (mode) {
    case 1:
        return d.rollTradeRouteStartChange(size);
    case 0:
        if (!canAffordTradeRoute(counterpart, size))
            return -100.0f;
        return std::min(r - d.getRelationForTradeRoute(size), 0.0f);
    case 2:
        return (d.getRelationForTradeRoute(size) - r) + d.getRelationChangeCancelledTradeRoute(size);
    default:
        return 0.0f;
    }
}

float Covenant::agreementBonus(const Covenant* counterpart) const
{
    const CovenantDefinition& d = definitionOf(this);
    float r = relationWith(this, counterpart);
    return r >= d.AgreementBonusMinRelation ? (r - d.AgreementBonusMinRelation) * d.AgreementBonusMult : 0.0f;
}

float Covenant::agreementValue(int value, const Covenant* counterpart, bool ours) const
{
    int third = 0;
    int action = 0;
    TradeTerm::readThirdParty(value, third, action);
    const Game* game = Game::instance();
    const Covenant* target = game ? game->getCovenant(third) : nullptr;
    if (!target)
        return 0.0f;
    const CovenantDefinition& d = definitionOf(this);
    float r = relationWith(this, target);
    float bonus = agreementBonus(counterpart);
    switch (action) {
    case kWar:
        if (!isHostile(target->index))
            return std::min(treatyValue(static_cast<int>(TradeTermKind::TermPeace), target, 2) + bonus, 0.0f);
        return r < d.RelationForAgreementWar ? (d.RelationForAgreementWar - r) * d.AgreementWarMult : 0.0f;
    case kRaid:
        return difficultyValue(d.RelationStartRaid, getDifficulty()) - r;
    case kPeace:
        if (ours)
            return std::min(treatyValue(static_cast<int>(TradeTermKind::TermPeace), target, 0) + bonus, 0.0f);
        return r > d.RelationForAgreementPeace ? (r - d.RelationForAgreementPeace) * d.AgreementPeaceMult
                                               : 0.0f;
    case kBreakTreaty:
        if (ours)
            return std::min(treatyBreakCost(getRelationState(target->index), target) + bonus, 0.0f);
        if (!counterpart || r >= d.RelationForAgreementBreakTreaty)
            return 0.0f;
        return (d.RelationForAgreementBreakTreaty - r) *
               CovenantDefinition::familyValue(d.AgreementBreakTreatyMult,
                                               counterpart->getRelationState(target->index));
    case kBreakTradeRoute:
        if (ours)
            return std::min(tradeRouteValue(getRelationSubState(target->index), target, 2) + bonus, 0.0f);
        if (!counterpart || r >= d.RelationForAgreementBreakTrade)
            return 0.0f;
        return (d.RelationForAgreementBreakTrade - r) *
               CovenantDefinition::familyValue(d.AgreementBreakTradeMult,
                                               counterpart->getRelationSubState(target->index));
    default:
        return 0.0f;
    }
}

float Covenant::termValue(const TradeTerm& term, const Covenant* counterpart, int ourSide, int mode) const
{
    const bool ours = term.side == ourSide;
    const float sign = ours ? -1.0f : 1.0f;
    switch (static_cast<TradeTermKind>(term.kind)) {
    case TradeTermKind::TermInfluence:
        return sign * getInfluenceValue(term.value, ours);
    case TradeTermKind::TermPeace:
    case TradeTermKind::TermNonAggressionPact:
    case TradeTermKind::TermMutualProtectionPact:
    case TradeTermKind::TermAlliance:
        return treatyValue(term.kind, counterpart, mode);
    case TradeTermKind::TermGold:
        return sign * static_cast<float>(term.value);
    case TradeTermKind::TermItem: {
        int group = 0;
        int slot = 0;
        TradeTerm::readItemPlace(term.value, group, slot);
        const Covenant* giver = ours ? this : counterpart;
        const ItemBase* item = giver ? giver->getItemAt(group, slot) : nullptr;
        return item ? sign * getItemSaleValue(item, false) : 0.0f;
    }
    case TradeTermKind::TermCrystals:
        return sign * getCrystalsValue(term.value, ours);
    case TradeTermKind::TermTradeRoute:
        return tradeRouteValue(term.value, counterpart, mode);
    case TradeTermKind::TermSharedAdventure: {
        if (mode != 0)
            return 0.0f;
        return std::min(relationWith(this, counterpart) - definitionOf(this).RelationForAdventure, 0.0f);
    }
    case TradeTermKind::TermThirdParty:
        return agreementValue(term.value, counterpart, ours);
    default:
        return 0.0f;
    }
}

void Covenant::evaluateOffer(const TradeOffer& offer, const Covenant* counterpart, int ourSide, int mode,
                             float& gain, float& loss) const
{
    gain = 0.0f;
    loss = 0.0f;
    for (const TradeTerm& term : offer.terms) {
        float v = termValue(term, counterpart, ourSide, mode);
        if (v >= 0.0f)
            gain += v;
        else
            loss -= v;
    }
}

namespace {
// The smallest amount in 0 … total whose value reaches the target; -1 when
// even the whole is not enough. Every candidate is tried, the last one too.
template <typename Value> int smallestAmountWorth(int total, int target, Value value)
{
    if (total < 0 || value(total) < static_cast<float>(target))
        return -1;
    int lo = 0;
    int hi = total;
    int best = -1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        if (value(mid) >= static_cast<float>(target)) {
            best = mid;
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return best;
}
} // namespace

int Covenant::findCrystalsAmountWorth(const Covenant* evaluator, bool ours, int target) const
{
    if (!evaluator)
        return -1;
    return smallestAmountWorth(stats.get(static_cast<int>(CovenantStat::Money)), target,
                               [&](int amount) { return evaluator->getCrystalsValue(amount, ours); });
}

int Covenant::findInfluenceAmountWorth(const Covenant* evaluator, bool ours, int target) const
{
    if (!evaluator)
        return -1;
    return smallestAmountWorth(getInfluence(), target,
                               [&](int amount) { return evaluator->getInfluenceValue(amount, ours); });
}

void Covenant::storeOffer(const TradeOffer& offer, int other, float timeout)
{
    if (other < 0 || other >= kMaxCovenants)
        return;
    PendingOffer& pending = pendingOffers[static_cast<size_t>(other)];
    pending = PendingOffer();
    pending.offer = offer;
    pending.timeLeft = timeout;
    pending.active = true;
    pending.resendsLeft = PendingOffer::kStored;
}

void Covenant::clearPendingOffer(Covenant* other, bool notify)
{
    if (!other || other->index < 0 || other->index >= kMaxCovenants)
        return;
    pendingOffers[static_cast<size_t>(other->index)].offer.terms.clear();
    if (notify)
        other->receiveOffer(this, TradeOffer());
}
