#pragma once

#include <memory>
#include <string>
#include <vector>

class Actor;
class BehaviorBase;
class MonsterArchetype;

using BehaviorList = std::vector<std::unique_ptr<BehaviorBase>>;

// The behaviour prototypes of one monster class, in priority order (first
// tried first), with their parameters loaded. Actors receive copies.
class BehaviorStack {
public:
    BehaviorStack();
    virtual ~BehaviorStack();
    BehaviorStack(const BehaviorStack&) = delete;
    BehaviorStack& operator=(const BehaviorStack&) = delete;

    // Reads the "Behavior" list of the entry so named; a missing entry leaves
    // the stack empty without a word.
    void load(const MonsterArchetype* monsterClass, const std::string& name);
    // Appends a fresh copy of every prototype, owned by the list, to it.
    void createInstances(Actor* actor, BehaviorList& list) const;

    const MonsterArchetype* getMonsterClass() const { return m_monsterClass; }
    const BehaviorList& getBehaviors() const { return m_behaviors; }

private:
    const MonsterArchetype* m_monsterClass = nullptr;
    BehaviorList m_behaviors;
};
