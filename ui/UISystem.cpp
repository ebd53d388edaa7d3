#include "ui/UISystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "ui/ClientView.h"
#include "ui/UICursors.h"
#include "ui/UIDrawing.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"

#include <cmath>

UISystem::UISystem() : m_cursors(std::make_unique<UICursors>())
{
    fillUIValueTables();
}

UISystem::~UISystem()
{
    m_menuStack.clear();
    m_sideStack.clear();
    m_menus.clear();
    m_cursors.reset();
    clearUIValueTables();
}

void UISystem::setDrawing(UIDrawing* drawing)
{
    m_drawing = drawing;
    m_defaultFont.release();
    const GameData* data = GameData::instance();
    if (drawing && data) {
        std::string name = data->getFontName(0);
        if (!name.empty()) {
            m_defaultFont = drawing->loadFont(name);
        }
    }
}

void UISystem::init()
{
    CallGuard guard(*this);
    loadSettings();
    loadCursors();
    loadMenus(false);
    if (UIMenu* main = findMenu("Main"); main && !main->isVisible()) {
        main->show();
        main->setVisibleFlag(true);
    }
    registerCommands();
    // Sounds are known only where the sound system runs.
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        m_newTopicSound = resources->loadIfTyped("Sounds/newHelpTopic.ogg");
    }
}

// ---- Lookups ------------------------------------------------------------------

UIMenu* UISystem::findMenu(std::string_view name) const
{
    for (const std::unique_ptr<UIMenu>& menu : m_menus) {
        if (menu->getName() == name) {
            return menu.get();
        }
    }
    return nullptr;
}

UIWidget* UISystem::findWidget(std::string_view fullName, const TextReader* where) const
{
    std::string at = where ? where->location() + ": " : std::string();
    size_t split = fullName.find("::");
    std::string_view menuName = fullName.substr(0, split);
    std::string_view widgetName =
        split == std::string_view::npos ? std::string_view() : fullName.substr(split + 2);
    UIMenu* menu = findMenu(menuName);
    if (!menu) {
        debugPrint(3, "%sCould not find menu %.*s\n", at.c_str(), static_cast<int>(menuName.size()),
                   menuName.data());
        return nullptr;
    }
    UIWidget* widget = menu->findWidget(widgetName);
    if (!widget) {
        debugPrint(3, "%sCould not find widget %.*s\n", at.c_str(), static_cast<int>(widgetName.size()),
                   widgetName.data());
    }
    return widget;
}

UIMenu* UISystem::addMenu(std::unique_ptr<UIMenu> menu)
{
    if (!menu) {
        return nullptr;
    }
    m_menus.push_back(std::move(menu));
    return m_menus.back().get();
}

// ---- Menu visibility -------------------------------------------------------------

void UISystem::showMenu(UIMenu* menu)
{
    if (menu && !menu->isVisible()) {
        CallGuard guard(*this);
        menu->show();
        menu->setVisibleFlag(true);
    }
}

void UISystem::hideMenu(UIMenu* menu)
{
    if (!menu) {
        return;
    }
    CallGuard guard(*this);
    if (isOnMenuStack(menu)) {
        removeFromMenuStack(menu);
    } else if (menu->isVisible()) {
        menu->hide();
        menu->setVisibleFlag(false);
    }
}

void UISystem::toggleMenu(UIMenu* menu)
{
    if (!menu) {
        return;
    }
    CallGuard guard(*this);
    if (menu->isActive()) {
        if (menu->isVisible()) {
            menu->hide();
            menu->setVisibleFlag(false);
        }
    } else if (!menu->isVisible()) {
        menu->show();
        menu->setVisibleFlag(true);
    }
}

void UISystem::pushPopMenu(UIMenu* menu)
{
    if (!menu) {
        return;
    }
    if (menu->isActive()) {
        removeFromMenuStack(menu);
    } else {
        pushMenu(menu);
    }
}

void UISystem::pushMenu(UIMenu* menu)
{
    if (!menu) {
        return;
    }
    CallGuard guard(*this);
    m_menuStack.emplace_back(menu);
    if (!menu->isOnStack()) {
        // Shown through the stack only: the visible flag stays as it was,
        // so taking the menu off the stack puts it away again.
        bool wasVisible = menu->isVisible();
        menu->show();
        menu->setVisibleFlag(wasVisible);
        menu->setOnStack(true);
    }
}

void UISystem::popMenu()
{
    if (m_menuStack.empty()) {
        return;
    }
    CallGuard guard(*this);
    UIMenu* menu = m_menuStack.back().get();
    m_menuStack.pop_back();
    if (menu && menu->isOnStack()) {
        menu->hide();
        menu->setOnStack(false);
    }
}

