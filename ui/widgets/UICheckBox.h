#pragma once

#include "ui/widgets/UIWidget.h"

// Shows and flips a boolean user variable: a 16 × 16 box, ticked while the
// variable's integer value is not 0, and the widget's text beside it.
class UICheckBox : public UIWidget {
public:
    UICheckBox();
    ~UICheckBox() override;

    void draw() override;
    void onClick(int button, bool down, int x, int y) override;

    void copyFrom(const UICheckBox& other);

private:
    ResourceHandle m_untickedImage;
    ResourceHandle m_tickedImage;
};
