// Raids of a computer covenant: whether to start one, the gate and the party,
// whether to go on, and bringing everyone home.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Gate.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);
constexpr int kMutual = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kNonAggression = static_cast<int>(CovenantTreaty::NonAggressionPact);
constexpr int kMaxRaidRing = 5;

// The multiplier of a friend's treaty: alliance, protection, non-aggression,
// else a trade route.
float byTreaty(int treaty, float alliance, float mutual, float nonAggression, float trade)
{
    if (treaty == kAlliance)
        return alliance;
    if (treaty == kMutual)
        return mutual;
    if (treaty == kNonAggression)
        return nonAggression;
    return trade;
}

double now()
{
    const Game* game = Game::instance();
    return game ? game->getClock().toSeconds() : 0.0;
}
} // namespace

bool ActorCovenant::shouldRaid(int target, bool skipSlowStart, float roll) const
{
    const Covenant* t = covenantAt(target);
    if (!t || t == this || t->destroyed || isRaiding() || !t->canBeRaided())
        return false;
    const CovenantDefinition& d = def();
    float s =
        (getDifficultyRelationBase(t) - relationTo(target)) / 100.0f * d.RaidChanceMultBadRelations + 1.0f;
    if (s <= 0.0f)
        return false;
    if (roll > 0.0f)
        s *= roll;
    const double time = now();
    if (!skipSlowStart && d.SlowStartTime > 0.0f && time < d.SlowStartTime)
        s *= static_cast<float>(time / d.SlowStartTime);
    if (isFriendOfEnemy(this, t))
        s *= d.RaidChanceMultEnemyOfAlly;
    const Game* game = Game::instance();
    const int count = game ? game->getCovenantCount() : 0;
    if (t->isRaiding()) {
        s *= d.RaidChanceMultEnemyRaiding;
        if (isFriendly(t->raidTarget))
            s *= byTreaty(getRelationState(t->raidTarget), d.RaidChanceMultEnemyRaidingFriendAlliance,
                          d.RaidChanceMultEnemyRaidingFriendMutualProtectionPact,
                          d.RaidChanceMultEnemyRaidingFriendNonAggressionPact,
                          d.RaidChanceMultEnemyRaidingFriendTrade);
    }
    if (t->isBeingRaided()) {
        s *= d.RaidChanceMultEnemyBeingRaided;
        for (int j = 0; j < count && j < kMaxCovenants; ++j) {
            const Covenant* friendCovenant = covenantAt(j);
            if (j == index || j == target || !friendCovenant || !isFriendly(j) ||
                friendCovenant->raidTarget != target || !friendCovenant->isRaiding())
                continue;
            s *= byTreaty(getRelationState(j), d.RaidChanceMultEnemyBeingRaidedByFriendAlliance,
                          d.RaidChanceMultEnemyBeingRaidedByFriendMutualProtectionPact,
                          d.RaidChanceMultEnemyBeingRaidedByFriendNonAggressionPact,
                          d.RaidChanceMultEnemyBeingRaidedByFriendTrade);
        }
    }
    if (isBeingRaided())
        s *= d.RaidChanceMultBeingRaided;
    // A covenant that never raided has lastRaidEnd zero, the world's start.
    if (game && game->getClock() - lastRaidEnd < d.MinimumTimeBetweenRaids)
        s *= d.RaidChanceMultRaidedLately;
    const float f = lifestoneFraction();
    if (f < d.LifeStoneDangerLevel)
        s *= d.RaidChanceMultLifeStoneDanger;
    else if (f < d.LifeStoneThreatenedLevel)
        s *= d.RaidChanceMultLifeStoneThreatened;
    else if (f < d.LifeStoneDamagedLevel)
        s *= d.RaidChanceMultLifeStoneDamaged;
    return s >= 1.0f;
}

