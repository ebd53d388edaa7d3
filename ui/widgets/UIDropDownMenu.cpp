#include "ui/widgets/UIDropDownMenu.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/TextReader.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>

namespace {

// Room kept on each side of the labels of the open list.
constexpr float kListInset = 4.0f;

} // namespace

UIDropDownMenu::UIDropDownMenu()
{
    m_canClick = true;
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (const ResourceHandle* blank = drawing ? drawing->standardImage(0) : nullptr) {
        m_backgroundImage = *blank;
    }
}

UIDropDownMenu::~UIDropDownMenu() = default;

void UIDropDownMenu::copyFrom(const UIDropDownMenu& other)
{
    copyBaseFrom(other);
    m_baseSize = other.m_baseSize;
    m_choiceSize = other.m_choiceSize;
    m_choices = other.m_choices;
    m_backgroundImage = other.m_backgroundImage;
}

float UIDropDownMenu::listInset() const
{
    return std::max(m_textOffset.x, kListInset);
}

float UIDropDownMenu::listWidth() const
{
    // No label ends on the list's edge: each keeps the inset on both sides.
    float width = m_baseSize.x;
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        for (const Choice& choice : m_choices) {
            width = std::max(width, drawing->layoutText(m_font, choice.label).x + 2.0f * listInset());
        }
    }
    return width;
}

void UIDropDownMenu::takeSize()
{
    // Open, the list takes clicks over all of its width.
    float open = m_selected ? static_cast<float>(m_choices.size()) * m_choiceSize.y : 0.0f;
    m_size = {m_selected ? listWidth() : m_baseSize.x, m_baseSize.y + open};
}

int UIDropDownMenu::rowAt(float y) const
{
    float top = getScreenPosition().y;
    float h = m_choiceSize.y;
    for (size_t i = 0; i < m_choices.size(); ++i) {
        float from = top + static_cast<float>(i + 1) * h;
        if (from < y && y <= from + h) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void UIDropDownMenu::onClick(int button, bool down, int x, int y)
{
    if (button != 0 || !down) {
        return;
    }
    if (!m_selected) {
        if (UISystem* ui = UISystem::instance()) {
            ui->closeOpenLists(this);
        }
        m_selected = true;
        takeSize();
        return;
    }
    int row = rowAt(static_cast<float>(y));
    m_selected = false;
    takeSize();
    if (row >= 0) {
        executeCommand(m_choices[static_cast<size_t>(row)].command);
    }
}

void UIDropDownMenu::drawHeader(UIDrawing& drawing, const float colour[3])
{
    Vec2 at = getScreenPosition();
    // With an image of its own the header is drawn as a button, the pointer
    // over it showing its hover image while the list is closed.
    if (m_image.isValid()) {
        UISystem* ui = UISystem::instance();
        const bool hovered = !m_selected && m_hoverImage.isValid() && ui && ui->getHoveredWidget() == this;
        float white[3];
        toRgb(ColorSystem::getColor(0), white);
        drawing.drawImage(hovered ? m_hoverImage : m_image, at.x, at.y, at.x + m_baseSize.x,
                          at.y + m_baseSize.y, hovered ? 1.0f : m_alpha, white, false, false);
    }
    // The label stands in the header, whether the list is open or not.
    Vec2 size = m_size;
    m_size = m_baseSize;
    drawText(m_text, colour);
    m_size = size;
}

void UIDropDownMenu::draw()
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!isVisible() || !drawing) {
        return;
    }
    float colour[3];
    if (!m_selected) {
        toRgb(m_colour, colour);
        drawHeader(*drawing, colour);
        return;
    }
    Vec2 at = getScreenPosition();
    // The list lies on the header's image when it has one, as a button's
    // words do; else on the blank image.
    const ResourceHandle& ground = m_image.isValid() ? m_image : m_backgroundImage;
    if (ground.isValid()) {
        float top = at.y + m_choiceSize.y;
        toRgb(ColorSystem::getColor(0), colour);
        drawing->drawImage(ground, at.x, top, at.x + listWidth(),
                           top + static_cast<float>(m_choices.size()) * m_choiceSize.y, 1.0f, colour, false,
                           false);
    }
    toRgb(ColorSystem::getColor(1), colour);
    drawHeader(*drawing, colour);
    toRgb(m_colour, colour);
    Vec2 saved = m_textOffset;
    int alignment = m_textAlignment;
    m_textAlignment = 0;
    for (size_t i = 0; i < m_choices.size(); ++i) {
        // A centred header has its rows' labels centred in their rows too.
        float y = saved.y;
        if (alignment == 1) {
            y = (m_choiceSize.y - drawing->layoutText(m_font, m_choices[i].label).y) / 2.0f;
        }
        m_textOffset = {listInset(), y + static_cast<float>(i + 1) * m_choiceSize.y};
        drawText(m_choices[i].label, colour);
    }
    m_textOffset = saved;
    m_textAlignment = alignment;
}

bool UIDropDownMenu::parseParm(const std::string& keyword, TextReader& reader)
{
    if (keyword == "baseSize") {
        m_baseSize = reader.getVec2();
        m_size = m_baseSize;
    } else if (keyword == "choiceSize") {
        m_choiceSize = reader.getVec2();
    } else if (keyword == "addChoice") {
        Choice choice;
        reader.readToken(choice.label, false);
        reader.readToken(choice.command, false);
        m_choices.push_back(std::move(choice));
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
