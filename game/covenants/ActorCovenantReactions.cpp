// How a computer-run covenant reacts to what happens in the world: deals of
// others, damage, kills, rumours, shared adventures, alerts and raids.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <algorithm>

namespace {
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);

float roll(float lo, float hi)
{
    return lo + randomFloat(0) * (hi - lo);
}

const CovenantDefinition* definitionOf(const Covenant* covenant)
{
    return covenant ? covenant->getDefinition() : nullptr;
}
} // namespace

void ActorCovenant::onDealBetween(const TradeOffer& offer, Covenant* first, Covenant* second)
{
    if (!first || !second)
        return;
    const CovenantDefinition& d = def();
    if (offer.type == 1) {
        if (isFriendly(second->index))
            changeRelationScaled(first->index, d.rollRelationChangeDemandOfFriend(), false);
        return;
    }
    if (isHostile(first->index))
        changeRelationScaled(second->index, d.rollRelationChangeTradeWithEnemy(), false);
    if (isHostile(second->index))
        changeRelationScaled(first->index, d.rollRelationChangeTradeWithEnemy(), false);
}

float ActorCovenant::getDamageFrom(const Covenant* other) const
{
    return other ? memoryOf(other->index).damage : monsterDamageTaken;
}

void ActorCovenant::onAttacked(Entity* victim, Entity* attacker, int amount, bool noAlarm)
{
    if (victim && victim->getCovenant() == this) {
        const Covenant* from = attacker ? attacker->getCovenant() : nullptr;
        if (from && from->index >= 0 && from->index < kMaxCovenants)
            memoryOf(from->index).damage += static_cast<float>(amount);
        else
            monsterDamageTaken += static_cast<float>(amount);
    }
    Covenant::onAttacked(victim, attacker, amount, noAlarm);
}

Covenant* ActorCovenant::getDestroyer() const
{
    const Game* game = Game::instance();
    Covenant* best = nullptr;
    float bestValue = 0.0f;
    for (int i = 0; game && i < game->getCovenantCount() && i < kMaxCovenants; ++i) {
        Covenant* c = game->getCovenant(i);
        if (!c || c->destroyed)
            continue;
        float d = memoryOf(i).damage;
        if (c->raidTarget == index && c->getRelationState(index) == kRaid) {
            const CovenantDefinition* theirs = definitionOf(c);
            d *= theirs ? theirs->DestroyBonusIfRaiding : 1.0f;
        }
        if (!best || d > bestValue) {
            best = c;
            bestValue = d;
        }
    }
    if (best && memoryOf(best->index).damage > monsterDamageTaken)
        return best;
    return nullptr;
}

void ActorCovenant::onThreateningMonsterKilled(Entity* killer, Entity* monster)
{
    Covenant* theirs = killer ? killer->getCovenant() : nullptr;
    if (!theirs || theirs == this || !monster)
        return;
    const float distance = ZonePosition::distanceTo(monster->getPosition(), housePosition);
    const CovenantDefinition& d = def();
    if (!(distance < d.MaxDistanceThreateningMonster))
        return;
    // The threat of a monster is its experience factor (rarity and class).
    const auto* sentient = dynamic_cast<const Sentient*>(monster);
    const float threat = sentient ? sentient->getXpMult() : 1.0f;
    const float amount = d.rollRelationChangeKilledThreateningMonster() * threat;
    changeRelationScaled(theirs->index, amount, true);
    theirs->sendRelationChange(this, amount);
}

void ActorCovenant::onRumorStarted(Covenant* starter)
{
    if (!starter)
        return;
    const CovenantDefinition& d = def();
    const float amount = roll(d.RelationChangeMinStartedRumor, d.RelationChangeMaxStartedRumor);
    changeRelationScaled(starter->index, amount, false);
    starter->sendRelationChange(this, amount);
}

void ActorCovenant::startSharedAdventure(Covenant* partner)
{
    if (!partner)
        return;
    endAdventure(true);
    adventureState = kSharedAdventure;
    linkedCovenant = partner->index;
}

