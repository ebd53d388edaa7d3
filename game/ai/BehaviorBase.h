#pragma once

#include "game/entities/TimerList.h"

class Actor;
class DatabaseEntry;
class Event;
class MonsterArchetype;
struct Timer;

// One behaviour of an actor: a small state machine of one kind with its own
// parameters. A monster class's stack holds prototypes (no owner); each actor
// runs copies. Not copyable: the timer list points into the instance, so
// instances live behind owning pointers and never move.
class BehaviorBase {
public:
    BehaviorBase() = default;
    BehaviorBase(const BehaviorBase&) = delete;
    BehaviorBase& operator=(const BehaviorBase&) = delete;
    virtual ~BehaviorBase() = default;

    // Copies the parameters (never the running state) of a prototype of the
    // same class; nothing for another class.
    virtual void copyFrom(const BehaviorBase& prototype) = 0;
    // Parameters from the behaviour's data entry.
    virtual void loadData(const DatabaseEntry* entry) {}
    // Parameters from the monster class's own entry.
    virtual void loadStrings(const DatabaseEntry* monsterEntry) {}
    // The ActorBehavior id of the class.
    virtual int getType() const = 0;
    virtual bool canStart() = 0;
    virtual bool canContinue() = 0;
    // While true the behaviour stays current, whatever else could start.
    virtual bool isUninterruptible() { return false; }
    virtual void start() {}
    virtual void stop() {}
    virtual void update(float dt) = 0;
    // A SimpleEvent code with its datum, to the current behaviour.
    virtual void notify(int code, int data) {}
    // The same, to every behaviour that is not current.
    virtual void notifyInactive(int code, int data) {}
    virtual void onEvent(Event& event) {}
    // "Current behavior: <name>"; subclasses add their own lines after it.
    virtual void printInfo() const;

    // Loads the parameters for a monster class: its "<Type>Data" entry, else
    // "BehaviorDataDefault<Type>", then the class's own entry.
    void findData(const MonsterArchetype* monsterClass);

    TimerList& getTimers() { return m_timers; }
    Actor* getOwner() const { return m_owner; }
    void setOwner(Actor* owner) { m_owner = owner; }
    bool isFinished() const { return m_finished; }
    void setFinished(bool finished) { m_finished = finished; }

protected:
    // Registers a timer member so that the owner's think step advances it.
    void addTimer(Timer& timer);
    // Sets or clears the owner's sprinting flag; its stats are recomputed
    // only when the flag changed.
    void setOwnerSprinting(bool sprint);

    TimerList m_timers;
    Actor* m_owner = nullptr;
    bool m_finished = false;
};

// Converts a prototype to the caller's class; null for another class.
template <class T> const T* behaviorAs(const BehaviorBase& prototype)
{
    return dynamic_cast<const T*>(&prototype);
}
