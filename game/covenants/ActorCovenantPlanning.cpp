// The offers a computer-run covenant makes, the ones it keeps pending, and
// the fear it has of every other covenant.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kNonAggression = static_cast<int>(CovenantTreaty::NonAggressionPact);
constexpr int kMutual = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);
constexpr int kBreakTreaty = static_cast<int>(CovenantTreaty::BreakTreaty);
constexpr int kBreakTradeRoute = static_cast<int>(CovenantTreaty::BreakTradeRoute);
constexpr int kMoney = static_cast<int>(CovenantStat::Money);
constexpr int kStash = static_cast<int>(InventoryGroupIndex::Stash);

int kindOf(TradeTermKind k)
{
    return static_cast<int>(k);
}

bool raids(const Covenant* raider, int target)
{
    return raider && raider->raidTarget == target && raider->getRelationState(target) == kRaid;
}

float stoneRatio(const Covenant* c)
{
    const int maximum = c ? c->getLifestoneMaxHealth() : 0;
    return maximum > 0 ? static_cast<float>(c->getLifestoneHealth()) / static_cast<float>(maximum) : 0.0f;
}

// Relations of c in one of the states toward existing covenants other than except.
int countStates(const Covenant* c, int except, std::initializer_list<int> states)
{
    const Game* game = Game::instance();
    int n = 0;
    for (int i = 0; game && c && i < game->getCovenantCount(); ++i) {
        if (i == except || i == c->index || !game->getCovenant(i))
            continue;
        const int s = c->getRelationState(i);
        if (std::find(states.begin(), states.end(), s) != states.end())
            ++n;
    }
    return n;
}

// Covenants other than except raiding c.
int countRaidersOf(const Covenant* c, int except)
{
    const Game* game = Game::instance();
    int n = 0;
    for (int i = 0; game && c && i < game->getCovenantCount(); ++i) {
        const Covenant* other = game->getCovenant(i);
        if (other && i != except && other != c && raids(other, c->index))
            ++n;
    }
    return n;
}
} // namespace

void ActorCovenant::updateFear(int other)
{
    const Covenant* o = covenantAt(other);
    if (!o)
        return;
    const CovenantDefinition& d = def();
    float f = d.BaseFear;
    const float own = stoneRatio(this);
    if (d.LifeStoneDangerLevel > own)
        f *= d.FearMultLifeStoneDanger;
    else if (d.LifeStoneThreatenedLevel > own)
        f *= d.FearMultLifeStoneThreatened;
    else if (d.LifeStoneDamagedLevel > own)
        f *= d.FearMultLifeStoneDamaged;
    const float diff = own - stoneRatio(o);
    const float well = d.WinningRaidWellLifeStoneDifference;
    const float win = d.WinningRaidLifeStoneDifference;
    auto compare = [&](float winWell, float winning, float loseBadly, float losing) {
        if (diff > well)
            f *= winWell;
        else if (diff > win)
            f *= winning;
        if (diff < -well)
            f *= loseBadly;
        else if (diff < -win)
            f *= losing;
    };
    if (raids(this, other) || raids(o, index)) {
        compare(d.FearMultWinningRaidWell, d.FearMultWinningRaid, d.FearMultLosingRaidBadly,
                d.FearMultLosingRaid);
    } else if (getRelationState(other) == kWar) {
        compare(d.FearMultWinningWarWell, d.FearMultWinningWar, d.FearMultLosingWarBadly,
                d.FearMultLosingWar);
    } else {
        f *= std::pow(d.FearMultProtectionPacts,
                      static_cast<float>(countStates(this, other, {kMutual, kAlliance})));
        f *= std::pow(d.FearMultEnemyProtectionPacts,
                      static_cast<float>(countStates(o, index, {kMutual, kAlliance})));
        f *= std::pow(d.FearMultAlliances, static_cast<float>(countStates(this, other, {kAlliance})));
        f *= std::pow(d.FearMultEnemyAlliances, static_cast<float>(countStates(o, index, {kAlliance})));
    }
    if (isRaiding() && raidTarget != other)
        f *= d.FearMultAlreadyRaidingSomeone;
    if (raids(o, o->raidTarget) && o->raidTarget != index)
        f *= d.FearMultEnemyAlreadyRaidingSomeone;
    f *= std::pow(d.FearMultBeingRaided, static_cast<float>(countRaidersOf(this, -1)));
    f *= std::pow(d.FearMultEnemyBeingRaided, static_cast<float>(countRaidersOf(o, -1)));
    f *= std::pow(d.FearMultOtherWars, static_cast<float>(countStates(this, other, {kWar})));
    f *= std::pow(d.FearMultEnemyOtherWars, static_cast<float>(countStates(o, index, {kWar})));
    const int power = computePower();
    if (power > 0)
        f *= std::clamp(static_cast<float>(o->computePower()) / static_cast<float>(power), d.MinPowerDiff,
                        d.MaxPowerDiff);
    memoryOf(other).fear = std::min(f, d.MaxFear);
}

