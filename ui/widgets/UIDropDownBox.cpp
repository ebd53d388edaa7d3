#include "ui/widgets/UIDropDownBox.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <memory>

UIDropDownBox::UIDropDownBox()
{
    m_canClick = true;
    UISystem* ui = UISystem::instance();
    if (ui) {
        m_hoverColour = ui->getSettings().defaultHoverColor;
        m_hoverColourSet = true;
    }
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_arrowImage = drawing->acquireImage("Textures/UI/scrollbar_downarrow.tga", 6);
        m_backgroundImage = drawing->acquireImage("Textures/UI/dropdown_bg.tga", 6);
        m_listImage = drawing->acquireImage("Textures/UI/dropdown_menu.tga", 6);
    }
}

UIDropDownBox::~UIDropDownBox() = default;

UIScrollBar* UIDropDownBox::getScrollBar() const
{
    return static_cast<UIScrollBar*>(m_scrollBar.get());
}

void UIDropDownBox::copyFrom(const UIDropDownBox& other)
{
    copyBaseFrom(other);
    m_arrowImage = other.m_arrowImage;
    m_backgroundImage = other.m_backgroundImage;
    m_listImage = other.m_listImage;
    m_baseSize = other.m_baseSize;
    m_maxSize = other.m_maxSize;
    m_infoProc = other.m_infoProc;
    m_entries = other.m_entries;
    m_refreshEachFrame = other.m_refreshEachFrame;
    m_open = other.m_open;
}

int UIDropDownBox::getVisibleRows() const
{
    return m_baseSize.y > 0.0f ? static_cast<int>((m_maxSize.y - m_baseSize.y) / m_baseSize.y) : 0;
}

void UIDropDownBox::fillEntries()
{
    m_entries.clear();
    if (!m_infoProc.empty()) {
        if (CommandSystem* commands = CommandSystem::instance()) {
            commands->callListFunction(m_infoProc, m_entries);
        }
    }
    for (ListEntry& entry : m_entries) {
        if (entry.value.empty()) {
            entry.value = entry.name;
        }
    }
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setRange(static_cast<int>(m_entries.size()), getVisibleRows());
    }
}

void UIDropDownBox::initialize(bool menuWasHidden)
{
    UIWidget::initialize(menuWasHidden);
    fillEntries();
}

void UIDropDownBox::refresh()
{
    fillEntries();
}

void UIDropDownBox::update(float seconds)
{
    if (m_refreshEachFrame) {
        refresh();
    }
}

void UIDropDownBox::choose(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || !m_userVar.isValid() ||
        !userVarsReady()) {
        return;
    }
    m_userVar.setString(m_entries[static_cast<size_t>(index)].value);
}

std::string UIDropDownBox::getCurrentText() const
{
    if (!m_userVar.isValid() || !userVarsReady()) {
        return {};
    }
    const std::string& value = m_userVar.getString();
    for (const ListEntry& entry : m_entries) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    return {};
}

int UIDropDownBox::firstRow() const
{
    UIScrollBar* bar = getScrollBar();
    return bar ? bar->getFirstVisible() : 0;
}

int UIDropDownBox::lastRow() const
{
    if (m_entries.empty()) {
        return -1;
    }
    return std::min(firstRow() - 1 + getVisibleRows(), static_cast<int>(m_entries.size()) - 1);
}

int UIDropDownBox::rowAt(float x, float y) const
{
    // Without a row height no row lies anywhere.
    if (m_baseSize.y <= 0.0f) {
        return -1;
    }
    Vec2 p = getScreenPosition();
    float top = p.y + m_baseSize.y;
    if (x < p.x || x > p.x + m_baseSize.x || y < top || y > top + m_maxSize.y) {
        return -1;
    }
    int row = firstRow() + static_cast<int>((y - top) / m_baseSize.y);
    return row >= 0 && row <= lastRow() ? row : -1;
}

