#pragma once

#include "engine/object/SafePtr.h"
#include "game/definitions/ItemBase.h"

class Entity;
class Sentient;

// The server's item: knows the entity holding it and can be used.
class Item : public ItemBase {
public:
    Item() = default;
    ~Item() override;

    void clear() override;

    Entity* getOwner() const { return m_owner.get(); }
    void setOwner(Entity* owner) { m_owner = owner; }
    bool isIdentifiedOrAlways() const { return isIdentified() || isAlwaysIdentified(); }

    // Uses the item; true when it is used up (the caller removes it). A stash
    // or loot item fully merged into a bag stack counts as used up.
    bool use(Sentient* user);
    // Gives the user the partial and full set effects its equipped items
    // qualify for (and it has not yet); true when any was given.
    bool applySetBonuses(Sentient* user);
    // A use gain ("MinHealthGain" …) at the item's level.
    int getGainAtLevel(const std::string& gain) const;

private:
    // Moves this bag from (group, slot) to the first empty bag place.
    void placeBag(InventoryBase& inventory, int group, int slot);

    SafePtr<Entity> m_owner;
};
