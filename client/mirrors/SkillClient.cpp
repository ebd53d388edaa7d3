#include "client/mirrors/SkillClient.h"

#include "game/skills/SkillDefinition.h"

int SkillClient::checkUse(const SkillBase& skill, const SkillEntity* owner, const CounterList& stats,
                          const SkillEntity* target, uint32_t stateFlags)
{
    int code = skill.checkRequirements(owner, stats, target, stateFlags);
    if (code != 0) {
        return code;
    }
    const SkillDefinition* definition = skill.getDefinition();
    if (definition && definition->noAttackers && (stateFlags & kAttackersFlag) != 0) {
        return kRefusedAttackers;
    }
    return 0;
}

int getSkillMaxLevel(const SkillBase& skill)
{
    const SkillDefinition* definition = skill.getDefinition();
    if (!definition) {
        return 0;
    }
    return definition->isBasic() ? 1 : definition->maxSkillLevel;
}

int getSkillPowerCost(const SkillBase& skill)
{
    const SkillDefinition* definition = skill.getDefinition();
    return definition ? definition->getPowerCost(skill.getLevel()) : 0;
}
