#include "ui/menus/UIBagMenu.h"

#include "engine/core/TextReader.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIItemSlot.h"

#include <algorithm>

namespace {

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kLootBag1 = toIndex(InventoryGroupIndex::LootBag1);
constexpr int kLootBag8 = toIndex(InventoryGroupIndex::LootBag8);

} // namespace

bool UIBagMenu::parseParm(const std::string& keyword, TextReader& reader)
{
    // These two compare with their case.
    if (keyword == "group") {
        std::string name;
        reader.readToken(name, false);
        m_group = static_cast<int>(parseInventoryGroupIndex(name));
        giveGroupToSlots();
        return false;
    }
    if (keyword == "bagTemplate") {
        int capacity = reader.getInt();
        std::string name;
        reader.readToken(name, false);
        m_templateCapacities.push_back(capacity);
        m_templateNames.push_back(name);
        return false;
    }
    return UIMenu::parseParm(keyword, reader);
}

void UIBagMenu::giveGroupToSlots()
{
    for (const auto& widget : m_widgets) {
        if (auto* slot = dynamic_cast<UIItemSlot*>(widget.get())) {
            slot->setGroup(m_group);
            slot->setSlotType(static_cast<int>(ItemSlotType::General));
        }
    }
}

int UIBagMenu::getBagCapacity() const
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!view || !view->hasLocalPlayer()) {
        return 0;
    }
    int group = kMain;
    int entry = 0;
    if (m_group >= kBag1 && m_group <= kBag4) {
        entry = m_group - kBag1;
    } else if (m_group >= kLootBag1 && m_group <= kLootBag8) {
        group = kLoot;
        entry = m_group - kLootBag1;
    }
    const ItemBase* bag = view->getPlayerItem(group, entry);
    return bag ? bag->getBagSize() : 0;
}

void UIBagMenu::applyTemplate(int capacity)
{
    std::string name;
    auto at = std::find(m_templateCapacities.begin(), m_templateCapacities.end(), capacity);
    if (at != m_templateCapacities.end()) {
        name = m_templateNames[static_cast<size_t>(at - m_templateCapacities.begin())];
    }
    if (name == m_currentTemplate) {
        return;
    }
    m_currentTemplate = name;
    UISystem* ui = UISystem::instance();
    const UIMenu* source = ui && !name.empty() ? ui->findMenu(name) : nullptr;
    if (!source || source == this) {
        return;
    }
    copyWidgetsFrom(*source);
    m_size = source->getSize();
    giveGroupToSlots();
}

void UIBagMenu::update(float seconds)
{
    UIMenu::update(seconds);
    if (!isActive()) {
        return;
    }
    int capacity = getBagCapacity();
    if (capacity == 0) {
        if (UISystem* ui = UISystem::instance()) {
            ui->removeFromMenuStack(this);
        }
        return;
    }
    applyTemplate(capacity);
    for (const auto& widget : m_widgets) {
        if (auto* slot = dynamic_cast<UIItemSlot*>(widget.get())) {
            slot->setVisible(slot->getEntry() < capacity);
        }
    }
}

void UIBagMenu::onShow()
{
    applyTemplate(getBagCapacity());
    UISystem* ui = UISystem::instance();
    if (!ui) {
        return;
    }
    auto& stack = ui->getSideStack();
    if (std::none_of(stack.begin(), stack.end(),
                     [this](const SafePtr<UIMenu>& m) { return m.get() == this; })) {
        stack.emplace_back(this);
    }
    ui->layOutSideStack();
}

void UIBagMenu::onHide()
{
    UISystem* ui = UISystem::instance();
    if (!ui) {
        return;
    }
    auto& stack = ui->getSideStack();
    stack.erase(std::remove_if(stack.begin(), stack.end(),
                               [this](const SafePtr<UIMenu>& m) { return !m || m.get() == this; }),
                stack.end());
    ui->layOutSideStack();
}
