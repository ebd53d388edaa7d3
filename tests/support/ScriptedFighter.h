#pragma once

#include "game/covenants/StatChangeList.h"
#include "game/entities/Sentient.h"

// A Sentient whose weapon damage list, kill credit, experience value and
// maximum health are set by the test; everything else is the real Sentient.
// It remembers the skill its last damage list was asked for.
class ScriptedFighter : public Sentient {
public:
    void buildDamageList(const Entity* target, StatChangeList& list,
                         const SkillBase* skill = nullptr) override
    {
        damage.copyTo(list);
        lastSkill = skill;
    }
    Entity* getKillCredit() const override { return killCredit; }
    float getXpMult() const override { return xpValue; }
    // Keeps the maximum health through stat recomputes (no class needed).
    int getMaxHealthFromClass() const override { return baseMaxHealth; }

    // Adds {min, max} of a damage type to the list.
    void addDamage(int type, float min, float max)
    {
        StatChange* entry = damage.find(type, true);
        entry->min = min;
        entry->max = max;
    }

    StatChangeList damage;
    const SkillBase* lastSkill = nullptr;
    Entity* killCredit = nullptr;
    float xpValue = 1.0f;
    int baseMaxHealth = 100;
};
