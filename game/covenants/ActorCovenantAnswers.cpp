// How a computer-run covenant answers offers, completes them, and lets its
// relations follow the deals it makes.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kStash = static_cast<int>(InventoryGroupIndex::Stash);
constexpr int kGold = static_cast<int>(TradeTermKind::TermGold);
constexpr int kItem = static_cast<int>(TradeTermKind::TermItem);
constexpr int kCrystals = static_cast<int>(TradeTermKind::TermCrystals);
constexpr int kInfluence = static_cast<int>(TradeTermKind::TermInfluence);

constexpr int kOwnAffairsKind = 2;
constexpr const char* kCantFulfilText = "Can't afford what the offer asks!";

int code(CovenantResponse r)
{
    return static_cast<int>(r);
}

const CovenantDefinition& definitionOf(const Covenant* covenant)
{
    static const CovenantDefinition empty;
    const CovenantDefinition* d = covenant ? covenant->getDefinition() : nullptr;
    return d ? *d : empty;
}
} // namespace

void ActorCovenant::changeRelationScaled(int other, float amount, bool positive)
{
    Covenant* covenant = covenantAt(other);
    if (!covenant)
        return;
    const int kind = static_cast<int>(positive ? CovenantMultiplier::DiplomacyPositive
                                               : CovenantMultiplier::DiplomacyNegative);
    amount *= getMultiplier(kind) * covenant->getMultiplier(kind);
    const CovenantDefinition& theirs = definitionOf(covenant);
    amount *= CovenantDefinition::familyValue(
        positive ? theirs.PositiveRelationMult : theirs.NegativeRelationMult, difficulty);
    changeRelation(other, amount);
    updateCovenantMemory(other);
}

void ActorCovenant::updateCovenantMemory(int other)
{
    if (other < 0 || other >= kMaxCovenants)
        return;
    const CovenantDefinition& d = def();
    CovenantMemory& m = memoryOf(other);
    const float r = relationTo(other);
    m.tradeFactor = d.TradeFactorRelation * r + d.TradeFactorFear * m.fear;
    m.demandFactor = std::max(0.0f, (r - d.DemandFactorRelationCutoff) * d.DemandFactorRelation +
                                        d.DemandFactorFear * m.fear);
}

void ActorCovenant::receiveOffer(Covenant* from, const TradeOffer& offer)
{
    Game* game = Game::instance();
    if (!from || offer.terms.empty())
        return;
    // While the player talks with this covenant it hears no one else.
    if (game && game->isPlayerTargetingCovenant(this) && !game->isPlayerCovenant(from))
        return;
    if (!offer.canBeFulfilled(from, this)) {
        from->receiveOfferResult(this, offer, false,
                                 offer.type >= 0 && offer.type <= 2 ? code(CovenantResponse::TradeRejected)
                                                                    : code(CovenantResponse::OfferBad));
        return;
    }
    const CovenantDefinition& d = def();
    float gain = 0.0f;
    float loss = 0.0f;
    evaluateOffer(offer, from, 1, 0, gain, loss);
    if (!offer.onlyItems) {
        float g2 = 0.0f;
        float l2 = 0.0f;
        from->evaluateOffer(offer, this, 0, 0, g2, l2);
        const CovenantMemory& m = memoryOf(from->index);
        gain += m.tradeFactor * (d.RelationChangeEqualTrade + std::max(0.0f, g2 - l2));
        if (offer.type == 1)
            gain += m.demandFactor * d.BaseDemandValue * randomFloat(0);
    }
    bool accepted = loss <= gain;
    int answer = 0;
    TradeOffer reply = offer;
    switch (offer.type) {
    case 0:
        answer = code(accepted ? CovenantResponse::TradeAccepted : CovenantResponse::TradeRejected);
        break;
    case 1:
        answer = code(accepted ? CovenantResponse::DemandAccepted : CovenantResponse::DemandRejected);
        break;
    case 2:
        answer = code(accepted ? CovenantResponse::GiftAccepted : CovenantResponse::TradeRejected);
        break;
    case 3:
        reply.swapSides();
        answer = completeOffer(reply, from, 1.2f);
        reply.swapSides();
        accepted = false;
        break;
    default:
        answer = code(loss <= gain         ? CovenantResponse::OfferGood
                      : loss < 1.2f * gain ? CovenantResponse::OfferClose
                                           : CovenantResponse::OfferBad);
        accepted = false;
        break;
    }
    if (offer.type == 1 && !accepted) {
        const float r = d.rollRelationChangeDemand();
        changeRelationScaled(from->index, r, false);
        from->sendRelationChange(this, r);
    }
    from->receiveOfferResult(this, reply, accepted, answer);
    if (offer.peaceTreaty == 1 && game)
        game->announcePeaceRejected(this, from, accepted);
}

