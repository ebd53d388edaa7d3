#include "game/entities/Actor.h"

#include "engine/core/Random.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Player.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Faction.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {

// Event-effect indexes of the threat kinds that run them.
constexpr int kDamageThreatEffects = 8;
constexpr int kHealThreatEffects = 12;
// Entity state bit of a stealthed character.
constexpr uint32_t kStateStealthed = 0x400;

bool isLiving(const Entity* e)
{
    return e && e->getMaxHealth() > 0 && e->getHealth() > 0;
}

bool canBeChosen(Entity* e)
{
    if (!isLiving(e) || e->hasFlag(Actor::kFlagHidden))
        return false;
    auto* sentient = dynamic_cast<Sentient*>(e);
    return !sentient || sentient->canAct();
}

} // namespace

// ---- Enemies --------------------------------------------------------------------------

bool Actor::isEnemyOf(const Entity* entity) const
{
    if (!entity)
        return false;
    return std::any_of(m_targets.begin(), m_targets.end(),
                       [entity](const TargetEntry& t) { return t.entity.get() == entity; });
}

bool Actor::isEnemy(const SkillEntity* skillEntity) const
{
    const auto* other = dynamic_cast<const Entity*>(skillEntity);
    if (!other || other == this)
        return false;
    if (m_isNpc && !dynamic_cast<const Sentient*>(other) && !other->isHostileTo(this))
        return false;
    const auto* otherActor = dynamic_cast<const Actor*>(other);
    if (m_friendly && ((otherActor && otherActor->isNpc()) || dynamic_cast<const Player*>(other)))
        return false;
    if (m_isNpc && otherActor && otherActor->isFriendly())
        return false;
    if (m_covenantIndex >= 0 && other->getCovenantIndex() == m_covenantIndex)
        return false;
    if (!otherActor || !m_isNpc || !dynamic_cast<const Player*>(getLeader()))
        return true;
    // A companion in a player's party joins only its party's fights.
    std::vector<Sentient*> party;
    if (Sentient* top = getTopLeader()) {
        party.push_back(top);
        for (Sentient* follower : top->getFollowers())
            party.push_back(follower);
    }
    for (const Sentient* member : party) {
        if (!member)
            continue;
        if (otherActor->isEnemyOf(member))
            return true;
        if (member != this && member->getTarget() == other)
            return true;
    }
    return false;
}

// ---- The list --------------------------------------------------------------------------

void Actor::addTargetEntry(Entity* entity)
{
    if (!entity || entity->hasFlag(kFlagNotTargetable) || !isEnemy(entity) || isEnemyOf(entity))
        return;
    m_targets.emplace_back(entity);
    if (auto* sentient = dynamic_cast<Sentient*>(entity))
        sentient->addListener(this);
}

TargetEntry* Actor::findTargetEntry(const Entity* entity)
{
    if (!entity)
        return nullptr;
    for (TargetEntry& t : m_targets)
        if (t.entity.get() == entity)
            return &t;
    return nullptr;
}

void Actor::updateTargetEntry(Entity* entity, float amount, int kind)
{
    if (!entity || entity->hasFlag(kFlagNotTargetable) || !isEnemy(entity))
        return;
    if (!findTargetEntry(entity))
        addTargetEntry(entity);
    if (!findTargetEntry(entity))
        return;
    if (dynamic_cast<Sentient*>(entity)) {
        if (kind == kThreatDamage)
            amount = static_cast<float>(
                applyEventModifiers(kDamageThreatEffects, entity, static_cast<int>(amount)));
        else if (kind == kThreatHeal)
            amount =
                static_cast<float>(applyEventModifiers(kHealThreatEffects, entity, static_cast<int>(amount)));
        auto* guard = dynamic_cast<Actor*>(entity);
        if (guard && guard->isCovenantGuard())
            amount = worldRules().covenantGuardThreat;
    }
    // The event effects may have touched the list: look the entry up again.
    TargetEntry* entry = findTargetEntry(entity);
    if (!entry)
        return;
    if (entry->threat == 0.0f && amount > 0.0f && m_monsterClass && !m_monsterClass->onHateSound.empty())
        playSound(m_monsterClass->onHateSound, kSoundRange);
    if (kind == kThreatHeal)
        amount *= m_monsterClass ? m_monsterClass->healingHateMult : 1.0f;
    entry->threat += amount;
}

