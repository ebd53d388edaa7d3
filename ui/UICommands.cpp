#include "client/mirrors/EntityClient.h"
#include "game/definitions/GameEnums.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIUseSlot.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameEnums.h"
#include "ui/ClientView.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"

#include <cmath>
#include <cstdlib>

namespace {

struct VariableRow {
    const char* name;
    const char* value;
};

// In the order the interface keeps their handles.
const VariableRow kVariables[UISystem::kVariableCount] = {
    {"ui_inGameHealthBars", "1"},         {"ui_playerHealthBar", "0"},
    {"ui_hardwareCursor", "1"},           {"drawUI", "1"},
    {"ui_showSimpleTips", "1"},           {"ui_constrainMouse", "0"},
    {"ui_showDamageNumbers", "1"},        {"ui_showXpNumbers", "1"},
    {"ui_hideNumbersDuringRaids", "0"},   {"ui_showUseHints", "1"},
    {"ui_maxTextEventsShown", "10"},      {"ui_autoAttack", "1"},
    {"ui_disablePartyMemberDialog", "0"},
};

std::string joinArguments(const CommandArgs& args, size_t from)
{
    std::string line;
    for (size_t i = from; i < args.size(); ++i) {
        if (!line.empty()) {
            line += ' ';
        }
        line += args[i];
    }
    return line;
}

} // namespace

int UISystem::levelForMethods() const
{
    if (m_view && m_view->hasLocalPlayer()) {
        return m_view->getPlayerStat(static_cast<int>(CharacterStat::Level));
    }
    return getUserVarInt("ParsedCharacterLevel");
}

void UISystem::setCovenantDir()
{
    std::string name = getUserVarString("CovenantName");
    if (!FileSystem::isValidUserName(name)) {
        debugPrint(2, "setCovenantDir: \"%s\" is no covenant name\n", name.c_str());
        return;
    }
    setUserVar("CovenantDir", "chars/" + name);
}

void UISystem::moveWidgetY(const CommandArgs& args)
{
    UIWidget* widget = findWidget(args[0]);
    if (!widget) {
        return;
    }
    int start = std::atoi(args[1].c_str());
    int end = std::atoi(args[2].c_str());
    float t = 0.0f;
    if (equalsNoCase(args[3], "ParsedCharacterLevel")) {
        t = static_cast<float>(levelForMethods()) / 100.0f;
    }
    Vec2 at = widget->getPosition();
    at.y = static_cast<float>(start) + static_cast<float>(end - start) * t;
    widget->setPosition(at);
}

void UISystem::calculateUserVar(const CommandArgs& args)
{
    bool plain = equalsNoCase(args[1], "ParsedCharacterLevel");
    bool newMin = equalsNoCase(args[1], "ParsedCharacterLevelNewMin");
    if (!plain && !newMin) {
        return;
    }
    int level = levelForMethods();
    int rounded = static_cast<int>(std::floor(static_cast<double>(level) / 5.0 + 0.5)) * 5;
    UserVarSystem* vars = UserVarSystem::instance();
    if (!vars) {
        return;
    }
    UserVarRef var = vars->getVar(args[0], "", UserVarSystem::kCreate);
    if (newMin && var.getInt() >= rounded) {
        return;
    }
    var.setString(formatString("%d", rounded));
}

void UISystem::showHistory()
{
    std::string text;
    UIWidget* widget = getWidgetAtMouse(false);
    if (widget) {
        widget->getText(text);
    }
    // A vendor's goods have no history for the player.
    const EntityClient* selected = m_view ? m_view->getTargetEntity(false) : nullptr;
    auto* slot = dynamic_cast<UIItemSlot*>(widget);
    if (slot && slot->getGroup() == toIndex(InventoryGroupIndex::Loot) && selected && selected->isVendor()) {
        return;
    }
    // Only a file the game can read is a story: another text (an area's
    // name, a file that is missing) opens nothing.
    auto isStory = [](const std::string& name) {
        FileSystem* files = FileSystem::instance();
        return !name.empty() && files && files->fileExists(name);
    };
    if (!isStory(text)) {
        text = m_view ? m_view->getSelectedStoryFile() : std::string();
    }
    // With neither, and the pointer over the world rather than a window,
    // the story of the area the player stands in.
    if (!isStory(text) && !getWidgetAtMouse(true)) {
        text = m_view ? m_view->getLevelStoryFile(m_view->getCurrentLevel()) : std::string();
    }
    if (isStory(text)) {
        m_storyFile = text;
        runCommand("pushMenu Story");
    }
}

