#include "ui/UISystem.h"

#include "engine/input/Input.h"
#include "ui/ClientView.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>

void UISystem::update(float seconds)
{
    CallGuard guard(*this);
    updateActiveMenus(false);
    UIWidget* hovered = getWidgetAtMouse(false);
    if (hovered && hovered != m_hovered.get()) {
        hovered->playHoverSound();
    }
    m_hovered = hovered;
    updateActiveMenus(false);
    for (size_t i = 0; i < m_active.size(); ++i) {
        m_active[i]->update(seconds);
    }
    if (UIWidget* held = m_held.get()) {
        m_heldTime += seconds;
        float threshold =
            m_repeatCount == 0 ? m_settings.mouseFirstRepeatTime : m_settings.mouseOtherRepeatTime;
        if (m_heldTime > threshold) {
            m_heldTime -= threshold;
            ++m_repeatCount;
            held->onMouseHeld(m_heldButton, true);
        }
    }
}

void UISystem::draw()
{
    CallGuard guard(*this);
    updateActiveMenus(false);
    if (m_variables[3].isValid() && !m_variables[3].getBool()) {
        return;
    }
    for (size_t i = m_active.size(); i-- > 0;) {
        m_active[i]->draw();
    }
    // Only an open list lies over every menu; its own menu stays in its place.
    collectOpenLists();
    for (UIWidget* list : m_openLists) {
        list->draw();
    }
}

void UISystem::updateAndDraw(float seconds)
{
    CallGuard guard(*this);
    update(seconds);
    draw();
}

void UISystem::drawDragAndCursor()
{
    UIWidget* drag = m_drag.get();
    if (!drag) {
        drawCursor();
        return;
    }
    int x = 0, y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    Vec2 position = drag->getPosition();
    UIMenu* menu = drag->getMenu();
    Vec2 size = drag->getSize();
    drag->setPosition({static_cast<float>(x) - 0.5f * size.x, static_cast<float>(y) - 0.5f * size.y});
    drag->setMenu(nullptr);
    drag->setDraggedDrawing(true);
    drag->draw();
    drag->setPosition(position);
    drag->setMenu(menu);
    drag->setDraggedDrawing(false);
    setCursor(8, true);
}

bool UISystem::getTooltip(UITooltip& out)
{
    out = UITooltip();
    CallGuard guard(*this);
    if (WorldMap* map = WorldMap::instance(); map && map->isShown()) {
        return map->getTooltip(out);
    }
    updateActiveMenus(false);
    int x = 0, y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    collectOpenLists();
    for (const UIWidget* list : m_openLists) {
        if (list->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
            return false;
        }
    }
    for (size_t i = 0; i < m_active.size(); ++i) {
        if (m_active[i]->getTooltip(x, y, out)) {
            return true;
        }
    }
    if (getWidgetAtMouse(true)) {
        out.text.clear();
        out.secondText.clear();
        return false;
    }
    bool onScreen = false;
    Vec2 screen;
    if (m_view && m_view->getHoverEntityTooltip(out.text, onScreen, screen)) {
        // The backdrop of a widget's box unless it sets its own: the words
        // stand on it, not on the ground around the thing hovered.
        out.alpha = 0.75f;
        if (onScreen) {
            out.position = {screen.x, screen.y - 64.0f};
            out.size = {32.0f, 32.0f};
        } else {
            out.position = {};
            out.size = {};
        }
        return true;
    }
    if (const MiniMap* miniMap = MiniMap::instance()) {
        return miniMap->getTooltip(out);
    }
    return false;
}

void UISystem::notifyPlayerUpdate(int value)
{
    for (size_t i = 0; i < m_menus.size(); ++i) {
        m_menus[i]->notifyPlayerUpdate(value);
    }
}

void UISystem::notifyGameStart()
{
    for (size_t i = 0; i < m_menus.size(); ++i) {
        m_menus[i]->notifyGameStart();
    }
}

void UISystem::layOutSideStack()
{
    float x = m_settings.sideStackStart.x;
    float y = m_settings.sideStackStart.y;
    float column = 0.0f;
    for (const SafePtr<UIMenu>& entry : m_sideStack) {
        UIMenu* menu = entry.get();
        if (!menu) {
            continue;
        }
        Vec2 size = menu->getSize();
        if (size.y == 0.0f) {
            continue;
        }
        if (y - size.y < 0.0f) {
            x -= m_settings.sideStackSpace.x + column;
            y = m_settings.sideStackStart.y;
            column = 0.0f;
        }
        y -= size.y;
        menu->setPosition({x, y});
        y -= m_settings.sideStackSpace.y;
        column = std::max(column, size.x);
    }
}
