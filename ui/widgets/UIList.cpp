#include "ui/widgets/UIList.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "engine/input/Input.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <memory>

namespace {

UserVarRef findOrCreateVar(TextReader& reader)
{
    std::string name;
    reader.readToken(name, false);
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && !name.empty() ? vars->getVar(name, "", UserVarSystem::kCreate) : UserVarRef();
}

// The row prefix of a selected item: colour 1, then the lock code 0.
std::string selectedPrefix()
{
    return formatColorCode(1) + formatString("%c%c%03d", kColorCodeCaret, 'l', 0);
}

} // namespace

UIList::UIList() = default;

UIList::~UIList() = default;

UIScrollBar* UIList::getScrollBar() const
{
    return static_cast<UIScrollBar*>(m_scrollBar.get());
}

void UIList::copyFrom(const UIList& other)
{
    copyBaseFrom(other);
    // Every field but the items: the copy fills its own at initialisation.
    m_directory = other.m_directory;
    m_extension = other.m_extension;
    m_userFiles = other.m_userFiles;
    m_itemHeight = other.m_itemHeight;
    m_selectedIndex = other.m_selectedIndex;
    m_multiSelection = other.m_multiSelection;
    m_lastClickIndex = other.m_lastClickIndex;
    m_lastClickTime = other.m_lastClickTime;
    m_directoryVar = other.m_directoryVar;
    m_itemSelectedVar = other.m_itemSelectedVar;
    m_infoProc = other.m_infoProc;
    m_refreshEachFrame = other.m_refreshEachFrame;
    m_canSelectMultiple = other.m_canSelectMultiple;
    m_runCommandOnSelect = other.m_runCommandOnSelect;
    m_scrollBarOffset = other.m_scrollBarOffset;
    m_scrollBarSize = other.m_scrollBarSize;
    m_userVarHoldsName = other.m_userVarHoldsName;
    m_doubleClickRedirect = other.m_doubleClickRedirect;
    m_selectFirstItem = other.m_selectFirstItem;
}

int UIList::getVisibleRows() const
{
    return m_itemHeight > 0 ? static_cast<int>(m_size.y / static_cast<float>(m_itemHeight)) : 0;
}

void UIList::fillItems()
{
    m_items.clear();
    if (m_infoProc.empty()) {
        if (m_directoryVar.isValid() && userVarsReady()) {
            m_directory = m_directoryVar.getString();
        }
        std::vector<std::string> files;
        if (FileSystem* fs = FileSystem::instance()) {
            fs->listFiles(m_directory, "*." + m_extension, files, m_userFiles, false);
        }
        for (const std::string& file : files) {
            ListEntry entry;
            int dot = findExtension(file);
            entry.name = dot >= 0 ? file.substr(0, static_cast<size_t>(dot)) : file;
            m_items.push_back(std::move(entry));
        }
    } else if (CommandSystem* commands = CommandSystem::instance()) {
        commands->callListFunction(m_infoProc, m_items);
    }
    if (m_canSelectMultiple) {
        m_multiSelection.resize(m_items.size(), false);
    }
    if (UIScrollBar* bar = getScrollBar()) {
        // A new range starts at the top; the same range keeps its place, so
        // a list refilled every frame still scrolls.
        bar->setRange(static_cast<int>(m_items.size()), getVisibleRows());
    }
}

void UIList::selectItem(int index)
{
    if (index < 0 || index >= static_cast<int>(m_items.size())) {
        return;
    }
    m_selectedIndex = index;
    const ListEntry& item = m_items[static_cast<size_t>(index)];
    if (m_userVar.isValid() && userVarsReady()) {
        m_userVar.setString(m_userVarHoldsName ? item.name : item.value);
    }
    if (m_itemSelectedVar.isValid() && userVarsReady()) {
        m_itemSelectedVar.setString("1");
    }
}

