#include "game/entities/Sentient.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Inventory.h"
#include "game/skills/PercentRule.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/GameClasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

constexpr const char* kEventNames[Sentient::EventCount] = {
    "SuccessfulHit", "WhenHit",   "WhenKilled", "EnemyKilled", "SuccessfulKill", "IdentifyItem",
    "UseSkill",      "UseEntity", "Attack",     "CreateGate",  "Resurrect"};

int equipmentIndex()
{
    return toIndex(InventoryGroupIndex::Equipment);
}

} // namespace

Sentient::Sentient()
    : m_stats(kStatCount), m_inventory(std::make_unique<Inventory>()),
      m_skillList(EntityServices::createSkillList())
{
    if (g_sentientClass)
        setClassRecord(g_sentientClass);
    m_inventory->setOwner(this);
    m_timers.add(&m_timer);
    m_timer.listed = true;
    m_timers.add(&m_powerTimer);
    m_powerTimer.listed = true;
    m_stats.set(stat(CharacterStat::Level), 1);
    m_stats.set(stat(CharacterStat::PowerRising), 1);
    m_stats.set(stat(CharacterStat::LastSkillRaised), -1);
}

Sentient::~Sentient()
{
    clearLeader();
    dismissFollowers();
    // Effects first: they may detach models from this entity.
    std::vector<StatusEffect*> effects = std::move(m_effects);
    m_effects.clear();
    for (StatusEffect* effect : effects)
        delete effect;
    delete m_skillList;
    m_skillList = nullptr;
    m_inventory.reset();
}

// ---- Events --------------------------------------------------------------------

void Sentient::declareEvents(ClassRecord& record)
{
    if (EventSystem* events = EventSystem::instance())
        for (int i = 0; i < EventCount; ++i)
            s_events[i] = events->createEvent(kEventNames[i]);
}

void Sentient::bindHandlers(ClassRecord& record)
{
    if (s_events[IdentifyItemEvent])
        record.addEventHandler(s_events[IdentifyItemEvent]->id, &Sentient::onIdentifyItemEvent);
    if (s_events[UseSkillEvent])
        record.addEventHandler(s_events[UseSkillEvent]->id, &Sentient::onUseSkillEvent);
    if (s_events[UseEntityEvent])
        record.addEventHandler(s_events[UseEntityEvent]->id, &Sentient::onUseEntityEvent);
    if (s_events[AttackEvent])
        record.addEventHandler(s_events[AttackEvent]->id, &Sentient::onAttackEvent);
}

void Sentient::broadcastToListeners(Event& event)
{
    std::vector<SafePtr<Listener>> copy = m_listeners;
    broadcastEvent(event, copy);
}

void Sentient::addListener(Listener* listener)
{
    if (!listener)
        return;
    for (const SafePtr<Listener>& l : m_listeners)
        if (l.get() == listener)
            return;
    m_listeners.emplace_back(listener);
}

void Sentient::removeListener(Listener* listener)
{
    m_listeners.erase(std::remove_if(m_listeners.begin(), m_listeners.end(),
                                     [listener](const SafePtr<Listener>& l) {
                                         return l.get() == listener || l.get() == nullptr;
                                     }),
                      m_listeners.end());
}

// ---- Entity operations -------------------------------------------------------------

int Sentient::getStat(int index) const
{
    if (index < 0 || index >= kStatCount) {
        debugPrint(2, "Sentient %d: stat %d read outside 0 … %d\n", m_entityNumber, index, kStatCount - 1);
        return 0;
    }
    return m_stats.get(index);
}

void Sentient::setStat(int index, int value)
{
    if (index < 0 || index >= kStatCount) {
        debugPrint(2, "Sentient %d: stat %d written outside 0 … %d\n", m_entityNumber, index, kStatCount - 1);
        return;
    }
    m_stats.set(index, value);
}

ItemBase* Sentient::getItem(int group, int slot) const
{
    InventoryGroup* g = const_cast<Sentient*>(this)->getInventoryGroup(group);
    if (!g || slot < 0 || slot >= g->getSize())
        return nullptr;
    return g->getItem(slot);
}