void ActorCovenant::forgetDamage(int other)
{
    const CovenantDefinition& d = def();
    const float forget = d.DamageForgetPerSec * d.TimeBetweenRandomRelationChanges;
    float& value = other >= 0 && other < kMaxCovenants ? memoryOf(other).damage : monsterDamageTaken;
    value = std::max(0.0f, value - forget);
}

bool ActorCovenant::wantsToBreakTreaty(int other) const
{
    const CovenantDefinition& d = def();
    const float r = relationTo(other);
    switch (getRelationState(other)) {
    case kNonAggression:
        return getCancelledTreatyChange(kNonAggression) + (d.RelationForNonAggresionPact - r) > 0.0f;
    case kMutual:
        return getCancelledTreatyChange(kMutual) + (d.RelationForMutualProtectionPact - r) > 0.0f;
    case kAlliance:
        return treatyValue(kindOf(TradeTermKind::TermAlliance), covenantAt(other), 2) > 0.0f;
    default:
        return false;
    }
}

bool ActorCovenant::wantsToBreakTradeRoute(int other) const
{
    const int size = getRelationSubState(other);
    if (size <= 0)
        return false;
    const CovenantDefinition& d = def();
    return d.getRelationForTradeRoute(size) - relationTo(other) +
               d.getRelationChangeCancelledTradeRoute(size) >
           0.0f;
}

float ActorCovenant::getCancelledTreatyChange(int treaty) const
{
    return CovenantDefinition::familyValue(def().RelationChangeCancelledTreaty, treaty) *
           getMultiplier(static_cast<int>(CovenantMultiplier::Honor));
}

float ActorCovenant::getDifficultyRelationBase(const Covenant* other) const
{
    const float fear = other ? memoryOf(other->index).fear : 0.0f;
    return CovenantDefinition::familyValue(def().RelationForPeaceTreaty, difficulty) *
               getMultiplier(static_cast<int>(CovenantMultiplier::StartWar)) -
           fear;
}

bool ActorCovenant::wantsToTrade(int other) const
{
    const Game* game = Game::instance();
    if (game && game->isPlayerTargetingCovenant(this))
        return false;
    if (other < 0 || other >= kMaxCovenants || !getPendingOffer(other).offer.terms.empty())
        return false;
    return randomFloat(0) <
           def().TotalTradeChance * getMultiplier(static_cast<int>(CovenantMultiplier::Trading));
}

int ActorCovenant::chooseOfferKind(int other) const
{
    const CovenantDefinition& d = def();
    const float v =
        std::clamp(relationTo(other) + memoryOf(other).fear * d.TradeRelationFearMult, 0.0f, 100.0f);
    const float demand = d.DemandChance.at(v) * getMultiplier(static_cast<int>(CovenantMultiplier::Demands));
    const float trade = d.TradeChance.at(v);
    const float gift = d.GiftChance.at(v) * getMultiplier(static_cast<int>(CovenantMultiplier::Gifts));
    const float r = randomFloat(0) * (demand + trade + gift);
    if (r < demand)
        return 0;
    if (r < demand + trade)
        return 1;
    return 2;
}

