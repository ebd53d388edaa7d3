#pragma once

#include "game/entities/Timer.h"

#include <cstdint>

class CounterList;
class SkillDefinition;
class SkillEntity;

// What an entity holds for each skill it knows: the definition, the skill's
// place in its class's skill trees, its owner and a use timer. A record keeps
// no level: the points invested are a stat of the owner (10 + tree × 15 +
// slot), and the level is computed from the owner's stats when asked.
// The definition, the owner and the linked record are borrowed.
class SkillBase {
public:
    static constexpr int kTreeCount = 4;
    static constexpr int kSlotCount = 15;
    // A linked walk longer than this is a cycle in the data.
    static constexpr int kMaxLinkSteps = 60;

    SkillBase() = default;
    // Slot 0.
    virtual ~SkillBase();
    SkillBase(const SkillBase&) = delete;
    SkillBase& operator=(const SkillBase&) = delete;

    // Slot 1: a running use timer loses the seconds, stopping at 0; the
    // running flag stays set.
    virtual void updateTimer(float seconds);
    // Slot 2: called once the list has set the definition, tree and slot.
    virtual void init() {}
    // Slot 3.
    virtual void setOwner(SkillEntity* owner) { m_owner = owner; }
    // Whether a requested friend may be the target of the skill's friendly
    // part; a bare record takes none.
    virtual bool acceptsFriendTarget(const SkillEntity* entity) const { return false; }

    const SkillDefinition* getDefinition() const { return m_definition; }
    void setDefinition(const SkillDefinition* definition) { m_definition = definition; }
    int getTree() const { return m_tree; }
    int getSlot() const { return m_slot; }
    void setPlace(int tree, int slot)
    {
        m_tree = tree;
        m_slot = slot;
    }
    SkillEntity* getOwner() const { return m_owner; }
    const SkillBase* getLinked() const { return m_linked; }
    void setLinked(const SkillBase* linked) { m_linked = linked; }
    Timer& getUseTimer() { return m_useTimer; }
    const Timer& getUseTimer() const { return m_useTimer; }

    // The owner's stat that holds the skill's points, following linked
    // records; 0 for a basic skill, an unplaced record or a linked cycle.
    int getPointsStat() const;
    // The effective level.
    int getLevel() const;
    // Skill points to raise the skill from level to the next.
    int getPointCost(int level) const;

    bool isReady() const;
    float getTimerRemaining() const;
    float getCooldownFraction() const;

    bool meetsEquipmentRequirement(const SkillEntity* user) const;
    bool targetsSingleEnemy(const SkillEntity* user) const;
    bool causesCriticalHits() const;
    bool causesCrushingBlows() const;
    bool causesDeepWounds() const;

    // The record's part of the use check: equipment (11), then the
    // definition's check at the record's level. A SkillRefusal code.
    int checkRequirements(const SkillEntity* user, const CounterList& stats, const SkillEntity* target,
                          uint32_t stateFlags) const;

private:
    const SkillDefinition* m_definition = nullptr;
    Timer m_useTimer;
    int m_tree = -1;
    int m_slot = -1;
    SkillEntity* m_owner = nullptr;
    const SkillBase* m_linked = nullptr;
};
