#include "ui/menus/UIMenu.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/WidgetFactory.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>

namespace {

ClientView* clientView()
{
    UISystem* ui = UISystem::instance();
    return ui ? ui->getClientView() : nullptr;
}

std::string readToken(TextReader& reader)
{
    std::string token;
    reader.readToken(token, false);
    return token;
}

} // namespace

UIMenu::UIMenu() = default;

UIMenu::~UIMenu()
{
    // Widgets go first, while the menu they point at still exists.
    m_widgets.clear();
}

bool UIMenu::isEligible() const
{
    ClientView* view = clientView();
    if (m_inGameOnly && !(view && view->isGameRunning())) {
        return false;
    }
    return !(m_hideWhenPaused && view && view->isPaused());
}

bool UIMenu::isActive() const
{
    return isEligible() && (m_visible || m_onStack);
}

void UIMenu::draw()
{
    if (!isActive()) {
        return;
    }
    // An open list is drawn by the UI system after every menu.
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        if (!m_widgets[i]->drawsOnTop()) {
            m_widgets[i]->draw();
        }
    }
    if (UIMenu* page = getSelectedSubMenuMenu()) {
        page->draw();
    }
}

void UIMenu::collectOpenLists(std::vector<UIWidget*>& out) const
{
    if (!isActive()) {
        return;
    }
    for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
        if (widget->drawsOnTop() && widget->isVisible()) {
            out.push_back(widget.get());
        }
    }
    if (const UIMenu* page = getSelectedSubMenuMenu()) {
        page->collectOpenLists(out);
    }
}

void UIMenu::update(float seconds)
{
    if (!isActive()) {
        return;
    }
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->update(seconds);
    }
    if (UIMenu* page = getSelectedSubMenuMenu()) {
        page->update(seconds);
    }
    if (m_pausesGame) {
        if (ClientView* view = clientView(); view && view->isInGame()) {
            view->setAutoPause(true);
        }
    }
}

bool UIMenu::handleKey(int key, bool down, bool repeat)
{
    if (!isActive() && !m_alwaysHandleInput) {
        return false;
    }
    // A key being captured for a binding is the capture's, Escape too: the
    // window's own hot keys wait until it ends.
    UIMenu* page = getSelectedSubMenuMenu();
    if (page && page->isCapturingKeys()) {
        return page->handleKey(key, down, repeat);
    }
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        if (m_widgets[i]->keyPressed(key, down, repeat)) {
            return true;
        }
    }
    // The shown page hears keys as it hears buttons (its key-binding input).
    return page && page->handleKey(key, down, repeat);
}

bool UIMenu::isCapturingKeys() const
{
    if (std::any_of(m_widgets.begin(), m_widgets.end(),
                    [](const std::unique_ptr<UIWidget>& w) { return w->capturesKeys(); })) {
        return true;
    }
    const UIMenu* page = getSelectedSubMenuMenu();
    return page && page->isCapturingKeys();
}

bool UIMenu::handleMouseButton(int button, bool down, int x, int y)
{
    if (!isActive() && !m_alwaysHandleInput) {
        return false;
    }
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        if (m_widgets[i]->handleMouseButton(button, down, x, y)) {
            return true;
        }
    }
    UIMenu* page = getSelectedSubMenuMenu();
    if (page && page->handleMouseButton(button, down, x, y)) {
        return true;
    }
    // Its pages are asked as part of it.
    return !isSubMenu() && takesPanelPress(button, down, x, y);
}

bool UIMenu::liesOnPanel(int x, int y) const
{
    // A thin track under a bar (a target's health, a timed event) is no
    // window's panel: the world under it stays clickable.
    constexpr float kMinPanelSide = 16.0f;
    for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
        const Vec2 size = widget->getSize();
        if (widget->getDrawOrder() < 0.0f && widget->hasTexture() && widget->isVisible() &&
            size.x >= kMinPanelSide && size.y >= kMinPanelSide &&
            widget->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
            return true;
        }
    }
    const UIMenu* page = getSelectedSubMenuMenu();
    return page && page->liesOnPanel(x, y);
}

bool UIMenu::takesPanelPress(int button, bool down, int x, int y) const
{
    // A press on a window's background stays with the window and runs
    // nothing; the release is left alone, so a hold begun elsewhere ends.
    if (!down || (button != 0 && button != 1)) {
        return false;
    }
    UISystem* ui = UISystem::instance();
    return ui && ui->panelsTakePresses() && liesOnPanel(x, y);
}