void ActorCovenant::stopSharedAdventure(Covenant* partner)
{
    if (adventureState != kSharedAdventure)
        return;
    endAdventure(false);
    Covenant* stored = covenantAt(linkedCovenant);
    linkedCovenant = -1;
    if (partner == this && stored && stored != this)
        stored->stopSharedAdventure(this);
}

void ActorCovenant::onSharedAdventureXp(Sentient* member, int xp)
{
    Covenant* partner = covenantAt(linkedCovenant);
    if (!partner || !member || member != getLeader())
        return;
    const CovenantDefinition& d = def();
    CovenantMemory& m = memoryOf(partner->index);
    m.sharedXp += xp;
    if (d.SharedAdventureXp <= 0 || m.sharedXp < d.SharedAdventureXp)
        return;
    m.sharedXp -= d.SharedAdventureXp;
    changeRelationScaled(partner->index, d.RelationChangeSharedAdventureXp, true);
    partner->sendRelationChange(this, d.RelationChangeSharedAdventureXp);
    const Game* game = Game::instance();
    for (int i = 0; game && i < game->getCovenantCount(); ++i) {
        if (Covenant* c = game->getCovenant(i))
            c->onSharedAdventureProgress(partner, this);
    }
}

void ActorCovenant::onSharedAdventureProgress(Covenant* first, Covenant* second)
{
    if (!first || !second || first == this || second == this)
        return;
    const CovenantDefinition& d = def();
    const float m = d.SharedAdventureJealousMinRelation;
    auto jealous = [&](Covenant* a, Covenant* b) {
        const float r = relationTo(a->index);
        if (!(r < m) || m <= 0.0f)
            return;
        const float amount = (1.0f - r / m) * d.RelationChangeSharedAdventureJealous;
        changeRelationScaled(b->index, amount, false);
        b->sendRelationChange(this, amount);
    };
    jealous(first, second);
    jealous(second, first);
}

void ActorCovenant::raiseAlarm()
{
    Covenant::raiseAlarm();
    const Game* game = Game::instance();
    alertUntil = game ? game->getClock() : GameTime();
    alertUntil.addSeconds(def().AlertTime);
}

bool ActorCovenant::isOnAlert() const
{
    const Game* game = Game::instance();
    return game && game->getClock() < alertUntil;
}

void ActorCovenant::playTeleportEffect(Entity* member)
{
    if (!member || member != getLeader() || adventureState != kAdventuring)
        return;
    Recruit* hero = findHeroRecruit();
    Game* game = Game::instance();
    World* world = World::instance();
    if (!hero || !game || !world)
        return;
    if (hero->levelIndex < 0)
        hero->moveToRandomLevel(0);
    Level* level = world->getLevel(hero->levelIndex);
    if (!level)
        return;
    teleportMember(member, level->randomPositionInArea());
}

void ActorCovenant::setAllRecruitsLevel(int value)
{
    for (const auto& recruit : recruits) {
        if (recruit)
            recruit->setLevel(value);
    }
}

int ActorCovenant::chooseRecruitClass() const
{
    const CovenantDefinition::ClassChanceFamily& w = def().ClassRecruitChance;
    float total = 0.0f;
    for (float v : w)
        total += v;
    const float r = randomFloat(0) * total;
    float sum = 0.0f;
    for (size_t i = 0; i < w.size(); ++i) {
        sum += w[i];
        if (r < sum)
            return 8 + static_cast<int>(i);
    }
    return 8;
}