void UISystem::removeFromMenuStack(UIMenu* menu)
{
    if (!menu) {
        return;
    }
    for (size_t i = m_menuStack.size(); i-- > 0;) {
        if (m_menuStack[i].get() == menu) {
            CallGuard guard(*this);
            m_menuStack.erase(m_menuStack.begin() + static_cast<std::ptrdiff_t>(i));
            if (menu->isOnStack()) {
                menu->hide();
                menu->setOnStack(false);
            }
            return;
        }
    }
}

void UISystem::hideAllMenus()
{
    CallGuard guard(*this);
    for (size_t i = 0; i < m_menus.size(); ++i) {
        UIMenu* menu = m_menus[i].get();
        if (menu->isSubMenu()) {
            continue;
        }
        if (isOnMenuStack(menu)) {
            removeFromMenuStack(menu);
            // A menu stacked twice goes off entirely.
            while (isOnMenuStack(menu)) {
                removeFromMenuStack(menu);
            }
        } else if (menu->isVisible()) {
            menu->hide();
            menu->setVisibleFlag(false);
        }
    }
}

bool UISystem::isOnMenuStack(const UIMenu* menu) const
{
    for (const SafePtr<UIMenu>& entry : m_menuStack) {
        if (entry.get() == menu) {
            return true;
        }
    }
    return false;
}

std::vector<UIMenu*> UISystem::getMenuStack() const
{
    std::vector<UIMenu*> out;
    for (const SafePtr<UIMenu>& entry : m_menuStack) {
        out.push_back(entry.get());
    }
    return out;
}

// ---- Helpers ------------------------------------------------------------------------

void UISystem::runCommand(const std::string& line)
{
    CallGuard guard(*this);
    executeCommandLine(line);
}

void UISystem::runCommandList(const std::vector<std::string>& lines)
{
    CallGuard guard(*this);
    std::vector<std::string> copy = lines;
    for (const std::string& line : copy) {
        executeCommandLine(line);
    }
}

GameTime UISystem::getTime() const
{
    const Clock* clock = Clock::instance();
    return clock ? clock->getGameTime() : GameTime();
}

bool UISystem::isDoubleClick(const GameTime& now, const GameTime& previous) const
{
    GameTime difference = now - previous;
    return difference < m_doubleClickInterval;
}

bool UISystem::isBlinkOn(float period) const
{
    if (period <= 0.0f) {
        return false;
    }
    double t = getTimeSeconds();
    return static_cast<long long>(std::floor(t / period)) % 2 == 0;
}

bool UISystem::showDamageNumbers() const
{
    if (m_variables[8].isValid() && m_variables[8].getBool() && m_view &&
        (m_view->isPlayerCovenantBeingRaided() || m_view->isPlayerCovenantRaiding())) {
        return false;
    }
    return m_variables[6].isValid() && m_variables[6].getBool();
}

bool UISystem::showXpNumbers() const
{
    if (m_variables[8].isValid() && m_variables[8].getBool() && m_view &&
        (m_view->isPlayerCovenantBeingRaided() || m_view->isPlayerCovenantRaiding())) {
        return false;
    }
    return m_variables[7].isValid() && m_variables[7].getBool();
}

bool UISystem::showSimpleTips() const
{
    return m_variables[4].isValid() && m_variables[4].getBool();
}

UserVarRef UISystem::getVariable(int index) const
{
    return index >= 0 && index < kVariableCount ? m_variables[index] : UserVarRef();
}

// ---- Held button -----------------------------------------------------------------

void UISystem::setRepeatWidget(UIWidget* widget, int button)
{
    if (m_held.get() == widget && widget) {
        return;
    }
    // One widget holds the button at a time.
    if (UIWidget* old = m_held.get()) {
        old->releaseButton();
    }
    m_held = widget;
    m_heldButton = button;
    m_heldTime = 0.0f;
    m_repeatCount = 0;
}

void UISystem::clearHeldWidget(const UIWidget* widget)
{
    if (widget && m_held.get() == widget) {
        m_held = nullptr;
        m_heldTime = 0.0f;
        m_repeatCount = 0;
    }
}

bool UISystem::sendToHeldWidget(int button, bool down)
{
    UIWidget* held = m_held.get();
    if (!held) {
        return false;
    }
    CallGuard guard(*this);
    held->onMouseHeld(button, down);
    return true;
}

// ---- Nested calls -----------------------------------------------------------------

UISystem::CallGuard::CallGuard(UISystem& ui) : m_ui(ui)
{
    ++m_ui.m_callDepth;
}

UISystem::CallGuard::~CallGuard()
{
    if (--m_ui.m_callDepth == 0 && m_ui.m_reloadPending) {
        m_ui.m_reloadPending = false;
        m_ui.loadMenus(true);
    }
}

void UISystem::requestReload()
{
    if (m_callDepth > 0) {
        m_reloadPending = true;
        return;
    }
    loadMenus(true);
}

void UISystem::addReloadListener(std::function<void()> listener)
{
    m_reloadListeners.push_back(std::move(listener));
}
