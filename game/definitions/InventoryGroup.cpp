#include "game/definitions/InventoryGroup.h"

#include "game/definitions/ItemBase.h"

#include <algorithm>

InventoryGroup::~InventoryGroup() = default;

void InventoryGroup::setSize(int size)
{
    m_items.resize(static_cast<size_t>(std::max(size, 0)));
}

ItemBase* InventoryGroup::getItem(int index) const
{
    if (index < 0 || index >= getSize())
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

int InventoryGroup::countItems() const
{
    return static_cast<int>(
        std::count_if(m_items.begin(), m_items.end(), [](const auto& p) { return p != nullptr; }));
}

int InventoryGroup::findFreeIndex() const
{
    for (int i = 0; i < getSize(); ++i)
        if (!m_items[static_cast<size_t>(i)])
            return i;
    return -1;
}

int InventoryGroup::findItem(const ItemBase* item) const
{
    if (!item)
        return -1;
    for (int i = 0; i < getSize(); ++i)
        if (m_items[static_cast<size_t>(i)].get() == item)
            return i;
    return -1;
}

bool InventoryGroup::addItem(ItemBase* item)
{
    if (!item)
        return false;
    int index = findFreeIndex();
    if (index < 0)
        return false;
    setItem(index, item);
    return true;
}

bool InventoryGroup::stackItem(ItemBase* item)
{
    if (!item || !item->isStack() || item->getQuantity() <= 0)
        return false;
    for (auto& place : m_items) {
        ItemBase* stack = place.get();
        if (!stack || stack == item || !stack->canStackWith(*item))
            continue;
        int room = stack->getMaxStack() - stack->getQuantity();
        if (room <= 0)
            continue;
        int moved = std::min(room, item->getQuantity());
        stack->setQuantity(stack->getQuantity() + moved);
        item->setQuantity(item->getQuantity() - moved);
        if (item->getQuantity() == 0)
            return true;
    }
    return false;
}

void InventoryGroup::setItem(int index, ItemBase* item)
{
    if (index < 0 || index >= getSize())
        return;
    auto& place = m_items[static_cast<size_t>(index)];
    if (place.get() == item)
        return;
    // An item moved within the group leaves its old place (one owner only).
    int previous = findItem(item);
    if (previous >= 0)
        m_items[static_cast<size_t>(previous)].release();
    place.reset(item);
    if (item)
        item->setGroup(m_index);
}

ItemBase* InventoryGroup::releaseItem(int index)
{
    if (index < 0 || index >= getSize())
        return nullptr;
    ItemBase* item = m_items[static_cast<size_t>(index)].release();
    if (item)
        item->setGroup(-1);
    return item;
}

void InventoryGroup::destroyItemAt(int index)
{
    if (index >= 0 && index < getSize())
        m_items[static_cast<size_t>(index)].reset();
}

void InventoryGroup::destroyAll()
{
    for (auto& place : m_items)
        place.reset();
}
