#pragma once

#include "engine/object/SafePtr.h"

class UIWidget;

// Whether one component is added into a chart, with the button that shows it.
struct RelationsChartToggle {
    SafePtr<UIWidget> widget;
    int componentIndex = 0;
    bool shown = true;
};