void ActorCovenant::planTrade(int other)
{
    Covenant* o = covenantAt(other);
    if (!o)
        return;
    const CovenantDefinition& d = def();
    const int state = getRelationRecord(other) ? getRelationState(other) : kPeace;
    const bool hostile = state == kWar || state == kRaid;
    TradeOffer offer;
    auto completeAndSend = [&] {
        if (completeOffer(offer, o, 1.0f) != static_cast<int>(CovenantResponse::OfferGood))
            return false;
        offer.type = 0;
        sendOffer(o, offer);
        return true;
    };
    int treatyKind = 0;
    if (hostile) {
        // Peace is wanted once the relation has reached the peace threshold.
        if (treatyValue(kindOf(TradeTermKind::TermPeace), o, 0) >= 0.0f)
            treatyKind = kindOf(TradeTermKind::TermPeace);
    } else if (state == kPeace) {
        if (treatyValue(kindOf(TradeTermKind::TermNonAggressionPact), o, 0) > -d.CloseToWantingTreaty)
            treatyKind = kindOf(TradeTermKind::TermNonAggressionPact);
    } else if (state == kNonAggression) {
        if (treatyValue(kindOf(TradeTermKind::TermMutualProtectionPact), o, 0) > -d.CloseToWantingTreaty)
            treatyKind = kindOf(TradeTermKind::TermMutualProtectionPact);
    } else if (state == kMutual) {
        if (treatyValue(kindOf(TradeTermKind::TermAlliance), o, 0) > -d.CloseToWantingTreaty)
            treatyKind = kindOf(TradeTermKind::TermAlliance);
    }
    if (treatyKind != 0) {
        offer.addEntry(treatyKind, 0, 2);
        if (completeAndSend())
            return;
    }
    if (hostile)
        return;
    const int current = getRelationSubState(other);
    for (int size = static_cast<int>(TradeRoute::Huge); size > current; --size) {
        if (tradeRouteValue(size, o, 0) > -d.CloseToWantingTradeRoute) {
            offer = TradeOffer();
            offer.addEntry(kindOf(TradeTermKind::TermTradeRoute), size, 2);
            if (completeAndSend())
                return;
        }
    }
    const Game* game = Game::instance();
    if (game && game->isPlayerCovenant(o) && !(randomFloat(0) < d.ItemTradeChanceWithPlayer))
        return;
    TradeTerm term;
    if (!pickOfferTerm(o, false, false, term))
        return;
    offer = TradeOffer();
    offer.addEntry(term.kind, term.value, term.side);
    completeAndSend();
}

void ActorCovenant::planDemand(int other)
{
    Covenant* o = covenantAt(other);
    const Game* game = Game::instance();
    if (!o || (game && game->isPlayerCovenant(o) && !(randomFloat(0) < def().DemandChanceWithPlayer)))
        return;
    TradeTerm term;
    if (!pickOfferTerm(o, true, false, term))
        return;
    TradeOffer offer;
    offer.type = 1;
    offer.addEntry(term.kind, term.value, term.side);
    sendOffer(o, offer);
}

void ActorCovenant::planGift(int other)
{
    Covenant* o = covenantAt(other);
    const Game* game = Game::instance();
    if (!o || (game && game->isPlayerCovenant(o) && !(randomFloat(0) < def().GiftChanceWithPlayer)))
        return;
    TradeTerm term;
    if (!pickOfferTerm(o, false, true, term))
        return;
    TradeOffer offer;
    offer.type = 2;
    offer.addEntry(term.kind, term.value, term.side);
    sendOffer(o, offer);
}

bool ActorCovenant::pickOfferTerm(Covenant* partner, bool demand, bool gift, TradeTerm& out)
{
    if (!partner)
        return false;
    const CovenantDefinition& d = def();
    struct Candidate {
        TradeTerm term;
        float weight;
    };
    std::vector<Candidate> candidates;
    auto add = [&](int side, int kind, int value, float weight) {
        TradeTerm t;
        t.side = side;
        t.kind = kind;
        t.value = value;
        candidates.push_back({t, weight});
    };
    auto share = [](int amount) {
        return static_cast<int>(std::ceil(static_cast<float>(amount) * (0.04f + 0.02f * randomFloat(0))));
    };
    if (gift || demand) {
        Covenant* giver = gift ? static_cast<Covenant*>(this) : partner;
        const int side = gift ? 0 : 1;
        const int crystals = share(giver->stats.get(kMoney));
        if (crystals > 0)
            add(side, kindOf(TradeTermKind::TermCrystals), crystals,
                gift ? d.GiftChanceCrystals : d.DemandChanceCrystals);
        const int influenceAmount = share(giver->getInfluence());
        if (influenceAmount > 0)
            add(side, kindOf(TradeTermKind::TermInfluence), influenceAmount,
                gift ? d.GiftChanceInfluence : d.DemandChanceInfluence);
    } else {
        const int slot = pickStashItemForTrade();
        if (slot >= 0)
            add(0, kindOf(TradeTermKind::TermItem), TradeTerm::itemPlace(kStash, slot), d.TradeChanceItem);
    }
    const Game* game = Game::instance();
    if (!gift && game) {
        // Actions toward a third covenant; raids are never drawn and wait
        // for the raid planning.
        const int actions[4] = {kPeace, kWar, kBreakTreaty, kBreakTradeRoute};
        const float weights[4] = {demand ? d.DemandChancePeace : d.TradeChancePeace,
                                  demand ? d.DemandChanceWar : d.TradeChanceWar,
                                  demand ? d.DemandChanceBreakTreaty : d.TradeChanceBreakTreaty,
                                  demand ? d.DemandChanceBreakTradeRoute : d.TradeChanceBreakTradeRoute};
        for (int a = 0; a < 4; ++a) {
            for (int j = 0; j < game->getCovenantCount(); ++j) {
                if (j == index || j == partner->index || !game->getCovenant(j))
                    continue;
                bool wanted = false;
                switch (actions[a]) {
                case kPeace:
                    wanted = isFriendly(j) && partner->isHostile(j);
                    break;
                case kWar:
                    wanted = isHostile(j) && !partner->isHostile(j);
                    break;
                case kBreakTreaty:
                    wanted = !isFriendly(j) && partner->hasPact(j);
                    break;
                default:
                    wanted = !isFriendly(j) && partner->getRelationSubState(j) > 0;
                    break;
                }
                if (!wanted)
                    continue;
                TradeTerm t;
                t.side = actions[a] == kWar ? 2 : 1;
                t.kind = kindOf(TradeTermKind::TermThirdParty);
                t.value = TradeTerm::thirdParty(j, actions[a]);
                if (termValue(t, partner, 0, 0) != 0.0f)
                    candidates.push_back({t, weights[a]});
            }
        }
    }
    float total = 0.0f;
    for (const Candidate& c : candidates)
        total += std::max(0.0f, c.weight);
    if (candidates.empty() || !(total > 0.0f))
        return false;
    const float r = randomFloat(0) * total;
    float sum = 0.0f;
    for (const Candidate& c : candidates) {
        sum += std::max(0.0f, c.weight);
        if (r < sum) {
            out = c.term;
            return true;
        }
    }
    return false;
}