void UISystem::registerCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    auto add = [commands](const char* name, const char* types, const char* argNames, const char* help,
                          bool internalOnly, CommandHandler handler) {
        commands->registerCommand(std::move(handler), name, help, argNames, types, internalOnly, 0);
    };
    add("showMenu", "s", "menuName", "Shows a menu", true, [this](const CommandArgs& a) { showMenu(a[0]); });
    add("hideMenu", "s", "menuName", "Hides a menu", true, [this](const CommandArgs& a) { hideMenu(a[0]); });
    add("pushMenu", "s", "menuName", "Pushes the menu on to the menu stack", true,
        [this](const CommandArgs& a) { pushMenuByName(a[0]); });
    add("popMenu", "S", "menuName", "Pops off the top menu on to the menu stack", true,
        [this](const CommandArgs& a) {
            if (a.empty()) {
                popMenu();
            } else {
                removeFromMenuStack(findMenu(a[0]));
            }
        });
    add("toggleMenu", "s", "menuName", "toggles a menus visibility", true,
        [this](const CommandArgs& a) { toggleMenu(findMenu(a[0])); });
    add("pushPopMenu", "s", "menuName", "toggles a menus visibility using push/pop", true,
        [this](const CommandArgs& a) { pushPopMenu(findMenu(a[0])); });
    add("refreshWidget", "s", "widgetName", "Refreshes a widget", true, [this](const CommandArgs& a) {
        if (UIWidget* widget = findWidget(a[0])) {
            widget->refresh();
        }
    });
    add("setCovenantDir", "", "", "Sets up the covenant directory", true,
        [this](const CommandArgs&) { setCovenantDir(); });
    add("widgetCommand", "ssSSSSSS", "widgetName widgetCommand parm1 parm2 parm3 parm4 parm5 parm6",
        "Sends a command to a widget", true, [this](const CommandArgs& a) {
            if (UIWidget* widget = findWidget(a[0])) {
                widget->executeCommand("widgetCommand " + joinArguments(a, 1));
            }
        });
    add("sendCommandToMenu", "sSSSSSS", "menuName command parm1 parm2 parm3 parm4 parm5 parm6",
        "Sends a command to a menu", true, [this](const CommandArgs& a) {
            UIMenu* menu = findMenu(a[0]);
            if (menu && a.size() > 1) {
                menu->handleCommand(joinArguments(a, 1));
            }
        });
    add("reloadMenus", "", "", "Reloads all of the menus", false,
        [this](const CommandArgs&) { requestReload(); });
    add("setUIMode", "s", "modeName", "Sets the UI mode", true,
        [this](const CommandArgs& a) { m_mode = lookupUIMode(a[0]); });
    add("showHistory", "", "", "Shows the history of the highlighted item", true,
        [this](const CommandArgs&) { showHistory(); });
    add("sellHighlightedItem", "", "", "Sells the highlighted item", true, [this](const CommandArgs&) {
        if (auto* slot = dynamic_cast<UIItemSlot*>(getWidgetAtMouse(false))) {
            SafePtr<UIWidget> kept(slot);
            slot->sell();
            if (kept) {
                slot->buy();
            }
        }
    });
    add("clearUseSlot", "", "", "Clears the highlighted use slot", true, [this](const CommandArgs&) {
        if (auto* place = dynamic_cast<UIUseSlot*>(getWidgetAtMouse(false))) {
            place->clear();
            if (m_view) {
                m_view->playInterfaceSound(m_view->getGameSound("SoundNameUseSlot"));
            }
        }
    });
    add("setFocus", "s", "widgetName", "Sets the focus to the specified widget", true,
        [this](const CommandArgs& a) {
            if (UIWidget* widget = findWidget(a[0])) {
                m_focus = widget;
            }
        });
    add("moveWidgetY", "sdds", "widgetName startX endX MethodName",
        "Moves the widget to a different position based on the parameters", true,
        [this](const CommandArgs& a) { moveWidgetY(a); });
    add("calculateUserVar", "ss", "userVarName MethodName", "Sets the user var based on the method", true,
        [this](const CommandArgs& a) { calculateUserVar(a); });
    registerHelpTopicCommands();

    if (UserVarSystem* vars = UserVarSystem::instance()) {
        for (int i = 0; i < kVariableCount; ++i) {
            m_variables[i] = vars->getVar(kVariables[i].name, kVariables[i].value, UserVarSystem::kCreate);
        }
    }
}
