#include "game/entities/Sentient.h"

#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Inventory.h"
#include "game/skills/PercentRule.h"
#include "game/skills/StatusEffect.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

} // namespace

// ---- Damage and healing ------------------------------------------------------------

void Sentient::takeDamage(int amount, Entity* source)
{
    takeDamage(amount, source, false, false);
}

void Sentient::takeDamage(int amount, Entity* source, bool overTime, bool quiet)
{
    Entity::takeDamage(amount, source);
    damaged(amount, source, overTime, quiet);
}

void Sentient::damaged(int amount, Entity* source, bool overTime, bool quiet)
{
    int other = source ? source->getEntityNumber() : -1;
    if (overTime)
        fireSimpleEvent(toIndex(SimpleEvent::DamageOverTime), other);
    else if (!quiet)
        fireSimpleEvent(toIndex(SimpleEvent::Hit), other);
}

void Sentient::attackedBy(Entity* attacker)
{
    alertParty(attacker);
    fireSimpleEvent(toIndex(SimpleEvent::Attacked), attacker ? attacker->getEntityNumber() : -1);
}

int Sentient::heal(int amount, Entity* source, bool showText)
{
    if (isDead())
        return 0;
    int healed = Entity::heal(amount, source, showText);
    if (auto* healer = dynamic_cast<Sentient*>(source))
        healer->recordValue18(healed);
    if (showText) {
        EventSystem* events = EventSystem::instance();
        // Declared by the computer-run characters; nothing to tell before.
        if (const EventType* type = events ? events->findEvent("EnemyHealed") : nullptr) {
            Event* event = events->newEventOfType(*type);
            event->writeObject(this);
            event->writeObject(source);
            event->writeInt(healed);
            broadcastToListeners(*event);
            events->releaseEvent(event);
        }
    }
    return healed;
}

void Sentient::onHitTaken(Entity* attacker, bool flag)
{
    if (m_class && m_class->powerGainOnDamage > 0.0f)
        gainPower(m_class->powerGainOnDamage);
    EventSystem* events = EventSystem::instance();
    const EventType* type = getEventType(WhenHitEvent);
    if (!events || !type)
        return;
    Event* event = events->newEventOfType(*type);
    event->writeObject(attacker);
    event->writeBool(flag);
    triggerStatusEffectsOnHit(*event, flag);
    events->releaseEvent(event);
}

void Sentient::onDefended(int kind)
{
    if ((kind == 1 || kind == 2) && m_class && m_class->powerGainOnBlockOrParry > 0.0f)
        gainPower(m_class->powerGainOnBlockOrParry);
}

void Sentient::hitLanded(int amount, Entity* target, bool hit, bool critical, bool crushingBlow,
                         bool deepWounds, bool flag)
{
    float p = 0.0f;
    if (m_class) {
        if (hit && m_class->powerGainOnHit > 0.0f)
            p += m_class->powerGainOnHit;
        if (critical && m_class->powerGainOnCriticalHit > 0.0f)
            p += m_class->powerGainOnCriticalHit;
        if (crushingBlow && m_class->powerGainOnCrushingBlow > 0.0f)
            p += m_class->powerGainOnCrushingBlow;
        if (deepWounds && m_class->powerGainOnDeepWounds > 0.0f)
            p += m_class->powerGainOnDeepWounds;
    }
    if (p > 0.0f) {
        if (const ItemBase* weapon =
                getItem(toIndex(InventoryGroupIndex::Equipment), toIndex(EquipedLocation::HandPrimary))) {
            float w = weapon->getWeaponSpeed();
            p *= w - w * weapon->getWeaponSpeedBonus();
        }
        gainPower(p);
    }
    EventSystem* events = EventSystem::instance();
    const EventType* type = getEventType(SuccessfulHitEvent);
    if (!events || !type)
        return;
    Event* event = events->newEventOfType(*type);
    event->writeObject(target);
    event->writeInt(amount);
    event->writeBool(hit);
    event->writeBool(flag);
    triggerStatusEffectsOnHit(*event, flag);
    events->releaseEvent(event);
}

