#pragma once

#include "ui/widgets/UIWidget.h"

class UISkillSlot;

// The small button that raises the skill of its parent skill slot; drawn
// and described only while the skill may be raised.
class UISkillSlotIncrease : public UIWidget {
public:
    UISkillSlotIncrease();
    void copyFrom(const UISkillSlotIncrease& other) { copyBaseFrom(other); }
    void draw() override;
    void onClick(int button, bool down, int x, int y) override;
    bool getTooltip(UITooltip& out) override;
    bool canRaise() const;

private:
    const UISkillSlot* parentSlot() const;
};
