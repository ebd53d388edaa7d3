#include "game/entities/Stash.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"

Stash::Stash() = default;

Stash::~Stash() = default;

void Stash::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    if (db && getEntry()) {
        m_playerStash = db->getInt(getEntry(), "PlayerStash") != 0;
    }
}

InventoryGroup* Stash::getGroupFor(Entity* user, int group) const
{
    const int loot = toIndex(InventoryGroupIndex::Loot);
    const int lastBag = toIndex(InventoryGroupIndex::LootBag8);
    if (!user || group < loot || group > lastBag) {
        return nullptr;
    }
    if (m_playerStash) {
        InventoryBase* own = user->getInventory();
        return own ? own->getOwnGroup(group) : nullptr;
    }
    Covenant* covenant = user->getCovenant();
    return covenant && covenant->inventory ? covenant->inventory->getOwnGroup(group) : nullptr;
}
