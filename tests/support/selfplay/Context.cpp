#include "support/selfplay/Context.h"

#include "engine/console/VirtualKeys.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/input/Input.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemData.h"
#include "support/PlayedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <cstdio>
#include <cstdlib>

namespace selfplay {

bool clickWidget(UIWidget* widget, int button)
{
    if (!widget || !widget->isVisible()) {
        return false;
    }
    const Vec2 at = widget->getScreenPosition();
    const int x = static_cast<int>(at.x + widget->getSize().x / 2.0f);
    const int y = static_cast<int>(at.y + widget->getSize().y / 2.0f);
    const bool handled = widget->handleMouseButton(button, true, x, y);
    widget->handleMouseButton(button, false, x, y);
    return handled;
}

UIWidget* shownWidget(const std::string& fullName)
{
    UIWidget* widget = UISystem::get().findWidget(fullName);
    return widget && widget->isVisible() ? widget : nullptr;
}

UIWidget* shownOnPage(const std::string& fullName)
{
    UIMenu* page = UISystem::get().findMenu(fullName.substr(0, fullName.find("::")).c_str());
    if (page && page->isActive()) {
        page->update(0.0f);
    }
    return shownWidget(fullName);
}

bool menuShown(const char* name)
{
    UIMenu* menu = UISystem::get().findMenu(name);
    return menu && menu->isActive();
}

UIItemSlot* findSlot(const char* menuName, int group, int entry)
{
    UIMenu* menu = UISystem::get().findMenu(menuName);
    if (!menu || !menu->isActive()) {
        return nullptr;
    }
    for (const auto& widget : menu->getWidgets()) {
        auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
        if (slot && slot->getGroup() == group && slot->getEntry() == entry) {
            return slot;
        }
    }
    return nullptr;
}

void clickRow(UIList& list, int row)
{
    const Vec2 at = list.getScreenPosition();
    const int x = static_cast<int>(at.x + 8.0f);
    const int y =
        static_cast<int>(at.y + (static_cast<float>(row) + 0.5f) * static_cast<float>(list.getItemHeight()));
    list.handleMouseButton(0, true, x, y);
    list.handleMouseButton(0, false, x, y);
}

bool pressKey(const char* action)
{
    VirtualKeys& keys = VirtualKeys::get();
    const VirtualKeys::Action* bound = keys.getAction(keys.findKey(action, false));
    if (!bound || bound->code < 0 || bound->isMouse) {
        return false;
    }
    Input::get().queueKey(bound->code, true, false);
    Input::get().queueKey(bound->code, false, false);
    return true;
}

Context::Context(PlayedGame& program, uint32_t seed, FaultSink sink)
    : program(program), random(seed), m_sink(std::move(sink))
{
}

void Context::report(const std::string& text)
{
    if (m_holdFaults) {
        m_heldFaults.push_back(text);
        return;
    }
    ++m_faults;
    if (m_sink) {
        m_sink(m_faultContext + text);
    } else {
        std::fprintf(stderr, "self-play fault: %s%s\n", m_faultContext.c_str(), text.c_str());
    }
}

bool Context::dropHeldFaults()
{
    const bool any = !m_heldFaults.empty();
    m_heldFaults.clear();
    return any;
}

void Context::trace(const char* what) const
{
    const ZonePosition p = player ? player->getPosition() : ZonePosition();
    std::string line = formatString("frame %d: zone %d (%.0f, %.0f) %s\n", frame, p.zone,
                                    static_cast<double>(p.x), static_cast<double>(p.y), what);
    if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
        std::fputs(line.c_str(), stdout);
    }
    m_traceTail.push_back(std::move(line));
    if (m_traceTail.size() > kTraceTail) {
        m_traceTail.pop_front();
    }
}

std::string Context::traceTail() const
{
    std::string tail;
    for (const std::string& line : m_traceTail) {
        tail += line;
    }
    return tail;
}

bool Context::stillClicked(EntityClient* target) const
{
    return mirror->getTarget(false) == target && mirror->action != PlayerClient::kActionNone &&
           mirror->action != PlayerClient::kActionForced;
}

std::vector<std::pair<int, int>> Context::carriedPotions() const
{
    std::vector<std::pair<int, int>> potions;
    InventoryBase* inventory = player->getInventory();
    for (int group = kBag1; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            const ItemBase* item = inventory->getItemAt(group, slot);
            if (item && item->getItemEntry() && isHealingPotion(*item)) {
                potions.emplace_back(group, slot);
            }
        }
    }
    return potions;
}

bool Context::isHealingPotion(const ItemBase& item)
{
    return item.getItemEntry() && item.getItemEntry()->getName().find("HealthPotion") != std::string::npos;
}

bool Context::isReturnScroll(const ItemBase& item)
{
    return item.getBool("TeleportHome");
}

std::pair<int, int> Context::findInBags(const std::function<bool(const ItemBase&)>& wanted) const
{
    InventoryBase* inventory = player->getInventory();
    for (int group = kBag1; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            const ItemBase* item = inventory->getItemAt(group, slot);
            if (item && wanted(*item)) {
                return {group, slot};
            }
        }
    }
    return {-1, -1};
}

int Context::countPlaces(int first, bool filled) const
{
    int count = 0;
    InventoryBase* inventory = player->getInventory();
    for (int group = first; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            count += (inventory->getItemAt(group, slot) != nullptr) == filled ? 1 : 0;
        }
    }
    return count;
}

int Context::useBagItem(int group, int slot)
{
    const std::string bag = formatString("bag%d", group - kBag1);
    if (!menuShown("Inventory")) {
        clickWidget(shownWidget("Hud::Inventory"));
        return 0;
    }
    if (!menuShown(bag.c_str())) {
        clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
        return 0;
    }
    UIItemSlot* place = findSlot(bag.c_str(), group, slot);
    if (!place) {
        fault() << "the window " << bag << " shows no place " << slot << " of its bag";
        return -1;
    }
    clickWidget(place, 1);
    return 1;
}

} // namespace selfplay
