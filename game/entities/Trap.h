#pragma once

#include "engine/object/Listener.h"
#include "engine/object/SafePtr.h"

#include <memory>
#include <string>

class ClassRecord;
class DatabaseEntry;
class Entity;
class Event;
class Skill;
struct EventType;

// The mechanism hidden in a chest, a door or a ground trap. An attempt may
// set it off; after a delay the victim may disarm it, else it fires its skill
// after a second delay and may raise an alarm. Not an entity: it acts at its
// owner's position and takes its level from the owner's stat 10.
class Trap : public Listener {
public:
    Trap();
    ~Trap() override;
    Trap(const Trap&) = delete;
    Trap& operator=(const Trap&) = delete;

    // ---- Class record and events ("Trigger", "Activate")
    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);

    // The trap keys of its entry; a non-empty "Skill" makes the trap's skill.
    void loadFromDatabase() override;
    // Takes the entry, then loads it.
    void loadFrom(const DatabaseEntry* entry);
    // An attempt to set the trap off: "Trigger" after random × maxDelay.
    // Nothing without a victim, when sprung or when finished. True when
    // the attempt set the trap off.
    bool tryTrigger(Entity* victim, float maxDelay);
    // Drops the pending "Trigger" and "Activate" events.
    void cancelPending();

    Entity* getOwner() const { return m_owner.get(); }
    void setOwner(Entity* owner) { m_owner = owner; }
    Entity* getVictim() const { return m_victim.get(); }
    void setOnGround(bool onGround) { m_onGround = onGround; }
    // The owner's stat 10; 0 without an owner.
    int getLevel() const;
    bool isSprung() const { return m_sprung; }
    bool isFinished() const { return m_finished; }
    bool hasActed() const { return m_acted; }
    // Acted, and what it launched is gone.
    bool isSpent() const { return m_finished || (m_acted && !m_launched); }
    Skill* getSkill() const { return m_skill.get(); }
    float getTriggerChance() const { return m_triggerChance; }

    // The skill's branch of "Activate".
    enum class Action { None, Summon, Wind, Area, Projectile };
    Action getAction() const;

private:
    void onTrigger(Event& event);
    void onActivate(Event& event);
    void schedule(const EventType* type, float delay);
    void playAtOwner(const std::string& sound) const;
    // The branch's piece; true when something was launched.
    bool act(Entity* owner, Entity* victim);

    SafePtr<Entity> m_owner;
    SafePtr<Entity> m_victim;
    float m_triggerChance = 0.0f;
    std::string m_triggerSound;
    std::string m_alarmSound;
    std::string m_disarmSound;
    float m_shortDelayMin = 0.0f;
    float m_shortDelayMax = 0.0f;
    float m_longDelayMin = 0.0f;
    float m_longDelayMax = 0.0f;
    float m_groundTrapDelayMult = 0.0f;
    float m_dudChance = 0.0f;
    float m_longDelayChance = 0.0f;
    float m_alarmChance = 0.0f;
    float m_alarmRange = 0.0f;
    std::unique_ptr<Skill> m_skill;
    bool m_sprung = false;
    bool m_finished = false;
    SafePtr<Entity> m_launched;
    bool m_acted = false;
    bool m_onGround = false;
    bool m_silent = false;

    static inline const EventType* s_triggerEvent = nullptr;
    static inline const EventType* s_activateEvent = nullptr;
};