void UIDropDownBox::close()
{
    m_size = m_baseSize;
    m_selected = false;
    m_open = false;
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setVisible(false);
    }
}

bool UIDropDownBox::handleMouseButton(int button, bool down, int x, int y)
{
    return !pressLandsOn(m_scrollBar.get(), down, x, y) && UIWidget::handleMouseButton(button, down, x, y);
}

void UIDropDownBox::onClick(int button, bool down, int x, int y)
{
    if (button != 0 || !down) {
        return;
    }
    if (!m_open) {
        if (UISystem* ui = UISystem::instance()) {
            ui->closeOpenLists(this);
        }
        m_size = m_maxSize;
        m_selected = true;
        m_open = true;
        if (UIScrollBar* bar = getScrollBar()) {
            bar->setVisible(true);
        }
        return;
    }
    choose(rowAt(static_cast<float>(x), static_cast<float>(y)));
    close();
}

void UIDropDownBox::draw()
{
    UIDrawing* drawing = shownDrawing();
    if (!drawing) {
        return;
    }
    UISystem* ui = UISystem::instance();
    Vec2 p = getScreenPosition();
    float white[3];
    toRgb(ColorSystem::getColor(0), white);
    const ResourceHandle& back = m_open ? m_listImage : m_backgroundImage;
    if (back.isValid()) {
        drawing->drawImage(back, p.x, p.y, p.x + m_size.x, p.y + m_size.y, 1.0f, white, false, false);
    }
    float colour[3];
    toRgb(m_colour, colour);
    drawText(getCurrentText(), colour);
    // The arrow: a square of the closed height at the right end.
    if (m_arrowImage.isValid()) {
        drawing->drawImage(m_arrowImage, p.x + m_baseSize.x - m_baseSize.y, p.y, p.x + m_baseSize.x,
                           p.y + m_baseSize.y, 1.0f, white, false, false);
    }
    if (!m_open) {
        return;
    }
    int hovered = -1;
    if (ui->getHoveredWidget() == this && m_hoverColourSet) {
        int mx = 0;
        int my = 0;
        if (Input* input = Input::instance()) {
            input->getMousePosition(mx, my);
        }
        hovered = rowAt(static_cast<float>(mx), static_cast<float>(my));
    }
    float hover[3];
    toRgb(m_hoverColour, hover);
    Vec2 saved = m_textOffset;
    int first = firstRow();
    int last = lastRow();
    for (int row = first; row >= 0 && row <= last; ++row) {
        m_textOffset = {saved.x, m_baseSize.y + static_cast<float>(row - first) * m_baseSize.y};
        drawText(m_entries[static_cast<size_t>(row)].name, row == hovered ? hover : colour);
    }
    m_textOffset = saved;
}

void UIDropDownBox::finishSetup()
{
    UIMenu* menu = getMenu();
    if (!menu) {
        return;
    }
    m_size = m_baseSize;
    auto bar = std::make_unique<UIScrollBar>();
    bar->setPosition({m_position.x + m_maxSize.x - 16.0f, m_position.y + m_baseSize.y});
    bar->setSize({16.0f, m_maxSize.y - m_baseSize.y});
    bar->setDrawOrder(m_drawOrder + 1.0f);
    bar->setVisible(false);
    // Entries that all fit the open box need no bar.
    bar->setHideIfNotNeeded(true);
    m_scrollBar = UIScrollBar::addFor(*this, *menu, std::move(bar));
}

bool UIDropDownBox::parseParm(const std::string& keyword, TextReader& reader)
{
    if (keyword == "baseSize") {
        m_baseSize = reader.getVec2();
    } else if (keyword == "maxSize") {
        m_maxSize = reader.getVec2();
    } else if (keyword == "infoProc") {
        reader.readToken(m_infoProc, false);
    } else if (keyword == "refreshEachFrame") {
        m_refreshEachFrame = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
