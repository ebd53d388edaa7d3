#include "ui/UISystem.h"

#include "engine/input/Input.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIUseSlot.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>

void UISystem::updateActiveMenus(bool includeInputOnly)
{
    m_active.clear();
    auto listed = [&](UIMenu* menu) {
        return (menu->isEligible() && menu->isVisible()) || (includeInputOnly && menu->alwaysHandlesInput());
    };
    auto collect = [&] {
        for (const std::unique_ptr<UIMenu>& menu : m_menus) {
            if (menu->isAlwaysOnTop() && !menu->isSubMenu() && !menu->isOnStack() && listed(menu.get())) {
                m_active.push_back(menu.get());
            }
        }
        for (size_t i = m_menuStack.size(); i-- > 0;) {
            UIMenu* menu = m_menuStack[i].get();
            if (!menu) {
                continue;
            }
            m_active.push_back(menu);
            if (menu->blocks()) {
                return;
            }
        }
        for (const std::unique_ptr<UIMenu>& menu : m_menus) {
            if (!menu->isAlwaysOnTop() && !menu->isSubMenu() && !menu->isOnStack() && listed(menu.get())) {
                m_active.push_back(menu.get());
                if (menu->blocks()) {
                    return;
                }
            }
        }
    };
    collect();
}

void UISystem::collectOpenLists()
{
    m_openLists.clear();
    for (const UIMenu* menu : m_active) {
        menu->collectOpenLists(m_openLists);
    }
}

void UISystem::closeOpenLists(const UIWidget* keep)
{
    for (const std::unique_ptr<UIMenu>& menu : m_menus) {
        for (const std::unique_ptr<UIWidget>& widget : menu->getWidgets()) {
            if (widget.get() != keep && widget->drawsOnTop()) {
                widget->closeList();
            }
        }
    }
}

UIWidget* UISystem::getWidgetAtMouse(bool onlyFlagged)
{
    updateActiveMenus(true);
    int x, y;
    UISystem::pointerPosition(x, y);
    // An open list lies over every menu.
    collectOpenLists();
    for (UIWidget* widget : m_openLists) {
        if (widget->containsPoint(static_cast<float>(x), static_cast<float>(y)) &&
            (!onlyFlagged || widget->isHitTestable())) {
            return widget;
        }
    }
    for (UIMenu* menu : m_active) {
        if (UIWidget* widget = menu->findWidgetAt(x, y, onlyFlagged)) {
            return widget;
        }
    }
    return nullptr;
}

bool UISystem::isFullScreenMenuShown() const
{
    for (const std::unique_ptr<UIMenu>& menu : m_menus) {
        if (menu->blocks()) {
            return true;
        }
    }
    return false;
}

bool UISystem::isMouseOverMenu()
{
    updateActiveMenus(false);
    for (UIMenu* menu : m_active) {
        if (menu->blocks()) {
            return true;
        }
    }
    return false;
}

bool UISystem::handleKey(int key, bool down, bool repeat)
{
    CallGuard guard(*this);
    updateActiveMenus(true);
    // A menu's key may show, hide or stack menus: walk a copy.
    std::vector<UIMenu*> active = m_active;
    std::vector<SafePtr<UIMenu>> safe(active.begin(), active.end());
    for (const SafePtr<UIMenu>& menu : safe) {
        if (menu && menu->handleKey(key, down, repeat)) {
            return true;
        }
    }
    return false;
}

bool UISystem::onMouseButton(int button, bool down, int x, int y)
{
    CallGuard guard(*this);
    bool modePress = down && m_mode != UIMode::Normal;
    // The help box's labels take clicks while Alt or Ctrl is held, though
    // its menu is shown only while it draws.
    UIWidget* help = m_helpWidget.get();
    bool taken =
        (help && help->handleMouseButton(button, down, x, y)) || handleMouseButton(button, down, x, y);
    if (modePress) {
        m_mode = UIMode::Normal;
    }
    return taken;
}

bool UISystem::handleMouseButton(int button, bool down, int x, int y)
{
    updateActiveMenus(true);
    std::vector<SafePtr<UIMenu>> active(m_active.begin(), m_active.end());
    // An open list hears the mouse before every menu; a press anywhere else
    // only closes it.
    collectOpenLists();
    if (!m_openLists.empty()) {
        std::vector<SafePtr<UIWidget>> lists(m_openLists.begin(), m_openLists.end());
        for (const SafePtr<UIWidget>& list : lists) {
            if (list && list->handleMouseButton(button, down, x, y)) {
                return true;
            }
        }
        if (down) {
            closeOpenLists();
            return true;
        }
    }
    // Besides the two clicks that pick up and lay down, a press carried
    // onto a hot-bar place and let go there lays what it carries.
    if (m_drag && !down && button == 0) {
        auto* place = dynamic_cast<UIUseSlot*>(getWidgetAtMouse(false));
        if (place && place != m_drag.get() && place->placeDragged(m_drag.get())) {
            return true;
        }
    }
    if (m_drag && down) {
        UIWidget* target = getWidgetAtMouse(false);
        if (m_drag && m_drag->acceptsDrop(target)) {
            return true;
        }
    }
    bool blocked = false;
    for (const SafePtr<UIMenu>& menu : active) {
        if (!menu) {
            continue;
        }
        blocked = blocked || menu->blocks();
        if (menu->handleMouseButton(button, down, x, y)) {
            return true;
        }
    }
    if (!blocked && m_drag && down) {
        m_drag->endDrag();
        return true;
    }
    return false;
}

bool UISystem::handleMouseScroll(bool up)
{
    CallGuard guard(*this);
    updateActiveMenus(true);
    collectOpenLists();
    std::vector<SafePtr<UIWidget>> lists(m_openLists.begin(), m_openLists.end());
    for (const SafePtr<UIWidget>& list : lists) {
        if (list && list->onMouseWheel(up ? 1 : -1)) {
            return true;
        }
    }
    std::vector<SafePtr<UIMenu>> active(m_active.begin(), m_active.end());
    for (const SafePtr<UIMenu>& menu : active) {
        if (menu && menu->handleMouseWheel(up)) {
            return true;
        }
    }
    return false;
}

void UISystem::pointerPosition(int& x, int& y)
{
    x = y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
}