void Actor::reduceThreat(float fraction)
{
    for (TargetEntry& t : m_targets)
        if (t.entity)
            t.threat -= fraction * t.threat;
}

void Actor::removeTargetEntry(Entity* entity)
{
    if (!entity)
        return;
    auto it = std::find_if(m_targets.begin(), m_targets.end(),
                           [entity](const TargetEntry& t) { return t.entity.get() == entity; });
    if (it == m_targets.end())
        return;
    if (auto* sentient = dynamic_cast<Sentient*>(entity))
        sentient->removeListener(this);
    m_targets.erase(it);
    if (m_currentTarget.get() == entity)
        m_currentTarget = nullptr;
}

void Actor::removeTargetsOfCovenant(int covenantIndex)
{
    if (covenantIndex < 0)
        return;
    // Collected first: removal tells each entity, which must not meet a
    // list being erased under it.
    std::vector<Entity*> members;
    for (const TargetEntry& t : m_targets)
        if (t.entity && t.entity->getCovenantIndex() == covenantIndex)
            members.push_back(t.entity.get());
    for (Entity* e : members)
        removeTargetEntry(e);
}

void Actor::clearTargetList()
{
    std::vector<TargetEntry> targets = std::move(m_targets);
    m_targets.clear();
    for (TargetEntry& t : targets)
        if (auto* sentient = dynamic_cast<Sentient*>(t.entity.get()))
            sentient->removeListener(this);
    m_currentTarget = nullptr;
}

Entity* Actor::findNearestTarget() const
{
    Entity* best = nullptr;
    float bestDistance = 0.0f;
    for (const TargetEntry& t : m_targets) {
        float d = t.entity ? ZonePosition::distanceTo(m_position, t.entity->getPosition()) : 1.0e10f;
        if (t.entity && (!best || d < bestDistance)) {
            best = t.entity.get();
            bestDistance = d;
        }
    }
    return best;
}

bool Actor::isTargetReachable(TargetEntry& entry)
{
    if (!entry.entity)
        return false;
    if (entry.pathCheck.running && entry.pathCheck.remaining > 0.0f)
        return entry.reachable;
    entry.pathCheck.min = 0.9f;
    entry.pathCheck.max = 1.1f;
    entry.pathCheck.startRandom();
    Game* game = Game::instance();
    GridPath path;
    entry.reachable =
        game && game->findPath(this, m_position, entry.entity->getPosition(), entry.entity.get(), path);
    return entry.reachable;
}

void Actor::updateTargets(float dt)
{
    // An entity deleted without a death the list heard of (a player leaving,
    // a summons ending) leaves an empty entry: dropped here, or an actor that
    // never rests would gather them for ever.
    std::erase_if(m_targets, [](const TargetEntry& t) { return !t.entity; });
    Entity* old = m_currentTarget.get();
    Entity* best = nullptr;
    float bestThreat = -1.0f;
    float bestDistance = 0.0f;
    if (old) {
        TargetEntry* entry = findTargetEntry(old);
        if (entry && canBeChosen(old) && isTargetReachable(*entry)) {
            best = old;
            bestThreat = entry->threat;
            bestDistance = ZonePosition::distanceTo(m_position, old->getPosition());
        }
    }
    // By index: a reachability test may not change the list, but an index
    // walk stays sound even if it grew.
    for (size_t i = 0; i < m_targets.size(); ++i) {
        TargetEntry& t = m_targets[i];
        if (t.pathCheck.running)
            t.pathCheck.remaining = std::max(0.0f, t.pathCheck.remaining - dt);
        Entity* e = t.entity.get();
        if (!canBeChosen(e)) {
            t.threat = -1.0f;
            continue;
        }
        if (t.threat < 0.0f)
            t.threat = 0.0f;
        if (e == best)
            continue;
        if (t.threat > bestThreat) {
            if (isTargetReachable(m_targets[i])) {
                best = e;
                bestThreat = m_targets[i].threat;
                bestDistance = ZonePosition::distanceTo(m_position, e->getPosition());
            }
        } else if (t.threat == bestThreat) {
            float d = ZonePosition::distanceTo(m_position, e->getPosition());
            if ((!best || d < bestDistance) && isTargetReachable(m_targets[i])) {
                best = e;
                bestDistance = d;
            }
        }
    }
    if (best && best != old && m_monsterClass && !m_monsterClass->onSightSound.empty())
        playSound(m_monsterClass->onSightSound, kSoundRange);
    m_currentTarget = best;
}

