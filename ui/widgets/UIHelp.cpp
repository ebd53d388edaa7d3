#include "ui/widgets/UIHelp.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>

namespace {

constexpr int kEntityNumbers = 1000;
constexpr float kLabelAnchor = 32.0f;
constexpr float kBorderFallback = 4.0f;

const char* const kBorderImages[8] = {
    "Textures/helpBorderUpperLeft.tga",  "Textures/helpBorderTop.tga",
    "Textures/helpBorderUpperRight.tga", "Textures/helpBorderRight.tga",
    "Textures/helpBorderLowerRight.tga", "Textures/helpBorderBottom.tga",
    "Textures/helpBorderLowerLeft.tga",  "Textures/helpBorderLeft.tga",
};

} // namespace

bool HelpBox::overlaps(const HelpBox& other) const
{
    return position.x < other.position.x + other.size.x && other.position.x < position.x + size.x &&
           position.y < other.position.y + other.size.y && other.position.y < position.y + size.y;
}

bool HelpBox::contains(float x, float y) const
{
    return x >= position.x && x < position.x + size.x && y >= position.y && y < position.y + size.y;
}

UIHelp::UIHelp()
{
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        for (int i = 0; i < 8; ++i) {
            m_borders[i] = drawing->acquireImage(kBorderImages[i], 6);
        }
        m_background = drawing->acquireImage("UIBlack", 6);
    }
}

UIHelp::~UIHelp() = default;

void UIHelp::copyFrom(const UIHelp& other)
{
    copyBaseFrom(other);
    m_basePosition = other.m_basePosition;
    m_baseSize = other.m_baseSize;
    m_margin = other.m_margin;
    m_gap = other.m_gap;
    for (int i = 0; i < 8; ++i) {
        m_borders[i] = other.m_borders[i];
    }
    m_background = other.m_background;
}

bool UIHelp::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "basePosition")) {
        m_basePosition = reader.getVec2();
        return false;
    }
    if (equalsNoCase(keyword, "baseSize")) {
        m_baseSize = reader.getVec2();
        return false;
    }
    return UIWidget::parseParm(keyword, reader);
}

bool UIHelp::isLabelKeyHeld()
{
    const Input* input = Input::instance();
    return input && (input->isKeyHeld(DIK_LMENU) || input->isKeyHeld(DIK_RMENU) ||
                     input->isKeyHeld(DIK_LCONTROL) || input->isKeyHeld(DIK_RCONTROL));
}

HelpBox UIHelp::placeBox(Vec2 textSize, Vec2 anchorPosition, Vec2 anchorSize) const
{
    HelpBox box;
    box.size = {textSize.x + 2.0f * m_margin.x, textSize.y + 2.0f * m_margin.y};
    if (anchorSize.x == 0.0f && anchorSize.y == 0.0f) {
        box.position = m_basePosition;
        if (box.position.x + box.size.x > kRightEdge) {
            box.position.x = kRightEdge - box.size.x;
        }
        return box;
    }
    float x = anchorPosition.x + anchorSize.x * 0.5f - box.size.x * 0.5f;
    x = std::min(x, kRightEdge - box.size.x);
    box.position.x = std::max(x, kLeftEdge);
    float above = anchorPosition.y - m_gap.y - box.size.y;
    float below = anchorPosition.y + anchorSize.y + m_gap.y;
    if (above >= 0.0f) {
        box.position.y = above;
    } else if (below + box.size.y < kScreenHeight) {
        box.position.y = below;
    } else {
        box.position.y = kScreenHeight * 0.5f - box.size.y * 0.5f;
    }
    return box;
}

HelpBox UIHelp::placeAtPoint(Vec2 textSize, Vec2 point) const
{
    HelpBox box;
    box.size = {textSize.x + 2.0f * m_margin.x, textSize.y + 2.0f * m_margin.y};
    float x = point.x + m_margin.x;
    if (x + box.size.x > kRightEdge) {
        x = point.x - m_margin.x - box.size.x;
    }
    box.position.x = std::max(x, kLeftEdge);
    float y = point.y - box.size.y;
    if (y < 0.0f) {
        y = point.y + kLabelAnchor;
        if (y + box.size.y >= kScreenHeight) {
            y = kScreenHeight * 0.5f - box.size.y * 0.5f;
        }
    }
    box.position.y = y;
    return box;
}

HelpBox UIHelp::avoidPlaced(HelpBox box)
{
    auto isFree = [this](const HelpBox& candidate) {
        return std::none_of(m_placed.begin(), m_placed.end(),
                            [&candidate](const HelpBox& placed) { return candidate.overlaps(placed); });
    };
    HelpBox chosen = box;
    if (!isFree(box)) {
        // Up, then down by the box's height, then right by its width; the
        // last try stands when nothing is free.
        const Vec2 steps[3] = {{0.0f, -box.size.y}, {0.0f, box.size.y}, {box.size.x, 0.0f}};
        bool found = false;
        for (int direction = 0; direction < 3 && !found; ++direction) {
            for (int k = 1; k <= kAvoidSteps; ++k) {
                chosen.position = {box.position.x + steps[direction].x * static_cast<float>(k),
                                   box.position.y + steps[direction].y * static_cast<float>(k)};
                if (isFree(chosen)) {
                    found = true;
                    break;
                }
            }
        }
    }
    m_placed.push_back(chosen);
    return chosen;
}

