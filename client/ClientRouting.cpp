#include "client/Client.h"

#include "client/player/PlayerClient.h"

#include "engine/app/DebugConsole.h"
#include "engine/console/VirtualKeys.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"

namespace {

// Alt+Tab, Alt+Enter and Ctrl+Esc belong to the desktop.
bool isSystemChord(int key)
{
    const Input* input = Input::instance();
    if (!input) {
        return false;
    }
    bool alt = input->isKeyHeld(DIK_LMENU) || input->isKeyHeld(DIK_RMENU);
    bool control = input->isKeyHeld(DIK_LCONTROL) || input->isKeyHeld(DIK_RCONTROL);
    return (alt && (key == DIK_TAB || key == DIK_RETURN)) || (control && key == DIK_ESCAPE);
}

} // namespace

void Client::onKeyPress(int key, bool down, bool repeat)
{
    if (isSystemChord(key)) {
        return;
    }
    if (m_keyHook) {
        m_keyHook(key, down, repeat);
        return;
    }
    // The menus are offered the key first once they exist. The closed debug
    // console takes only its toggle key, so the grave key still opens it.
    if (DebugConsole* console = DebugConsole::instance(); console && console->handleKey(key, down, repeat)) {
        return;
    }
    if (m_ui.key(key, down, repeat)) {
        return;
    }
    if (!repeat) {
        if (VirtualKeys* keys = VirtualKeys::instance()) {
            keys->onKey(key, down);
        }
    }
}

void Client::onButtonPress(int button, bool down, int x, int y)
{
    if (m_buttonHook) {
        // The hook may remove itself (the area editor on releasing button 0).
        ButtonHook hook = m_buttonHook;
        hook(button, down, x, y);
        return;
    }
    // A widget holding its button hears every button event until it lets go.
    if (m_ui.capture(button, down)) {
        return;
    }
    if (DebugConsole* console = DebugConsole::instance();
        console && console->handleMouseButton(button, down, x)) {
        return;
    }
    if (m_ui.button(button, down, x, y)) {
        return;
    }
    if (m_ui.mapButton(button, down, x, y)) {
        return;
    }
    if (m_editors.button(button, down, x, y)) {
        return;
    }
    // A blocking menu keeps the click from the world.
    if (m_ui.mouseOverMenu()) {
        return;
    }
    if (m_player) {
        m_player->onMouseButton(button, down, static_cast<float>(x), static_cast<float>(y));
    }
}
