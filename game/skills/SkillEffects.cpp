// What a skill does to its targets when it acts: the enemy and friend lists
// and the effects on each, heals, projectiles, reflection and moving the
// user.

#include "game/skills/Skill.h"

#include "engine/core/Random.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Projectile.h"
#include "game/entities/Sentient.h"
#include "game/skills/Saturate.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/StatusEffect.h"
#include "game/skills/StatusEffectBase.h"
#include "game/world/CombatSystem.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"

#include <algorithm>

namespace {

constexpr int kPowerRisingStat = toIndex(CharacterStat::PowerRising);
constexpr int kIntelligenceStat = toIndex(CharacterStat::Intelligence);
// The relations of the faction rules.
constexpr int kRelationHostile = 0;
constexpr int kRelationFriendly = 4;
// Mirrored enemy states: state 11 + k of the user is state k of its target.
constexpr int kFirstEnemyState = toIndex(EntityState::EnemyBlock);
constexpr int kLastEnemyState = toIndex(EntityState::EnemyStealthed);
constexpr int kMoveTries = 5;
constexpr float kBlinkReach = 200.0f;
// Half the side of the square a client is told about.
constexpr float kDefaultSearchRadius = 600.0f;

void appendUniqueEntities(std::vector<Entity*>& list, Entity* entity)
{
    if (entity && std::find(list.begin(), list.end(), entity) == list.end())
        list.push_back(entity);
}

void spawnEffectAt(const std::string& name, const Entity* at, float seconds)
{
    Game* game = Game::instance();
    if (!name.empty() && game && at)
        game->spawnEntity(name, at->getPosition(), seconds);
}

// The class's power timer starts over and the power counts as rising.
void holdPower(Sentient* user)
{
    const CharacterClass* characterClass = user->getCharacterClass();
    if (characterClass && characterClass->powerDirection)
        user->restartPowerDecay();
    user->getStats().set(kPowerRisingStat, 1);
}

bool hasDamage(const StatChangeList& list)
{
    const auto& entries = list.entries();
    return std::any_of(entries.begin(), entries.end(), [](const StatChange& e) { return e.max > 0.0f; });
}

bool reachesOne(const StatChangeList& list)
{
    const auto& entries = list.entries();
    return std::any_of(entries.begin(), entries.end(), [](const StatChange& e) { return e.max >= 1.0f; });
}

// A roll against the user's critical chance of that modifier index.
bool rollsCritical(const Sentient* user, int modifier, const Entity* target, const SkillBase* skill)
{
    float r = randomFloat(0) * 100.0f;
    const CharacterClass* characterClass = user->getCharacterClass();
    float perInt = characterClass ? characterClass->criticalPerInt : 0.0f;
    float chance = static_cast<float>(user->getStat(kIntelligenceStat)) * perInt + 5.0f;
    user->applyCombatModifiers(modifier, target, chance, skill);
    return r < chance;
}

// A skill's hate on a monster it reaches: its threat for the user (or, with
// RandomHateVictim, for someone near the monster), silent hate, and the
// scaling down of every threat.
void applyHate(const Skill& skill, Sentient* user, Actor* actor)
{
    const SkillDefinition* definition = skill.getDefinition();
    const int level = skill.getLevel();
    const int pass = toIndex(CombatModifier::HateChange);
    float hate = definition->getHateChange(level);
    user->applyCombatModifiers(pass, actor, hate, &skill);
    if (hate != 0.0f) {
        Entity* victim = user;
        Game* game = Game::instance();
        if (definition->randomHateVictim && game) {
            std::vector<Entity*> near;
            // Anyone else living and not friendly to the monster (0x151).
            constexpr uint32_t kMask = EntityQueryMask::kAny | EntityQueryMask::kNotSelf |
                                       EntityQueryMask::kNotDead | EntityQueryMask::kNotFriendly;
            game->getEntitiesInRange(false, actor->getPosition(), actor, definition->maxRange, kMask, near);
            near.erase(std::remove(near.begin(), near.end(), user), near.end());
            if (!near.empty())
                victim = near[static_cast<size_t>(randomInt(static_cast<int>(near.size())))];
        }
        actor->updateTargetEntry(victim, hate, 3);
    }
    float silent = skill.getSilentHateChange(user, actor);
    if (silent != 0.0f)
        actor->updateTargetEntry(user, silent, 5);
    float reduce = definition->getReduceAllHate(level);
    user->applyCombatModifiers(pass, actor, reduce, &skill);
    if (reduce != 0.0f)
        actor->reduceThreat(reduce);
}

} // namespace

