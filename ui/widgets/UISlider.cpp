#include "ui/widgets/UISlider.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>

UISlider::UISlider()
{
    m_canClick = true;
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_barTexture = drawing->acquireImage("Textures/UI/slider_bar.tga", 6);
        m_notchTexture = drawing->acquireImage("Textures/UI/slider_notch.tga", 6);
    }
}

UISlider::~UISlider()
{
    releaseButton();
}

void UISlider::copyFrom(const UISlider& other)
{
    copyBaseFrom(other);
    m_barTexture = other.m_barTexture;
    m_notchTexture = other.m_notchTexture;
    m_minValue = other.m_minValue;
    m_maxValue = other.m_maxValue;
    m_notchSize = other.m_notchSize;
}

float UISlider::getFraction() const
{
    if (!m_userVar.isValid() || !userVarsReady() || m_minValue == m_maxValue) {
        return 0.5f;
    }
    return (m_userVar.getFloat() - m_minValue) / (m_maxValue - m_minValue);
}

Vec2 UISlider::getNotchPosition() const
{
    Vec2 p = getScreenPosition();
    return {p.x + m_size.x * getFraction() - m_notchSize.x * 0.5f,
            p.y + m_size.y * 0.5f - m_notchSize.y * 0.5f};
}

void UISlider::setFromX(float x)
{
    // A bar without width has no place to take a value from.
    if (!(m_size.x > 0.0f) || !m_userVar.isValid() || !userVarsReady()) {
        return;
    }
    float fraction = std::clamp((x - getScreenPosition().x) / m_size.x, 0.0f, 1.0f);
    m_userVar.setString(formatString("%f", m_minValue + (m_maxValue - m_minValue) * fraction));
}

void UISlider::draw()
{
    UIDrawing* drawing = shownDrawing();
    if (!drawing) {
        return;
    }
    const float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    Vec2 p = getScreenPosition();
    if (m_barTexture.isValid()) {
        float top = p.y + m_size.y * 0.5f - 5.0f;
        drawing->drawImage(m_barTexture, p.x, top, p.x + m_size.x, top + m_size.y * 0.5f, 1.0f, colour, false,
                           false);
    }
    if (m_notchTexture.isValid()) {
        Vec2 n = getNotchPosition();
        drawing->drawImage(m_notchTexture, n.x, n.y, n.x + m_notchSize.x, n.y + m_notchSize.y, 1.0f, colour,
                           false, false);
    }
}

void UISlider::update(float seconds)
{
    if (m_dragging) {
        int x = 0;
        int y = 0;
        UISystem::pointerPosition(x, y);
        setFromX(static_cast<float>(x));
    }
}

void UISlider::onMouseHeld(int button, bool down)
{
    clickAtPointer(button, down);
}

void UISlider::onClick(int button, bool down, int x, int y)
{
    if (button != 0) {
        return;
    }
    // The release comes through the capture, also to a slider hidden
    // meanwhile, and always ends the drag.
    if (!down) {
        m_dragging = false;
        releaseButton();
        return;
    }
    if (!isVisible() || m_dragging) {
        return;
    }
    Vec2 notch = getNotchPosition();
    float fx = static_cast<float>(x);
    if (notch.x < fx && fx < notch.x + m_notchSize.x) {
        // Held as the button's widget, not as a dragged item.
        m_dragging = true;
        holdAsRepeating(button);
        return;
    }
    setFromX(fx);
}

bool UISlider::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "minValue")) {
        m_minValue = reader.getFloat();
    } else if (equalsNoCase(keyword, "maxValue")) {
        m_maxValue = reader.getFloat();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
