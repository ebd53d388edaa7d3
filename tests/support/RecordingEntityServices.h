#pragma once

#include "game/covenants/StatChangeList.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Sentient.h"

#include <vector>

// Installs recording stand-ins for the fighting code's services and puts the
// previous hooks back when it goes. Damage of a type is applied to the
// target as the combat code would (health, then the damaged report).
class RecordingEntityServices {
public:
    struct DamageCall {
        int amount = 0;
        Entity* source = nullptr;
        Entity* target = nullptr;
        int damageType = 0;
        bool overTime = false;
        bool reflected = false;
    };
    struct SkillUse {
        SkillBase* skill = nullptr;
        Sentient* user = nullptr;
        Entity* target = nullptr;
        int stage = 0;
        bool unchecked = false;
    };

    explicit RecordingEntityServices(bool applyDamage = false) : m_saved(EntityServices::hooks())
    {
        EntityServiceHooks hooks;
        hooks.applyDamageOfType = [this, applyDamage](int amount, Entity* source, Entity* target, int type,
                                                      bool overTime, bool reflected) {
            damage.push_back({amount, source, target, type, overTime, reflected});
            if (applyDamage && target)
                target->takeDamage(amount, source);
            return amount;
        };
        hooks.applyDamage = [this](Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                                   bool reflected) {
            lists.push_back(list);
            return 0;
        };
        hooks.resolveHit = [this](Sentient* attacker, Entity* target) {
            hits.push_back(target);
            return 1;
        };
        hooks.combatEventTime = [this]() { return eventTime; };
        hooks.entitiesInRange = [this](Entity*, const ZonePosition&, float, uint32_t,
                                       std::vector<Entity*>& out) {
            out.insert(out.end(), inRange.begin(), inRange.end());
        };
        hooks.factionRelation = [this](const Entity*, const Entity*) { return relation; };
        hooks.useSkill = [this](SkillBase* skill, Sentient* user, Entity* target, int stage, bool unchecked) {
            skillUses.push_back({skill, user, target, stage, unchecked});
        };
        hooks.skillStatChange = [this](const Sentient*, int stat, int group) {
            return group == skillGroup && stat == skillStat ? skillValue : 0;
        };
        EntityServices::setHooks(hooks);
    }
    ~RecordingEntityServices() { EntityServices::setHooks(m_saved); }
    RecordingEntityServices(const RecordingEntityServices&) = delete;
    RecordingEntityServices& operator=(const RecordingEntityServices&) = delete;

    std::vector<DamageCall> damage;
    std::vector<StatChangeList> lists;
    std::vector<Entity*> hits;
    std::vector<SkillUse> skillUses;
    std::vector<Entity*> inRange;
    float eventTime = 2.0f;
    int relation = 2;
    // One flat skill bonus: skillValue to skillStat in skillGroup.
    int skillGroup = -1;
    int skillStat = -1;
    int skillValue = 0;

private:
    EntityServiceHooks m_saved;
};
