#include "ui/widgets/UIWidget.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <cctype>
#include <cmath>
#include <vector>

UIDrawing* UIWidget::shownDrawing() const
{
    UISystem* ui = UISystem::instance();
    return isVisible() && ui ? ui->getDrawing() : nullptr;
}

std::string UIWidget::fitTextToWidth(const std::string& text, float width) const
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    // A widget without a width has no box to fit.
    if (!drawing || text.empty() || width <= 0.0f || drawing->layoutText(m_font, text).x <= width) {
        return text;
    }
    static const std::string kMark = "...";
    // Cut what is drawn: text keys translated first, so no key is cut apart.
    std::string shown = text;
    if (const Localization* texts = Localization::instance()) {
        shown = texts->translateCopy(text);
    }
    unescapeNewlines(shown);
    // The places a cut may fall: not inside a "^c001" colour code.
    std::vector<size_t> cuts;
    for (size_t at = 0; at < shown.size(); ++at) {
        if (shown[at] == '^' && at + 1 < shown.size() &&
            std::isalpha(static_cast<unsigned char>(shown[at + 1]))) {
            cuts.push_back(at);
            at += 4;
            continue;
        }
        cuts.push_back(at);
    }
    if (cuts.empty()) {
        return shown;
    }
    // The text grows with its length: the longest prefix that fits with the mark.
    size_t low = 0;
    size_t high = cuts.size() - 1;
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (drawing->layoutText(m_font, shown.substr(0, cuts[middle]) + kMark).x <= width) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    std::string cut = shown.substr(0, cuts[low]);
    while (!cut.empty() && cut.back() == ' ') {
        cut.pop_back();
    }
    return cut + kMark;
}

void UIWidget::drawText(const std::string& text, const float colour[3])
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    Vec2 at = getScreenPosition();
    float x = at.x + m_textOffset.x;
    float y = at.y + m_textOffset.y;
    if (m_textAlignment == 1 && m_size.x > 0.0f && m_size.y > 0.0f) {
        Vec2 laid = drawing->layoutText(m_font, text);
        x = at.x + m_size.x / 2.0f - laid.x / 2.0f;
        y = at.y + m_size.y / 2.0f - laid.y / 2.0f;
    }
    drawing->drawText(m_font, text, static_cast<int>(x), static_cast<int>(y), colour, m_useTextBackdrop,
                      1.0f);
}

void UIWidget::draw()
{
    if (!isVisible() || !m_draw) {
        return;
    }
    prepareDraw();
    if (!m_image.isValid() && m_text.empty()) {
        return;
    }
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    if (m_blinkCondition != 0 && checkCondition(m_blinkCondition) && !ui->isBlinkOn(0.5f)) {
        return;
    }
    Vec2 at = getScreenPosition();
    if (!m_text.empty()) {
        float colour[3];
        if (m_hoverColourSet && ui->getHoveredWidget() == this) {
            toRgb(m_hoverColour, colour);
        } else if ((m_selectable && m_selected) ||
                   (m_selectedCondition != 0 && checkCondition(m_selectedCondition))) {
            toRgb(ColorSystem::getColor(1), colour);
        } else {
            toRgb(m_colour, colour);
        }
        drawText(m_cutTextToWidth ? fitTextToWidth(m_text, m_size.x - m_textOffset.x) : m_text, colour);
        return;
    }
    if (m_size.x == 0.0f && m_size.y == 0.0f) {
        m_size = drawing->imageSize(m_image);
        at = getScreenPosition();
    }
    float white[3];
    toRgb(ColorSystem::getColor(0), white);
    float x1 = at.x + m_size.x;
    float y1 = at.y + m_size.y;
    if (m_hoverImage.isValid() && ui->getHoveredWidget() == this) {
        drawing->drawImage(m_hoverImage, at.x, at.y, x1, y1, 1.0f, white, false, false);
    } else {
        drawing->drawImage(m_image, at.x, at.y, x1, y1, m_alpha, white, m_tiled, m_tiledToFit);
    }
    if (showsOverlay()) {
        if (const ResourceHandle* overlay = drawing->standardImage(1)) {
            drawing->drawImage(*overlay, at.x, at.y, x1, y1, 0.75f, white, false, false);
        }
    }
    if (m_glowCondition != 0 && checkCondition(m_glowCondition)) {
        double ms = ui->getTimeSeconds() * 1000.0;
        float a = static_cast<float>(std::sin(2.0 * ms / 1000.0));
        if (a < 0.0f) {
            a = 0.0f;
        }
        if (const ResourceHandle* glow = drawing->standardImage(3)) {
            drawing->drawImage(*glow, at.x, at.y, x1, y1, a, white, false, false);
        }
    }
    drawHotKeyHint();
}

void UIWidget::drawHotKeyHint()
{
    if (!m_showHotKey || m_hotKey == -1) {
        return;
    }
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    std::string name = getKeyDisplayName(m_hotKey);
    if (!drawing || name.empty()) {
        return;
    }
    const float white[3] = {1.0f, 1.0f, 1.0f};
    Vec2 at = getScreenPosition();
    drawing->drawText(m_font, name, static_cast<int>(at.x + 2.0f), static_cast<int>(at.y), white, false,
                      1.0f);
}