bool UIMenu::getTooltip(int x, int y, UITooltip& out)
{
    if (!isActive()) {
        return false;
    }
    // A widget that answers without text (a panel that only swallows the
    // mouse) lies under the widgets after it: they, and the page shown on
    // it, are asked before its empty answer is taken.
    bool blocked = false;
    UITooltip blocking;
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        UIWidget* widget = m_widgets[i].get();
        if (!widget->isVisible() || !widget->containsPoint(static_cast<float>(x), static_cast<float>(y)) ||
            !widget->showsHighlightInfo()) {
            continue;
        }
        UITooltip answer = out;
        if (!widget->getTooltip(answer)) {
            continue;
        }
        if (widget->hasProtectedZone()) {
            answer.position = widget->getProtectedZonePosition();
            answer.size = widget->getProtectedZoneSize();
        } else {
            answer.position = widget->getScreenPosition();
            answer.size = widget->getSize();
        }
        answer.alpha = widget->getHighlightBackgroundAlpha();
        if (!answer.text.empty()) {
            out = answer;
            return true;
        }
        if (!blocked) {
            blocked = true;
            blocking = answer;
        }
    }
    UIMenu* page = getSelectedSubMenuMenu();
    UITooltip answer = out;
    if (page && page->getTooltip(x, y, answer) && (!answer.text.empty() || !blocked)) {
        out = answer;
        return true;
    }
    if (blocked) {
        out = blocking;
        return true;
    }
    return false;
}

UIWidget* UIMenu::findWidgetAt(int x, int y, bool onlyFlagged)
{
    if (!isActive()) {
        return nullptr;
    }
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        UIWidget* widget = m_widgets[i].get();
        if (widget->isVisible() && widget->canClick() &&
            widget->containsPoint(static_cast<float>(x), static_cast<float>(y)) &&
            (!onlyFlagged || widget->isHitTestable())) {
            return widget;
        }
    }
    UIMenu* page = getSelectedSubMenuMenu();
    return page ? page->findWidgetAt(x, y, onlyFlagged) : nullptr;
}

void UIMenu::parse(TextReader& reader, const WidgetMaker& maker)
{
    std::string token;
    while (reader.readToken(token, true)) {
        std::unique_ptr<UIWidget> widget = maker ? maker(token) : createWidget(token);
        if (!widget) {
            parseParm(token, reader);
            continue;
        }
        widget->parseBlock(reader);
        UIWidget* added = addWidget(std::move(widget));
        added->setMenu(this);
        added->finishSetup();
    }
}

bool UIMenu::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&keyword](const char* name) { return equalsNoCase(keyword, name); };
    UISystem* ui = UISystem::instance();
    if (is("name")) {
        m_name = readToken(reader);
    } else if (is("position")) {
        m_position = reader.getVec2();
    } else if (is("size")) {
        m_size = reader.getVec2();
    } else if (is("alwaysOnTop")) {
        m_alwaysOnTop = reader.getBool();
    } else if (is("visible")) {
        setVisible(reader.getBool());
    } else if (is("addShowCommand")) {
        m_showCommands.push_back(readToken(reader));
    } else if (is("addHideCommand")) {
        m_hideCommands.push_back(readToken(reader));
    } else if (is("addSubMenu")) {
        std::string name = readToken(reader);
        if (UIMenu* page = ui ? ui->findMenu(name) : nullptr; page && !addSubMenu(page)) {
            debugPrint(3, "%s: menu %s cannot be its own parent\n", reader.location().c_str(),
                       m_name.c_str());
        }
    } else if (is("fullScreen")) {
        m_fullScreen = reader.getBool();
    } else if (is("subMenu")) {
        m_subMenu = reader.getBool();
    } else if (is("allowedToReload")) {
        m_allowedToReload = reader.getBool();
    } else if (is("externalName")) {
        m_externalName = readToken(reader);
    } else if (is("inGameOnly")) {
        m_inGameOnly = true;
    } else if (is("parent")) {
        std::string name = readToken(reader);
        UIMenu* parent = ui ? ui->findMenu(name) : nullptr;
        if (!setParent(parent)) {
            debugPrint(3, "%s: menu %s cannot be its own parent\n", reader.location().c_str(),
                       m_name.c_str());
        }
    } else if (is("alwaysHandleInput")) {
        m_alwaysHandleInput = reader.getBool();
    } else if (is("pausesGame")) {
        m_pausesGame = reader.getBool();
    } else if (is("hideWhenPaused")) {
        m_hideWhenPaused = reader.getBool();
    } else {
        debugPrint(1, "%s: Unknown menu parm %s\n", reader.location().c_str(), keyword.c_str());
    }
    return false;
}

UIWidget* UIMenu::addWidget(std::unique_ptr<UIWidget> widget)
{
    if (!widget) {
        return nullptr;
    }
    size_t at = 0;
    while (at < m_widgets.size() && m_widgets[at]->getDrawOrder() < widget->getDrawOrder()) {
        ++at;
    }
    UIWidget* added = widget.get();
    m_widgets.insert(m_widgets.begin() + static_cast<std::ptrdiff_t>(at), std::move(widget));
    return added;
}

std::unique_ptr<UIWidget> UIMenu::removeWidget(UIWidget* widget)
{
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        if (m_widgets[i].get() == widget) {
            std::unique_ptr<UIWidget> out = std::move(m_widgets[i]);
            m_widgets.erase(m_widgets.begin() + static_cast<std::ptrdiff_t>(i));
            return out;
        }
    }
    return nullptr;
}