void Skill::collectEnemies(Sentient* user, std::vector<Entity*>& list) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return;
    Entity* target = user->getTarget();
    if (definition->needsEnemy)
        appendUniqueEntities(list, target);
    if (definition->extraEnemies == 0 && !definition->allEnemies)
        return;
    std::vector<Entity*> candidates;
    EntityServices::entitiesInRange(user, user->getPosition(), definition->maxRange,
                                    EntityQueryMask::kHostile, candidates);
    candidates.erase(std::remove(candidates.begin(), candidates.end(), target), candidates.end());
    if (definition->allEnemies) {
        for (Entity* e : candidates)
            appendUniqueEntities(list, e);
        return;
    }
    for (int i = 0; i < definition->extraEnemies && !candidates.empty(); ++i) {
        int count = static_cast<int>(candidates.size());
        int pick = std::min(randomInt(count), count - 1);
        appendUniqueEntities(list, candidates[static_cast<size_t>(pick)]);
        candidates.erase(candidates.begin() + pick);
    }
}

void Skill::collectFriends(Sentient* user, Entity* friendTarget, std::vector<Entity*>& list) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return;
    if (definition->needsFriend && friendTarget && !friendTarget->refusesFriendlySkills() &&
        (user->isFriendOf(friendTarget) || user->isFactionFriendly(friendTarget)))
        appendUniqueEntities(list, friendTarget);
    else if (definition->self)
        appendUniqueEntities(list, user);
    if (definition->allAllies) {
        std::vector<Entity*> allies;
        EntityServices::entitiesInRange(user, user->getPosition(), definition->maxRange,
                                        EntityQueryMask::kFriendly, allies);
        for (Entity* e : allies)
            appendUniqueEntities(list, e);
    }
}

bool Skill::acceptsFriendTarget(const SkillEntity* entity) const
{
    const SkillDefinition* definition = getDefinition();
    const auto* candidate = dynamic_cast<const Entity*>(entity);
    if (!definition || !definition->needsFriend || !candidate)
        return false;
    const auto* owner = dynamic_cast<const Entity*>(getOwner());
    if (const auto* actor = dynamic_cast<const Actor*>(candidate); actor && actor->isNpc()) {
        const Covenant* covenant = actor->getCovenant();
        if (!covenant || (owner && covenant == owner->getCovenant()))
            return true;
    }
    const auto* sentient = dynamic_cast<const Sentient*>(owner);
    return sentient && sentient->isFriendOf(candidate);
}

float Skill::getSilentHateChange(const Sentient* user, const Entity* target) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return 0.0f;
    float silent = definition->getSilentHateChange(getLevel());
    if (user)
        user->applyCombatModifiers(toIndex(CombatModifier::HateChange), target, silent, this);
    return silent;
}

bool Skill::carriesStatusType(const Entity* entity, int statusType)
{
    const auto* sentient = dynamic_cast<const Sentient*>(entity);
    if (!sentient)
        return false;
    const auto& effects = sentient->getStatusEffects();
    return std::any_of(effects.begin(), effects.end(), [statusType](const StatusEffect* e) {
        return e && !e->ended && e->isActive() && e->statusType == statusType;
    });
}

const DatabaseEntry* Skill::getStatusEffectEntry() const
{
    const SkillDefinition* definition = getDefinition();
    const StatusEffectBase* effect = definition ? definition->getStatusEffect() : nullptr;
    return effect ? effect->getEntry() : nullptr;
}

bool Skill::acceptsTarget(const Sentient* user, const Entity* entity) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition || !entity)
        return false;
    if (definition->requiredEnemyStatus != 0 && !carriesStatusType(entity, definition->requiredEnemyStatus))
        return false;
    // The user is its own friend: an enemy skill that also works on its
    // user ("Self", e.g. an ambush that ends hiding) must not drop it.
    if (entity == user)
        return !(definition->victimMustMove && !entity->canMove());
    int relation = EntityServices::factionRelation(user, entity);
    bool friendSkill = definition->self || definition->needsFriend || definition->allAllies;
    bool enemySkill = definition->needsEnemy || definition->extraEnemies != 0 || definition->allEnemies;
    if ((friendSkill && relation == kRelationHostile) || (enemySkill && relation == kRelationFriendly))
        return false;
    return !(definition->victimMustMove && !entity->canMove());
}

