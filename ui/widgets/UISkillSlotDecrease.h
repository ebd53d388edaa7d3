#pragma once

#include "ui/widgets/UIWidget.h"

class UISkillSlot;

// The small button that lowers the skill of its parent skill slot; drawn
// and described only while the skill may be lowered.
class UISkillSlotDecrease : public UIWidget {
public:
    UISkillSlotDecrease();
    void draw() override;
    void onClick(int button, bool down, int x, int y) override;
    bool getTooltip(UITooltip& out) override;
    bool canLower() const;

private:
    const UISkillSlot* parentSlot() const;
};
