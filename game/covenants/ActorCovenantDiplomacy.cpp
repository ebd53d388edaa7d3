// The periodic review of every other covenant: relation drift, broken pacts
// and routes, wars, offers and rumours.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Game.h"

#include <algorithm>

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kNonAggression = static_cast<int>(CovenantTreaty::NonAggressionPact);
constexpr int kMutual = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);

float roll(float lo, float hi)
{
    return lo + randomFloat(0) * (hi - lo);
}
} // namespace

void ActorCovenant::diplomacyStep()
{
    if (!relationChangeTimer.running)
        relationChangeTimer.startRandom();
    if (!relationChangeTimer.isExpired())
        return;
    relationChangeTimer.startRandom();
    randomRelationChanges();
    Game* game = Game::instance();
    for (int i = 0; game && i < game->getCovenantCount() && i < kMaxCovenants; ++i) {
        Covenant* other = game->getCovenant(i);
        if (i == index || !other || other->destroyed)
            continue;
        ensureRelation(i);
        updateFear(i);
        updateCovenantMemory(i);
        forgetDamage(i);
        if (wantsToBreakTreaty(i))
            game->announceDiplomacy(index, i, kPeace, false);
        if (wantsToBreakTradeRoute(i))
            game->announceTradeRoute(index, i, static_cast<int>(TradeRoute::None), false);
        const int state = getRelationState(i);
        if (state != kWar && state != kRaid &&
            treatyValue(static_cast<int>(TradeTermKind::TermPeace), other, 2) > 0.0f) {
            withdrawOffer(other, false);
            game->announceDiplomacy(index, i, kWar, false);
            if (linkedCovenant == i)
                stopSharedAdventure(this);
        }
        if (wantsToTrade(i)) {
            switch (chooseOfferKind(i)) {
            case 0:
                planDemand(i);
                break;
            case 1:
                planTrade(i);
                break;
            default:
                planGift(i);
                break;
            }
        }
        if (wantsToStartRumor(i))
            startRumor(i);
        if (shouldRaid(i, false, 0.0f))
            startRaid(i);
    }
    const CovenantDefinition& d = def();
    monsterDamageTaken =
        std::max(0.0f, monsterDamageTaken - d.DamageForgetPerSec * d.TimeBetweenRandomRelationChanges);
}

void ActorCovenant::randomRelationChanges()
{
    const Game* game = Game::instance();
    if (!game)
        return;
    const CovenantDefinition& d = def();
    const int count = std::min(game->getCovenantCount(), static_cast<int>(kMaxCovenants));
    for (int i = 0; i < count; ++i) {
        if (i == index)
            continue;
        const Covenant* other = game->getCovenant(i);
        changeRelationScaled(i, -memoryOf(i).naturalHate, false);
        const bool hasRecord = i < getRelationCount();
        const int state = hasRecord ? getRelationState(i) : kPeace;
        switch (state) {
        case kNonAggression:
            changeRelationScaled(i, roll(d.RelationChangeMinNonAggression, d.RelationChangeMaxNonAggression),
                                 true);
            break;
        case kMutual:
            changeRelationScaled(
                i, roll(d.RelationChangeMinMutualProtection, d.RelationChangeMaxMutualProtection), true);
            break;
        case kAlliance:
            changeRelationScaled(i, d.rollRelationChangeAlliance(), true);
            break;
        default:
            changeRelationScaled(i, d.rollRelationChangeNormal(), false);
            break;
        }
        if ((state == kWar || state == kRaid) && game->getClock() - getRelationStateTime(i) > d.MaxWarTime &&
            relationTo(i) < d.MaxWarRelation)
            changeRelationScaled(i, roll(d.RelationChangeMinLongWar, d.RelationChangeMaxLongWar), true);
        const int maximum = other ? other->getLifestoneMaxHealth() : 0;
        const float f = maximum > 0
                            ? static_cast<float>(other->getLifestoneHealth()) / static_cast<float>(maximum)
                            : 0.0f;
        if (f < d.MaxWeakLifeStone)
            changeRelationScaled(i, roll(d.RelationChangeMinWeakLifeStone, d.RelationChangeMaxWeakLifeStone),
                                 false);
        for (int j = 0; j < count; ++j) {
            if (j == index || j == i)
                continue;
            const bool friendly = isFriendly(j);
            const bool otherHostile = other && other->isHostile(j);
            if (friendly && otherHostile) {
                changeRelationScaled(
                    i, roll(d.RelationChangeMinEnemyOfFriend, d.RelationChangeMaxEnemyOfFriend), false);
            } else if (!friendly && isHostile(j)) {
                if (otherHostile)
                    changeRelationScaled(
                        i, roll(d.RelationChangeMinEnemyOfEnemy, d.RelationChangeMaxEnemyOfEnemy), true);
                if (other && other->isFriendly(j))
                    changeRelationScaled(
                        i, roll(d.RelationChangeMinFriendOfEnemy, d.RelationChangeMaxFriendOfEnemy), false);
            }
        }
    }
}