bool Sentient::hasRoomInGroup(int group) const
{
    return m_inventory && m_inventory->hasRoom(group);
}

InventoryGroup* Sentient::getInventoryGroup(int group)
{
    return m_inventory ? m_inventory->getOwnGroup(group) : nullptr;
}

float Sentient::getMovement() const
{
    return static_cast<float>(m_stats.get(stat(CharacterStat::Movement)));
}

bool Sentient::meetsItemRequirement(int requirement) const
{
    if (requirement <= 0)
        return true;
    if (m_class && m_class->allowsItemRequirement(requirement))
        return true;
    return EntityServices::skillGrantsRequirement(this, requirement);
}

std::string Sentient::wearRefusal(const ItemBase& item) const
{
    const int requirement = toIndex(item.getItemRequirement());
    if (!meetsItemRequirement(requirement))
        return "Can't equip: requires " +
               wrapText(getGameEnumName(GameEnum::ItemRequirement, requirement).c_str()) + "!";
    if (getStat(toIndex(CharacterStat::Level)) < item.getMinLevel())
        return formatString("Can't equip: requires level %d!", item.getMinLevel());
    return {};
}

bool Sentient::canMove() const
{
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->cantMove && e->isActive())
            return false;
    return true;
}

bool Sentient::isEnemy(const SkillEntity* other) const
{
    return isEnemyOf(dynamic_cast<const Entity*>(other));
}

void Sentient::collectKeptStatusEffects(std::vector<KeptStatusEffect>& out) const
{
    for (const StatusEffect* e : m_effects) {
        if (e->ended || !e->isPublic)
            continue;
        const DatabaseEntry* entry = e->getEntry();
        out.emplace_back(entry ? static_cast<uint32_t>(entry->getId()) : 0xFFFFFFFFu, e->level);
    }
}

float Sentient::getDamagePerSecond() const
{
    return damagePerSecond(m_stats.get(stat(CharacterStat::MinDamage)),
                           m_stats.get(stat(CharacterStat::MaxDamage)),
                           m_stats.get(stat(CharacterStat::AttackSpeed)));
}

// ---- Class-based values -------------------------------------------------------------

float Sentient::getStrengthDamageMult() const
{
    return m_class
               ? static_cast<float>(m_stats.get(stat(CharacterStat::Strength))) * m_class->damageMultPerStr
               : 0.0f;
}

int Sentient::getDexterityBonus() const
{
    if (!m_class)
        return 0;
    return static_cast<int>(
        std::floor(static_cast<float>(m_stats.get(stat(CharacterStat::Dexterity))) * m_class->defensePerDex));
}

int Sentient::getMaxHealthFromClass() const
{
    if (!m_class)
        return 0;
    return static_cast<int>(std::floor(static_cast<float>(m_stats.get(stat(CharacterStat::Vitality))) *
                                       m_class->healthPerVit)) +
           static_cast<int>(static_cast<float>(m_stats.get(stat(CharacterStat::Level))) *
                            m_class->healthPerLevel);
}

int Sentient::getSpiritResistanceBonus(int s) const
{
    if (!m_class || s == stat(CharacterStat::ResistancePhysical))
        return 0;
    return static_cast<int>(
        std::floor(static_cast<float>(m_stats.get(stat(CharacterStat::Spirit))) * m_class->resistancePerSpr));
}

// ---- Stat recompute -------------------------------------------------------------------

void Sentient::resumeStatUpdates()
{
    if (m_statsDeferred > 0 && --m_statsDeferred == 0 && m_statsPending) {
        m_statsPending = false;
        updateStats(std::exchange(m_statsPendingRefill, false));
    }
}

void Sentient::replaceStats(const CounterList& saved)
{
    m_stats.copyFrom(saved);
    m_statsPendingRefill = false;
}