void UIList::initialize(bool menuWasHidden)
{
    UIWidget::initialize(menuWasHidden);
    fillItems();
    if (m_itemSelectedVar.isValid() && userVarsReady()) {
        m_itemSelectedVar.setString("0");
    }
    m_selectedIndex = -1;
    if (m_selectFirstItem) {
        selectItem(0);
    }
}

void UIList::refresh()
{
    fillItems();
    if (m_selectedIndex >= static_cast<int>(m_items.size())) {
        // Item 0 when the list shrank below the selection; nothing when it
        // is empty now.
        m_selectedIndex = -1;
        selectItem(0);
    } else if (m_selectedIndex >= 0) {
        selectItem(m_selectedIndex);
    }
}

void UIList::update(float seconds)
{
    if (m_refreshEachFrame) {
        refresh();
    }
}

void UIList::setVisible(bool shown)
{
    m_shown = shown;
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setVisible(shown);
    }
}

bool UIList::handleMouseButton(int button, bool down, int x, int y)
{
    return !pressLandsOn(m_scrollBar.get(), down, x, y) && UIWidget::handleMouseButton(button, down, x, y);
}

int UIList::itemAt(float x, float y) const
{
    if (m_itemHeight <= 0 || !containsPoint(x, y)) {
        return -1;
    }
    int top = static_cast<int>(getScreenPosition().y);
    int row = (static_cast<int>(y) - top) / m_itemHeight;
    UIScrollBar* bar = getScrollBar();
    int index = row + (bar ? bar->getFirstVisible() : 0);
    return index >= 0 && index < static_cast<int>(m_items.size()) ? index : -1;
}

void UIList::onClick(int button, bool down, int x, int y)
{
    if (button != 0 || !down) {
        return;
    }
    int index = itemAt(static_cast<float>(x), static_cast<float>(y));
    if (index < 0 || !m_items[static_cast<size_t>(index)].enabled) {
        return;
    }
    if (m_runCommandOnSelect) {
        std::string line = m_items[static_cast<size_t>(index)].value;
        executeCommand(line);
        return;
    }
    if (m_canSelectMultiple) {
        m_multiSelection[static_cast<size_t>(index)] = !m_multiSelection[static_cast<size_t>(index)];
        return;
    }
    selectItem(index);
    UISystem* ui = UISystem::instance();
    GameTime now = ui ? ui->getTime() : GameTime();
    if (ui && !m_doubleClickRedirect.empty() && m_lastClickIndex == index &&
        ui->isDoubleClick(now, m_lastClickTime)) {
        if (UIWidget* target = ui->findWidget(m_doubleClickRedirect)) {
            target->onMouseHeld(0, true);
        }
    }
    m_lastClickTime = now;
    m_lastClickIndex = m_selectedIndex;
}

bool UIList::getSelectedValue(std::string& out) const
{
    if (m_selectedIndex < 0 || m_selectedIndex >= static_cast<int>(m_items.size())) {
        return false;
    }
    out = m_items[static_cast<size_t>(m_selectedIndex)].value;
    return true;
}

void UIList::getSelectedValues(std::vector<std::string>& out) const
{
    out.clear();
    if (!m_canSelectMultiple) {
        std::string value;
        getSelectedValue(value);
        out.push_back(value);
        return;
    }
    for (size_t i = 0; i < m_items.size() && i < m_multiSelection.size(); ++i) {
        if (m_multiSelection[i]) {
            out.push_back(m_items[i].value);
        }
    }
}