void ActorCovenant::onKill(Entity* victim, Entity* credited)
{
    Covenant::onKill(victim, credited);
    if (!victim)
        return;
    Covenant* cv = victim->getCovenant();
    Covenant* ck = credited ? credited->getCovenant() : nullptr;
    const CovenantDefinition& d = def();
    if (cv && ck && isHostile(cv->index)) {
        const int n = cv->getMemberCount();
        if (n > 0) {
            const float amount = d.rollRelationChangeKilledEnemy() / static_cast<float>(n);
            changeRelationScaled(ck->index, amount, true);
            ck->sendRelationChange(this, amount);
        }
        return;
    }
    if (!cv && !ck)
        return;
    if (Covenant* partner = covenantAt(linkedCovenant)) {
        if (victim == getLeader()) {
            changeRelationScaled(partner->index, d.RelationChangeSharedAdventureDeath, false);
            partner->sendRelationChange(this, d.RelationChangeSharedAdventureDeath);
        } else if (victim == partner->getLeader()) {
            changeRelationScaled(partner->index, d.RelationChangeSharedAdventurePartnerDeath, true);
            partner->sendRelationChange(this, d.RelationChangeSharedAdventurePartnerDeath);
        }
        return;
    }
    if (cv == this) {
        Recruit* recruit = findRecruitByActor(dynamic_cast<const Actor*>(victim));
        if (recruit && recruit->relocate)
            recruit->moveToRandomLevel(0);
    }
}

void ActorCovenant::onWarStarted(Covenant* other)
{
    if (!other)
        return;
    const CovenantDefinition& d = def();
    const float cap =
        d.AgreementWarMaxRelation + roll(d.RelationChangeMinWarStart, d.RelationChangeMaxWarStart);
    if (getRelation(other->index) > cap)
        setRelation(other->index, cap);
    withdrawOffer(other, false);
    if (linkedCovenant == other->index)
        stopSharedAdventure(this);
}

void ActorCovenant::forgetCovenantTargets(Covenant* other)
{
    Covenant::forgetCovenantTargets(other);
    if (other && raidTarget == other->index && raidTarget != -1)
        endRaid();
}

void ActorCovenant::setLevelFound(Recruit* recruit, int levelIndex)
{
    if (levelIndex < 0 || levelIndex >= static_cast<int>(knownLevels.size()) ||
        knownLevels[static_cast<size_t>(levelIndex)])
        return;
    knownLevels[static_cast<size_t>(levelIndex)] = true;
    const World* world = World::instance();
    Actor* actor = recruit ? recruit->getActor() : nullptr;
    if (levelIndex > 0 && actor && world)
        actor->awardExperience(world->getLevelMonsterLevel(levelIndex), 3, 1.0f);
}

bool ActorCovenant::takesPartInRaid(const Entity* member) const
{
    const Recruit* recruit = findRecruitByActor(dynamic_cast<const Actor*>(member));
    return recruit && recruit->away != 0 && isRaiding();
}

bool ActorCovenant::isDefender(const Entity* member) const
{
    const Recruit* recruit = findRecruitByActor(dynamic_cast<const Actor*>(member));
    return recruit && recruit->away == 0 && isBeingRaided();
}

void ActorCovenant::countRaidParty(int& alive, int& dead) const
{
    alive = 0;
    dead = 0;
    if (!isRaiding())
        return;
    for (const auto& recruit : recruits) {
        const Actor* actor = recruit && recruit->away != 0 ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        if (actor->getMaxHealth() >= 1 && actor->getHealth() >= 1)
            ++alive;
        else
            ++dead;
    }
}

void ActorCovenant::killAllMembers()
{
    for (const auto& recruit : recruits) {
        if (Actor* actor = recruit ? recruit->getActor() : nullptr)
            actor->setHealth(0);
    }
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        if (Entity* guard = getGuard(slot))
            guard->setHealth(0);
    }
}

void ActorCovenant::removeAllMembers()
{
    for (const auto& recruit : recruits) {
        Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        // The record keeps what the body grew to and lets it go at once, so
        // the stone counts the member out as a loaded world would.
        recruit->saveFromActor(actor);
        recruit->attachActor(nullptr, false);
        Entity::fadeOutAndDelete(actor, 5.0f);
    }
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        removeItem(kHouseGroup, slot);
        dismissGuard(slot);
    }
    computeGuardCosts();
}
