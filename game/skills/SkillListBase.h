#pragma once

#include <string_view>
#include <vector>

class CharacterClass;
class CounterList;
class SkillBase;
class SkillDefinition;
class SkillEntity;

// The skill records of one character, one per definition of its class's
// trees. A list that is not fixed follows its owner's class; a fixed list (a
// monster's) is filled by explicit adds. The list owns its records.
class SkillListBase {
public:
    SkillListBase() = default;
    virtual ~SkillListBase();
    SkillListBase(const SkillListBase&) = delete;
    SkillListBase& operator=(const SkillListBase&) = delete;

    // A new record of the list's kind.
    virtual SkillBase* createSkill();
    // Called after every rebuild.
    virtual void onRebuilt() {}
    // Called before the records are deleted: nothing may keep their
    // addresses, which the allocator hands to the next records.
    virtual void onCleared() {}

    // The record of the definition (reused when present) placed at (tree,
    // slot); null for a null definition.
    SkillBase* addSkill(const SkillDefinition* definition, SkillEntity* owner, int tree, int slot);
    // Rebuilds when the class changed (and the list is not fixed), then
    // advances every record's timer. False with nothing done for a null class.
    bool update(const CharacterClass* characterClass, float seconds, SkillEntity* owner);
    void rebuild(SkillEntity* owner, const CharacterClass* characterClass);
    void clear();

    SkillBase* findByDefinition(const SkillDefinition* definition) const;
    SkillBase* findByTreeSlot(int tree, int slot) const;
    SkillBase* findById(int id) const;
    // Byte for byte, case-sensitive.
    SkillBase* findByName(std::string_view name) const;
    SkillBase* findSkillNeedingPoints(const CounterList& stats, int stat) const;

    const std::vector<SkillBase*>& getSkills() const { return m_skills; }
    const CharacterClass* getCurrentClass() const { return m_currentClass; }
    bool isFixed() const { return m_fixed; }
    void setFixed(bool fixed) { m_fixed = fixed; }

private:
    std::vector<SkillBase*> m_skills;
    const CharacterClass* m_currentClass = nullptr;
    bool m_fixed = false;
};