void Skill::consumeRequiredStates(Sentient* user, Entity* target) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return;
    uint32_t states = definition->requiredEntityStateOne | definition->requiredEntityStateAll;
    auto* victim = dynamic_cast<Sentient*>(target);
    for (int bit = 0; bit < 32; ++bit) {
        if (!(states & (1u << bit)))
            continue;
        user->freeCombatEvents(bit);
        if (victim && bit >= kFirstEnemyState && bit <= kLastEnemyState)
            victim->freeCombatEvents(bit - kFirstEnemyState);
    }
}

void Skill::addDirectDamage(const Sentient* user, StatChangeList& list) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    definition->addDamage(list, getLevel());
    if (!user)
        return;
    float m = 1.0f;
    user->applyCombatModifiers(toIndex(CombatModifier::SkillDamage), user->getTarget(), m, this);
    if (m != 1.0f)
        list.scale(m);
}

int Skill::getHealAmount(const Sentient* user, const Entity* friendTarget) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return 0;
    int amount = definition->getHealAmount(getLevel(), friendTarget);
    if (user && rollsCritical(user, toIndex(CombatModifier::CriticalHeal), friendTarget, this))
        amount *= 2;
    return amount;
}

bool Skill::applyToEnemies(Sentient* user)
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return false;
    std::vector<Entity*> list;
    collectEnemies(user, list);
    const DatabaseEntry* effect = definition->projStatusEffect ? nullptr : getStatusEffectEntry();
    Game* game = Game::instance();
    int level = getLevel();
    CombatSystem* combat = CombatSystem::instance();
    ZonePosition aim;
    user->getTargetPosition(aim);
    int64_t total = 0;
    for (Entity* t : list) {
        if (!acceptsTarget(user, t))
            continue;
        auto* victim = dynamic_cast<Sentient*>(t);
        // The followers join their leader's fight.
        std::vector<Sentient*> followers = user->getFollowers();
        for (Sentient* follower : followers)
            if (follower)
                follower->leaderAttacks(t);
        // The hit test: a weapon attack with its roll, or the magic attack.
        bool tested = definition->attack || definition->magicAttack;
        int done = 0;
        if (combat && definition->attack)
            done = combat->resolveHit(user, t, this, false, 1.0f);
        else if (combat && definition->magicAttack)
            done = combat->applyWeaponDamage(user, t, this, 1.0f);
        consumeRequiredStates(user, t);
        if (tested && done == 0 && !definition->alwaysWorks)
            continue;
        StatChangeList damage;
        addDirectDamage(user, damage);
        if (combat && hasDamage(damage))
            done = combat->applyDamage(user, t, damage, false, false);
        if (auto* actor = dynamic_cast<Actor*>(t))
            applyHate(*this, user, actor);
        if (definition->enemyEvent != 0)
            t->fireSimpleEvent(definition->enemyEvent, user->getEntityNumber());
        if (definition->interrupt && victim)
            victim->cancelSkillWindup();
        if (effect) {
            t->addStatusEffect(effect, user, level);
            // A covenant hears of an effect laid on its member as of a blow.
            if (Covenant* covenant = t->getCovenant())
                covenant->onAttacked(t, user, 0, false);
        }
        bool killed = done > 0 && t->getMaxHealth() > 0 && t->getHealth() <= 0;
        if (!definition->projectile.empty() && !definition->alwaysWorks &&
            (!definition->projectileOnKill || killed))
            launchProjectile(user, t, aim);
        spawnEffectAt(definition->targetEffect, t, definition->effectTime);
        if (!definition->dispelEffectName.empty() && victim)
            victim->weakenStatusEffect(definition->dispelEffectName, definition->dispelEffectStrength);
        int powerAdded = definition->getPowerAdded(level);
        if (powerAdded > 0 && (!definition->powerAddedOnKill || killed)) {
            user->addPower(powerAdded);
            holdPower(user);
        }
        if (definition->haltsPowerDrop)
            holdPower(user);
        if (definition->noiseRange > 0.0f && game)
            game->emitHeardSound(t, user, definition->noiseRange);
        total += done;
    }
    if (total > 0)
        user->recordSkillTotal(saturate(static_cast<double>(total)));
    return !list.empty();
}