int ActorCovenant::completeOffer(TradeOffer& offer, Covenant* partner, float margin)
{
    if (offer.terms.empty())
        return code(CovenantResponse::OfferBlank);
    if (!partner)
        return code(CovenantResponse::NoTradePossible);
    float gain = 0.0f;
    float loss = 0.0f;
    evaluateOffer(offer, partner, 0, 0, gain, loss);
    if (loss > gain)
        loss *= margin;
    else if (margin != 0.0f)
        gain /= margin;
    offer.onlyItems = offer.hasOnlyItemTerms();
    if (offer.onlyItems) {
        if (gain < loss) {
            const int n = static_cast<int>(std::ceil(loss - gain));
            if (partner->getLeaderGold() < n)
                return code(CovenantResponse::NoTradePossible);
            if (n > 0)
                offer.addEntry(kGold, n, 1);
            return code(CovenantResponse::OfferGood);
        }
        if (gain == loss)
            return code(CovenantResponse::DontWant);
        const int n = static_cast<int>(std::floor(gain - loss));
        if (getLeaderGold() >= n) {
            if (n > 0)
                offer.addEntry(kGold, n, 0);
            return code(CovenantResponse::OfferGood);
        }
        const int slot = findStashItemWorthAtMost(n);
        if (slot < 0)
            return code(CovenantResponse::CantAfford);
        const int rest = n - static_cast<int>(std::ceil(getItemSaleValue(getItemAt(kStash, slot), true)));
        if (getLeaderGold() < rest)
            return code(CovenantResponse::CantAfford);
        offer.addEntry(kItem, TradeTerm::itemPlace(kStash, slot), 0);
        if (rest > 0)
            offer.addEntry(kGold, rest, 0);
        return code(CovenantResponse::OfferGood);
    }
    if (gain == loss)
        return code(CovenantResponse::OfferGood);
    const bool theyPay = gain < loss;
    const int n =
        theyPay ? static_cast<int>(std::ceil(loss - gain)) : static_cast<int>(std::floor(gain - loss));
    Covenant* giver = theyPay ? partner : this;
    const bool ours = !theyPay;
    const int side = theyPay ? 1 : 0;
    const int failure = code(theyPay ? CovenantResponse::NoTradePossible : CovenantResponse::CantAfford);
    const int a = giver->findCrystalsAmountWorth(this, ours, n);
    if (a > 0) {
        offer.addEntry(kCrystals, a, side);
        return code(CovenantResponse::OfferGood);
    }
    const int s =
        static_cast<int>(std::floor(0.75 * giver->stats.get(static_cast<int>(CovenantStat::Money))));
    const float sValue = getCrystalsValue(s, ours);
    const int covered = static_cast<int>(theyPay ? std::floor(sValue) : std::ceil(sValue));
    const int c = giver->findInfluenceAmountWorth(this, ours, n - covered);
    if (c <= 0)
        return failure;
    offer.addEntry(kCrystals, s, side);
    offer.addEntry(kInfluence, c, side);
    return code(CovenantResponse::OfferGood);
}

int ActorCovenant::findStashItemWorthAtMost(int amount) const
{
    int best = -1;
    int bestValue = 0;
    const InventoryGroup* stash = inventory->getOwnGroup(kStash);
    for (int slot = 0; stash && slot < stash->getSize(); ++slot) {
        const ItemBase* item = stash->getItem(slot);
        if (!item)
            continue;
        const int value = static_cast<int>(std::ceil(getItemSaleValue(item, true)));
        if (value > 0 && value <= amount && value > bestValue) {
            best = slot;
            bestValue = value;
        }
    }
    return best;
}

void ActorCovenant::receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int)
{
    if (!from || from->index < 0 || from->index >= kMaxCovenants)
        return;
    PendingOffer& pending = pendingOffers[static_cast<size_t>(from->index)];
    bool matches = pending.offer.terms.size() == offer.terms.size();
    for (size_t i = 0; matches && i < offer.terms.size(); ++i) {
        matches = pending.offer.terms[i].side == offer.terms[i].side &&
                  pending.offer.terms[i].kind == offer.terms[i].kind;
    }
    if (!matches || pending.offer.terms.empty()) {
        from->sendDiplomacyResult(this, code(CovenantResponse::OfferExpired));
        // Nothing pending is nothing to withdraw.
        clearPendingOffer(from, !pending.offer.terms.empty());
        pending.active = false;
        return;
    }
    const bool demand = pending.offer.type == 1;
    // An answer of yes that its giver cannot make good is not carried out: a
    // demand for crystals on a covenant with none would pay nothing and still
    // count as met. The offer stays open, to be refused or met later.
    if (accepted && !offer.canBeFulfilled(this, from)) {
        if (Game* game = Game::instance(); game && game->isPlayerCovenant(from))
            game->sendGameMessage(kCantFulfilText, kOwnAffairsKind);
        return;
    }
    if (accepted) {
        if (Game* game = Game::instance())
            game->executeTradeOffer(offer, this, from);
    } else if (demand) {
        const float r = def().rollRelationChangeDemandRejected();
        changeRelationScaled(from->index, r, false);
        from->sendRelationChange(this, r);
    }
    clearPendingOffer(from, false);
    pending.active = false;
    CovenantResponse confirmation = accepted ? (demand ? CovenantResponse::DemandAcceptedConfirmation
                                                       : CovenantResponse::TradeAcceptedConfirmation)
                                             : (demand ? CovenantResponse::DemandRejectedConfirmation
                                                       : CovenantResponse::TradeRejectedConfirmation);
    from->sendDiplomacyResult(this, code(confirmation));
    clearPendingOffer(from, true);
}

