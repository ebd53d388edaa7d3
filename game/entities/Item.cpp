#include "game/entities/Item.h"
#include "game/entities/Player.h"

#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"

#include <cmath>

namespace {

bool isStashOrLoot(int group)
{
    return group == toIndex(InventoryGroupIndex::Stash) || group == toIndex(InventoryGroupIndex::Loot);
}

bool isBagGroup(int group)
{
    return (group >= toIndex(InventoryGroupIndex::Bag1) && group <= toIndex(InventoryGroupIndex::Bag4)) ||
           (group >= toIndex(InventoryGroupIndex::StashBag1) &&
            group <= toIndex(InventoryGroupIndex::StashBag8));
}

} // namespace

Item::~Item()
{
    m_owner = nullptr;
}

void Item::clear()
{
    ItemBase::clear();
    m_owner = nullptr;
}

int Item::getGainAtLevel(const std::string& gain) const
{
    const Database* db = Database::instance();
    const DatabaseEntry* e = getItemEntry();
    if (!db || !e)
        return 0;
    float levels = static_cast<float>(getLevel() - 1);
    float value = db->getFloat(e, gain + "Base", 0.0f) + db->getFloat(e, gain + "PerLevel", 0.0f) * levels;
    return static_cast<int>(std::floor(value + 0.5f));
}

bool Item::applySetBonuses(Sentient* user)
{
    if (!user)
        return false;
    bool given = false;
    for (const ItemSetBonus* bonus : {&getPartialSetBonus(), &getFullSetBonus()}) {
        if (!bonus->effect)
            continue;
        int needed = 0;
        if (user->countSetBonusItems(bonus->effect, needed) < bonus->itemsNeeded)
            continue;
        if (user->hasStatusEffect(bonus->effect) || !user->canReceiveStatusEffect(bonus->effect, user))
            continue;
        user->addStatusEffect(bonus->effect, user, 1);
        given = true;
    }
    return given;
}

void Item::placeBag(InventoryBase& inventory, int group, int slot)
{
    // A carried bag goes to the first empty place of the main group, a stash
    // bag to the stash's; the place opens the bag's group. No empty place:
    // the bag stays.
    const bool stash = group >= toIndex(InventoryGroupIndex::StashBag1);
    const int holder = toIndex(stash ? InventoryGroupIndex::Stash : InventoryGroupIndex::Main);
    const int places = stash ? InventoryBase::kStashBagCount : InventoryBase::kBagCount;
    InventoryGroup* holding = inventory.getSlot(holder);
    if (!holding)
        return;
    for (int place = 0; place < places && place < holding->getSize(); ++place) {
        if (!holding->getItem(place) && inventory.moveItem(group, slot, holder, place))
            return;
    }
}

bool Item::use(Sentient* user)
{
    InventoryBase* inventory = user ? user->getInventory() : nullptr;
    int group = -1;
    int slot = -1;
    if (inventory)
        inventory->findItem(this, group, slot);

    if (inventory && isStashOrLoot(group)) {
        // A full merge leaves nothing here: the caller removes and frees it.
        if (inventory->stackItem(this))
            return true;
        InventoryGroup* from = inventory->getSlot(group);
        ItemBase* taken = inventory->clearEntry(group, slot);
        int added = taken ? inventory->addItem(taken) : InventoryBase::kAddNoRoom;
        if (added == InventoryBase::kAddStacked) {
            delete taken;
        } else if (added == InventoryBase::kAddNoRoom && taken) {
            if (from)
                from->setItem(slot, taken);
            user->sendMessage(4, "No room in inventory!");
        }
        return false;
    }
    if (user && needsIdentify()) {
        Game* game = Game::instance();
        float seconds =
            game ? game->getIdentifyTime(getLevel(), user->getStat(toIndex(CharacterStat::Level))) : 0.0f;
        user->startIdentifyItem(this, seconds);
        return false;
    }
    if (inventory && isBagGroup(group) && isEquippableInBag()) {
        // Worn only by a class that may wear it, from its level on: the
        // same test a drag onto the equipment place passes. A guard is
        // worn by no one: it is hired at the house.
        if (getItemType() == ItemType::Bag)
            placeBag(*inventory, group, slot);
        else if (getItemType() == ItemType::Guard)
            user->sendMessage(4, "Guards go into a guard place at your house's pedestal!");
        else if (std::string refusal = user->wearRefusal(*this); !refusal.empty())
            user->sendMessage(4, refusal);
        else if (inventory->equipItem(group, slot))
            applySetBonuses(user);
        return false;
    }
    if (!getBool("CanBeUsed") || !user)
        return false;
    if (!user->meetsItemRequirement(toIndex(getItemRequirement())))
        return false;
    if (!user->isItemTimerReady(this))
        return false;
    user->sendItemTimer(this);
    int healMax = getGainAtLevel("MaxHealthGain");
    if (healMax > 0)
        user->heal(randomIntInclusive(getGainAtLevel("MinHealthGain"), healMax), nullptr, false);
    int powerMax = getGainAtLevel("MaxPowerGain");
    if (powerMax > 0)
        user->addPower(randomIntInclusive(getGainAtLevel("MinPowerGain"), powerMax));
    const Database* db = Database::instance();
    const DatabaseEntry* e = getItemEntry();
    std::string effect = db && e ? db->getString(e, "StatusEffect") : std::string();
    if (!effect.empty())
        user->addStatusEffectByName(effect, user, getBool("StatusEffectUseLevel") ? getLevel() : 1);
    if (getBool("TeleportHome")) {
        // Only a player of a covenant has a house gate to go to.
        if (auto* player = dynamic_cast<Player*>(user); player && player->getCovenant())
            player->startCreateGate();
        return false;
    }
    if (getItemType() == ItemType::TreasureMap) {
        // Read by a player, the map becomes a quest; it is used up once taken.
        Game* game = Game::instance();
        auto* player = dynamic_cast<Player*>(user);
        return game && player && game->startTreasureMapQuest(getLevel(), player);
    }
    std::string useEffect = db && e ? db->getString(e, "UseEffectName") : std::string();
    if (!useEffect.empty()) {
        float seconds = db->getFloat(e, "UseEffectTime", 0.0f);
        if (Game* game = Game::instance())
            game->spawnEntity(useEffect, user->getPosition(), seconds > 0.0f ? seconds : 5.0f);
    }
    if (getQuantity() > 1) {
        setQuantity(getQuantity() - 1);
        return false;
    }
    return true;
}