void Sentient::updateStats(bool refill)
{
    if (m_statsDeferred > 0) {
        m_statsPending = true;
        m_statsPendingRefill = m_statsPendingRefill || refill;
        return;
    }
    for (int group = 0; group < 4; ++group)
        computeStatGroup(group, refill);
    m_maxHealth = m_stats.get(stat(CharacterStat::MaxHealth));
    if (m_health > m_maxHealth)
        m_health = m_maxHealth;
    if (refill)
        m_health = m_maxHealth;
    finishDerivedStats();
    m_lightColor = m_baseLightColor;
    m_lightFalloff = static_cast<float>(m_stats.get(stat(CharacterStat::LightIntensity)));

    int size = m_stats.get(stat(CharacterStat::Size));
    m_scale = size == 100 ? 1.0f : static_cast<float>(size) / 100.0f;
    if (Covenant* covenant = getCovenant())
        covenant->updateStats();
}

void Sentient::finishDerivedStats()
{
    if (m_stats.get(stat(CharacterStat::Power)) > m_stats.get(stat(CharacterStat::MaxPower)))
        m_stats.set(stat(CharacterStat::Power), m_stats.get(stat(CharacterStat::MaxPower)));

    StatChangeList damage;
    buildDamageList(nullptr, damage);
    int totalMin = 0;
    int totalMax = 0;
    damage.sumRanges(totalMin, totalMax);
    m_stats.set(stat(CharacterStat::MinDamage), totalMin);
    m_stats.set(stat(CharacterStat::MaxDamage), totalMax);

    if (m_stats.get(stat(CharacterStat::LightIntensity)) > 100)
        m_stats.set(stat(CharacterStat::LightIntensity), 100);
}

CounterList Sentient::statsWithEffects(const std::vector<StatusEffect*>& effects) const
{
    // Worked on the sentient itself, so every hook sees what a recompute
    // sees; all it touches is put back. An effect's damage may draw an
    // element: the draw and the element are put back too.
    auto* self = const_cast<Sentient*>(this);
    std::array<uint32_t, Random::kStreamCount> streams{};
    for (int i = 0; i < Random::kStreamCount; ++i)
        streams[static_cast<size_t>(i)] = Random::getState(i);
    std::vector<int> elements;
    elements.reserve(effects.size());
    for (const StatusEffect* e : effects)
        elements.push_back(e->getElement());
    const CounterList living = m_stats;
    std::vector<StatusEffect*> own = std::exchange(self->m_effects, effects);

    for (int group = 0; group < 4; ++group)
        self->computeStatGroup(group, false);
    self->finishDerivedStats();
    CounterList result = m_stats;

    self->m_effects = std::move(own);
    self->m_stats = living;
    for (size_t i = 0; i < effects.size(); ++i)
        effects[i]->setElement(elements[i]);
    for (int i = 0; i < Random::kStreamCount; ++i)
        Random::setState(i, streams[static_cast<size_t>(i)]);
    return result;
}

namespace {

// Whether the bonuses of a group adjust the stat, the class's fixed power
// aside.
constexpr bool adjustableInGroup(int s, int group)
{
    if (s < stat(CharacterStat::Strength) ||
        (s >= stat(CharacterStat::Skill1) && s <= stat(CharacterStat::Skill60)))
        return false;
    switch (static_cast<CharacterStat>(s)) {
    case CharacterStat::Power:
    case CharacterStat::Level:
    case CharacterStat::Xp:
    case CharacterStat::XpNeeded:
    case CharacterStat::Class:
    case CharacterStat::AttributePointsLeft:
    case CharacterStat::SkillPointsLeft:
    // Stored values, not derived: a bonus would pile up at every recompute.
    case CharacterStat::PowerRising:
    case CharacterStat::XpDebt:
    case CharacterStat::Money:
    case CharacterStat::LastSkillRaised:
    case CharacterStat::SecretsFound:
    case CharacterStat::SpecificSecrets:
        return false;
    default:
        break;
    }
    bool attribute = s >= stat(CharacterStat::Strength) && s <= stat(CharacterStat::Spirit);
    if (group == 0)
        return attribute;
    if (group == 1)
        return !attribute;
    return true;
}

// Looked up for every stat of every recompute.
constexpr auto kAdjustable = [] {
    std::array<std::array<bool, Sentient::kStatCount>, 4> table{};
    for (int group = 0; group < 4; ++group)
        for (int s = 0; s < Sentient::kStatCount; ++s)
            table[static_cast<size_t>(group)][static_cast<size_t>(s)] = adjustableInGroup(s, group);
    return table;
}();

} // namespace

