#include "game/world/FightingServices.h"

#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Sentient.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"

namespace {

const SkillList* skillListOf(const Sentient* sentient)
{
    return sentient ? dynamic_cast<const SkillList*>(sentient->getSkillList()) : nullptr;
}

// The skill-list side of a sentient's modifier passes: phases 0 … 2 attack
// (flat, percentage, late flat), 3 … 5 defend; an index −1 − t asks the
// damage percentage of damage type t. The skill in use adds its own terms.
void addSkillModifiers(const Sentient* sentient, int index, const SkillBase* skill,
                       const DatabaseEntry* effect, int phase, float& value)
{
    const SkillList* list = skillListOf(sentient);
    if (!list)
        return;
    const SkillDefinition* used = skill ? skill->getDefinition() : nullptr;
    int level = used ? skill->getLevel() : 0;
    bool ownTerms = used && !used->passive;
    if (index < 0) {
        int type = -1 - index;
        if (phase != 1 || type >= kDamageTypeCount)
            return;
        if (type == toIndex(DamageType::Physical))
            value += list->sumPassiveStatMult(sentient, 0);
        if (used)
            value += used->getDamageMult(type, level);
        return;
    }
    switch (phase) {
    case 0:
        if (ownTerms)
            value += used->getDynamicStatChange(index, level);
        list->addDynamicStatChanges(sentient, skill, effect, 0, index, value);
        break;
    case 1:
        if (ownTerms)
            value += used->getDynamicStatMult(index, level);
        value += list->sumDynamicStatMult(sentient, skill, effect, index);
        break;
    case 3:
        list->sumDefendingStatChange(sentient, index, 0, value);
        break;
    case 4:
        value += list->sumDefendingStatMult(sentient, index);
        break;
    default:
        break;
    }
}

} // namespace

void registerFightingServices()
{
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.applyDamageOfType = [](int amount, Entity* source, Entity* target, int damageType, bool overTime,
                                 bool reflected) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->applyDamageOfType(amount, source, target, damageType, overTime, reflected)
                      : 0;
    };
    hooks.applyDamage = [](Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                           bool reflected) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->applyDamage(source, target, list, overTime, reflected) : 0;
    };
    // The melee attack: no skill, in reach, the whole damage.
    hooks.resolveHit = [](Sentient* attacker, Entity* target) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->resolveHit(attacker, target, nullptr, false, 1.0f) : 0;
    };
    hooks.combatEventTime = [] {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->getCombatEventTime() : 0.0f;
    };
    hooks.entitiesInRange = [](Entity* self, const ZonePosition& centre, float radius, uint32_t mask,
                               std::vector<Entity*>& out) {
        if (Game* game = Game::instance()) {
            game->getEntitiesInRange(false, centre, self, radius, mask, out);
        }
    };
    hooks.findFreeSpotOnRing = [](const ZonePosition& centre, int ring, ZonePosition& out, Entity* entity,
                                  bool itemSpot) {
        Game* game = Game::instance();
        return game && game->findFreeSpotOnRing(centre, ring, out, entity, itemSpot);
    };
    // Without an entity the spot is one to drop an item on.
    hooks.findFreeSpotNear = [](const ZonePosition& centre, int lastRing, ZonePosition& out, Entity* entity) {
        Game* game = Game::instance();
        return game && game->findFreeSpotNear(centre, lastRing, out, entity, false, 0, entity == nullptr);
    };
    hooks.createSkillList = []() -> SkillListBase* { return new SkillList(); };
    hooks.createSkill = []() -> SkillBase* { return new Skill(); };
    hooks.useSkill = [](SkillBase* skill, Sentient* user, Entity* target, int stage, bool unchecked) {
        if (auto* s = dynamic_cast<Skill*>(skill))
            s->use(user, target, stage, unchecked);
    };
    hooks.skillStatChange = [](const Sentient* sentient, int stat, int group) {
        int value = 0;
        if (const SkillList* list = skillListOf(sentient))
            list->sumStatChange(sentient, stat, group, value);
        return value;
    };
    hooks.skillStatMult = [](const Sentient* sentient, int stat) {
        const SkillList* list = skillListOf(sentient);
        return list ? list->sumStatMult(sentient, stat) : 0.0f;
    };
    hooks.skillStatChanges = [](const Sentient* sentient, int group, std::vector<int>& values) {
        const SkillList* list = skillListOf(sentient);
        return !list || list->addStatChanges(sentient, group, values);
    };
    hooks.skillStatMults = [](const Sentient* sentient, std::vector<float>& mults) {
        const SkillList* list = skillListOf(sentient);
        return !list || list->addStatMults(sentient, mults);
    };
    hooks.skillModifiers = [](const Sentient* sentient, int index, const SkillBase* skill,
                              const DatabaseEntry* effect, const Entity*, int phase, float& value) {
        addSkillModifiers(sentient, index, skill, effect, phase, value);
    };
    hooks.skillDamage = [](const Sentient* sentient, int group, const SkillBase*, StatChangeList& list) {
        if (const SkillList* skills = skillListOf(sentient))
            skills->applyPassiveStatChanges(sentient, group, list);
    };
    hooks.skillGrantsRequirement = [](const Sentient* sentient, int requirement) {
        const SkillList* list = skillListOf(sentient);
        return list && list->grantsItemRequirement(sentient, requirement);
    };
    hooks.factionRelation = [](const Entity* a, const Entity* b) {
        const FactionSystem* factions = FactionSystem::instance();
        return factions ? factions->getRelation(a, b) : FactionSystem::kNeutral;
    };
    EntityServices::setHooks(hooks);
}