float ActorCovenant::valueOfWantedItems(const TradeOffer& offer, const Covenant* partner, int role) const
{
    float sum = 0.0f;
    if (!partner)
        return sum;
    for (const TradeTerm& term : offer.terms) {
        if (term.kind != kItem || term.side == role)
            continue;
        int group = 0;
        int slot = 0;
        TradeTerm::readItemPlace(term.value, group, slot);
        const ItemBase* item = partner->getItemAt(group, slot);
        if (item && getItemDesirability(item) > 0.0f)
            sum += getItemSaleValue(item, false);
    }
    return sum;
}

void ActorCovenant::onOfferCarriedOut(const TradeOffer& offer, int role, Covenant* partner)
{
    if (!partner)
        return;
    if (offer.type == 2 && role == 0)
        return;
    const CovenantDefinition& d = def();
    const bool demandOnMe = offer.type == 1 && role == 1;
    const bool myDemandMet = offer.type == 1 && role == 0;
    float gain = 0.0f;
    float loss = 0.0f;
    evaluateOffer(offer, partner, role, 1, gain, loss);
    if (!offer.onlyItems) {
        float g2 = 0.0f;
        float l2 = 0.0f;
        partner->evaluateOffer(offer, this, role == 0 ? 1 : role == 1 ? 0 : 2, 1, g2, l2);
        gain += memoryOf(partner->index).tradeFactor * (d.RelationChangeEqualTrade + std::max(0.0f, g2 - l2));
    }
    float n = gain - loss;
    bool positive = true;
    if (offer.onlyItems) {
        // At least 1: a covenant holding nothing must not divide by zero.
        const float base = std::max({1.0f, static_cast<float>(d.MinComparisionGold),
                                     static_cast<float>(stats.get(static_cast<int>(CovenantStat::Items))) +
                                         static_cast<float>(getLeaderGold())});
        if (n > 0.0f)
            n = n / base * d.RelationChangePersistentTradeExtraMult;
        n += std::min(gain, loss) / base * d.RelationChangePersistentTradeMult;
        const float wanted = valueOfWantedItems(offer, partner, role);
        const float ratio = gain > 0.0f ? wanted / gain : 0.0f;
        if (ratio < 1.0f)
            n *= 1.0f - (1.0f - ratio) * (1.0f - d.RelationChangeCrapItemsMult);
        n = std::min(n, d.MaxRelationChangePersistentTrade);
        if (demandOnMe) {
            n += d.rollRelationChangeDemand();
            positive = n >= 0.0f;
        }
    } else if (demandOnMe) {
        n += d.rollRelationChangeDemand();
        positive = n >= 0.0f;
    } else {
        n = std::max(0.0f, n) + d.RelationChangeEqualTrade;
        if (myDemandMet)
            n *= d.RelationChangeDemandAcceptedMult;
    }
    changeRelationScaled(partner->index, n, positive);
    partner->sendRelationChange(this, n);
}

void ActorCovenant::onTreatyCancelled(Covenant* partner, Covenant* canceller, int treaty)
{
    if (!partner || partner == this)
        return;
    const CovenantDefinition& d = def();
    float amount = CovenantDefinition::familyValue(d.RelationChangeCancelledTreaty, treaty);
    if (canceller != this)
        amount *= d.CancelledTreatyMultiplierNotMe;
    changeRelationScaled(partner->index, amount, false);
}

void ActorCovenant::onTradeRouteCancelled(Covenant* partner, Covenant* canceller, int size)
{
    if (!partner || partner == this)
        return;
    const CovenantDefinition& d = def();
    float amount = d.getRelationChangeCancelledTradeRoute(size);
    if (canceller != this)
        amount *= d.CancelledTradeRouteMultiplierNotMe;
    changeRelationScaled(partner->index, amount, false);
}