void UIList::draw()
{
    if (!isVisible() || m_itemHeight <= 0) {
        return;
    }
    UIScrollBar* bar = getScrollBar();
    int first = bar ? bar->getFirstVisible() : 0;
    float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    Vec2 saved = m_textOffset;
    int rows = getVisibleRows();
    float offset = 0.0f;
    // Rows end at the scroll bar when it lies over the list.
    float width = m_size.x;
    if (bar && bar->isVisible()) {
        const float barX = bar->getScreenPosition().x - getScreenPosition().x;
        width = barX > 0.0f ? std::min(width, barX) : width;
    }
    for (int k = 0; k < rows; ++k) {
        int index = first + k;
        if (offset + static_cast<float>(m_itemHeight) > m_size.y || index < 0 ||
            index >= static_cast<int>(m_items.size())) {
            break;
        }
        const ListEntry& item = m_items[static_cast<size_t>(index)];
        bool marked = index == m_selectedIndex ||
                      (m_canSelectMultiple && static_cast<size_t>(index) < m_multiSelection.size() &&
                       m_multiSelection[static_cast<size_t>(index)]);
        std::string text = marked ? selectedPrefix() : (!item.enabled ? formatColorCode(4) : std::string());
        m_textOffset = {0.0f, offset};
        drawText(fitTextToWidth(text + item.name, width), colour);
        offset += static_cast<float>(m_itemHeight);
    }
    m_textOffset = saved;
}

bool UIList::getTooltip(UITooltip& out)
{
    int x = 0;
    int y = 0;
    if (Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    UIScrollBar* bar = getScrollBar();
    if (bar && !bar->fits() && bar->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
        return false;
    }
    int index = itemAt(static_cast<float>(x), static_cast<float>(y));
    if (index < 0) {
        return false;
    }
    out.text = m_items[static_cast<size_t>(index)].tooltipTitle;
    out.secondText = m_items[static_cast<size_t>(index)].tooltipText;
    return true;
}

void UIList::finishSetup()
{
    UIMenu* menu = getMenu();
    if (!menu) {
        return;
    }
    auto bar = std::make_unique<UIScrollBar>();
    if (m_scrollBarOffset.x == 0.0f && m_scrollBarOffset.y == 0.0f && m_scrollBarSize.x == 0.0f &&
        m_scrollBarSize.y == 0.0f) {
        bar->layOut(m_position, m_size);
    } else {
        bar->setPosition({m_position.x + m_scrollBarOffset.x, m_position.y + m_scrollBarOffset.y});
        bar->setSize(m_scrollBarSize);
    }
    bar->setDrawOrder(m_drawOrder + 1.0f);
    // As a text's bar: rows that all fit show no bar beside them.
    bar->setHideIfNotNeeded(true);
    m_scrollBar = UIScrollBar::addFor(*this, *menu, std::move(bar));
}

bool UIList::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&keyword](const char* name) { return equalsNoCase(keyword, name); };
    if (is("itemHeight")) {
        m_itemHeight = reader.getInt();
        if (m_itemHeight < 1) {
            m_itemHeight = 10;
        }
    } else if (is("directoryVar")) {
        m_directoryVar = findOrCreateVar(reader);
    } else if (is("ItemSelectedUserVar")) {
        m_itemSelectedVar = findOrCreateVar(reader);
    } else if (is("directory")) {
        reader.readToken(m_directory, false);
    } else if (is("extension")) {
        reader.readToken(m_extension, false);
    } else if (is("fileType")) {
        std::string word;
        reader.readToken(word, false);
        m_userFiles = equalsNoCase(word, "user");
    } else if (is("infoProc")) {
        reader.readToken(m_infoProc, false);
    } else if (is("refreshEachFrame")) {
        m_refreshEachFrame = reader.getBool();
    } else if (is("canSelectMultiple")) {
        m_canSelectMultiple = reader.getBool();
    } else if (is("runCommandOnSelect")) {
        m_runCommandOnSelect = reader.getBool();
    } else if (is("userVarHoldsName")) {
        m_userVarHoldsName = reader.getBool();
    } else if (is("doubleClickRedirect")) {
        reader.readToken(m_doubleClickRedirect, false);
    } else if (is("selectFirstItem")) {
        m_selectFirstItem = reader.getBool();
    } else if (is("scrollBarOffset")) {
        m_scrollBarOffset = reader.getVec2();
    } else if (is("scrollBarSize")) {
        m_scrollBarSize = reader.getVec2();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
