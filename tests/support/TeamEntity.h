#pragma once

#include "game/entities/Entity.h"

#include <utility>
#include <vector>

class DatabaseEntry;

// A world object on a side: hostile to entities of another side, friendly to
// its own. It keeps the status effects it was given, in order, with their
// source and level, so a test sees every hit that carried one.
class TeamEntity : public Entity {
public:
    struct Received {
        const DatabaseEntry* effect = nullptr;
        Entity* source = nullptr;
        int level = 0;
    };

    explicit TeamEntity(int team = 0) : m_team(team)
    {
        setMaxHealth(100);
        setHealth(100);
    }

    bool isHostileTo(const Entity* other) const override
    {
        const auto* side = dynamic_cast<const TeamEntity*>(other);
        return side && side->m_team != m_team;
    }
    bool isFriendlyTo(const Entity* other) const override
    {
        const auto* side = dynamic_cast<const TeamEntity*>(other);
        return side && side->m_team == m_team;
    }
    void addStatusEffect(const DatabaseEntry* entry, Entity* source, int level) override
    {
        received.push_back({entry, source, level});
    }

    int team() const { return m_team; }
    std::vector<Received> received;

private:
    int m_team;
};