void Sentient::computeStatGroup(int group, bool refill)
{
    CounterList& s = m_stats;
    if (group == 0) {
        for (int i = 0; i < 5; ++i)
            s.set(stat(CharacterStat::Strength) + i, s.get(stat(CharacterStat::BaseStrength) + i));
    } else if (group == 1) {
        s.set(stat(CharacterStat::MaxHealth), getMaxHealthFromClass());
        int maxPower = 0;
        if (m_class) {
            maxPower = m_class->maxPower >= 0
                           ? m_class->maxPower
                           : m_class->powerPerInt * s.get(stat(CharacterStat::Intelligence)) +
                                 m_class->powerPerSpr * s.get(stat(CharacterStat::Spirit));
        }
        s.set(stat(CharacterStat::MaxPower), maxPower);
        if (refill) {
            int start = m_class ? m_class->powerStart : 0;
            s.set(stat(CharacterStat::Power), start >= 0 ? start : maxPower);
        }
        s.set(stat(CharacterStat::Size), static_cast<int>(std::floor(getSizeScale() * 100.0f + 0.5f)));
        s.set(stat(CharacterStat::Defense), getDexterityBonus());
        int avoid = 0;
        if (!hasOwnAvoidance() && m_class)
            avoid = static_cast<int>(std::ceil(m_class->specificMissTypePercent *
                                               static_cast<float>(s.get(stat(CharacterStat::Defense)))));
        for (CharacterStat a : {CharacterStat::Block, CharacterStat::Parry, CharacterStat::Deflection,
                                CharacterStat::Evade, CharacterStat::Dodge})
            s.set(stat(a), avoid);
        s.set(stat(CharacterStat::Attack),
              m_class ? m_class->attackPerDex * s.get(stat(CharacterStat::Dexterity)) : 0);
        s.set(stat(CharacterStat::Armor), getBaseArmor());
        s.set(stat(CharacterStat::XpNeeded), xpNeededForLevel(s.get(stat(CharacterStat::Level))));
        s.set(stat(CharacterStat::MinDamage), getBaseMinDamage());
        s.set(stat(CharacterStat::MaxDamage), getBaseMaxDamage());
        s.set(stat(CharacterStat::HealthRegen),
              m_class ? static_cast<int>(static_cast<float>(s.get(stat(CharacterStat::Spirit))) *
                                         m_class->healthRegenPerSpr)
                      : 0);
        s.set(stat(CharacterStat::Movement), m_baseSpeed);
        for (int r = stat(CharacterStat::ResistancePhysical); r <= stat(CharacterStat::ResistanceMagic); ++r)
            s.set(r, getSpiritResistanceBonus(r));
        int attackSpeed = 1500;
        const InventoryGroup* equipment = m_inventory ? m_inventory->getOwnGroup(equipmentIndex()) : nullptr;
        if (equipment && equipment->getSize() >= 15) {
            if (const ItemBase* weapon = equipment->getItem(toIndex(EquipedLocation::HandPrimary))) {
                float w = weapon->getWeaponSpeed();
                float b = weapon->getWeaponSpeedBonus();
                attackSpeed = static_cast<int>(std::floor((w - w * b) * 1000.0f));
            }
        }
        s.set(stat(CharacterStat::AttackSpeed), attackSpeed);
        s.set(stat(CharacterStat::LightIntensity), static_cast<int>(m_baseLightIntensity));
        for (CharacterStat z :
             {CharacterStat::ArmorPiercing, CharacterStat::ExtraMoney, CharacterStat::ItemsChance,
              CharacterStat::MagicChance, CharacterStat::DisarmTrap})
            s.set(stat(z), 0);
        // A fresh base each recompute, so its bonuses never pile up.
        s.set(stat(CharacterStat::PowerRegen), 0);
    } else if (group == 2) {
        double m = getStrengthDamageMult();
        int minDamage = s.get(stat(CharacterStat::MinDamage));
        s.set(stat(CharacterStat::MinDamage), minDamage + static_cast<int>(minDamage * m));
        int maxDamage = s.get(stat(CharacterStat::MaxDamage));
        s.set(stat(CharacterStat::MaxDamage), maxDamage + static_cast<int>(maxDamage * m));
    }
    // The sources are looked up once for all the stats of the group, and
    // the items summed in one pass (they do not change during it).
    std::vector<int> fromItems(kStatCount, 0);
    std::vector<int> fromRelics(kStatCount, 0);
    if (const auto* inventory = dynamic_cast<const Inventory*>(m_inventory.get()))
        inventory->addStatsFromItems(group, fromItems);
    if (const Covenant* covenant = getCovenant())
        covenant->addRelicStatBonuses(group, fromRelics);
    // So are the skills, unless their sums could change during the pass.
    std::vector<int> fromSkills;
    std::vector<float> skillMults;
    bool skillsSummed = false;
    if (group == 0 || group == 1) {
        fromSkills.assign(kStatCount, 0);
        skillsSummed = EntityServices::skillStatChanges(this, group, fromSkills);
    } else if (group == 2) {
        skillMults.assign(kStatCount, 0.0f);
        skillsSummed = EntityServices::skillStatMults(this, skillMults);
    }
    // And the active effects, each stat's sum taken in the effects' order.
    // Movement is left to each effect: one that holds its bearer still
    // clears what came before it.
    std::vector<int> fromEffects(kStatCount, 0);
    std::vector<double> effectMults(kStatCount, 0.0);
    constexpr size_t kFirst = stat(CharacterStat::Strength);
    constexpr size_t kEnd = std::min(kStatCount, StatusEffect::kStatCount);
    // Group 0 adds attributes only, group 3 nothing but Movement's hold.
    constexpr size_t kAttributesEnd = stat(CharacterStat::Spirit) + 1;
    for (const StatusEffect* e : m_effects) {
        if ((group < 0 || group > 2) || !e->isActive())
            continue;
        if (group == 2) {
            for (size_t at = kFirst; at < kEnd; ++at)
                effectMults[at] += static_cast<double>(static_cast<float>(e->statMults[at]) / 1000.0f);
        } else {
            for (size_t at = kFirst; at < (group == 0 ? kAttributesEnd : kEnd); ++at)
                fromEffects[at] += e->statChanges[at];
        }
    }
    const bool fixedPower = m_class && m_class->maxPower > 0;
    const bool tabled = group >= 0 && group <= 3;
    for (int i = stat(CharacterStat::Strength); i < kStatCount; ++i) {
        const auto at = static_cast<size_t>(i);
        // isStatAdjustable, looked up in its table.
        const bool adjustable = tabled ? kAdjustable[static_cast<size_t>(group)][at] &&
                                             !(fixedPower && i == stat(CharacterStat::MaxPower))
                                       : isStatAdjustable(i, group);
        if (!adjustable)
            continue;
        StatSources sources;
        sources.items = fromItems[at];
        sources.relics = fromRelics[at];
        if (skillsSummed && !fromSkills.empty())
            sources.skills = &fromSkills[at];
        if (skillsSummed && !skillMults.empty())
            sources.skillMult = &skillMults[at];
        if (i != stat(CharacterStat::Movement)) {
            sources.effects = &fromEffects[at];
            sources.effectMult = &effectMults[at];
        }
        applyStatBonuses(i, group, sources);
    }
}