void ActorCovenant::startRaid(int target)
{
    Covenant* t = covenantAt(target);
    Game* game = Game::instance();
    if (!t || t == this || t->destroyed || !game)
        return;
    stopSharedAdventure(this);
    // A new raid is first weighed for stopping a full stop time after it
    // began: the timer of an earlier raid has long run out.
    if (raidTarget != target)
        stopRaidTimer.running = false;
    raidTarget = target;
    raidStart = game->getClock();
    createRaidGate(t->getPositionNearLifestone());
    game->announceRaidStart(index, target);
    withdrawOffer(t, false);
    endAdventure(false);
    formRaidParty();
    sendRaidPartyToGate();
}

bool ActorCovenant::sendRaidPartyToGate()
{
    const Covenant* t = covenantAt(raidTarget);
    Game* game = Game::instance();
    if (!t || !game)
        return false;
    Entity* stone = t->getLifestone();
    Entity* gate = raidGate.get();
    bool placed = gate != nullptr;
    for (const auto& recruit : recruits) {
        Actor* actor = recruit && recruit->away ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        if (stone)
            actor->addTargetEntry(stone);
        ZonePosition spot;
        bool found = false;
        for (int ring = 0; gate && ring <= kMaxRaidRing && !found; ++ring) {
            if (game->findFreeSpotOnRing(gate->getPosition(), ring, spot, actor)) {
                actor->warp(spot);
                found = true;
            }
        }
        placed = placed && found;
        actor->updateStats(true);
    }
    return placed;
}

void ActorCovenant::formRaidParty()
{
    Recruit* hero = findHeroRecruit();
    if (!hero)
        return;
    for (const auto& recruit : recruits)
        if (recruit)
            recruit->away = 0;
    hero->away = 1;
    Actor* leader = hero->getActor();
    for (const auto& recruit : recruits) {
        Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (actor && leader && actor->getLeader() == leader)
            actor->clearLeader();
    }
    const int picks = (getRecruitSlotCount() - 1) / 2;
    for (int i = 0; i < picks; ++i) {
        Recruit* member = pickRandomIdleRecruit();
        if (!member)
            break;
        member->away = 1;
        if (leader && member->getActor())
            member->getActor()->setLeader(leader, getRecruitSlotCount());
    }
}

void ActorCovenant::createRaidGate(const ZonePosition& position)
{
    // A gate still held goes first: only one stands per raid.
    removeRaidGate();
    Game* game = Game::instance();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("ObjectRaidGate") : nullptr;
    if (!game || !entry)
        return;
    auto gate = std::make_unique<Gate>();
    gate->setEntry(entry, "ObjectRaidGate");
    gate->loadFromDatabase();
    gate->setPosition(position);
    gate->setSecondaryPosition(position);
    gate->setRaidGateOf(index);
    if (game->addEntity(gate.get()) < 0)
        return;
    raidGate = gate.release();
}

void ActorCovenant::removeRaidGate()
{
    Entity* gate = raidGate.get();
    raidGate = nullptr;
    if (Game* game = Game::instance(); gate && game)
        game->deleteEntity(gate, false);
}

