#include "ui/widgets/UIItemSlot.h"

#include "client/mirrors/EntityClient.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/ItemBase.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/WidgetReads.h"

#include <cmath>

// What the player does with an item slot: picking up, dropping, buying,
// selling and using. Every action leaves as one line for the server, which
// checks it again; a refusal is a floating message and sends nothing.

namespace {

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kStash = toIndex(InventoryGroupIndex::Stash);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kGuardCurrency = 10;
constexpr int kMoneyStat = 96;

// A "NoDrop" item may only lie in the main inventory, the equipment and the bags.
bool mustStay(const ItemBase* item, int destination)
{
    return item && item->isNoDrop() && destination != kMain && destination != kEquipment &&
           (destination < kBag1 || destination > kBag4);
}

std::string onlyHoldText(int slotType)
{
    return "Slot can only hold $$" + getItemSlotTypeName(slotType) + "OnlyHold$$!";
}

} // namespace

void UIItemSlot::playGameSound(const char* name) const
{
    if (ClientView* view = widgetClientView()) {
        view->playInterfaceSound(view->getGameSound(name));
    }
}

// May this slot's item leave it?
bool UIItemSlot::mayGiveUpItem() const
{
    ClientView* view = widgetClientView();
    if (!view || !view->hasLocalPlayer()) {
        return false;
    }
    if (m_group == kLoot) {
        const EntityClient* other = view->getTargetEntity(false);
        bool vendor = other && other->isVendor();
        if (!vendor && (!other || other->getCovenantIndex() != view->getPlayerCovenantIndex())) {
            return false;
        }
    }
    if (m_slotType == static_cast<int>(ItemSlotType::Bag)) {
        int bag = getBagGroup();
        return bag < 0 || view->getPlayerGroupCount(bag) == 0;
    }
    return true;
}

// May the bag in this slot take the dragged slot's item?
bool UIItemSlot::bagCanTake(const UIItemSlot* dragged) const
{
    ClientView* view = widgetClientView();
    int bag = getBagGroup();
    if (!dragged || !view || !view->hasLocalPlayer() || bag < 0) {
        return false;
    }
    if (view->getPlayerGroupCount(bag) < view->getPlayerGroupCapacity(bag)) {
        return true;
    }
    return dragged->m_group == bag;
}

void UIItemSlot::onClick(int button, bool down, int x, int y)
{
    UIWidget::onClick(button, down, x, y);
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!down || !view) {
        return;
    }
    if (button == 1) {
        if (m_vendor) {
            buy();
        } else if (m_slotType == static_cast<int>(ItemSlotType::Bag)) {
            if (m_group == kMain) {
                ui->runCommand(formatString("pushPopMenu bag%d", m_entry));
            } else if (m_group == kLoot) {
                ui->runCommand(formatString("pushPopMenu stashBag%d", m_entry));
            }
        } else {
            activate();
        }
        return;
    }
    if (button != 0) {
        return;
    }
    auto* dragged = dynamic_cast<UIItemSlot*>(ui->getDragWidget());
    const ItemBase* carried = dragged ? dragged->getItem() : nullptr;
    if (!mayGiveUpItem() && !bagCanTake(dragged)) {
        // The drag stays: the player may drop the item elsewhere.
        if (carried) {
            view->showErrorMessage("Bag is full!");
        } else if (m_slotType == static_cast<int>(ItemSlotType::Bag)) {
            view->showErrorMessage("Can't pickup bags with items in it!");
        } else {
            view->showErrorMessage("Can't take this item!");
        }
        return;
    }
    if (!dragged) {
        const ItemBase* item = getItem();
        if (!m_onlyDrop && item && !getIconName(*item).empty()) {
            ui->setDragWidget(this);
            playGameSound("SoundNameItemPickup");
        }
        return;
    }
    dropOn(*dragged);
    ui->setDragWidget(nullptr);
    if (carried) {
        view->playItemSound(*carried);
    }
}

// The dragged slot D is let go on this slot S.
void UIItemSlot::dropOn(UIItemSlot& dragged)
{
    ClientView* view = widgetClientView();
    if (m_vendor && !dragged.m_vendor) {
        dragged.sell();
        return;
    }
    if (dragged.m_vendor && !m_vendor) {
        dragged.buy();
        return;
    }
    const ItemBase* mine = getItem();
    const ItemBase* carried = dragged.getItem();
    auto fits = [&](const ItemBase* item, const UIItemSlot& slot) {
        return !item || view->canPlaceItem(*item, slot.m_group, slot.m_entry, slot.m_slotType);
    };
    if (fits(mine, dragged) && fits(carried, *this)) {
        int draggedBag = dragged.getBagGroup();
        int myBag = getBagGroup();
        if ((draggedBag >= 0 && draggedBag == m_group) || (myBag >= 0 && myBag == dragged.m_group)) {
            view->showErrorMessage("Can't move item here!");
        } else if (mustStay(mine, dragged.m_group) || mustStay(carried, m_group)) {
            view->showErrorMessage("Item must stay in inventory!");
        } else {
            view->queueServerCommand(
                formatString("moveItem %d %d %d %d", dragged.m_group, dragged.m_entry, m_group, m_entry));
        }
        return;
    }
    if (carried && !carried->fitsSlotType(static_cast<ItemSlotType>(m_slotType))) {
        view->showErrorMessage(onlyHoldText(m_slotType));
    } else if (mine && !mine->fitsSlotType(static_cast<ItemSlotType>(dragged.m_slotType))) {
        view->showErrorMessage(onlyHoldText(dragged.m_slotType));
    }
}

