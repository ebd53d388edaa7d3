#pragma once

#include "ui/widgets/UIStatValue.h"

// A bar filled in proportion to a stat (the first) and its maximum (the second).
class UIStatBar : public UIStatValue {
public:
    void draw() override;
    bool getTooltip(UITooltip& out) override;

    // The filled part of the width, kept within 0 … 1; 0 without a maximum.
    float getFillFraction() const;
};
