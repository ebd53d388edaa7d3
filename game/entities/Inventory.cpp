#include "game/entities/Inventory.h"

#include "game/covenants/StatChangeList.h"
#include "game/entities/Item.h"
#include "game/entities/Sentient.h"

InventoryGroup* Inventory::getSlot(int group)
{
    InventoryGroup* own = getOwnGroup(group);
    if (own && own->isHeldByOwner() && m_sentient)
        return m_sentient->getInventoryGroup(group);
    return own;
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

void Inventory::addStatFromItems(int statType, int stat, int& total)
{
    for (int g : {toIndex(InventoryGroupIndex::Equipment), toIndex(InventoryGroupIndex::Bookshelf)}) {
        const InventoryGroup* group = getOwnGroup(g);
        if (!group)
            continue;
        for (int i = 0; i < group->getSize(); ++i) {
            const ItemBase* item = group->getItem(i);
            if (!item)
                continue;
            if (statType == 1 && stat == toIndex(CharacterStat::Armor)) {
                total += item->getArmor();
            } else if (statType == 1 && stat == toIndex(CharacterStat::Defense)) {
                total += item->getStatBonus(CharacterStat::Defense) + item->getDefenseBonus();
            } else if (statType == 1 && (stat == toIndex(CharacterStat::MinDamage) ||
                                         stat == toIndex(CharacterStat::MaxDamage))) {
                for (int t = 0; t < kDamageTypeCount; ++t)
                    total += stat == toIndex(CharacterStat::MinDamage)
                                 ? item->getMinDamage(static_cast<DamageType>(t))
                                 : item->getMaxDamage(static_cast<DamageType>(t));
            } else if (stat >= 0 && stat < kCharacterStatCount) {
                total += item->getStatBonus(static_cast<CharacterStat>(stat));
            }
        }
    }
}

void Inventory::addEquippedDamage(StatChangeList& list, int flag)
{
    if (flag != 1)
        return;
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