int UIItemSlot::getBuyPrice() const
{
    ClientView* view = widgetClientView();
    const ItemBase* item = getItem();
    if (!item || !view) {
        return 0;
    }
    const EntityClient* other = view->getTargetEntity(false);
    if (other && other->isGambler() && m_entry != kRepurchaseFirst && m_entry != kRepurchaseLast) {
        return item->getGamblePrice();
    }
    int price = item->getPrice();
    float multiplier = m_repurchase ? lerpByLevel(static_cast<float>(price)) : 1.0f;
    return static_cast<int>(std::floor(static_cast<float>(price) * multiplier));
}

void UIItemSlot::buy()
{
    ClientView* view = widgetClientView();
    const ItemBase* item = getItem();
    // An empty vendor place sells nothing, whatever it would cost.
    if (!m_vendor || !view || !item) {
        return;
    }
    int price = getBuyPrice();
    bool affordable = item->getGuardPrice() > 0 ? view->getCovenantCounter(kGuardCurrency) >= price
                                                : view->getPlayerStat(kMoneyStat) >= price;
    if (affordable) {
        view->queueServerCommand(formatString("buyItem %d %d", m_group, m_entry));
        playGameSound("SoundNameBuyItem");
    } else {
        view->showErrorMessage("Can't afford item!");
    }
}

void UIItemSlot::sell()
{
    ClientView* view = widgetClientView();
    const ItemBase* item = getItem();
    const EntityClient* other = view ? view->getTargetEntity(false) : nullptr;
    if (!item || !other || !(other->isVendor() || other->isGuardVendor()) || m_group == kLoot) {
        return;
    }
    int bag = getBagGroup();
    if (item->isNoDrop()) {
        view->showErrorMessage("Can't sell item!");
    } else if (bag >= 0 && view->getPlayerGroupCount(bag) > 0) {
        view->showErrorMessage("Can't sell bags with items in it!");
    } else if (item->getGuardPrice() > 0 && !other->isGuardVendor()) {
        view->showErrorMessage("Can only sell guard items to guard vendor!");
    } else if (item->getGuardPrice() <= 0 && other->isGuardVendor()) {
        view->showErrorMessage("Can only sell normal items to the normal vendor!");
    } else {
        view->queueServerCommand(formatString("sellItem %d %d", m_group, m_entry));
        playGameSound("SoundNameSellItem");
    }
}

void UIItemSlot::endDrag()
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    const ItemBase* item = getItem();
    if (ui) {
        ui->setDragWidget(nullptr);
    }
    if (!item || !view || forceUse(view->getEntityUnderMouse())) {
        return;
    }
    if (item->isNoDrop()) {
        view->showErrorMessage("Can't drop item!");
    } else {
        view->queueServerCommand(formatString("dropItem %d %d", m_group, m_entry));
    }
}

bool UIItemSlot::acceptsDrop(UIWidget* target)
{
    if (!target || target->getEntityType() != UIEntity::PartyMember || !forceUse(target->getEntity())) {
        return false;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->setDragWidget(nullptr);
    }
    return true;
}

bool UIItemSlot::forceUse(EntityClient* entity)
{
    ClientView* view = widgetClientView();
    const ItemBase* item = getItem();
    if (!view || !item || !item->canForceUse() || !entity || !view->isFriendly(entity)) {
        return false;
    }
    view->queueServerCommand(formatString("forceUse %d %d %d", entity->getEntityNumber(), m_group, m_entry));
    return true;
}

void UIItemSlot::activate()
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    const ItemBase* item = getItem();
    if (!item || !view) {
        return;
    }
    const EntityClient* other = view->getTargetEntity(false);
    bool vendorStock = m_group == kLoot && other && other->isVendor();
    if (item->getItemType() == ItemType::Tome && !vendorStock) {
        ui->setStoryFile(item->getItemEntry() ? DefinitionReader(item->getItemEntry()).getString("TextFile")
                                              : std::string());
        ui->runCommand("pushMenu Story");
        return;
    }
    if (!item->isUsable()) {
        return;
    }
    if (m_group != kLoot && m_group != kStash && !item->needsIdentify() && item->isEquippableInBag()) {
        view->playItemSound(*item);
    }
    view->useItem(m_group, m_entry);
}