const ResourceHandle& UIHelp::textFont() const
{
    if (m_font.isValid()) {
        return m_font;
    }
    UISystem* ui = UISystem::instance();
    return ui ? ui->getDefaultFont() : m_font;
}

Vec2 UIHelp::measure(const std::string& text) const
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    return drawing ? drawing->layoutText(textFont(), text) : Vec2();
}

std::vector<UIHelp::Label> UIHelp::placeLabels()
{
    std::vector<Label> labels;
    clearPlaced();
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!view) {
        return labels;
    }
    for (int number = 0; number < kEntityNumbers; ++number) {
        std::string text;
        Vec2 screen;
        if (!view->getEntityLabel(number, text, screen) || text.empty()) {
            continue;
        }
        if (screen.x < 0.0f || screen.x >= 640.0f || screen.y < 0.0f || screen.y >= kScreenHeight) {
            continue;
        }
        unescapeNewlines(text);
        HelpBox box =
            placeBox(measure(text), {screen.x - kLabelAnchor * 0.5f, screen.y - kLabelAnchor * 0.5f},
                     {kLabelAnchor, kLabelAnchor});
        labels.push_back({number, text, avoidPlaced(box)});
    }
    return labels;
}

int UIHelp::findLabelAtMouse()
{
    if (!isLabelKeyHeld()) {
        return -1;
    }
    int x = 0, y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    for (const Label& label : placeLabels()) {
        if (label.box.contains(static_cast<float>(x), static_cast<float>(y))) {
            return label.entity;
        }
    }
    return -1;
}

void UIHelp::drawBox(const HelpBox& box, const std::string& text, float alpha)
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    Color white = ColorSystem::getColor(0);
    const float colour[3] = {white.r, white.g, white.b};
    float x0 = box.position.x, y0 = box.position.y;
    float x1 = x0 + box.size.x, y1 = y0 + box.size.y;
    if (m_background.isValid()) {
        drawing->drawImage(m_background, x0, y0, x1, y1, alpha, colour, false, false);
    }
    Vec2 corner = m_borders[0].isValid() ? drawing->imageSize(m_borders[0]) : Vec2();
    float b = corner.x > 0.0f ? corner.x : kBorderFallback;
    // Corners outside the box's corners, edges along its sides: upper left,
    // top, upper right, right, lower right, bottom, lower left, left.
    const float pieces[8][4] = {
        {x0 - b, y0 - b, x0, y0}, {x0, y0 - b, x1, y0}, {x1, y0 - b, x1 + b, y0}, {x1, y0, x1 + b, y1},
        {x1, y1, x1 + b, y1 + b}, {x0, y1, x1, y1 + b}, {x0 - b, y1, x0, y1 + b}, {x0 - b, y0, x0, y1},
    };
    for (int i = 0; i < 8; ++i) {
        if (m_borders[i].isValid()) {
            drawing->drawImage(m_borders[i], pieces[i][0], pieces[i][1], pieces[i][2], pieces[i][3], 1.0f,
                               colour, false, false);
        }
    }
    drawing->drawText(textFont(), text, static_cast<int>(x0 + m_margin.x), static_cast<int>(y0 + m_margin.y),
                      colour, false, 1.0f);
}

void UIHelp::draw()
{
    if (!isVisible()) {
        return;
    }
    if (isLabelKeyHeld()) {
        for (const Label& label : placeLabels()) {
            drawBox(label.box, label.text, 1.0f);
        }
        return;
    }
    UISystem* ui = UISystem::instance();
    UITooltip tooltip;
    if (!ui || !ui->getTooltip(tooltip) || tooltip.text.empty()) {
        return;
    }
    std::string text = tooltip.text;
    unescapeNewlines(text);
    HelpBox box = placeBox(measure(text), tooltip.position, tooltip.size);
    drawBox(box, text, tooltip.alpha);
    if (!tooltip.secondText.empty()) {
        std::string second = tooltip.secondText;
        unescapeNewlines(second);
        HelpBox tied = placeAtPoint(measure(second), {box.position.x + box.size.x, box.position.y});
        drawBox(tied, second, tooltip.alpha);
    }
}

bool UIHelp::handleMouseButton(int button, bool down, int x, int y)
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!isVisible() || button != 0 || !down || !view || !view->hasLocalPlayer() || !isLabelKeyHeld()) {
        return false;
    }
    for (const Label& label : placeLabels()) {
        if (label.box.contains(static_cast<float>(x), static_cast<float>(y))) {
            view->selectEntity(label.entity);
            return true;
        }
    }
    return false;
}
