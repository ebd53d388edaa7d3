#include "game/ai/BehaviorUseSkill.h"

#include "engine/core/Random.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/world/Game.h"

namespace {

Skill* chosenSkill(const Actor* owner)
{
    auto* list = dynamic_cast<SkillList*>(owner->getSkillList());
    return list ? list->getChosenSkill() : nullptr;
}

} // namespace

BehaviorUseSkill::BehaviorUseSkill()
{
    addTimer(skillTimer);
}

int BehaviorUseSkill::getType() const
{
    return static_cast<int>(ActorBehavior::UseSkill);
}

float BehaviorUseSkill::drawSkillWait(const MonsterArchetype* monsterClass, float healthFraction)
{
    if (!monsterClass || monsterClass->lowHealthPercent <= 0.0f) {
        return 0.0f;
    }
    const MonsterArchetype& c = *monsterClass;
    float low = c.lowHealthPercent;
    if (healthFraction < low) {
        return randomFloatBetween(0, c.minSkillWaitLowHealth, c.maxSkillWaitLowHealth);
    }
    float t = low < 1.0f ? (healthFraction - low) / (1.0f - low) : 1.0f;
    float lo = c.minSkillWaitLowHealth + t * (c.minSkillWaitFullHealth - c.minSkillWaitLowHealth);
    float hi = c.maxSkillWaitLowHealth + t * (c.maxSkillWaitFullHealth - c.maxSkillWaitLowHealth);
    return randomFloatBetween(0, lo, hi);
}

bool BehaviorUseSkill::canStart()
{
    Skill* skill = chosenSkill(m_owner);
    if (!skill || (skillTimer.running && skillTimer.remaining > 0.0f)) {
        return false;
    }
    return skill->checkUse(m_owner, m_owner->getTarget(), Skill::kStageRequest, false) == 0;
}

void BehaviorUseSkill::start()
{
    Skill* skill = chosenSkill(m_owner);
    if (!skill) {
        m_finished = true;
        return;
    }
    Entity* target = skill->chooseTarget(m_owner);
    if (skill->checkUse(m_owner, m_owner->getTarget(), Skill::kStageRequest, false) != 0) {
        m_finished = true;
        return;
    }
    skill->use(m_owner, target, Skill::kStageRequest, false);
    if (target && target != m_owner && m_owner->canMove()) {
        m_owner->faceEntity(target);
    }
    int maxHealth = m_owner->getMaxHealth();
    float f = maxHealth < 1 ? 1.0f : static_cast<float>(m_owner->getHealth()) / static_cast<float>(maxHealth);
    float wait = drawSkillWait(m_owner->getMonsterClass(), f);
    if (wait > 0.0f) {
        skillTimer.start(wait);
    }
    const SkillDefinition* definition = skill->getDefinition();
    animation = definition ? m_owner->findAnimation(definition->animation) : -1;
    castingAnimation = definition ? m_owner->findAnimation(definition->castingAnimation) : -1;
}

bool BehaviorUseSkill::canContinue()
{
    Game* game = Game::instance();
    const EventType* useSkill = Sentient::getEventType(Sentient::UseSkillEvent);
    if (!m_finished && game && useSkill && game->findEvent(useSkill, m_owner)) {
        return true;
    }
    int current = m_owner->getAnimation();
    return current != -1 && (current == animation || current == castingAnimation);
}

void BehaviorUseSkill::stop()
{
    m_owner->playAnimation("idle", toIndex(AnimationPriority::Idle), EntityBase::kModeLoop, false);
}

void BehaviorUseSkill::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::SkillFinished)) {
        m_finished = true;
    }
}
