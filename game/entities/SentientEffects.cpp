#include "game/entities/Sentient.h"

#include "engine/data/DatabaseEntry.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/Game.h"

#include <algorithm>

void Sentient::addStatusEffect(const DatabaseEntry* entry, Entity* source, int level)
{
    if (!entry)
        return;
    auto* effect = new StatusEffect();
    effect->setEntry(entry, level, source);
    insertStatusEffect(effect, source);
}

void Sentient::addStatusEffectByName(const std::string& name, Entity* source, int level)
{
    if (name.empty())
        return;
    if (const DatabaseEntry* entry = DefinitionReader::findEntry(name))
        addStatusEffect(entry, source, level);
}

StatusEffect* Sentient::findSameKindEffect(const StatusEffect* effect, const Entity* source) const
{
    bool sourceIsSentient = dynamic_cast<const Sentient*>(source) != nullptr;
    for (StatusEffect* e : m_effects) {
        if (!e->isSameKind(effect))
            continue;
        if (e->effectType == toIndex(StatusEffectType::OnePerInflicter) && sourceIsSentient &&
            e->getInflicter() != source)
            continue;
        return e;
    }
    return nullptr;
}

bool Sentient::canReceiveStatusEffect(const DatabaseEntry* entry, const Entity* source) const
{
    if (!entry)
        return false;
    StatusEffect probe;
    probe.StatusEffectBase::setEntry(entry, 1, nullptr);
    int type = probe.effectType;
    if (type == toIndex(StatusEffectType::OnlyOne) || type == toIndex(StatusEffectType::OnePerInflicter) ||
        type == toIndex(StatusEffectType::OnlyOneExact))
        return findSameKindEffect(&probe, source) == nullptr;
    return true;
}

void Sentient::insertStatusEffect(StatusEffect* effect, Entity* source)
{
    if (!effect)
        return;
    // The insert owns the effect: what it refuses, cancels or combines dies here.
    if (isDead()) {
        delete effect;
        return;
    }
    effect->setInflicter(source);
    StatusEffect* existing = findSameKindEffect(effect, source);
    bool add = true;
    switch (static_cast<StatusEffectType>(effect->effectType)) {
    case StatusEffectType::Combine:
        if (existing) {
            existing->combine(*effect);
            add = false;
        }
        break;
    case StatusEffectType::OnlyOne:
    case StatusEffectType::OnePerInflicter:
    case StatusEffectType::OnlyOneExact:
        if (existing)
            existing->ended = true;
        break;
    case StatusEffectType::Cancel:
        if (existing) {
            existing->ended = true;
            add = false;
        }
        break;
    default:
        break;
    }
    if (!add) {
        delete effect;
        updateStats(false);
        return;
    }
    effect->setOwner(this);
    effect->start();
    m_effects.push_back(effect);
    if (source && source != this) {
        EventSystem* events = EventSystem::instance();
        // Declared by the computer-run characters; nothing to tell before.
        if (const EventType* buffed = events ? events->findEvent("EnemyBuffed") : nullptr) {
            Event* event = events->newEventOfType(*buffed);
            event->writeObject(this);
            event->writeObject(source);
            // No skill: a skill that buffs tells its own (buffedBy).
            event->writeInt(-1);
            broadcastToListeners(*event);
            events->releaseEvent(event);
        }
    }
    updateStats(false);
}

void Sentient::buffedBy(Entity* giver, const SkillBase* skill)
{
    EventSystem* events = EventSystem::instance();
    const EventType* buffed = events ? events->findEvent("EnemyBuffed") : nullptr;
    if (!buffed || !giver)
        return;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    const DatabaseEntry* entry = definition ? definition->getEntry() : nullptr;
    Event* event = events->newEventOfType(*buffed);
    event->writeObject(this);
    event->writeObject(giver);
    event->writeInt(entry ? static_cast<int32_t>(entry->getId()) : -1);
    broadcastToListeners(*event);
    events->releaseEvent(event);
}

void Sentient::updateStatusEffects(float seconds)
{
    // Effects added during the pass (by a tick or a stop) go to the end and
    // first tick next step; finished ones leave after the pass.
    const size_t count = m_effects.size();
    std::vector<StatusEffect*> finished;
    for (size_t i = 0; i < count && i < m_effects.size(); ++i) {
        StatusEffect* effect = m_effects[i];
        if (effect->think(this, seconds)) {
            // Ended at once: an effect of its kind added later in the pass
            // (by its own stop or another's tick) must not merge into it.
            effect->ended = true;
            effect->stop();
            finished.push_back(effect);
        }
    }
    if (finished.empty())
        return;
    for (StatusEffect* effect : finished) {
        m_effects.erase(std::find(m_effects.begin(), m_effects.end(), effect));
        delete effect;
    }
    updateStats(false);
}

void Sentient::weakenStatusEffect(const std::string& name, int amount)
{
    for (StatusEffect* e : m_effects) {
        // An ended effect is already gone: the dispel goes to a live copy.
        if (e->ended || e->name != name)
            continue;
        int level = std::max(0, e->level - amount);
        bool lower = level < e->level;
        e->level = level;
        if (level == 0)
            e->ended = true;
        if (lower) {
            updateStats(false);
            return;
        }
    }
}

