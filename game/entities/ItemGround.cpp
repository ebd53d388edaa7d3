#include "game/entities/ItemGround.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Item.h"
#include "game/world/Game.h"

ItemGround::ItemGround()
{
    setSolid(false);
}

ItemGround::~ItemGround()
{
    if (!m_itemTaken || m_itemConsumed)
        delete m_item;
    m_item = nullptr;
}

Item* ItemGround::takeItem()
{
    Item* item = m_itemTaken ? nullptr : m_item;
    m_itemTaken = true;
    return item;
}

void ItemGround::consumeItem()
{
    m_itemTaken = true;
    m_itemConsumed = true;
}

void ItemGround::putItemBack(Item* item)
{
    m_item = item;
    m_itemTaken = false;
}

void ItemGround::update(float dt)
{
    Entity::update(dt);
    playAnimation("idle", toIndex(AnimationPriority::Idle), 0, false);
}

void ItemGround::writeSnapshot(ByteBuffer& out) const
{
    const DatabaseEntry* entry = getEntry();
    int type = entry ? entry->getTypeInherited() : 0;
    if (type == toIndex(DatabaseEntryType::Item)) {
        out.writeInt(m_item ? static_cast<uint32_t>(m_item->getRarity()) : 0u);
    } else if (type == toIndex(DatabaseEntryType::Money)) {
        out.writeInt(m_item ? static_cast<uint32_t>(m_item->getQuantity()) : 0u);
    } else if (type == toIndex(DatabaseEntryType::QuestItem)) {
        const DatabaseEntry* linked = m_item ? m_item->getLinkedEntry() : nullptr;
        out.writeInt(linked ? static_cast<uint32_t>(linked->getId()) : 0xFFFFFFFFu);
    }
}

ItemGround* dropItemOnGround(Item* item, bool keepForever, bool nearSearch, const ZonePosition& position)
{
    Game* game = Game::instance();
    if (!item || !game || position.zone == -1)
        return nullptr;
    ZonePosition spot;
    bool found = false;
    if (!nearSearch) {
        for (int ring = 0; ring < 5 && !found; ++ring)
            found = EntityServices::findFreeSpotOnRing(position, ring, spot, nullptr, true);
    } else {
        const GameData* data = GameData::instance();
        found =
            EntityServices::findFreeSpotNear(position, data ? data->rules().dropRingCount : 0, spot, nullptr);
    }
    if (!found)
        return nullptr;
    auto* ground = new ItemGround();
    ground->setItem(item);
    item->setOwner(ground);
    ground->setPosition(spot);
    ground->setSecondaryPosition(spot);
    ground->setDirection(randomInt(8));
    const DatabaseEntry* entry = item->getItemEntry();
    if (entry) {
        ground->SimpleData::setEntry(entry, entry->getName());
        ground->loadFromDatabase();
    }
    if (game->addEntity(ground) < 0) {
        // No room in the world: the caller keeps the item.
        item->setOwner(nullptr);
        ground->takeItem();
        delete ground;
        return nullptr;
    }
    if (!keepForever) {
        const GameData* data = GameData::instance();
        if (data) {
            int rarity = static_cast<int>(item->getRarity());
            float mult = rarity >= 0 && rarity < kItemRarityCount
                             ? data->rules().timeOnGroundMult[static_cast<size_t>(rarity)]
                             : 1.0f;
            ground->scheduleDelete(data->rules().baseItemTimeOnGround * mult);
        }
    }
    ground->playAnimation("fall", toIndex(AnimationPriority::Attack), 0, false);
    return ground;
}
