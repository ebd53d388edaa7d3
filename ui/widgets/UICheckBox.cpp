#include "ui/widgets/UICheckBox.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

namespace {

constexpr float kBoxSize = 16.0f;
constexpr float kTextGap = 20.0f;

} // namespace

UICheckBox::UICheckBox()
{
    m_canClick = true;
    UISystem* ui = UISystem::instance();
    if (ui) {
        m_hoverColour = ui->getSettings().defaultHoverColor;
        m_hoverColourSet = true;
    }
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_untickedImage = drawing->acquireImage("Textures/UI/checkbox_uncheck.tga", 6);
        m_tickedImage = drawing->acquireImage("Textures/UI/checkbox.tga", 6);
    }
}

UICheckBox::~UICheckBox() = default;

void UICheckBox::copyFrom(const UICheckBox& other)
{
    copyBaseFrom(other);
    m_untickedImage = other.m_untickedImage;
    m_tickedImage = other.m_tickedImage;
}

void UICheckBox::draw()
{
    UIDrawing* drawing = shownDrawing();
    if (!drawing) {
        return;
    }
    UISystem* ui = UISystem::instance();
    Vec2 p = getScreenPosition();
    Color c = ColorSystem::getColor(0);
    const float white[3] = {c.r, c.g, c.b};
    if (m_untickedImage.isValid()) {
        drawing->drawImage(m_untickedImage, p.x, p.y, p.x + kBoxSize, p.y + kBoxSize, 1.0f, white, false,
                           false);
    }
    if (m_userVar.isValid() && m_userVar.getInt() != 0 && m_tickedImage.isValid()) {
        drawing->drawImage(m_tickedImage, p.x, p.y, p.x + kBoxSize, p.y + kBoxSize, 1.0f, white, false,
                           false);
    }
    float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    if (ui->getHoveredWidget() == this && m_hoverColourSet) {
        colour[0] = m_hoverColour.r;
        colour[1] = m_hoverColour.g;
        colour[2] = m_hoverColour.b;
    }
    Vec2 saved = m_textOffset;
    m_textOffset.x += kTextGap;
    drawText(m_text, colour);
    m_textOffset = saved;
}

void UICheckBox::onClick(int button, bool down, int x, int y)
{
    if (!isVisible() || button != 0 || !down || !m_userVar.isValid()) {
        return;
    }
    m_userVar.setString(m_userVar.getBool() ? "0" : "1");
}