void Sentient::refreshStatusEffect(const std::string& name, int value)
{
    for (StatusEffect* e : m_effects)
        if (e->name == name)
            e->weakenDamageOverTime(value);
}

void Sentient::endStatusEffectsOf(const DatabaseEntry* entry)
{
    for (StatusEffect* e : m_effects)
        if (e->getEntry() == entry)
            e->ended = true;
    updateStats(false);
}

void Sentient::endAllStatusEffects()
{
    for (StatusEffect* e : m_effects)
        e->ended = true;
    updateStats(false);
}

bool Sentient::hasStatusEffect(const DatabaseEntry* entry) const
{
    // An ended effect is gone, though it leaves the list only at the next
    // pass: one given again in between (a fresh start's set bonus) stays.
    return std::any_of(m_effects.begin(), m_effects.end(),
                       [entry](const StatusEffect* e) { return !e->ended && e->getEntry() == entry; });
}

bool Sentient::canAttack() const
{
    return std::none_of(m_effects.begin(), m_effects.end(),
                        [](const StatusEffect* e) { return !e->ended && e->isActive() && e->cantAttack; });
}

bool Sentient::canUseSkills(bool spells) const
{
    return std::none_of(m_effects.begin(), m_effects.end(), [spells](const StatusEffect* e) {
        return !e->ended && e->isActive() && (e->cantUseSkills || (spells && e->cantUseSpells));
    });
}

bool Sentient::canAct() const
{
    // A freeze forbids attacking, skills and moving at once.
    return std::none_of(m_effects.begin(), m_effects.end(), [](const StatusEffect* e) {
        return !e->ended && e->isActive() && e->cantAttack && e->cantUseSkills && e->cantMove;
    });
}

bool Sentient::isHiddenByEffect() const
{
    uint32_t stealthed = 1u << toIndex(EntityState::Stealthed);
    return std::any_of(m_effects.begin(), m_effects.end(), [stealthed](const StatusEffect* e) {
        return !e->ended && e->isActive() && (e->entityStates & stealthed) != 0;
    });
}

void Sentient::fireSimpleEvent(int event, int datum)
{
    Entity* other = nullptr;
    if (datum >= 0 && datum < Game::kMaxEntities)
        if (Game* game = Game::instance())
            other = game->getEntity(datum);
    const size_t count = m_effects.size();
    for (size_t i = 0; i < count && i < m_effects.size(); ++i)
        m_effects[i]->onSimpleEvent(event, other);
}

void Sentient::triggerStatusEffectsOnHit(Event& event, bool flag)
{
    const size_t count = m_effects.size();
    for (size_t i = 0; i < count && i < m_effects.size(); ++i) {
        event.rewind();
        m_effects[i]->handleHitEvent(event);
    }
}

void Sentient::filterIncomingDamage(int& damage)
{
    for (StatusEffect* e : m_effects)
        if (!e->ended && e->isActive())
            e->absorb(damage);
}

int Sentient::countSetBonusItems(const DatabaseEntry* effect, int& needed) const
{
    needed = 0;
    const InventoryGroup* equipment =
        m_inventory ? m_inventory->getOwnGroup(toIndex(InventoryGroupIndex::Equipment)) : nullptr;
    if (!effect || !equipment)
        return 0;
    int count = 0;
    for (int i = 0; i < equipment->getSize(); ++i) {
        const ItemBase* item = equipment->getItem(i);
        if (!item)
            continue;
        for (const ItemSetBonus* bonus : {&item->getPartialSetBonus(), &item->getFullSetBonus()})
            if (bonus->effect == effect) {
                ++count;
                needed = bonus->itemsNeeded;
                break;
            }
    }
    return count;
}

bool Sentient::isSetComplete(const DatabaseEntry* setEntry) const
{
    if (!setEntry || !m_inventory)
        return false;
    const InventoryGroup* equipment = m_inventory->getOwnGroup(toIndex(InventoryGroupIndex::Equipment));
    if (!equipment)
        return false;
    int count = 0;
    int size = 0;
    for (int i = 0; i < equipment->getSize(); ++i) {
        const ItemBase* item = equipment->getItem(i);
        if (!item)
            continue;
        for (int link = 0; link < 2; ++link) {
            const ItemSetLink& l = item->getSetLink(link);
            if (l.set == setEntry) {
                ++count;
                size = l.size;
                break;
            }
        }
    }
    return count > 0 && count >= size;
}

bool Sentient::holdsSkill(const SkillBase* skill) const
{
    if (!skill)
        return false;
    if (m_skillList) {
        const auto& skills = m_skillList->getSkills();
        if (std::find(skills.begin(), skills.end(), skill) != skills.end())
            return true;
    }
    return std::any_of(m_effects.begin(), m_effects.end(), [skill](const StatusEffect* effect) {
        return effect->getOnHitSkill() == skill || effect->getWhenHitSkill() == skill ||
               effect->getWhenKilledSkill() == skill;
    });
}