void UIMenu::reinsertWidget(UIWidget* widget)
{
    if (std::unique_ptr<UIWidget> owned = removeWidget(widget)) {
        addWidget(std::move(owned));
    }
}

UIWidget* UIMenu::findWidget(std::string_view name) const
{
    for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
        if (widget->getInternalName() == name) {
            return widget.get();
        }
    }
    return nullptr;
}

UIMenu* UIMenu::getSubMenu(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_subMenus.size())) {
        return nullptr;
    }
    return m_subMenus[static_cast<size_t>(index)].get();
}

bool UIMenu::parentChainContains(const UIMenu* from, const UIMenu* target)
{
    // A chain longer than the menus there are has a loop in it already.
    for (int steps = 0; from && steps < 100000; ++steps, from = from->m_parent.get()) {
        if (from == target) {
            return true;
        }
    }
    return false;
}

bool UIMenu::pagesReach(const UIMenu* from, const UIMenu* target)
{
    std::vector<const UIMenu*> seen;
    std::vector<const UIMenu*> todo{from};
    while (!todo.empty()) {
        const UIMenu* menu = todo.back();
        todo.pop_back();
        if (!menu) {
            continue;
        }
        if (menu == target) {
            return true;
        }
        if (std::find(seen.begin(), seen.end(), menu) != seen.end()) {
            continue;
        }
        seen.push_back(menu);
        for (const SafePtr<UIMenu>& page : menu->m_subMenus) {
            todo.push_back(page.get());
        }
    }
    return false;
}

bool UIMenu::setParent(UIMenu* parent)
{
    if (parent && parentChainContains(parent, this)) {
        return false;
    }
    m_parent = parent;
    return true;
}

bool UIMenu::addSubMenu(UIMenu* menu)
{
    if (!menu) {
        return true;
    }
    if (parentChainContains(this, menu) || pagesReach(menu, this)) {
        return false;
    }
    m_subMenus.push_back(menu);
    menu->m_parent = this;
    if (!menu->m_visible) {
        menu->show();
        menu->m_visible = true;
    }
    return true;
}

void UIMenu::selectSubMenu(int index)
{
    m_selectedSubMenu = index;
    for (size_t k = 0; k < m_subMenuTabs.size(); ++k) {
        if (UIWidget* tab = m_subMenuTabs[k].get()) {
            tab->setSelected(static_cast<int>(k) == index);
        }
    }
}

void UIMenu::collectSubMenuTabs()
{
    m_subMenuTabs.clear();
    for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
        if (widget->isSubMenuTab()) {
            m_subMenuTabs.emplace_back(widget.get());
        }
    }
    selectSubMenu(m_selectedSubMenu);
}

void UIMenu::setVisible(bool visible)
{
    if (visible == m_visible) {
        return;
    }
    if (visible) {
        show();
    } else {
        hide();
        m_visible = false;
    }
}

void UIMenu::show()
{
    bool wasVisible = m_visible;
    m_visible = true;
    runCommands(m_showCommands);
    onShow();
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->initialize(!wasVisible);
    }
}

void UIMenu::hide()
{
    runCommands(m_hideCommands);
    onHide();
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->onHide();
    }
    if (m_pausesGame) {
        if (ClientView* view = clientView(); view && view->isInGame()) {
            view->setAutoPause(false);
        }
    }
}

void UIMenu::refreshWidgets()
{
    // The chain of selected pages, each once.
    std::vector<UIMenu*> seen;
    for (UIMenu* menu = this; menu; menu = menu->getSelectedSubMenuMenu()) {
        for (UIMenu* s : seen) {
            if (s == menu) {
                return;
            }
        }
        seen.push_back(menu);
        for (size_t i = 0; i < menu->m_widgets.size(); ++i) {
            menu->m_widgets[i]->refresh();
        }
    }
}

void UIMenu::copyWidgetsFrom(const UIMenu& other)
{
    if (&other == this) {
        return;
    }
    m_widgets.clear();
    for (const std::unique_ptr<UIWidget>& widget : other.m_widgets) {
        UIWidget* added = addWidget(cloneWidget(*widget));
        added->setMenu(this);
        added->finishSetup();
    }
}

void UIMenu::notifyPlayerUpdate(int value)
{
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->onPlayerUpdate(value);
    }
}

void UIMenu::notifyGameStart()
{
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->onGameStart();
    }
}

bool UIMenu::handleMouseWheel(bool up)
{
    if (!isActive() && !m_alwaysHandleInput) {
        return false;
    }
    for (size_t i = 0; i < m_widgets.size(); ++i) {
        if (m_widgets[i]->onMouseWheel(up ? 1 : -1)) {
            return true;
        }
    }
    // The shown page hears the steps its parent leaves, as it hears buttons.
    UIMenu* page = getSelectedSubMenuMenu();
    return page && page->handleMouseWheel(up);
}
