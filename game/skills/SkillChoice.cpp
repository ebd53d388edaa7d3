#include "game/skills/Skill.h"
#include "game/skills/SkillList.h"

#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"

#include <vector>

// How the computer-run characters pick a skill and its target: every skill
// of the list rates itself by its type and the situation, the best one above
// 0 is chosen.

namespace {

// Health over maximum health; 1.0 without a maximum.
float healthFraction(const Entity* entity)
{
    int maxHealth = entity->getMaxHealth();
    return maxHealth <= 0 ? 1.0f : static_cast<float>(entity->getHealth()) / static_cast<float>(maxHealth);
}

// The fraction of the skill's damage that the target's resistance absorbs.
float absorbedFraction(const SkillDefinition* definition, const Entity* target, const Sentient* user)
{
    const GameData* data = GameData::instance();
    if (!data) {
        return 0.0f;
    }
    int damageType = definition->getAttackDamageType();
    int stat = toIndex(CharacterStat::ResistancePhysical) + damageType;
    return data->getResistanceAbsorbFraction(static_cast<float>(target->getStat(stat)),
                                             user->getStat(toIndex(CharacterStat::Level)));
}

// The user's allies within the range, in the query's order.
void collectAllies(Sentient* user, float range, std::vector<Entity*>& out)
{
    if (Game* game = Game::instance()) {
        game->getEntitiesInRange(false, user->getPosition(), user, range, EntityQueryMask::kFriendly, out);
    }
}

} // namespace

Skill* SkillList::chooseSkill(Sentient* user)
{
    float best = 0.0f;
    Skill* chosen = nullptr;
    for (SkillBase* base : getSkills()) {
        auto* skill = dynamic_cast<Skill*>(base);
        if (!skill) {
            continue;
        }
        skill->updatePriority(user);
        if (skill->getPriority() > best) {
            best = skill->getPriority();
            chosen = skill;
        }
    }
    setChosenSkill(chosen);
    return chosen;
}

void Skill::updatePriority(Sentient* user)
{
    m_priority = 0.0f;
    const SkillDefinition* definition = getDefinition();
    if (!definition || !m_usable || !user || (getUseTimer().running && getUseTimer().remaining > 0.0f) ||
        definition->passive) {
        return;
    }
    Entity* target = user->getTarget();
    if (definition->saveForToughEnemies && !(target && isToughEnemy(target))) {
        return;
    }
    if (checkUse(user, target, kStageRequest, false) != 0) {
        return;
    }
    float priority = 0.0f;
    switch (static_cast<SkillType>(definition->skillType)) {
    case SkillType::Dot:
        if (!target || !target->canReceiveStatusEffect(getStatusEffectEntry(), user)) {
            return;
        }
        priority = (definition->basePriority - (1.0f - healthFraction(target))) *
                   (1.0f - absorbedFraction(definition, target, user));
        break;
    case SkillType::DirectDamage:
        if (!target) {
            return;
        }
        priority = definition->basePriority * (1.0f - absorbedFraction(definition, target, user));
        break;
    case SkillType::Situational:
        if (definition->requiredEnemyStatus != 0 && target &&
            carriesStatusType(target, definition->requiredEnemyStatus)) {
            priority = definition->basePriority;
        }
        break;
    case SkillType::Finish:
        if (target) {
            float f = healthFraction(target);
            priority = f < 0.1f ? 1.0f : (f < 0.2f ? 0.75f : 0.0f);
        }
        break;
    case SkillType::Heal:
        if (Sentient* ally = findWeakestAlly(user)) {
            priority = definition->basePriority - healthFraction(ally);
            if (ally->getMaxHealth() - ally->getHealth() < definition->getHealAmount(getLevel(), ally)) {
                priority = 0.0f;
            }
        }
        break;
    case SkillType::Buff:
        if (findBuffTarget(user)) {
            priority = definition->basePriority;
        }
        break;
    case SkillType::Debuff:
        if (!target) {
            return;
        }
        if (target->canReceiveStatusEffect(getStatusEffectEntry(), user)) {
            priority = definition->basePriority;
        }
        break;
    case SkillType::Stealth: {
        priority =
            user->getTickFlags() & (1u << toIndex(EntityState::Stealthed)) ? 0.0f : definition->basePriority;
        const auto* actor = dynamic_cast<const Actor*>(user);
        if (actor && !actor->isRegularCombatant()) {
            priority = 0.0f;
        }
        break;
    }
    }
    bool hidden = user->hasFlag(Actor::kFlagHidden);
    if (definition->unhide) {
        priority = hidden ? 1.0f : 0.0f;
    } else if (definition->hide) {
        priority = hidden ? 0.0f : 1.0f;
    }
    if (priority > 0.0f) {
        // Up to 5 % more, so that equal skills take turns.
        priority += randomFloat(0) * 0.05f * priority;
    }
    m_priority = priority;
}

Entity* Skill::chooseTarget(Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition || !user) {
        return nullptr;
    }
    switch (static_cast<SkillType>(definition->skillType)) {
    case SkillType::Heal:
        return findWeakestAlly(user);
    case SkillType::Buff:
        return findBuffTarget(user);
    default:
        return definition->self ? user : user->getTarget();
    }
}

Sentient* Skill::findWeakestAlly(Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition || !user) {
        return nullptr;
    }
    std::vector<Entity*> allies;
    collectAllies(user, definition->maxRange, allies);
    Sentient* weakest = nullptr;
    float lowest = 1.0f;
    for (Entity* entity : allies) {
        auto* ally = dynamic_cast<Sentient*>(entity);
        if (!ally) {
            continue;
        }
        float f = 1.0f;
        if (ally->getMaxHealth() > 0) {
            if (ally->getHealth() <= 0) {
                continue;
            }
            f = healthFraction(ally);
        }
        if (f < lowest) {
            lowest = f;
            weakest = ally;
        }
    }
    return weakest;
}

Entity* Skill::findBuffTarget(Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    const DatabaseEntry* effect = getStatusEffectEntry();
    if (!effect || !user) {
        return nullptr;
    }
    std::vector<Entity*> candidates;
    if (definition->allAllies) {
        collectAllies(user, definition->maxRange, candidates);
    }
    bool listed = false;
    for (Entity* candidate : candidates) {
        listed = listed || candidate == user;
    }
    if (!listed) {
        candidates.push_back(user);
    }
    for (Entity* candidate : candidates) {
        bool living = candidate->getMaxHealth() <= 0 || candidate->getHealth() > 0;
        if (living && candidate->canReceiveStatusEffect(effect, user)) {
            return candidate;
        }
    }
    return nullptr;
}

bool Skill::isToughEnemy(const Entity* target) const
{
    if (!target) {
        return false;
    }
    if (target->getCovenant()) {
        return true;
    }
    const auto* actor = dynamic_cast<const Actor*>(target);
    return actor && actor->getEnhancementRarity() > toIndex(MonsterRarity::Normal);
}