bool Skill::applyToFriends(Sentient* user, Entity* friendTarget)
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return false;
    std::vector<Entity*> list;
    collectFriends(user, friendTarget, list);
    const DatabaseEntry* effect = getStatusEffectEntry();
    int level = getLevel();
    for (Entity* e : list) {
        if (!acceptsTarget(user, e))
            continue;
        auto* sentient = dynamic_cast<Sentient*>(e);
        if (effect) {
            e->addStatusEffect(effect, user, level);
            if (sentient)
                sentient->buffedBy(user, this);
        }
        int heal = getHealAmount(user, e);
        if (heal != 0 || definition->healPercent > 0.0f)
            e->heal(heal, user);
        if (sentient && !definition->dispelEffectName.empty())
            sentient->weakenStatusEffect(definition->dispelEffectName, definition->dispelEffectStrength);
        if (sentient && !definition->cureEffectName.empty())
            sentient->refreshStatusEffect(definition->cureEffectName,
                                          static_cast<int>(definition->getCureEffectStrength(level)));
        spawnEffectAt(definition->targetEffect, e, definition->effectTime);
        if (definition->unhide)
            e->setFlags(e->getFlags() & ~Actor::kFlagHidden);
        if (definition->hide)
            e->setFlags(e->getFlags() | Actor::kFlagHidden);
    }
    return !list.empty();
}

void Skill::moveUser(Sentient* user)
{
    const SkillDefinition* definition = getDefinition();
    Game* game = Game::instance();
    if (!user || !definition || !game)
        return;
    for (int i = 0; i < kMoveTries; ++i) {
        // A teleport goes to the target position its user chose (a
        // player's mouse position); others have none.
        ZonePosition destination(-1, 0.0f, 0.0f);
        if (definition->teleport)
            user->getTargetPosition(destination);
        if (definition->blink) {
            destination = user->getPosition();
            float dx = randomFloat(0) * 2.0f * kBlinkReach - kBlinkReach;
            float dy = randomFloat(0) * 2.0f * kBlinkReach - kBlinkReach;
            destination.addOffset(dx, dy);
        }
        if (game->isPlaceFree(destination, user)) {
            user->warp(destination);
            return;
        }
    }
}

Projectile* Skill::launchProjectile(Sentient* user, Entity* target, const ZonePosition& position)
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return nullptr;
    int level = getLevel();
    StatChangeList damage;
    StatChangeList own;
    definition->addProjectileDamage(own, level);
    if (reachesOne(own))
        addProjectileDamage(user, damage);
    else if (definition->projectileDamage)
        user->buildDamageList(target, damage, this);
    StatChangeList area;
    StatChangeList ownArea;
    definition->addRadiusDamage(ownArea, level);
    if (reachesOne(ownArea))
        addRadiusDamage(user, area);
    else if (definition->radiusDamage)
        user->buildDamageList(target, area, this);
    const DatabaseEntry* effect = definition->projStatusEffect ? getStatusEffectEntry() : nullptr;
    return Entity::spawnProjectile(definition->projectile, damage, definition->projNormalAttack,
                                   definition->projMagicAttack, user, target, position, effect, level,
                                   definition->getProjectileRadius(level), area, this);
}

namespace {

// A thrown list through the user's skill damage pass and critical roll.
void scaleThrownDamage(const Sentient* user, const Skill& skill, StatChangeList& list)
{
    if (!user)
        return;
    float m = 1.0f;
    user->applyCombatModifiers(toIndex(CombatModifier::SkillDamage), user->getTarget(), m, &skill);
    if (m != 1.0f)
        list.scale(m);
    if (rollsCritical(user, toIndex(CombatModifier::CriticalHit), user->getTarget(), &skill))
        list.scale(2.0f);
}

} // namespace

void Skill::addProjectileDamage(const Sentient* user, StatChangeList& list) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    definition->addProjectileDamage(list, getLevel());
    scaleThrownDamage(user, *this, list);
}

void Skill::addRadiusDamage(const Sentient* user, StatChangeList& list) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    definition->addRadiusDamage(list, getLevel());
    scaleThrownDamage(user, *this, list);
}

float Skill::getSearchRadius() const
{
    const SkillDefinition* definition = getDefinition();
    float range = definition ? definition->maxRange : 0.0f;
    return range > 0.0f ? range : kDefaultSearchRadius;
}

void Skill::reflectProjectiles(Sentient* user)
{
    const SkillDefinition* definition = getDefinition();
    Game* game = Game::instance();
    if (!user || !definition || !game)
        return;
    std::vector<Entity*> near;
    game->getEntitiesInRange(false, user->getPosition(), user, getSearchRadius(),
                             EntityQueryMask::kProjectile, near);
    float added = definition->getDamageMultAll(getLevel());
    for (Entity* e : near) {
        auto* projectile = dynamic_cast<Projectile*>(e);
        if (!projectile || projectile->getTargetEntity() != user || !projectile->getSource())
            continue;
        Entity* source = projectile->getSource();
        projectile->setTarget(source);
        projectile->setSource(user);
        projectile->setDamageMultiplier(projectile->getDamageMultiplier() + added);
    }
}
