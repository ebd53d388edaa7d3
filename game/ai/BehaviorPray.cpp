#include "game/ai/BehaviorPray.h"

#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillListBase.h"

namespace {
bool powerBelowMaximum(const Actor* owner)
{
    return owner->getStat(toIndex(CharacterStat::Power)) < owner->getStat(toIndex(CharacterStat::MaxPower));
}

Skill* prayerOf(const Actor* owner)
{
    SkillListBase* skills = owner->getSkillList();
    return skills ? dynamic_cast<Skill*>(skills->findByName(BehaviorPray::kPrayerSkill)) : nullptr;
}
} // namespace

BehaviorPray::BehaviorPray()
{
    addTimer(prayTimer);
}

int BehaviorPray::getType() const
{
    return static_cast<int>(ActorBehavior::Pray);
}

void BehaviorPray::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorPray>(prototype)) {
        prayTimer.min = other->prayTimer.min;
        prayTimer.max = other->prayTimer.max;
    }
    prayTimer.startRandom();
}

void BehaviorPray::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    prayTimer.min = db.getFloat(entry, "MinPrayTime");
    prayTimer.max = db.getFloat(entry, "MaxPrayTime");
    prayTimer.startRandom();
}

bool BehaviorPray::canStart()
{
    return powerBelowMaximum(m_owner) && prayTimer.isExpired() && prayerOf(m_owner);
}

bool BehaviorPray::canContinue()
{
    return m_owner->getTarget() && powerBelowMaximum(m_owner);
}

void BehaviorPray::start()
{
    if (Skill* prayer = prayerOf(m_owner))
        prayer->use(m_owner, nullptr, 0, false);
}

void BehaviorPray::stop()
{
    prayTimer.startRandom();
}