bool ActorCovenant::shouldStopRaid()
{
    const Covenant* t = covenantAt(raidTarget);
    // A resumed game's player covenant stands again only when its player
    // joins, in the next slot; a slow load steps the world before that.
    const Game* now = Game::instance();
    if (!t && !destroyed && isRaiding() && now && raidTarget == now->getCovenantCount())
        return false;
    if (destroyed || !isRaiding() || !t || t->destroyed || !t->canBeRaided())
        return true;
    if (!stopRaidTimer.running)
        stopRaidTimer.startRandom();
    if (!stopRaidTimer.isExpired())
        return false;
    stopRaidTimer.startRandom();
    if (!isHostile(raidTarget))
        return true;
    const CovenantDefinition& d = def();
    float c = 1.0f;
    const float f = lifestoneFraction();
    if (f < d.LifeStoneDangerLevel)
        c = 1.0f + d.StopRaidChanceChangeLifeStoneDanger;
    else if (f < d.LifeStoneThreatenedLevel)
        c = 1.0f + d.StopRaidChanceChangeLifeStoneThreatened;
    else if (f < d.LifeStoneDamagedLevel)
        c = 1.0f + d.StopRaidChanceChangeLifeStoneDamaged;
    const float diff = f - t->lifestoneFraction();
    if (diff > d.WinningRaidWellLifeStoneDifference)
        c += d.StopRaidChanceChangeWinningRaidWell;
    else if (diff > d.WinningRaidLifeStoneDifference)
        c += d.StopRaidChanceChangeWinningRaid;
    if (diff < -d.WinningRaidWellLifeStoneDifference)
        c += d.StopRaidChanceChangeLosingRaidBadly;
    else if (diff < -d.WinningRaidLifeStoneDifference)
        c += d.StopRaidChanceChangeLosingRaid;
    if (isBeingRaided(t))
        c += d.StopRaidChanceChangeBeingRaided;
    const Game* game = Game::instance();
    const GameTime duration = game ? game->getClock() - raidStart : GameTime();
    if (duration > d.LongRaidTime)
        c += d.StopRaidChanceChangeLongRaid;
    else if (duration > d.MediumRaidTime)
        c += d.StopRaidChanceChangeMediumRaid;
    return c <= 0.01f;
}

void ActorCovenant::endRaid()
{
    Game* game = Game::instance();
    const int target = raidTarget;
    Covenant* t = covenantAt(target);
    Covenant* requester = raidRequester != -1 ? covenantAt(raidRequester) : nullptr;
    const float m = static_cast<float>(getLifestoneMaxHealth());
    if (t && requester && m > 0.0f) {
        const CovenantDefinition& d = def();
        const float a = t->getDamageFrom(this) - targetDamageFromSelfAtStart;
        const float b = t->getDamageFrom(requester) - targetDamageFromRequesterAtStart;
        // Both covenants' damage as a share of this covenant's stone.
        const bool success = (a + b) / m > d.SharedRaidMinTotalDamagePercent &&
                             (b > a || (a > 0.0f && b / a >= d.SharedRaidMinDamagePercent));
        const float lo = success ? d.SharedRaidSuccessMinRelation : d.SharedRaidFailureMinRelation;
        const float hi = success ? d.SharedRaidSuccessMaxRelation : d.SharedRaidFailureMaxRelation;
        const float r = lo + randomFloat(0) * (hi - lo);
        changeRelationScaled(requester->index, r, success);
        requester->sendRelationChange(this, r);
    }
    raidRequester = -1;
    if (game && t)
        game->announceRaidEnd(index, target);
    raidTarget = -1;
    if (game)
        lastRaidEnd = game->getClock();
    removeRaidGate();
    for (const auto& recruit : recruits) {
        if (!recruit || !recruit->away)
            continue;
        recruit->away = 0;
        if (Actor* actor = recruit->getActor()) {
            actor->warp(getHouseSpot(actor));
            actor->clearTargetList();
            // A body that fell on the raid comes home a body: only the
            // living are made whole.
            actor->updateStats(!actor->isDead());
        }
    }
}

void ActorCovenant::raidOnRequest(Covenant* requester, Covenant* target)
{
    if (!requester || !target)
        return;
    float r = relationTo(target->index);
    bool yes = shouldRaid(target->index, true, 0.0f);
    while (!yes && r > 0.0f) {
        r -= 1.0f;
        setRelation(target->index, r);
        yes = shouldRaid(target->index, true, 0.0f);
    }
    if (!yes)
        return;
    raidRequester = requester->index;
    targetDamageFromSelfAtStart = target->getDamageFrom(this);
    targetDamageFromRequesterAtStart = target->getDamageFrom(requester);
    startRaid(target->index);
}
