#pragma once

#include "game/skills/CounterList.h"
#include "game/skills/SkillEntity.h"

#include <cmath>
#include <map>
#include <set>
#include <utility>

// A stand-in entity for the skill rules: stats in a CounterList, items by
// (group, slot), an enemy set, a position and radius, a move flag and a
// maximum health.
class FakeSkillEntity : public SkillEntity {
public:
    FakeSkillEntity() : stats(112) {}

    int getStat(int stat) const override { return stats.get(stat); }
    const ItemBase* getItem(int group, int slot) const override
    {
        auto it = items.find({group, slot});
        return it == items.end() ? nullptr : it->second;
    }
    bool isEnemy(const SkillEntity* other) const override { return enemies.count(other) != 0; }
    bool canMove() const override { return movable; }
    float distanceTo(const SkillEntity* other, bool subtractRadii) const override
    {
        const auto* fake = dynamic_cast<const FakeSkillEntity*>(other);
        if (!fake)
            return 1e10f;
        float d = std::hypot(fake->x - x, fake->y - y);
        return subtractRadii ? d - radius - fake->radius : d;
    }
    int getMaxHealth() const override { return maxHealth; }

    CounterList stats;
    std::map<std::pair<int, int>, const ItemBase*> items;
    std::set<const SkillEntity*> enemies;
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
    bool movable = true;
    int maxHealth = 100;
};