// ---- Power ----------------------------------------------------------------------------

void Sentient::gainPower(float amount)
{
    applyCombatModifiers(toIndex(DynamicStat::PowerGainMult), nullptr, amount);
    // The extra-gain chance: a draw below it (in percent) doubles the gain.
    float chance = getCombatModifier(toIndex(DynamicStat::ExtraPowerGainChance), nullptr);
    if (chance > 0.0f && randomFloat(0) * 100.0f < chance)
        amount *= 2.0f;
    m_stats.addCapped(stat(CharacterStat::Power), randomRound(amount),
                      m_stats.get(stat(CharacterStat::MaxPower)));
}

void Sentient::addPower(int amount)
{
    m_stats.addCapped(stat(CharacterStat::Power), amount, m_stats.get(stat(CharacterStat::MaxPower)));
}

// ---- Combat modifiers -------------------------------------------------------------------

void Sentient::applyCombatModifiers(int index, const Entity* target, float& value, const SkillBase* skill,
                                    const DatabaseEntry* effect) const
{
    if (index < 0 || index >= kDynamicStatCount)
        return;
    // Phase 0: flat terms of skills and effects.
    EntityServices::skillModifiers(this, index, skill, effect, target, 0, value);
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            value += e->dynamicStatChange[static_cast<size_t>(index)];
    // Phase 1: the percentages; the skills add theirs to p.
    float p = 0.0f;
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            p += e->dynamicStatMult[static_cast<size_t>(index)];
    EntityServices::skillModifiers(this, index, skill, effect, target, 1, p);
    if (p != 0.0f)
        value = applyPercent(value, p);
    // Phase 2: the skills' late flat terms.
    EntityServices::skillModifiers(this, index, skill, effect, target, 2, value);
}

void Sentient::applyTargetEventModifiers(int index, const Entity* target, float& value,
                                         const SkillBase* skill) const
{
    if (index < 0 || index >= kDynamicStatCount)
        return;
    // The defending tables; the skills' defending terms come as phases 3 … 5.
    EntityServices::skillModifiers(this, index, skill, nullptr, target, 3, value);
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            value += e->defendingDynamicStatChange[static_cast<size_t>(index)];
    float p = 0.0f;
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            p += e->defendingDynamicStatMult[static_cast<size_t>(index)];
    EntityServices::skillModifiers(this, index, skill, nullptr, target, 4, p);
    if (p != 0.0f)
        value = applyPercent(value, p);
    EntityServices::skillModifiers(this, index, skill, nullptr, target, 5, value);
}

int Sentient::applyEventModifiers(int index, const Entity* target, int value, const SkillBase* skill) const
{
    float v = static_cast<float>(value);
    applyCombatModifiers(index, target, v, skill);
    return static_cast<int>(v);
}

float Sentient::getCombatModifier(int index, const Entity* target, const SkillBase* skill) const
{
    float base = 0.0f;
    float intelligence = static_cast<float>(m_stats.get(stat(CharacterStat::Intelligence)));
    float spirit = static_cast<float>(m_stats.get(stat(CharacterStat::Spirit)));
    switch (static_cast<DynamicStat>(index)) {
    case DynamicStat::CriticalHit:
    case DynamicStat::CriticalHeal:
    case DynamicStat::MagicCriticalHit:
        base = 5.0f + (m_class ? m_class->criticalPerInt * intelligence : 0.0f);
        break;
    case DynamicStat::CrushingBlow:
    case DynamicStat::MagicCrushingBlow:
    case DynamicStat::DeepWounds:
        base = 2.0f;
        break;
    case DynamicStat::GeneralPower:
    case DynamicStat::PowerGainMult:
        base = 1.0f;
        break;
    case DynamicStat::PowerRegen:
        if (m_class)
            base = m_class->basePowerRegen + spirit * m_class->powerRegenPerSpr +
                   intelligence * m_class->powerRegenPerInt;
        break;
    default:
        break;
    }
    applyCombatModifiers(index, target, base, skill);
    return base;
}

