#include "ui/widgets/UISkillSlotDecrease.h"

#include "engine/core/StringUtil.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/WidgetReads.h"

UISkillSlotDecrease::UISkillSlotDecrease()
{
    m_canClick = true;
}

const UISkillSlot* UISkillSlotDecrease::parentSlot() const
{
    return dynamic_cast<const UISkillSlot*>(getParent());
}

bool UISkillSlotDecrease::canLower() const
{
    const UISkillSlot* slot = parentSlot();
    const SkillBase* skill = slot ? slot->getSkill() : nullptr;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    ClientView* view = widgetClientView();
    return definition && view && view->hasLocalPlayer() && skill->getLevel() > definition->startingSkillLevel;
}

void UISkillSlotDecrease::draw()
{
    if (canLower()) {
        UIWidget::draw();
    }
}

bool UISkillSlotDecrease::getTooltip(UITooltip& out)
{
    if (!canLower()) {
        out = UITooltip();
        return false;
    }
    const SkillBase* skill = parentSlot()->getSkill();
    UIWidget::getTooltip(out);
    out.text =
        formatString("Left click to decrease %s by 1\n", skill->getDefinition()->getShownName().c_str()) +
        widgetClientView()->describeSkill(*skill, ClientView::SkillText::LowerCost);
    return true;
}

void UISkillSlotDecrease::onClick(int button, bool down, int x, int y)
{
    UIWidget::onClick(button, down, x, y);
    ClientView* view = widgetClientView();
    if (!down || button != 0 || !view || !canLower()) {
        return;
    }
    const UISkillSlot* slot = parentSlot();
    view->queueServerCommand(formatString("decreaseSkill %d %d ", slot->getTree(), slot->getSkillIndex()));
    view->playInterfaceSound(view->getGameSound("SoundNameSkillIncrease"));
}
