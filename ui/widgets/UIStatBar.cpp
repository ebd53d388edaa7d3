#include "ui/widgets/UIStatBar.h"

#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>

float UIStatBar::getFillFraction() const
{
    int maximum = getStatValue(true);
    if (maximum <= 0) {
        return 0.0f;
    }
    // A value past its maximum (or below 0) stays inside the bar.
    return std::clamp(static_cast<float>(getStatValue(false)) / static_cast<float>(maximum), 0.0f, 1.0f);
}

void UIStatBar::draw()
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing || !isVisible()) {
        return;
    }
    if (m_blinkCondition != 0 && checkCondition(m_blinkCondition) && !ui->isBlinkOn(0.5f)) {
        return;
    }
    if (getStatValue(true) <= 0) {
        return;
    }
    const ResourceHandle& image =
        m_glowCondition != 0 && checkCondition(m_glowCondition) && m_glowImage.isValid() ? m_glowImage
                                                                                         : m_image;
    if (!image.isValid()) {
        return;
    }
    const float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    Vec2 at = getScreenPosition();
    drawing->drawImage(image, at.x, at.y, at.x + m_size.x * getFillFraction(), at.y + m_size.y, 1.0f, colour,
                       m_tiled, m_tiledToFit);
}

bool UIStatBar::getTooltip(UITooltip& out)
{
    // The base text carries its own line break when it wants one.
    UIWidget::getTooltip(out);
    out.text += m_conversionType == 0
                    ? std::to_string(getStatValue(false)) + " / " + std::to_string(getStatValue(true))
                    : convertedText(getStatValue(false), getStatValue(true));
    return true;
}
