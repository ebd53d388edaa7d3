#pragma once

#include "game/entities/Entity.h"

class InventoryGroup;

// Storage in a house: a player stash holds the user's own loot groups, any
// other the groups of the user's covenant.
class Stash : public Entity {
public:
    Stash();
    ~Stash() override;

    void loadFromDatabase() override;

    // The Loot group (15) and the loot bags (16 … 23) only; null otherwise,
    // without a user, or without a covenant for a covenant stash.
    InventoryGroup* getGroupFor(Entity* user, int group) const;

    bool isPlayerStash() const { return m_playerStash; }

private:
    bool m_playerStash = false;
};
