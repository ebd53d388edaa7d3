#include "ui/ConsoleScrollBar.h"

#include <algorithm>

namespace {

// The console covers the top half of the interface.
const Vec2 kConsolePosition{0.0f, 0.0f};
const Vec2 kConsoleSize{640.0f, 240.0f};

} // namespace

ConsoleScrollBar::ConsoleScrollBar()
{
    m_bar.layOut(kConsolePosition, kConsoleSize);
    m_bar.finishSetup();
}

int ConsoleScrollBar::frame(int lines, int shown, int scrollBack, float seconds)
{
    auto firstOf = [&](int back) { return std::clamp(lines - shown - back, 0, std::max(0, lines - 1)); };
    if (lines != m_lines || shown != m_shown) {
        // A new range starts the bar at the top: put it back where the
        // console is.
        m_bar.setRange(lines, shown);
        m_lines = lines;
        m_shown = shown;
        m_bar.scrollTo(firstOf(scrollBack));
        m_lastFirst = m_bar.getFirstVisible();
    }
    m_bar.update(seconds);
    int first = m_bar.getFirstVisible();
    if (first != m_lastFirst) {
        scrollBack = std::max(0, lines - shown - first);
    } else {
        m_bar.scrollTo(firstOf(scrollBack));
    }
    m_lastFirst = m_bar.getFirstVisible();
    m_bar.update(0.0f);
    m_bar.draw();
    return scrollBack;
}

bool ConsoleScrollBar::mouseButton(int button, bool down, int x, int y)
{
    if (!down || !m_bar.containsPoint(static_cast<float>(x), static_cast<float>(y))) {
        return false;
    }
    m_bar.onClick(button, down, x, y);
    return button == 0;
}