void Sentient::noteCombatEvent(int stateBit, int entityNumber)
{
    TimedFlag* slot = nullptr;
    for (TimedFlag& f : m_timedFlags)
        if (f.entityNumber == entityNumber && f.bit == stateBit && entityNumber != -1) {
            slot = &f;
            break;
        }
    if (!slot)
        for (TimedFlag& f : m_timedFlags)
            if (f.entityNumber == -1) {
                slot = &f;
                break;
            }
    if (!slot) {
        m_timedFlags.emplace_back();
        slot = &m_timedFlags.back();
    }
    slot->entityNumber = entityNumber;
    slot->timeLeft = EntityServices::combatEventTime();
    slot->bit = stateBit;
}

void Sentient::freeCombatEvents(int stateBit)
{
    for (TimedFlag& f : m_timedFlags)
        if (f.bit == stateBit)
            f.entityNumber = -1;
}

// ---- Regeneration ------------------------------------------------------------------------

bool Sentient::isInCombat() const
{
    Entity* target = getTarget();
    if (target && target->isAlive() && isEnemyOf(target) && distanceToEntity(target, false) < 400.0f)
        return true;
    return hasEnemyNear(false, true, 300.0f);
}

void Sentient::regenerate(float extraHealthRegen)
{
    if (isDead())
        return;
    applyCombatModifiers(toIndex(DynamicStat::HealthRegen), nullptr, extraHealthRegen);
    bool combat = isInCombat();
    float r = static_cast<float>(m_stats.get(stat(CharacterStat::HealthRegen))) / 100.0f + extraHealthRegen;
    if (r > 0.0f && combat && m_class)
        r *= m_class->combatHealthRegenMultiplier;
    heal(randomRound(r), nullptr, false);
    if (!m_class)
        return;
    const int power = stat(CharacterStat::Power);
    const int maxPower = m_stats.get(stat(CharacterStat::MaxPower));
    if (m_class->canRegenPower || m_class->canDrainPower) {
        float q =
            m_class->basePowerRegen +
            static_cast<float>(m_stats.get(stat(CharacterStat::Spirit))) * m_class->powerRegenPerSpr +
            static_cast<float>(m_stats.get(stat(CharacterStat::Intelligence))) * m_class->powerRegenPerInt;
        applyCombatModifiers(toIndex(DynamicStat::PowerRegen), nullptr, q);
        if (q > 0.0f && combat)
            q *= m_class->combatPowerRegenMultiplier;
        bool allowed = (q > 0.0f && m_class->canRegenPower) || (q < 0.0f && m_class->canDrainPower);
        if (allowed) {
            int n = randomRound(q);
            if (n >= 0)
                m_stats.addCapped(power, n, maxPower);
            else
                m_stats.subtractFloored(power, -n);
            if (m_class->powerRegen > 0)
                m_stats.addCapped(power, m_class->powerRegen, maxPower);
        }
    }
    if (!combat && m_class->powerRegenOutsideCombat != 0.0f) {
        if (m_class->powerRegenOutsideCombat < 0.0f)
            m_stats.subtractFloored(power, randomRound(-m_class->powerRegenOutsideCombat));
        else
            m_stats.addCapped(power, randomRound(m_class->powerRegenOutsideCombat), maxPower);
    }
    if (m_class->powerDirection && m_stats.get(stat(CharacterStat::PowerRising)) == 0)
        m_stats.subtractFloored(power, randomRound(m_class->powerDecay));
}

// ---- Damage lists ---------------------------------------------------------------------------

void Sentient::addBaseDamage(StatChangeList& list)
{
    StatChange* physical = list.find(toIndex(DamageType::Physical), true);
    physical->min += 1.0f;
    physical->max += 4.0f;
    if (physical->max < physical->min)
        physical->max = physical->min;
    applyDamageModifiers(1, nullptr, list);
}

