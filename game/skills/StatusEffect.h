#pragma once

#include "engine/object/SafePtr.h"
#include "game/skills/StatusEffectBase.h"

class Entity;
class Event;
class Sentient;
class SkillBase;
class StatChangeList;

// A status effect running on one sentient: it ticks health and power,
// answers the owner's stat, damage and absorb queries, reacts to simple and
// hit events and spreads its aura. The owner creates, stacks, runs and
// deletes it; the inflicter is held safely and reads null once it is gone.
class StatusEffect : public StatusEffectBase {
public:
    StatusEffect() = default;
    ~StatusEffect() override;

    // The base's load, then the source's event modifiers and the trigger
    // skills.
    void setEntry(const DatabaseEntry* entry, int level, Entity* source) override;
    using StatusEffectBase::setEntry;
    // True when the effect is to be removed.
    virtual bool think(Sentient* owner, float seconds);

    void setOwner(Sentient* owner);
    Sentient* getOwner() const { return m_owner; }
    Entity* getInflicter() const { return m_inflicter.get(); }
    void setInflicter(Entity* inflicter) { m_inflicter = inflicter; }

    void start();
    void stop();
    bool isActive() const;
    void applyHealthChange();
    void applyPowerChange();
    void applyAura();
    void addStatBonus(int mode, int stat, int& total) const;
    float getStatMult(int stat) const;
    void addDamage(int mode, StatChangeList& list);
    // Takes what it can of damage (the absorb pool field is absorbDamage).
    void absorb(int& damage);
    void onSimpleEvent(int event, Entity* other);
    void combine(StatusEffect& newer);
    void handleHitEvent(Event& event);

    int getElement() const { return m_element; }
    void setElement(int element) { m_element = element; }
    bool hasSucceeded() const { return m_succeeded; }
    SkillBase* getOnHitSkill() const { return m_onHitSkill; }
    SkillBase* getWhenHitSkill() const { return m_whenHitSkill; }
    SkillBase* getWhenKilledSkill() const { return m_whenKilledSkill; }

private:
    void restartTickTimer();
    void deleteSkills();

    SafePtr<Entity> m_inflicter;
    Sentient* m_owner = nullptr;
    SkillBase* m_onHitSkill = nullptr;
    SkillBase* m_whenHitSkill = nullptr;
    SkillBase* m_whenKilledSkill = nullptr;
    int m_element = 0;
    bool m_succeeded = false;
};
