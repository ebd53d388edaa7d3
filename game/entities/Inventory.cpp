#include "game/entities/Inventory.h"

#include "game/covenants/StatChangeList.h"
#include "game/entities/Item.h"
#include "game/entities/Sentient.h"

#include <algorithm>

InventoryGroup* Inventory::getSlot(int group)
{
    InventoryGroup* own = getOwnGroup(group);
    return ownerHolds(own) ? m_sentient->getInventoryGroup(group) : own;
}

const InventoryGroup* Inventory::getSlot(int group) const
{
    const InventoryGroup* own = getOwnGroup(group);
    return ownerHolds(own) ? m_sentient->getInventoryGroup(group) : own;
}

void Inventory::setOwner(Entity* owner)
{
    m_sentient = dynamic_cast<Sentient*>(owner);
    InventoryBase::setOwner(m_sentient);
}

ItemBase* Inventory::createItem()
{
    auto* item = new Item();
    item->clear();
    return item;
}

void Inventory::onItemChanged(int group, int slot)
{
    if (m_sentient && (group == toIndex(InventoryGroupIndex::Equipment) ||
                       group == toIndex(InventoryGroupIndex::Bookshelf)))
        m_sentient->markEquipmentChanged();
}

void Inventory::removeUsedItem(int group, int entry, Sentient* user)
{
    auto* item = dynamic_cast<Item*>(getItemAt(group, entry));
    if (!item || !item->use(user))
        return;
    // The use may have moved things; free the item only where it still lies.
    if (getItemAt(group, entry) == item)
        delete clearEntry(group, entry);
}

namespace {

int itemStatContribution(const ItemBase& item, int stat, int group)
{
    if (group == 0)
        return item.getStatBonus(static_cast<CharacterStat>(stat));
    if (stat == toIndex(CharacterStat::Armor))
        return item.getArmor();
    if (stat == toIndex(CharacterStat::Defense))
        return item.getStatBonus(CharacterStat::Defense) + item.getDefenseBonus();
    const bool minimum = stat == toIndex(CharacterStat::MinDamage);
    if (minimum || stat == toIndex(CharacterStat::MaxDamage)) {
        int total = 0;
        for (int t = 0; t < kDamageTypeCount; ++t)
            total += minimum ? item.getMinDamage(static_cast<DamageType>(t))
                             : item.getMaxDamage(static_cast<DamageType>(t));
        return total;
    }
    return item.getStatBonus(static_cast<CharacterStat>(stat));
}

} // namespace

void Inventory::addStatFromItems(int group, int stat, int& total) const
{
    if ((group != 0 && group != 1) || stat < 0 || stat >= kCharacterStatCount)
        return;
    for (int g : {toIndex(InventoryGroupIndex::Equipment), toIndex(InventoryGroupIndex::Bookshelf)}) {
        const InventoryGroup* items = getOwnGroup(g);
        if (!items)
            continue;
        for (int i = 0; i < items->getSize(); ++i)
            if (const ItemBase* item = items->getItem(i))
                total += itemStatContribution(*item, stat, group);
    }
}

void Inventory::addStatsFromItems(int group, std::vector<int>& totals) const
{
    if (group != 0 && group != 1)
        return;
    const int count = std::min(static_cast<int>(totals.size()), kCharacterStatCount);
    const int armor = toIndex(CharacterStat::Armor);
    const int defense = toIndex(CharacterStat::Defense);
    const int minDamage = toIndex(CharacterStat::MinDamage);
    const int maxDamage = toIndex(CharacterStat::MaxDamage);
    // In group 1 these come from the item's fields, not its bonuses.
    auto fromFields = [&](int s) { return group == 1 && (s == armor || s == minDamage || s == maxDamage); };
    for (int g : {toIndex(InventoryGroupIndex::Equipment), toIndex(InventoryGroupIndex::Bookshelf)}) {
        const InventoryGroup* items = getOwnGroup(g);
        if (!items)
            continue;
        for (int i = 0; i < items->getSize(); ++i) {
            const ItemBase* item = items->getItem(i);
            if (!item)
                continue;
            item->addStatBonuses(totals, fromFields);
            if (group != 1)
                continue;
            if (armor < count)
                totals[static_cast<size_t>(armor)] += item->getArmor();
            if (defense < count)
                totals[static_cast<size_t>(defense)] += item->getDefenseBonus();
            for (int t = 0; t < kDamageTypeCount; ++t) {
                if (minDamage < count)
                    totals[static_cast<size_t>(minDamage)] += item->getMinDamage(static_cast<DamageType>(t));
                if (maxDamage < count)
                    totals[static_cast<size_t>(maxDamage)] += item->getMaxDamage(static_cast<DamageType>(t));
            }
        }
    }
}

void Inventory::addEquippedDamage(StatChangeList& list) const
{
    const InventoryGroup* equipment = getOwnGroup(toIndex(InventoryGroupIndex::Equipment));
    if (!equipment)
        return;
    for (int i = 0; i < equipment->getSize(); ++i) {
        const ItemBase* item = equipment->getItem(i);
        if (!item)
            continue;
        for (int t = 0; t < kDamageTypeCount; ++t)
            list.add(t, item->getMinDamage(static_cast<DamageType>(t)),
                     item->getMaxDamage(static_cast<DamageType>(t)));
    }
}
