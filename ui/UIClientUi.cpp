#include "client/ClientUi.h"
#include "client/mirrors/EntityClient.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/UiHooks.h"
#include "ui/menus/UIMenu.h"

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
    slots.centerTextPosition = [system] { return system->getSettings().centerTextPosition; };
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
