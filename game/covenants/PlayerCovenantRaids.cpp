#include "game/covenants/PlayerCovenant.h"

#include "game/covenants/CovenantBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"

namespace {
// The player's statistics entries for raids.
constexpr size_t kRaidsOffensiveWon = 19;
constexpr size_t kRaidsOffensiveTotal = 20;
constexpr size_t kRaidsDefensiveWon = 21;
constexpr size_t kRaidsDefensiveTotal = 22;
constexpr size_t kDestroyedByMonsters = 23;
constexpr int kRaidState = 3;
constexpr int kWarState = 2;
// The raid is declared once the player comes this close to the target's house.
constexpr float kAnnounceDistance = 300.0f;

void count(Player* player, size_t entry)
{
    if (!player)
        return;
    std::vector<int32_t>& statistics = player->getStatistics();
    if (entry < statistics.size())
        ++statistics[entry];
}

} // namespace

bool PlayerCovenant::isRaidInProgress() const
{
    return raidTarget != -1 && getRelationState(raidTarget) == kRaidState;
}

void PlayerCovenant::startRaid(int target, const std::vector<int>& slots, Player* raider)
{
    Game* game = Game::instance();
    Covenant* covenant =
        game && target >= 0 && target < game->getCovenantCount() ? game->getCovenant(target) : nullptr;
    // A second raid would leave the first target in Raid without an end.
    if (!covenant || covenant == this || covenant->destroyed || raidTarget != -1 || !raider)
        return;
    raider->createGate(covenant->getPositionNearLifestone(), 1, false);
    raidTarget = target;
    formRaidParty(covenant, slots, raider);
    raidAnnounced = false;
}

void PlayerCovenant::formRaidParty(Covenant* target, const std::vector<int>& slots, Player* raider)
{
    if (!raider)
        return;
    raider->disbandParty();
    const Game* game = Game::instance();
    const int limit = game ? game->settings().maxRaidGroupSize : 0;
    for (int slot : slots) {
        if (!getRecruit(slot))
            continue;
        raider->inviteToParty(slot, limit);
        Actor* actor = getRecruitActor(slot);
        if (actor && target && target->getLifestone())
            actor->addTargetEntry(target->getLifestone());
    }
}

void PlayerCovenant::announceRaidWhenNear()
{
    Game* game = Game::instance();
    Player* p = getPlayer();
    if (raidTarget == -1 || raidAnnounced || !game || !p)
        return;
    const Covenant* target = game->getCovenant(raidTarget);
    if (!target)
        return;
    if (ZonePosition::distanceTo(p->getPosition(), target->housePosition) >= kAnnounceDistance)
        return;
    const int targetIndex = raidTarget;
    game->announceDiplomacy(index, targetIndex, kWarState, false);
    game->announceRaidStart(index, targetIndex);
    raidAnnounced = true;
}

void PlayerCovenant::endRaid(Player* raider)
{
    Game* game = Game::instance();
    if (raidTarget == -1 || !game)
        return;
    count(raider, kRaidsOffensiveTotal);
    const Covenant* target = game->getCovenant(raidTarget);
    if (target && target->destroyed)
        count(raider, kRaidsOffensiveWon);
    game->announceRaidEnd(index, raidTarget);
    // Without a raid state to end the target is dropped all the same.
    raidTarget = -1;
    raidAnnounced = false;
    if (raider) {
        raider->disbandParty();
        raider->deleteGatePair(1);
    }
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        ZonePosition spot = getHouseSpot(actor);
        actor->warp(spot);
        actor->setHomePosition(spot);
        actor->clearTargetList();
    }
    if (Player* p = getPlayer())
        p->warp(getHouseSpot(p));
}

bool PlayerCovenant::takesPartInRaid(const Entity* member) const
{
    const auto* sentient = dynamic_cast<const Sentient*>(member);
    const Player* p = getPlayer();
    return isRaidInProgress() && p && sentient && sentient->isInPartyOf(p);
}

void PlayerCovenant::countRaidParty(int& alive, int& dead) const
{
    alive = 0;
    dead = 0;
    const Player* p = getPlayer();
    if (!isRaidInProgress() || !p)
        return;
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        const Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor || !actor->isInPartyOf(p))
            continue;
        if (actor->getMaxHealth() > 0 && actor->getHealth() > 0)
            ++alive;
        else
            ++dead;
    }
}

void PlayerCovenant::forgetCovenantTargets(Covenant* other)
{
    Covenant::forgetCovenantTargets(other);
    if (other && other->index == raidTarget)
        endRaid(getPlayer());
}

void PlayerCovenant::onRaidRepelled(Covenant*)
{
    if (destroyed)
        return;
    count(getPlayer(), kRaidsDefensiveWon);
    count(getPlayer(), kRaidsDefensiveTotal);
}

void PlayerCovenant::onDestroyed(Entity* attacker, bool dismissGuards, bool announce)
{
    if (destroyed) {
        // Ends once: the covenant's own end does nothing more either.
    } else if (isBeingRaided()) {
        count(getPlayer(), kRaidsDefensiveTotal);
    } else if (attacker && !attacker->getCovenant()) {
        count(getPlayer(), kDestroyedByMonsters);
    }
    Covenant::onDestroyed(attacker, dismissGuards, announce);
}
