#include "ui/widgets/UIScrollBar.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kThickness = 16.0f;
constexpr float kFirstRepeat = 0.25f;
constexpr float kNextRepeat = 0.05f;
// Frame times add up with rounding; a countdown this close to zero is over.
constexpr float kTimeSlack = 1e-4f;

} // namespace

UIScrollBar::UIScrollBar()
{
    m_canClick = true;
    acquireImages();
}

UIScrollBar::~UIScrollBar()
{
    releaseButton();
}

void UIScrollBar::acquireImages()
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    const UISettings& s = ui->getSettings();
    auto acquire = [drawing](const std::string& name) {
        return name.empty() ? ResourceHandle() : drawing->acquireImage(name, 6);
    };
    m_up = acquire(s.scrollbarUp);
    m_down = acquire(s.scrollbarDown);
    m_left = acquire(s.scrollbarLeft);
    m_right = acquire(s.scrollbarRight);
    m_bar = acquire(s.scrollbarBar);
    m_background = acquire(s.scrollbarBackground);
    m_barHoriz = acquire(s.scrollbarBarHoriz);
    m_backgroundHoriz = acquire(s.scrollbarBackgroundHoriz);
}

void UIScrollBar::copyFrom(const UIScrollBar& other)
{
    copyBaseFrom(other);
    m_up = other.m_up;
    m_down = other.m_down;
    m_left = other.m_left;
    m_right = other.m_right;
    m_background = other.m_background;
    m_bar = other.m_bar;
    m_backgroundHoriz = other.m_backgroundHoriz;
    m_barHoriz = other.m_barHoriz;
    m_trackStart = other.m_trackStart;
    m_lastThumbStart = other.m_lastThumbStart;
    m_thumbStart = other.m_thumbStart;
    m_first = other.m_first;
    m_thumbLength = other.m_thumbLength;
    m_arrowLength = other.m_arrowLength;
    m_dragReference = other.m_dragReference;
    m_count = other.m_count;
    m_visibleCount = other.m_visibleCount;
    m_pixelsPerItem = other.m_pixelsPerItem;
    m_hideIfNotNeeded = other.m_hideIfNotNeeded;
    m_fits = other.m_fits;
    m_vertical = other.m_vertical;
    m_pressedPart = other.m_pressedPart;
    m_repeatRunning = other.m_repeatRunning;
    m_repeatLeft = other.m_repeatLeft;
    m_target = other.m_target;
    // The hold belongs to the original: the capture knows only that one.
    m_repeating = false;
}

void UIScrollBar::layOut(const Vec2& areaPosition, const Vec2& areaSize)
{
    if (m_vertical) {
        m_position = {areaPosition.x + areaSize.x - kThickness, areaPosition.y};
        m_size = {kThickness, areaSize.y};
    } else {
        m_position = {areaPosition.x, areaPosition.y + areaSize.y - kThickness};
        m_size = {areaSize.x, kThickness};
    }
}

void UIScrollBar::finishSetup()
{
    m_arrowLength = m_vertical ? m_size.x : m_size.y;
    m_trackStart = m_arrowLength;
    m_lastThumbStart = length() - m_arrowLength - m_thumbLength;
    m_thumbStart = m_trackStart;
    m_thumbLength = m_lastThumbStart - m_trackStart;
}

void UIScrollBar::setRange(int count, int visibleCount)
{
    if (count == m_count && visibleCount == m_visibleCount) {
        return;
    }
    count = std::max(count, 0);
    float track = length() - 2.0f * m_arrowLength;
    if (visibleCount < count && count != 0) {
        m_thumbLength = track * static_cast<float>(visibleCount) / static_cast<float>(count);
    } else {
        m_thumbLength = track;
    }
    m_lastThumbStart = length() - m_arrowLength - m_thumbLength;
    m_count = count;
    m_visibleCount = visibleCount;
    m_fits = count <= visibleCount;
    m_first = 0;
    // No items: nothing to drag over.
    m_pixelsPerItem = count > 0 ? (m_lastThumbStart - m_trackStart) / static_cast<float>(count) : 0.0f;
}

void UIScrollBar::scrollTo(int first)
{
    m_first = std::clamp(first, 0, std::max(0, m_count - 1));
}

void UIScrollBar::clampFirst()
{
    if (m_first >= m_count) {
        scrollTo(m_count - 1);
    }
}

void UIScrollBar::scroll(int part)
{
    switch (part) {
    case 1:
        scrollTo(m_first - 1);
        break;
    case 2:
        scrollTo(m_first + 1);
        break;
    case 3:
        scrollTo(m_first - m_visibleCount);
        break;
    case 4:
        scrollTo(m_first + m_visibleCount);
        break;
    default:
        break;
    }
}

void UIScrollBar::dragBy(float delta, bool rebase)
{
    float& reference = m_vertical ? m_dragReference.y : m_dragReference.x;
    if (rebase) {
        reference -= delta;
    }
    if (!(m_pixelsPerItem > 0.0f)) {
        return;
    }
    double steps = std::trunc(static_cast<double>(delta) / m_pixelsPerItem);
    if (steps == 0.0 || !std::isfinite(steps)) {
        return;
    }
    int n = static_cast<int>(std::clamp(steps, -1.0e6, 1.0e6));
    scrollTo(m_first + n);
    reference += static_cast<float>(n) * m_pixelsPerItem;
}

