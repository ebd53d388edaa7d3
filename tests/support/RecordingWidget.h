#pragma once

#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

// A widget that records the keys it is given while focused, its clicks and
// its held-button calls, and that refuses or accepts drops as the test says.
class RecordingWidget : public UIWidget {
public:
    bool onKey(int key, bool down) override
    {
        keys.push_back(key);
        return true;
    }
    void onClick(int button, bool down, int x, int y) override
    {
        clicks.push_back(button);
        UIWidget::onClick(button, down, x, y);
    }
    void onMouseHeld(int button, bool down) override
    {
        ++held;
        UIWidget::onMouseHeld(button, down);
    }
    bool acceptsDrop(UIWidget*) override { return accepts; }
    void endDrag() override { ++dragsEnded; }
    void executeCommand(const std::string& line) override { lines.push_back(line); }

    std::vector<int> keys;
    std::vector<int> clicks;
    int held = 0;
    bool accepts = false;
    int dragsEnded = 0;
    std::vector<std::string> lines;
};
