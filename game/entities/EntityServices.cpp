#include "game/entities/EntityServices.h"

#include "game/skills/SkillBase.h"
#include "game/skills/SkillListBase.h"

int EntityServices::applyDamageOfType(int amount, Entity* source, Entity* target, int damageType,
                                      bool overTime, bool reflected)
{
    return s_hooks.applyDamageOfType
               ? s_hooks.applyDamageOfType(amount, source, target, damageType, overTime, reflected)
               : 0;
}

int EntityServices::applyDamage(Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                                bool reflected)
{
    return s_hooks.applyDamage ? s_hooks.applyDamage(source, target, list, overTime, reflected) : 0;
}

int EntityServices::resolveHit(Sentient* attacker, Entity* target)
{
    return s_hooks.resolveHit ? s_hooks.resolveHit(attacker, target) : 0;
}

float EntityServices::combatEventTime()
{
    return s_hooks.combatEventTime ? s_hooks.combatEventTime() : 0.0f;
}

void EntityServices::entitiesInRange(Entity* self, const ZonePosition& centre, float radius, uint32_t mask,
                                     std::vector<Entity*>& out)
{
    if (s_hooks.entitiesInRange) {
        s_hooks.entitiesInRange(self, centre, radius, mask, out);
    }
}

bool EntityServices::findFreeSpotOnRing(const ZonePosition& centre, int ring, ZonePosition& out,
                                        Entity* entity, bool itemSpot)
{
    return s_hooks.findFreeSpotOnRing ? s_hooks.findFreeSpotOnRing(centre, ring, out, entity, itemSpot)
                                      : false;
}

bool EntityServices::findFreeSpotNear(const ZonePosition& centre, int lastRing, ZonePosition& out,
                                      Entity* entity)
{
    return s_hooks.findFreeSpotNear ? s_hooks.findFreeSpotNear(centre, lastRing, out, entity) : false;
}

int EntityServices::factionRelation(const Entity* a, const Entity* b)
{
    return s_hooks.factionRelation ? s_hooks.factionRelation(a, b) : 2;
}

SkillListBase* EntityServices::createSkillList()
{
    return s_hooks.createSkillList ? s_hooks.createSkillList() : new SkillListBase();
}

SkillBase* EntityServices::createSkill()
{
    return s_hooks.createSkill ? s_hooks.createSkill() : new SkillBase();
}

void EntityServices::useSkill(SkillBase* skill, Sentient* user, Entity* target, int stage, bool unchecked)
{
    if (s_hooks.useSkill) {
        s_hooks.useSkill(skill, user, target, stage, unchecked);
    }
}

int EntityServices::skillStatChange(const Sentient* sentient, int stat, int group)
{
    return s_hooks.skillStatChange ? s_hooks.skillStatChange(sentient, stat, group) : 0;
}

float EntityServices::skillStatMult(const Sentient* sentient, int stat)
{
    return s_hooks.skillStatMult ? s_hooks.skillStatMult(sentient, stat) : 0.0f;
}

bool EntityServices::skillStatChanges(const Sentient* sentient, int group, std::vector<int>& values)
{
    return s_hooks.skillStatChanges && s_hooks.skillStatChanges(sentient, group, values);
}

bool EntityServices::skillStatMults(const Sentient* sentient, std::vector<float>& mults)
{
    return s_hooks.skillStatMults && s_hooks.skillStatMults(sentient, mults);
}

void EntityServices::skillModifiers(const Sentient* sentient, int index, const SkillBase* skill,
                                    const DatabaseEntry* effect, const Entity* target, int phase,
                                    float& value)
{
    if (s_hooks.skillModifiers) {
        s_hooks.skillModifiers(sentient, index, skill, effect, target, phase, value);
    }
}

void EntityServices::skillDamage(const Sentient* sentient, int group, const SkillBase* skill,
                                 StatChangeList& list)
{
    if (s_hooks.skillDamage) {
        s_hooks.skillDamage(sentient, group, skill, list);
    }
}

bool EntityServices::skillGrantsRequirement(const Sentient* sentient, int requirement)
{
    return s_hooks.skillGrantsRequirement ? s_hooks.skillGrantsRequirement(sentient, requirement) : false;
}