float UIScrollBar::along(float x, float y) const
{
    Vec2 at = getScreenPosition();
    return m_vertical ? y - at.y : x - at.x;
}

int UIScrollBar::hitPart(float x, float y) const
{
    Vec2 at = getScreenPosition();
    if (x < at.x || y < at.y || x > at.x + m_size.x || y > at.y + m_size.y) {
        return 0;
    }
    float p = along(x, y);
    float end = length();
    if (p >= 0.0f && p < m_arrowLength) {
        return 1;
    }
    if (p > end - m_arrowLength && p < end) {
        return 2;
    }
    if (p < m_thumbStart) {
        return 3;
    }
    if (p <= m_thumbStart + m_thumbLength) {
        return 5;
    }
    return 4;
}

bool UIScrollBar::isVisible() const
{
    return UIWidget::isVisible() && !hiddenByFit();
}

bool UIScrollBar::reacts() const
{
    if (!isVisible()) {
        return false;
    }
    UIWidget* parent = getParent();
    UIWidget* target = m_target.get();
    return (!parent || parent->isVisible()) && (!target || target->isVisible());
}

void UIScrollBar::onMouseHeld(int button, bool down)
{
    clickAtPointer(button, down);
}

bool UIScrollBar::handleMouseButton(int button, bool down, int x, int y)
{
    if (down && !reacts()) {
        return false;
    }
    return UIWidget::handleMouseButton(button, down, x, y);
}

void UIScrollBar::onClick(int button, bool down, int x, int y)
{
    if (button != 0) {
        return;
    }
    // A release always ends the hold, even of a bar hidden meanwhile: the
    // capture would otherwise keep sending every button to it.
    if (!down) {
        m_repeatRunning = false;
        releaseButton();
        return;
    }
    if (!reacts() || m_repeating) {
        return;
    }
    m_pressedPart = hitPart(static_cast<float>(x), static_cast<float>(y));
    scroll(m_pressedPart);
    holdAsRepeating(button);
    m_dragReference = {static_cast<float>(x), static_cast<float>(y)};
    m_repeatRunning = true;
    m_repeatLeft = kFirstRepeat;
}

bool UIScrollBar::onMouseWheel(int step)
{
    if (step == 0 || !reacts()) {
        return false;
    }
    int x = 0;
    int y = 0;
    UISystem::pointerPosition(x, y);
    float fx = static_cast<float>(x);
    float fy = static_cast<float>(y);
    UIWidget* target = m_target.get();
    if (!containsPoint(fx, fy) && !(target && target->containsPoint(fx, fy))) {
        return false;
    }
    scroll(step > 0 ? 1 : 2);
    return true;
}

void UIScrollBar::update(float seconds)
{
    UISystem* ui = UISystem::instance();
    if (ui && ui->getHeldWidget() == this) {
        if (m_pressedPart == 5) {
            int x = 0;
            int y = 0;
            UISystem::pointerPosition(x, y);
            float now = m_vertical ? static_cast<float>(y) : static_cast<float>(x);
            dragBy(now - getDragReference(), false);
        } else if (m_repeatRunning) {
            m_repeatLeft -= seconds;
            if (m_repeatLeft <= kTimeSlack) {
                scroll(m_pressedPart);
                m_repeatLeft = kNextRepeat;
            }
        }
    }
    m_thumbStart = m_count > 0 ? m_trackStart + (m_lastThumbStart - m_trackStart) *
                                                    static_cast<float>(m_first) / static_cast<float>(m_count)
                               : m_trackStart;
}

void UIScrollBar::drawPart(const ResourceHandle& image, float from, float to)
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing || !image.isValid()) {
        return;
    }
    static const float kWhite[3] = {1.0f, 1.0f, 1.0f};
    Vec2 at = getScreenPosition();
    if (m_vertical) {
        drawing->drawImage(image, at.x, at.y + from, at.x + m_size.x, at.y + to, 1.0f, kWhite, false, false);
    } else {
        drawing->drawImage(image, at.x + from, at.y, at.x + to, at.y + m_size.y, 1.0f, kWhite, false, false);
    }
}

void UIScrollBar::draw()
{
    if (!reacts()) {
        return;
    }
    float end = length();
    drawPart(m_vertical ? m_up : m_left, 0.0f, m_arrowLength);
    drawPart(m_vertical ? m_background : m_backgroundHoriz, m_arrowLength, end - m_arrowLength);
    drawPart(m_vertical ? m_bar : m_barHoriz, m_thumbStart, m_thumbStart + m_thumbLength);
    drawPart(m_vertical ? m_down : m_right, end - m_arrowLength, end);
}

UIWidget* UIScrollBar::addFor(UIWidget& owner, UIMenu& menu, std::unique_ptr<UIScrollBar> bar)
{
    bar->setTarget(&owner);
    bar->setParent(&owner);
    bar->setMenu(&menu);
    UIWidget* added = menu.addWidget(std::move(bar));
    added->finishSetup();
    return added;
}

bool UIScrollBar::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "basicSetup")) {
        Vec2 position = reader.getVec2();
        Vec2 size = reader.getVec2();
        layOut(position, size);
    } else if (equalsNoCase(keyword, "hideIfNotNeeded")) {
        m_hideIfNotNeeded = reader.getBool();
    } else if (equalsNoCase(keyword, "vertical")) {
        m_vertical = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
