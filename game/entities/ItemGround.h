#pragma once

#include "game/entities/Entity.h"

class Item;

// An item lying on the ground: falls, idles, and goes after a time set by
// its rarity. While the item is not taken the ground object owns it.
class ItemGround : public Entity {
public:
    ItemGround();
    ~ItemGround() override;

    void update(float dt) override;
    void writeSnapshot(ByteBuffer& out) const override;

    Item* getGroundItem() const { return m_item; }
    void setItem(Item* item) { m_item = item; }
    bool isItemTaken() const { return m_itemTaken; }
    // The taker owns the item from now on.
    Item* takeItem();
    // A taker that found no room gives the item back; the ground owns it again.
    void putItemBack(Item* item);
    // Taken and used up where it lies (a quest's find): nobody can take it
    // any more, and it stays shown until the ground object goes.
    void consumeItem();

private:
    Item* m_item = nullptr;
    bool m_itemTaken = false;
    bool m_itemConsumed = false;
};

// Puts the item on the ground at or near the position. Null when there is no
// free spot or no room in the world: the caller then keeps the item.
ItemGround* dropItemOnGround(Item* item, bool keepForever, bool nearSearch, const ZonePosition& position);
