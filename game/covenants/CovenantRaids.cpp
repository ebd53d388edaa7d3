#include "game/covenants/Covenant.h"

#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kMutualProtection = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);

// The treaty of a's record with index i; -1 when there is no record.
int treatyWith(const Covenant* a, int i)
{
    return a && a->ensureRelation(i) ? a->getRelationState(i) : -1;
}

int covenantCount()
{
    const Game* game = Game::instance();
    return game ? game->getCovenantCount() : 0;
}

Covenant* covenantAt(int i)
{
    const Game* game = Game::instance();
    return game ? game->getCovenant(i) : nullptr;
}
} // namespace

bool Covenant::isBeingRaided(const Covenant* exclude) const
{
    for (int i = 0; i < covenantCount(); ++i) {
        const Covenant* c = covenantAt(i);
        if (c && c != exclude && c->raidTarget == index && index >= 0 && treatyWith(this, c->index) == kRaid)
            return true;
    }
    return false;
}

int Covenant::countRaiders(const Covenant* target, const Covenant* exclude)
{
    int count = 0;
    for (int i = 0; target && i < covenantCount(); ++i) {
        const Covenant* c = covenantAt(i);
        if (c && c != exclude && c->raidTarget == target->index)
            ++count;
    }
    return count;
}

bool Covenant::isRaiding() const
{
    return raidTarget != -1 && treatyWith(this, raidTarget) == kRaid;
}

int Covenant::countWars(const Covenant* exclude) const
{
    int count = 0;
    for (int i = 0; i < covenantCount(); ++i) {
        const Covenant* c = covenantAt(i);
        if (c && c != exclude && !c->destroyed && treatyWith(this, c->index) == kWar)
            ++count;
    }
    return count;
}

int Covenant::countPactsNotAllied(const Covenant* self, const Covenant* other)
{
    int count = 0;
    for (int i = 0; self && other && i < covenantCount(); ++i) {
        const Covenant* c = covenantAt(i);
        if (c && c != other && !c->destroyed && treatyWith(self, c->index) == kMutualProtection &&
            treatyWith(other, c->index) != kAlliance)
            ++count;
    }
    return count;
}

int Covenant::countAlliancesNotShared(const Covenant* self, const Covenant* other)
{
    int count = 0;
    for (int i = 0; self && other && i < covenantCount(); ++i) {
        const Covenant* c = covenantAt(i);
        if (c && c != other && !c->destroyed && treatyWith(self, c->index) == kAlliance &&
            treatyWith(other, c->index) != kAlliance)
            ++count;
    }
    return count;
}

bool Covenant::isFriendOfEnemy(const Covenant* a, const Covenant* b)
{
    if (!a || !b)
        return false;
    for (int i = 0; i < covenantCount(); ++i) {
        if (i != a->index && i != b->index && a->isFriendly(i) && b->isHostile(i))
            return true;
    }
    return false;
}

ZonePosition Covenant::getHouseSpot(const Entity* forEntity) const
{
    const Game* game = Game::instance();
    ZonePosition spot;
    for (int ring = 0; game && ring <= 4; ++ring) {
        if (game->findFreeSpotOnRing(housePosition, ring, spot, forEntity, false, true))
            return spot;
    }
    return housePosition;
}

ZonePosition Covenant::getReturnPosition(const Entity* member) const
{
    ZonePosition base;
    const Sentient* leader = getLeader();
    const Sentient* sentient = dynamic_cast<const Sentient*>(member);
    if (isRaiding() && takesPartInRaid(member)) {
        base = getPositionNearLifestone();
    } else if (leader && !dynamic_cast<const Actor*>(leader) && sentient && sentient->isInPartyOf(leader)) {
        // Followers of a player leader come back to where they were sent.
        base = member->getSecondaryPosition();
    } else {
        base = getHouseSpot(member);
    }
    const Game* game = Game::instance();
    ZonePosition spot;
    for (int ring = 0; game && ring <= 5; ++ring) {
        if (game->findFreeSpotOnRing(base, ring, spot, member, false, true))
            return spot;
    }
    return base;
}

void Covenant::raiseAlarm()
{
    const Game* game = Game::instance();
    GameTime until = game ? game->getClock() : GameTime();
    until.addSeconds(kAlarmSeconds);
    until.normalize();
    alarmUntil = until;
}

bool Covenant::isAlarmActive() const
{
    const Game* game = Game::instance();
    return game && alarmUntil > game->getClock();
}

int Covenant::getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const
{
    const Game* game = Game::instance();
    const GameData* data = GameData::instance();
    const Covenant* partner = game ? game->getCovenant(other) : nullptr;
    if (!partner || !data)
        return 0;
    int capped = std::min(cap, std::max(0, data->getInfluenceForLevel(partner->getInfluence())));
    GameTime elapsed = game->getClock() - since;
    elapsed.normalize();
    return data->getTradeRouteValue(elapsed, tradeRoute, capped);
}

int Covenant::tradeRouteToCancel() const
{
    const GameData* data = GameData::instance();
    if (!data)
        return -1;
    double capValue = std::floor((data->getLevelCurveValue(getInfluence()) - 1.0) * data->rules().taxMult);
    int cap = std::max(0, static_cast<int>(std::clamp(capValue, -2147483648.0, 2147483647.0)));
    int best = -1;
    int bestValue = 0;
    for (int i = 0; i < getRelationCount(); ++i) {
        int size = getRelationSubState(i);
        if (size == static_cast<int>(TradeRoute::None))
            continue;
        int value = getRelationValue(cap, i, size, getTradeRouteTime(i));
        if (best < 0 || value > bestValue) {
            best = i;
            bestValue = value;
        }
    }
    return best;
}

bool Covenant::canAffordTradeRoute(const Covenant* other, int routeSize) const
{
    const GameData* data = GameData::instance();
    if (!data || !other)
        return false;
    long long income = sumRelationValues();
    long long existing = 0;
    if (getRelationSubState(other->index) != static_cast<int>(TradeRoute::None)) {
        existing = getRelationValue(getBaseIncome(), other->index, getRelationSubState(other->index),
                                    getTradeRouteTime(other->index));
    }
    int cap = std::max(0, data->getInfluenceForLevel(getInfluence()));
    long long fresh = data->getTradeRouteValue(GameTime(), routeSize, cap);
    if (fresh + income - existing > 0)
        return true;
    const CovenantDefinition* d = getDefinition();
    float percent = d ? d->CrystalsPercentNeededForTradeRoute : 0.0f;
    return stats.get(static_cast<int>(CovenantStat::Money)) >
           static_cast<double>(data->getTradeRouteStartCost(routeSize)) * percent;
}
