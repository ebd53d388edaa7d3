#include "game/entities/Sentient.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillListBase.h"

#include <algorithm>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

} // namespace

void Sentient::setCharacterClass(int index)
{
    // Both looked up first: a failure changes nothing.
    const GameData* data = GameData::instance();
    const CharacterClass* record = data ? data->findCharacterClassById(index) : nullptr;
    const DatabaseEntry* entry = index >= 0 && index < kCharacterClassTypeCount
                                     ? DefinitionReader::findEntry("Class" + getCharacterClassTypeName(index))
                                     : nullptr;
    if (!record || !entry) {
        debugPrint(3, "Unknown class index %d\n", index);
        return;
    }
    m_class = record;
    m_baseSpeed = DefinitionReader(entry).getInt("BaseSpeed");
    for (int t = 0; t < std::min(record->getSkillTreeCount(), CharacterClass::kMaxSkillTrees); ++t) {
        int n = record->skillTrees[static_cast<size_t>(t)].skillCount;
        for (int i = 0; i < kSkillStatsPerTree; ++i)
            m_stats.set(toIndex(skillStat(t, i)), i < n ? 1 : 0);
    }
    m_stats.set(stat(CharacterStat::Class), index);
    if (usesClassEntry() && getEntry() != entry) {
        SimpleData::setEntry(entry, entry->getName());
        loadFromDatabase();
    }
    if (!record->modelName.empty())
        setModel(record->modelName);
}

void Sentient::levelUp()
{
    const int level = stat(CharacterStat::Level);
    m_stats.set(level, std::min(100, m_stats.get(level) + 1));
    if (m_class) {
        const GameData* data = GameData::instance();
        for (int i = 0; i < kBaseAttributeCount; ++i) {
            int value = m_stats.get(stat(CharacterStat::BaseStrength) + i) +
                        m_class->attributesPerLevel[static_cast<size_t>(i)];
            int cap = data ? data->rules().maxBaseAttributes[static_cast<size_t>(i)] : 0;
            if (cap >= 1)
                value = std::min(value, cap);
            m_stats.set(stat(CharacterStat::BaseStrength) + i, value);
        }
    }
    updateStats(false);
    if (m_maxHealth < 1 || m_health > 0) {
        m_health = m_maxHealth;
        if (m_class && m_class->maxPowerOnLevelUp)
            m_stats.set(stat(CharacterStat::Power), m_stats.get(stat(CharacterStat::MaxPower)));
    }
    if (getCovenant())
        Entity::spawnAttachedEffect("models/levelUp.mdl", this, "tag_helmet", 2.0f);
}

bool Sentient::giveItem(const std::string& entryName, bool generate)
{
    const DatabaseEntry* entry = DefinitionReader::findEntry(entryName);
    InventoryBase* inventory = m_inventory.get();
    if (!entry || !inventory)
        return false;
    const int equipmentGroup = toIndex(InventoryGroupIndex::Equipment);
    InventoryGroup* equipment = inventory->getSlot(equipmentGroup);
    if (!equipment)
        return false;
    int level = m_stats.get(stat(CharacterStat::Level));
    for (;;) {
        ItemBase* item = inventory->createItem();
        item->setItemEntry(entry);
        item->generate(generate ? level : 0);
        EquipedLocation place = inventory->findEquipSlot(*item);
        int slot = toIndex(place);
        bool placed = false;
        if (place != EquipedLocation::None && slot < equipment->getSize()) {
            // What lies there goes to the bags. With no room for it, it
            // stays where it is and the new item is not given: an owned item
            // is never thrown away for a new one.
            if (ItemBase* old = equipment->releaseItem(slot)) {
                int added = inventory->addItem(old);
                if (added == InventoryBase::kAddStacked) {
                    delete old;
                } else if (added == InventoryBase::kAddNoRoom) {
                    equipment->setItem(slot, old);
                    delete item;
                    return false;
                }
            }
            if (item->getItemType() == ItemType::HandBoth)
                equipment->destroyItemAt(toIndex(EquipedLocation::HandSecondary));
            equipment->setItem(slot, item);
            placed = true;
        }
        if (placed) {
            markEquipmentChanged();
            return true;
        }
        // An item without a place is freed whatever the mode.
        delete item;
        if (!generate || level - 2 < 1)
            return false;
        level -= 2;
    }
}

void Sentient::giveStartingEquipment()
{
    int c = m_stats.get(stat(CharacterStat::Class));
    int kind = c >= 0 && c <= 7 ? c % 4 : -1; // 0 warrior, 1 rogue, 2 priest, 3 mage
    if (kind < 0) {
        updateStats(false);
        return;
    }
    auto hasSkill = [this](const char* name) {
        SkillBase* skill = m_skillList ? m_skillList->findByName(name) : nullptr;
        return skill && skill->getLevel() >= 1;
    };
    const char* chest = "Cloth";
    if (kind == 0)
        chest = hasSkill("TalentPlateArmor") ? "Plate" : "Mail";
    else if (kind == 1)
        chest = "Leather";
    else if (kind == 2)
        chest = hasSkill("TalentChainArmor") ? "Mail" : "Leather";
    giveItem(std::string("BaseChest") + chest, false);

    bool twoHanded = false;
    if (kind == 0 || kind == 2) {
        const int equipmentGroup = toIndex(InventoryGroupIndex::Equipment);
        InventoryGroup* equipment = m_inventory ? m_inventory->getSlot(equipmentGroup) : nullptr;
        int j1 = toIndex(EquipedLocation::Jewelry1);
        int j2 = toIndex(EquipedLocation::Jewelry2);
        if (equipment && j1 < equipment->getSize() && equipment->getItem(j1))
            twoHanded = j2 >= equipment->getSize() || !equipment->getItem(j2);
        else
            twoHanded = randomFloat(0) < 0.5f;
    }
    float r = randomFloat(0);
    std::string weapon;
    switch (kind) {
    case 0:
        if (r < 0.25f)
            weapon = twoHanded ? "BaseTwoHandedAxe" : "BaseOneHandedAxe";
        else if (r < 0.5f)
            weapon = "BaseDagger";
        else if (r < 0.75f)
            weapon = twoHanded ? "BaseMaceTwoHanded" : "BaseMace";
        else
            weapon = twoHanded ? "BaseTwoHandedSword" : "BaseSword";
        break;
    case 1:
        weapon = r < 0.5f ? "BaseDagger" : "BaseSword";
        break;
    case 2:
        weapon = twoHanded ? "BaseMaceTwoHanded" : "BaseMace";
        break;
    default:
        weapon = "BaseStaff";
        break;
    }
    giveItem(weapon, false);
    if ((kind == 0 || kind == 2) && !twoHanded)
        giveItem("BaseShield", false);
    updateStats(false);
}
