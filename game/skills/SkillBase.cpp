#include "game/skills/SkillBase.h"

#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillEntity.h"
#include "game/skills/SkillRefusal.h"
#include "game/skills/StatusEffectBase.h"

#include <algorithm>

namespace {

constexpr int kEquipmentGroup = static_cast<int>(InventoryGroupIndex::Equipment);
constexpr int kWeaponSlot = static_cast<int>(EquipedLocation::HandPrimary);
constexpr int kShieldSlot = static_cast<int>(EquipedLocation::HandSecondary);

bool isPlaced(const SkillBase& skill)
{
    return skill.getTree() >= 0 && skill.getTree() < SkillBase::kTreeCount && skill.getSlot() >= 0 &&
           skill.getSlot() < SkillBase::kSlotCount;
}

bool isBasic(const SkillBase& skill)
{
    return skill.getDefinition() && skill.getDefinition()->basicSkill;
}

} // namespace

SkillBase::~SkillBase() = default;

void SkillBase::updateTimer(float seconds)
{
    if (!m_useTimer.running)
        return;
    m_useTimer.remaining -= seconds;
    if (m_useTimer.remaining < 0.0f)
        m_useTimer.remaining = 0.0f;
}

int SkillBase::getPointsStat() const
{
    if (isBasic(*this))
        return 0;
    const SkillBase* record = this;
    // Linked records may form a cycle in the data: the walk is bounded.
    for (int step = 0; step <= kMaxLinkSteps; ++step) {
        if (!isPlaced(*record))
            return 0;
        const SkillBase* next = record->m_linked;
        if (!next)
            return static_cast<int>(CharacterStat::Skill1) + record->m_tree * kSlotCount + record->m_slot;
        if (isBasic(*next) || next == this)
            return 0;
        record = next;
    }
    return 0;
}

int SkillBase::getLevel() const
{
    if (!m_definition)
        return 0;
    if (m_definition->basicSkill)
        return 1;
    if (!m_owner)
        return 0;
    if (m_definition->statReq == SkillDefinition::kNoStat) {
        // No points stat (unplaced, or a linked cycle): no level, rather than
        // the owner's stat 0.
        int stat = getPointsStat();
        return stat == 0 ? 0 : m_owner->getStat(stat);
    }
    return m_definition->levelFromStatValue(m_owner->getStat(m_definition->statReq));
}

int SkillBase::getPointCost(int level) const
{
    if (!m_definition || m_definition->statReq != SkillDefinition::kNoStat)
        return 0;
    return m_definition->getPointCostAt(level);
}

bool SkillBase::isReady() const
{
    return !m_useTimer.running || m_useTimer.remaining <= 0.0f;
}

float SkillBase::getTimerRemaining() const
{
    return m_useTimer.running ? m_useTimer.remaining : 0.0f;
}

float SkillBase::getCooldownFraction() const
{
    if (!m_definition || !m_useTimer.running || m_useTimer.remaining <= 0.0f)
        return 0.0f;
    float reuse = m_definition->getReuseTime(getLevel());
    return reuse == 0.0f ? 0.0f : m_useTimer.remaining / reuse;
}

bool SkillBase::meetsEquipmentRequirement(const SkillEntity* user) const
{
    if (!m_definition)
        return true;
    if (m_definition->weaponType != 0) {
        const ItemBase* weapon = user ? user->getItem(kEquipmentGroup, kWeaponSlot) : nullptr;
        if (!weapon || toIndex(weapon->getItemRequirement()) != m_definition->weaponType)
            return false;
    }
    if (m_definition->requiresShield) {
        const ItemBase* shield = user ? user->getItem(kEquipmentGroup, kShieldSlot) : nullptr;
        if (!shield || shield->getItemRequirement() != ItemRequirement::Shield)
            return false;
    }
    return true;
}

bool SkillBase::targetsSingleEnemy(const SkillEntity* user) const
{
    if (user && !user->canMove())
        return false;
    return m_definition && m_definition->needsEnemy && !m_definition->allEnemies &&
           !m_definition->alwaysWorks;
}

bool SkillBase::causesCriticalHits() const
{
    if (!m_definition)
        return false;
    const auto& mult = m_definition->dynamicStatMult;
    if (mult[toIndex(DynamicStat::CriticalHit)] > 0.0f || mult[toIndex(DynamicStat::CriticalHeal)] > 0.0f ||
        mult[toIndex(DynamicStat::MagicCriticalHit)] > 0.0f)
        return true;
    return m_definition->getStatusEffect() && m_definition->getStatusEffect()->hasCriticalMult();
}

bool SkillBase::causesCrushingBlows() const
{
    if (!m_definition)
        return false;
    const auto& mult = m_definition->dynamicStatMult;
    if (mult[toIndex(DynamicStat::CrushingBlow)] > 0.0f ||
        mult[toIndex(DynamicStat::MagicCrushingBlow)] > 0.0f)
        return true;
    return m_definition->getStatusEffect() && m_definition->getStatusEffect()->hasCrushingBlowMult();
}

bool SkillBase::causesDeepWounds() const
{
    if (!m_definition)
        return false;
    if (m_definition->dynamicStatMult[toIndex(DynamicStat::DeepWounds)] > 0.0f)
        return true;
    return m_definition->getStatusEffect() && m_definition->getStatusEffect()->hasDeepWoundsMult();
}

int SkillBase::checkRequirements(const SkillEntity* user, const CounterList& stats, const SkillEntity* target,
                                 uint32_t stateFlags) const
{
    if (!meetsEquipmentRequirement(user))
        return toIndex(SkillRefusal::Equipment);
    if (!m_definition)
        return toIndex(SkillRefusal::Silent);
    return m_definition->checkUse(getLevel(), stats, user, target, stateFlags);
}
