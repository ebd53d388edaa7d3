#include "client/ClientUi.h"
#include "client/mirrors/EntityClient.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/UiHooks.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The open windows' panels and the shown widgets of every open menu, as
// (left, top, right, bottom); what covers the whole screen is no window.
std::vector<std::array<float, 4>> shownBoxes(const UISystem& ui)
{
    std::vector<std::array<float, 4>> boxes;
    auto add = [&](const UIMenu& menu) {
        for (const auto& widget : menu.getWidgets()) {
            const Vec2 at = widget->getScreenPosition(), size = widget->getSize();
            if (widget->isVisible() && size.x > 0.0f && size.y > 0.0f &&
                (size.x < 640.0f || size.y < 480.0f)) {
                boxes.push_back({at.x, at.y, at.x + size.x, at.y + size.y});
            }
        }
    };
    for (const auto& menu : ui.getMenus()) {
        if (menu->isActive()) {
            add(*menu);
            if (const UIMenu* page = menu->getSelectedSubMenuMenu()) {
                add(*page);
            }
        }
    }
    return boxes;
}

// A centred notice of the size given stands at its set place, or, when that
// lies over an open window, at the nearest place clear of every window and
// widget; with none clear, or over a full-screen menu, at its set place.
Vec2 noticePlace(const UISystem& ui, Vec2 size)
{
    const Vec2 home = ui.getSettings().centerTextPosition;
    if (size.x <= 0.0f || size.y <= 0.0f || ui.isFullScreenMenuShown()) {
        return home;
    }
    const std::vector<std::array<float, 4>> boxes = shownBoxes(ui);
    constexpr float kGap = 2.0f;
    const float hw = size.x / 2.0f + kGap, hh = size.y / 2.0f + kGap;
    auto clear = [&](float x, float y) {
        return std::none_of(boxes.begin(), boxes.end(), [&](const std::array<float, 4>& b) {
            return x - hw < b[2] && b[0] < x + hw && y - hh < b[3] && b[1] < y + hh;
        });
    };
    if (clear(home.x, home.y)) {
        return home;
    }
    Vec2 best = home;
    float nearest = -1.0f;
    for (float y = hh; y <= 480.0f - hh; y += 4.0f) {
        for (float x = hw; x <= 640.0f - hw; x += 4.0f) {
            const float d = (x - home.x) * (x - home.x) + (y - home.y) * (y - home.y);
            if ((nearest < 0.0f || d < nearest) && clear(x, y)) {
                nearest = d;
                best = {x, y};
            }
        }
    }
    return best;
}

} // namespace

void installClientUi(ClientUi& slots, UISystem& ui)
{
    UISystem* system = &ui;
    slots.notifyGameStart = [system] { system->notifyGameStart(); };
    slots.notifyPlayerUpdate = [system] { system->notifyPlayerUpdate(0); };
    slots.menuKey = [system](int key, bool down, bool repeat) {
        return system->handleKey(key, down, repeat);
    };
    slots.captureButton = [system](int button, bool down) { return system->sendToHeldWidget(button, down); };
    slots.menuButton = [system](int button, bool down, int x, int y) {
        return system->onMouseButton(button, down, x, y);
    };
    slots.isMouseOverMenu = [system] { return system->isMouseOverMenu(); };
    slots.hideAllMenus = [system] { system->hideAllMenus(); };
    slots.showGameMenus = [system] { system->showGameMenus(); };
    slots.hasMenu = [system](const std::string& name) { return system->findMenu(name) != nullptr; };
    slots.showMenu = [system](const std::string& name) { system->showMenu(name); };
    slots.hideMenu = [system](const std::string& name) { system->hideMenu(name); };
    slots.pushMenu = [system](const std::string& name) { system->pushMenuByName(name); };
    slots.removeMenuFromStack = [system](const std::string& name) {
        system->removeFromMenuStackByName(name);
    };
    slots.showDamageNumbers = [system] { return system->showDamageNumbers(); };
    slots.showXpNumbers = [system] { return system->showXpNumbers(); };
    slots.showSimpleTips = [system] { return system->showSimpleTips(); };
    slots.centerTextPosition = [system](Vec2 size) { return noticePlace(*system, size); };
    slots.relationChangeTextPosition = [system] {
        const UISettings& s = system->getSettings();
        return system->isFullScreenMenuShown() ? s.relationChangeTextPositionOverWindow
                                               : s.relationChangeTextPosition;
    };
    slots.eventsTextPosition = [system] { return system->getSettings().eventsTextPosition; };
    slots.findHelpTopic = [system](const std::string& name) { return system->findHelpTopic(name); };
    slots.helpTopicCount = [system] { return system->getHelpTopicCount(); };
    slots.nextHelpTopic = [system](int topic) {
        return system->findHelpTopic(system->getNextHelpTopic(topic));
    };
    slots.addHelpTopicButton = [system](int topic) { system->addHelpTopicButton(topic); };
    slots.startHelpTopic = [system] { return system->findHelpTopic(system->getStartHelpTopic()); };
    slots.pendingFirstTopic = [system] { return system->getStartHelpTopic(); };
    // A new class: skill pages and tree names read the player again.
    slots.notifyClassChange = [system](int) {
        for (const auto& menu : system->getMenus()) {
            menu->refreshWidgets();
        }
    };
    slots.hoveredPartyMember = [system] {
        UIWidget* widget = system->getWidgetAtMouse(false);
        const EntityClient* member =
            widget && widget->getEntityType() == UIEntity::PartyMember ? widget->getEntity() : nullptr;
        return member ? member->getEntityNumber() : -1;
    };
}

void clearClientUi(ClientUi& slots)
{
    slots.notifyGameStart = nullptr;
    slots.notifyPlayerUpdate = nullptr;
    slots.menuKey = nullptr;
    slots.captureButton = nullptr;
    slots.menuButton = nullptr;
    slots.isMouseOverMenu = nullptr;
    slots.hideAllMenus = nullptr;
    slots.showGameMenus = nullptr;
    slots.hasMenu = nullptr;
    slots.showMenu = nullptr;
    slots.hideMenu = nullptr;
    slots.pushMenu = nullptr;
    slots.removeMenuFromStack = nullptr;
    slots.showDamageNumbers = nullptr;
    slots.showXpNumbers = nullptr;
    slots.showSimpleTips = nullptr;
    slots.centerTextPosition = nullptr;
    slots.relationChangeTextPosition = nullptr;
    slots.eventsTextPosition = nullptr;
    slots.findHelpTopic = nullptr;
    slots.helpTopicCount = nullptr;
    slots.nextHelpTopic = nullptr;
    slots.addHelpTopicButton = nullptr;
    slots.startHelpTopic = nullptr;
    slots.pendingFirstTopic = nullptr;
    slots.notifyClassChange = nullptr;
    slots.hoveredPartyMember = nullptr;
}
