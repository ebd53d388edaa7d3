#include "ui/widgets/UISkillSlotIncrease.h"

#include "client/mirrors/SkillClient.h"
#include "engine/core/StringUtil.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/WidgetReads.h"

namespace {

constexpr int kSkillPointsStat = 94;

} // namespace

UISkillSlotIncrease::UISkillSlotIncrease()
{
    m_canClick = true;
}

const UISkillSlot* UISkillSlotIncrease::parentSlot() const
{
    return dynamic_cast<const UISkillSlot*>(getParent());
}

bool UISkillSlotIncrease::canRaise() const
{
    const UISkillSlot* slot = parentSlot();
    const SkillBase* skill = slot ? slot->getSkill() : nullptr;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    ClientView* view = widgetClientView();
    if (!definition || !view || !view->hasLocalPlayer() || definition->isBasic()) {
        return false;
    }
    int level = skill->getLevel();
    // A skill without a maximum may always be raised.
    if (definition->maxSkillLevel != 0 && level >= getSkillMaxLevel(*skill)) {
        return false;
    }
    return skill->getPointCost(level) <= view->getPlayerStat(kSkillPointsStat);
}

void UISkillSlotIncrease::draw()
{
    if (canRaise()) {
        UIWidget::draw();
    }
}

bool UISkillSlotIncrease::getTooltip(UITooltip& out)
{
    if (!canRaise()) {
        out = UITooltip();
        return false;
    }
    const SkillBase* skill = parentSlot()->getSkill();
    UIWidget::getTooltip(out);
    out.text =
        formatString("Left click to increase %s by 1\n", skill->getDefinition()->getShownName().c_str()) +
        widgetClientView()->describeSkill(*skill, ClientView::SkillText::RaiseCost);
    return true;
}

void UISkillSlotIncrease::onClick(int button, bool down, int x, int y)
{
    UIWidget::onClick(button, down, x, y);
    ClientView* view = widgetClientView();
    if (!down || button != 0 || !view || !canRaise()) {
        return;
    }
    const UISkillSlot* slot = parentSlot();
    view->queueServerCommand(formatString("increaseSkill %d %d ", slot->getTree(), slot->getSkillIndex()));
    view->playInterfaceSound(view->getGameSound("SoundNameSkillIncrease"));
}