void Actor::alertFaction(const std::string& faction, Sentient* user, float hate)
{
    FactionSystem* factions = FactionSystem::instance();
    const Faction* found = factions ? factions->findFaction(faction) : nullptr;
    Game* game = Game::instance();
    if (!found || !user || !game)
        return;
    std::vector<Entity*> around;
    game->getEntitiesInRange(false, user->getPosition(), user, kAlertRadius, EntityQueryMask::kAnyButSelf,
                             around);
    for (Entity* e : around)
        if (auto* actor = dynamic_cast<Actor*>(e); actor && actor->getFactionId() == found->id)
            actor->updateTargetEntry(user, hate, 0);
}

// ---- Looking for targets --------------------------------------------------------------------

float Actor::getDetectionRange(const Sentient* candidate) const
{
    if (!m_monsterClass || !candidate)
        return 0.0f;
    float base = hasFlag(kFlagHidden) ? m_monsterClass->baseHidingAggressionRange
                                      : m_monsterClass->baseAggressionRange;
    float m = 1.0f;
    if (m_covenantIndex >= 0) {
        m = candidate->getCovenantIndex() >= 0 ? 1.25f : 1.0f;
    } else {
        float levels = static_cast<float>(getStat(toIndex(CharacterStat::Level)) -
                                          candidate->getStat(toIndex(CharacterStat::Level)));
        m = std::clamp(1.0f + levels / 10.0f, 0.25f, 2.0f);
    }
    if (candidate->getTickFlags() & kStateStealthed)
        m *= m_monsterClass->enemyStealthedAggressionMultiplier;
    float range = base * m;
    Game* game = Game::instance();
    const EventType* useEntity = Sentient::getEventType(Sentient::UseEntityEvent);
    if (game && useEntity && game->findEvent(useEntity, this))
        range *= 1.5f;
    if (EntityServices::factionRelation(this, candidate) == 0)
        range *= 1.25f;
    return range;
}

void Actor::lookForTargets(float dt)
{
    if (m_currentTarget || m_noTargetScan || !canAct() || !m_monsterClass)
        return;
    if (m_sensesTimer.running && m_sensesTimer.remaining > 0.0f) {
        m_sensesTimer.advance(dt);
        return;
    }
    m_sensesTimer.duration = m_sensesTimer.remaining = randomRange(m_monsterClass->sensesTime, 0.25f);
    m_sensesTimer.running = true;
    Game* game = Game::instance();
    if (!game)
        return;
    std::vector<Entity*> around;
    game->getEntitiesInRange(false, m_position, this, 1.5f * m_monsterClass->baseAggressionRange,
                             EntityQueryMask::kAnyButSelf, around);
    for (Entity* e : around) {
        auto* candidate = dynamic_cast<Sentient*>(e);
        if (!candidate || candidate->getMaxHealth() < 1 || candidate->getHealth() < 1)
            continue;
        if (candidate->hasFlag(kFlagDeadBody) || candidate->hasFlag(kFlagHidden))
            continue;
        if (Sentient* leader = candidate->getLeader(); leader && leader->hasFlag(kFlagDeadBody))
            continue;
        int relation = EntityServices::factionRelation(this, candidate);
        if (relation != 0 && relation != 1)
            continue;
        float r = getDetectionRange(candidate);
        float d = ZonePosition::distanceTo(m_position, candidate->getPosition());
        if (d > r)
            continue;
        if (candidate->getTickFlags() & kStateStealthed) {
            float near = std::max(d, r / 2.0f);
            if (randomFloat(0) >= (1.0f - near / r) * m_monsterClass->enemyStealthedAggressionChance)
                continue;
        }
        if (!canSee(candidate))
            continue;
        addTargetEntry(candidate);
    }
}