void Sentient::buildDamageList(const Entity* target, StatChangeList& list, const SkillBase* skill)
{
    addBaseDamage(list);
    addExtraDamage(list);
    applyDamageModifiers(2, skill, list);
    applyDamageModifiers(3, skill, list);
    if (target) {
        for (StatChange& c : list.entries()) {
            applyCombatModifiers(toIndex(DynamicStat::ExtraDamage), target, c.min);
            applyCombatModifiers(toIndex(DynamicStat::ExtraDamage), target, c.max);
        }
    }
    if (hasFlag(kFlagHugeDamage)) {
        StatChange* physical = list.find(toIndex(DamageType::Physical), true);
        physical->min += 100000.0f;
        physical->max += 100000.0f;
        if (physical->max < physical->min)
            physical->max = physical->min;
    }
}

void Sentient::applyDamageModifiers(int group, const SkillBase* skill, StatChangeList& list)
{
    if (group == 1 || group == 3) {
        if (auto* inventory = dynamic_cast<const Inventory*>(m_inventory.get()); inventory && group == 1)
            inventory->addEquippedDamage(list);
        const size_t count = m_effects.size();
        for (size_t i = 0; i < count && i < m_effects.size(); ++i)
            if (!m_effects[i]->ended)
                m_effects[i]->addDamage(group, list);
        EntityServices::skillDamage(this, group, skill, list);
        return;
    }
    if (group != 2)
        return;
    for (int t = 0; t < kDamageTypeCount; ++t) {
        float p = 0.0f;
        if (t == toIndex(DamageType::Physical)) {
            p += getStrengthDamageMult();
            for (const StatusEffect* e : m_effects)
                if (!e->ended)
                    p += e->getStatMult(stat(CharacterStat::MaxDamage));
        }
        for (const StatusEffect* e : m_effects)
            if (!e->ended && e->isActive())
                p += e->damageMult[static_cast<size_t>(t)];
        // The skills add their percentage for the type (and the given skill's).
        float skillP = 0.0f;
        EntityServices::skillModifiers(this, -1 - t, skill, nullptr, nullptr, 1, skillP);
        p += skillP;
        float m = percentMultiplier(p);
        if (m == 1.0f)
            continue;
        if (StatChange* entry = list.find(t, false)) {
            entry->min *= m;
            entry->max *= m;
        }
    }
}

// ---- Kills --------------------------------------------------------------------------------------

void Sentient::enemyKilled(Entity* victim)
{
    EventSystem* events = EventSystem::instance();
    const EventType* type = getEventType(SuccessfulKillEvent);
    if (events && type) {
        Event* event = events->newEventOfType(*type);
        event->writeObject(victim);
        auto tell = [&](Sentient* s) {
            deliverEvent(*event, *s);
            s->triggerStatusEffectsOnHit(*event, false);
        };
        tell(this);
        std::vector<SafePtr<Sentient>> followers(m_followers.begin(), m_followers.end());
        for (SafePtr<Sentient>& f : followers)
            if (Sentient* s = f.get())
                tell(s);
        events->releaseEvent(event);
    }
    if (m_class && m_class->powerGainOnKill > 0.0f) {
        gainPower(m_class->powerGainOnKill);
        restartPowerDecay();
        m_stats.set(stat(CharacterStat::PowerRising), 1);
    }
}

void Sentient::cancelSkillWindup()
{
    Game* game = Game::instance();
    const EventType* useSkill = getEventType(UseSkillEvent);
    if (!game || !useSkill || !game->findEvent(useSkill, this))
        return;
    game->cancelEvents(useSkill, this);
    playAnimation("idle", toIndex(AnimationPriority::Idle), 0, false);
    fireSimpleEvent(toIndex(SimpleEvent::SkillFinished), -1);
    queueServerLine(ServerLine::Timer, "%d %f %d", m_entityNumber, 0.0, 0);
}

