#pragma once

#include "ui/widgets/UIScrollBar.h"

// The debug console's scroll bar: one bar without a menu along the right
// edge of the console's area. The console counts lines scrolled back from
// the newest; the bar counts the first line shown from the oldest.
class ConsoleScrollBar {
public:
    ConsoleScrollBar();

    // Once a frame while the console draws: lays the bar out, follows the
    // console's scroll unless the bar was moved, draws it and answers the
    // scroll back to use.
    int frame(int lines, int shown, int scrollBack, float seconds);
    // A mouse button while the console is open; true when the bar took it.
    bool mouseButton(int button, bool down, int x, int y);

    UIScrollBar& getBar() { return m_bar; }

private:
    UIScrollBar m_bar;
    int m_lines = 0;
    int m_shown = 0;
    int m_lastFirst = 0;
};