bool Sentient::isStatAdjustable(int s, int group) const
{
    if (s == stat(CharacterStat::MaxPower) && m_class && m_class->maxPower > 0)
        return false;
    if (s < 0 || s >= kStatCount || group < 0 || group > 3)
        return adjustableInGroup(s, group);
    return kAdjustable[static_cast<size_t>(group)][static_cast<size_t>(s)];
}

void Sentient::applyStatBonuses(int s, int group)
{
    if (!isStatAdjustable(s, group))
        return;
    int fromItems = 0;
    if (const auto* inventory = dynamic_cast<const Inventory*>(m_inventory.get()))
        inventory->addStatFromItems(group, s, fromItems);
    int fromRelics = 0;
    if (const Covenant* covenant = getCovenant())
        covenant->addRelicStatBonus(s, fromRelics, group);
    StatSources sources;
    sources.items = fromItems;
    sources.relics = fromRelics;
    applyStatBonuses(s, group, sources);
}

void Sentient::applyStatBonuses(int s, int group, const StatSources& sources)
{
    int value = m_stats.get(s);
    if (group == 2) {
        double p = 0.0;
        if (sources.effectMult) {
            p = *sources.effectMult;
        } else {
            for (const StatusEffect* e : m_effects)
                p += static_cast<double>(e->getStatMult(s));
        }
        p += static_cast<double>(sources.skillMult ? *sources.skillMult
                                                   : EntityServices::skillStatMult(this, s));
        // A stat no percentage touches keeps its value exactly.
        if (p == 0.0)
            return;
        value = static_cast<int>(std::ceil(applyPercent(static_cast<double>(value), p)));
    } else {
        addStatBonus(s, value, group);
        value += sources.items;
        if (sources.effects) {
            value += *sources.effects;
        } else {
            for (const StatusEffect* e : m_effects)
                e->addStatBonus(group, s, value);
        }
        if (group == 0 || group == 1)
            value += sources.skills ? *sources.skills : EntityServices::skillStatChange(this, s, group);
        value += sources.relics;
    }
    m_stats.set(s, value);
}