void ActorCovenant::sendOffer(Covenant* to, const TradeOffer& offer)
{
    if (!to || offer.terms.empty() || to->index < 0 || to->index >= kMaxCovenants)
        return;
    storeOffer(offer, to->index, kOfferWait);
    pendingOffers[static_cast<size_t>(to->index)].wait = kOfferWait;
    to->receiveOffer(this, offer);
}

void ActorCovenant::updatePendingOffers(float dt)
{
    const Game* game = Game::instance();
    for (int i = 0; game && i < game->getCovenantCount() && i < kMaxCovenants; ++i) {
        Covenant* other = game->getCovenant(i);
        PendingOffer& pending = pendingOffers[static_cast<size_t>(i)];
        if (!other || other->destroyed || !pending.active || pending.offer.terms.empty())
            continue;
        pending.timeLeft = std::max(0.0f, pending.timeLeft - dt);
        if (pending.timeLeft > 0.0f)
            continue;
        if (pending.resendsLeft > 0) {
            --pending.resendsLeft;
            pending.timeLeft = pending.wait;
            const TradeOffer again = pending.offer;
            other->receiveOffer(this, again);
        } else {
            withdrawOffer(other, true);
        }
    }
}

void ActorCovenant::withdrawOffer(Covenant* partner, bool ignoredPenalty)
{
    if (!partner || partner->index < 0 || partner->index >= kMaxCovenants)
        return;
    PendingOffer& pending = pendingOffers[static_cast<size_t>(partner->index)];
    if (pending.offer.terms.empty())
        return;
    const CovenantDefinition& d = def();
    if (pending.offer.type == 1)
        changeRelationScaled(partner->index, d.rollRelationChangeDemandRejected(), false);
    if (ignoredPenalty)
        changeRelationScaled(partner->index, d.rollRelationChangeTradeIgnored(), false);
    clearPendingOffer(partner, true);
    pending.active = false;
    partner->offerExpired(index);
}

bool ActorCovenant::wantsToStartRumor(int other) const
{
    return def().RumorChance.at(std::clamp(relationTo(other), 0.0f, 100.0f)) > 100.0f * randomFloat(0);
}

void ActorCovenant::startRumor(int other)
{
    const CovenantDefinition& d = def();
    const float r = randomFloat(0) * (d.RumorChanceQuick + d.RumorChancePlanned + d.RumorChanceCrafted);
    const int kind = r < d.RumorChanceQuick ? 0 : r < d.RumorChanceQuick + d.RumorChancePlanned ? 1 : 2;
    const GameData* data = GameData::instance();
    Covenant* target = covenantAt(other);
    Game* game = Game::instance();
    if (!data || !target || !game)
        return;
    // Only a covenant whose crystals cover the cost spreads it; the Game pays.
    if (stats.get(toIndex(CovenantStat::Money)) >= data->getRumorCost(kind, target->level))
        game->resolveRumor(kind, this, target);
}
