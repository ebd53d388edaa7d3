#include "ui/widgets/UIDropDownMenu.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/TextReader.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>

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

void UIDropDownMenu::takeSize()
{
    float open = m_selected ? static_cast<float>(m_choices.size()) * m_choiceSize.y : 0.0f;
    m_size = {m_baseSize.x, m_baseSize.y + open};
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

void UIDropDownMenu::draw()
{
    if (!isVisible()) {
        return;
    }
    float colour[3];
    if (!m_selected) {
        toRgb(m_colour, colour);
        drawText(m_text, colour);
        return;
    }
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    Vec2 at = getScreenPosition();
    if (drawing && m_backgroundImage.isValid()) {
        float width = 0.0f;
        for (const Choice& choice : m_choices) {
            width = std::max(width, drawing->layoutText(m_font, choice.label).x);
        }
        float top = at.y + m_choiceSize.y;
        toRgb(ColorSystem::getColor(0), colour);
        drawing->drawImage(m_backgroundImage, at.x, top, at.x + width,
                           top + static_cast<float>(m_choices.size()) * m_choiceSize.y, 1.0f, colour, false,
                           false);
    }
    toRgb(ColorSystem::getColor(1), colour);
    drawText(m_text, colour);
    toRgb(m_colour, colour);
    Vec2 saved = m_textOffset;
    for (size_t i = 0; i < m_choices.size(); ++i) {
        m_textOffset = {saved.x, saved.y + static_cast<float>(i + 1) * m_choiceSize.y};
        drawText(m_choices[i].label, colour);
    }
    m_textOffset = saved;
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