void Sentient::killed(Entity* killer)
{
    if (Covenant* covenant = getCovenant())
        covenant->onMemberDied(this);
    cancelSkillWindup();
    Game* game = Game::instance();
    if (game) {
        if (const EventType* use = getEventType(UseEntityEvent); use && game->findEvent(use, this)) {
            game->cancelEvents(use, this);
            queueServerLine(ServerLine::Timer, "%d %f %d", m_entityNumber, 0.0, 0);
        }
        // Cancelling may have started another wind-up (a skill finishing
        // on the way): check once more.
        cancelSkillWindup();
        for (EventIndex i : {UseEntityEvent, IdentifyItemEvent, CreateGateEvent, ResurrectEvent})
            if (const EventType* type = getEventType(i))
                game->cancelEvents(type, this);
    }
    EventSystem* events = EventSystem::instance();
    if (!events)
        return;
    if (const EventType* type = getEventType(WhenKilledEvent)) {
        Event* event = events->newEventOfType(*type);
        event->writeObject(killer);
        triggerStatusEffectsOnHit(*event, false);
        events->releaseEvent(event);
    }
    if (const EventType* type = getEventType(EnemyKilledEvent)) {
        Event* event = events->newEventOfType(*type);
        event->writeObject(this);
        broadcastToListeners(*event);
        events->releaseEvent(event);
    }
}

// ---- Experience ------------------------------------------------------------------------------------

int Sentient::awardExperience(int sourceLevel, int kind, float amount)
{
    if (!canGainExperience())
        return 0;
    if (kind == 1)
        amount *= worldRules().secretDiscoveryXpMult;
    else if (kind == 3)
        amount *= worldRules().levelDiscoveryXpMult;
    const int level = stat(CharacterStat::Level);
    float f = experienceMultiplierBetweenLevels(sourceLevel, m_stats.get(level));
    double raw = std::floor(static_cast<double>(f) * 100.0 * static_cast<double>(amount));
    int xp = static_cast<int>(std::clamp(raw, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
    long long total = static_cast<long long>(m_stats.get(stat(CharacterStat::Xp))) + payExperienceDebt(xp);
    // A need of 0 would never end the loop: the total then stays unlevelled.
    while (m_stats.get(stat(CharacterStat::XpNeeded)) >= 1 &&
           total >= m_stats.get(stat(CharacterStat::XpNeeded))) {
        total -= m_stats.get(stat(CharacterStat::XpNeeded));
        if (m_stats.get(level) < 100)
            levelUp();
    }
    m_stats.set(stat(CharacterStat::Xp), static_cast<int>(std::clamp<long long>(total, INT_MIN, INT_MAX)));
    if (Covenant* covenant = getCovenant()) {
        covenant->gainInfluenceFromXp(sourceLevel, amount, kind);
        covenant->onSharedAdventureXp(this, xp);
    }
    return xp;
}

int Sentient::payExperienceDebt(int xp)
{
    const int debtStat = stat(CharacterStat::XpDebt);
    int debt = m_stats.get(debtStat);
    if (debt == 0)
        return xp;
    if (xp < debt) {
        m_stats.set(debtStat, debt - xp);
        return static_cast<int>(std::ceil(static_cast<double>(xp) * 0.5));
    }
    m_stats.set(debtStat, 0);
    return static_cast<int>(std::ceil(static_cast<double>(debt) * 0.5)) - debt + xp;
}

int Sentient::addDeathDebt()
{
    Game* game = Game::instance();
    float factor = game ? game->settings().xpDebtPerDeath : 0.0f;
    int needed = m_stats.get(stat(CharacterStat::XpNeeded));
    int before = m_stats.get(stat(CharacterStat::XpDebt));
    int added = static_cast<int>(std::ceil(static_cast<double>(needed) * factor));
    int debt = std::min(before + added, needed);
    debt = std::max(debt, before < needed ? before : needed);
    m_stats.set(stat(CharacterStat::XpDebt), debt);
    return debt - before;
}

void Sentient::reduceDebt(int amount)
{
    m_stats.set(stat(CharacterStat::XpDebt), std::max(0, m_stats.get(stat(CharacterStat::XpDebt)) - amount));
}

void Sentient::updatePartyXpShare()
{
    if (m_leader.get())
        return;
    int n = 1 + static_cast<int>(std::count_if(m_followers.begin(), m_followers.end(),
                                               [](const Sentient* f) { return f != nullptr; }));
    float s = 1.0f / static_cast<float>(n);
    float share = s + (1.0f - s) * 0.5f;
    m_partyXpShare = share;
    for (Sentient* f : m_followers)
        if (f)
            f->m_partyXpShare = share;
}
