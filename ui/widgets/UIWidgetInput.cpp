#include "ui/widgets/UIWidget.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/VirtualKeys.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"

namespace {

bool boundTo(int hotKey, int code, bool mouse)
{
    VirtualKeys* keys = VirtualKeys::instance();
    return hotKey != -1 && keys && keys->isBoundTo(hotKey, code, mouse);
}

} // namespace

bool UIWidget::handleMouseButton(int button, bool down, int x, int y)
{
    // A held widget that was hidden meanwhile still hears its release, so
    // the hold always ends.
    if (!down) {
        if (button == m_activatingButton && m_mouseCanRepeat && m_repeating) {
            releaseButton();
        }
        return false;
    }
    if (!isVisible()) {
        return false;
    }
    if ((m_hotKey != -1 || m_altHotKey != -1) && down &&
        (boundTo(m_hotKey, button, true) || boundTo(m_altHotKey, button, true))) {
        runClickCommands();
        return true;
    }
    if (!m_canClick) {
        return false;
    }
    if (!containsPoint(static_cast<float>(x), static_cast<float>(y))) {
        return false;
    }
    if (button == m_activatingButton) {
        if (!m_verifyProc.empty()) {
            CommandSystem* commands = CommandSystem::instance();
            CommandSystem::CheckFunction check =
                commands ? commands->findCheckFunction(m_verifyProc) : CommandSystem::CheckFunction();
            if (!check || !check()) {
                runCommandList(m_failCommands);
                return true;
            }
        }
        runClickCommands();
        activate();
        if (m_selectable) {
            m_selected = !m_selected;
        }
        UISystem* ui = UISystem::instance();
        if (ui && ui->getClientView() && m_clickSound.isValid()) {
            ui->getClientView()->playInterfaceSound(m_clickSound);
        }
        if (m_mouseCanRepeat && ui) {
            holdAsRepeating(button);
        }
    } else if (button == 1) {
        runCommandList(m_rightClickCommands);
    }
    if (button == 0 || button == 1) {
        onClick(button, down, x, y);
        return true;
    }
    return false;
}

void UIWidget::holdAsRepeating(int button)
{
    if (UISystem* ui = UISystem::instance()) {
        ui->setRepeatWidget(this, button);
    }
    holdButton();
}

void UIWidget::clickAtPointer(int button, bool down)
{
    int x = 0;
    int y = 0;
    UISystem::pointerPosition(x, y);
    onClick(button, down, x, y);
}

bool UIWidget::pressLandsOn(const UIWidget* child, bool down, int x, int y)
{
    return down && child && child->isVisible() &&
           child->containsPoint(static_cast<float>(x), static_cast<float>(y));
}

void UIWidget::onMouseHeld(int button, bool down)
{
    Vec2 at = getScreenPosition();
    handleMouseButton(button, down, static_cast<int>(at.x + m_size.x / 2.0f),
                      static_cast<int>(at.y + m_size.y / 2.0f));
}

void UIWidget::onClick(int button, bool down, int x, int y)
{
    if (button == 0 && m_setVarOnButtonPress && !m_text.empty()) {
        storeTextInUserVar();
    }
}

bool UIWidget::keyPressed(int key, bool down, bool repeat)
{
    if (repeat && m_ignoreRepeats) {
        return false;
    }
    if (!isVisible()) {
        return false;
    }
    if ((m_hotKey != -1 || m_altHotKey != -1) && down &&
        (key == m_hotKey || key == m_altHotKey || boundTo(m_hotKey, key, false) ||
         boundTo(m_altHotKey, key, false))) {
        runClickCommands();
        activate();
        return true;
    }
    if (hasFocus()) {
        return onKey(key, down);
    }
    return false;
}