// ---- Per-step update ----------------------------------------------------------------------

void Sentient::update(float dt)
{
    Entity::update(dt);
    m_tickFlags = 0;
    if (m_skillList && m_skillList->update(m_class, dt, this))
        updateStats(false);
    if (m_equipmentChanged) {
        m_equipmentChanged = false;
        updateStats(false);
    }
    updateStatusEffects(dt);

    for (TimedFlag& flag : m_timedFlags) {
        if (flag.entityNumber == -1)
            continue;
        flag.timeLeft -= dt;
        if (flag.timeLeft <= 0.0f)
            flag.entityNumber = -1;
    }
    for (const StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            m_tickFlags |= e->entityStates;
    uint32_t hasEnemies = 1u << toIndex(EntityState::HasEnemies);
    if (hasEnemyNear(false, false, 300.0f))
        m_tickFlags |= hasEnemies;
    else
        m_tickFlags &= ~hasEnemies;
    if (Entity* target = getTarget()) {
        int number = target->getEntityNumber();
        for (const TimedFlag& flag : m_timedFlags)
            if (flag.entityNumber != -1 && flag.entityNumber == number && flag.bit >= 0 && flag.bit < 32)
                m_tickFlags |= 1u << flag.bit;
        if (const auto* other = dynamic_cast<const Sentient*>(target)) {
            uint32_t theirs = other->getTickFlags();
            for (int n = 0; n <= toIndex(EntityState::Stealthed); ++n)
                if (theirs & (1u << n))
                    m_tickFlags |= 1u << (toIndex(EntityState::EnemyBlock) + n);
        }
    }
    if (m_class && m_class->powerDirection && (!m_powerTimer.running || m_powerTimer.remaining <= 0.0f))
        restartPowerDecay();
}

void Sentient::restartPowerDecay()
{
    m_stats.set(stat(CharacterStat::PowerRising), 0);
    float duration = m_class ? m_class->powerTimer : 0.0f;
    m_powerTimer.min = duration;
    m_powerTimer.max = duration;
    m_powerTimer.duration = duration;
    m_powerTimer.remaining = duration;
    m_powerTimer.running = true;
}

bool Sentient::hasEnemyNear(bool targetingMe, bool targetingParty, float radius) const
{
    for (const SafePtr<Listener>& l : m_listeners) {
        const auto* e = dynamic_cast<const Entity*>(l.get());
        if (!e || !(e->getMaxHealth() < 1 || e->getHealth() > 0))
            continue;
        if (radius > 0.0f && distanceToEntity(e, false) > radius)
            continue;
        Entity* target = e->getTarget();
        if (targetingMe) {
            if (target != this)
                continue;
        } else if (targetingParty) {
            if (!target || !isInPartyOf(target))
                continue;
        }
        return true;
    }
    return false;
}
