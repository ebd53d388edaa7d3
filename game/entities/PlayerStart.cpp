#include "game/entities/Player.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/quests/Quest.h"

#include <memory>

namespace {
std::unique_ptr<Item> makeStartingItem(const DatabaseEntry* entry)
{
    auto item = std::make_unique<Item>();
    item->clear();
    item->setItemEntry(entry);
    item->generate();
    item->updateStackValue();
    return item;
}
} // namespace

void Player::giveStartingItems()
{
    const Database* db = Database::instance();
    if (!db)
        return;
    InventoryBase& inventory = *m_inventory;
    if (const DatabaseEntry* backpack = db->findEntry("Backpack")) {
        std::unique_ptr<Item> bag = makeStartingItem(backpack);
        InventoryGroup* main = inventory.getSlot(toIndex(InventoryGroupIndex::Main));
        if (main && main->addItem(bag.get()))
            bag.release();
        inventory.updateBagGroups();
    }
    const CharacterClass* c = getCharacterClass();
    const DatabaseEntry* classEntry = c ? DefinitionReader::findEntry("Class" + c->name) : nullptr;
    if (!classEntry)
        return;
    DefinitionReader reader(classEntry);
    m_stats.add(toIndex(CharacterStat::Money), reader.getInt("StartingMoney"));
    for (const std::string& name : reader.getStringList("StartingItem")) {
        const DatabaseEntry* entry = db->findEntry(name);
        if (!entry)
            continue;
        std::unique_ptr<Item> item = makeStartingItem(entry);
        int added = inventory.addItem(item.get(), toIndex(InventoryGroupIndex::Bag1));
        if (added == InventoryBase::kAddPlaced) {
            item.release();
        } else if (added == InventoryBase::kAddNoRoom) {
            debugPrint(2, "Player: starting item %s of class %s fits in no bag; dropped\n", name.c_str(),
                       classEntry->getName().c_str());
        }
    }
}

void Player::startFresh()
{
    startFresh(false);
}

void Player::startFresh(bool keepQuests)
{
    if (!keepQuests)
        for (auto& quest : m_quests)
            quest->reset();
    endAllStatusEffects();
    applyWornSetBonuses();
    updateStats(false);
    if (isPlayingAnimation("idle")) {
        m_animationPriority = toIndex(AnimationPriority::Idle);
        m_animationMode = kModeLoop;
    } else {
        playAnimation("idle", toIndex(AnimationPriority::Idle), kModeLoop, true);
    }
    if (isDead())
        resurrect(false);
    m_health = m_maxHealth;
    addStatusEffectByName("StatusEffectBasicRegen", nullptr, 1);
    if (const CharacterClass* c = getCharacterClass(); c && c->usesPower())
        m_stats.set(toIndex(CharacterStat::Power), m_stats.get(toIndex(CharacterStat::MaxPower)));
    // The covenant's running state starts again: money, influence and guards
    // gone, the stone whole. Without a covenant yet, the join does it.
    m_covenantResetPending = true;
    finishFreshStart();
    // Bound items (guards bought, soul stones) stay behind in the old world.
    for (int g = toIndex(InventoryGroupIndex::Bag1); g <= toIndex(InventoryGroupIndex::Bag4); ++g) {
        InventoryGroup* bag = m_inventory->getSlot(g);
        if (!bag)
            continue;
        for (int i = 0; i < bag->getSize(); ++i)
            if (const ItemBase* item = bag->getItem(i); item && item->getBool("Bound"))
                bag->destroyItemAt(i);
    }
}

void Player::finishFreshStart()
{
    auto* covenant = dynamic_cast<PlayerCovenant*>(getCovenant());
    if (!m_covenantResetPending || !covenant)
        return;
    m_covenantResetPending = false;
    covenant->resetHouse();
}

void Player::startNewWorld()
{
    GateList savedGates(GateList::Mode::Level);
    GateList savedCopy(GateList::Mode::Covenant);
    savedGates.getRecords() = m_gates->getRecords();
    savedCopy.getRecords() = m_gatesCopy->getRecords();
    reset();
    startFresh();
    buildForWorld();
    m_gates->copyActivationFrom(savedGates);
    m_gatesCopy->copyActivationFrom(savedCopy);
}
