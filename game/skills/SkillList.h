#pragma once

#include "game/skills/SkillListBase.h"

#include <vector>

class DatabaseEntry;
class Sentient;
class Skill;
class StatChangeList;

// The server's skill list of one sentient: its records are Skills, it keeps
// the skill the AI chose, and it sums what the known skills add to the
// sentient's numbers. Every sum runs over the list in order and counts a
// skill only when its equipment requirement is met and it is known.
class SkillList : public SkillListBase {
public:
    SkillList() = default;

    SkillBase* createSkill() override;
    // The chosen skill goes with the records: a rebuilt list never keeps it
    // by address.
    void onCleared() override { m_chosenSkill = nullptr; }

    // Rates every skill and keeps the best one above 0 (the earlier on a
    // tie) as the chosen skill; null when none rates above 0
    // (SkillChoice.cpp).
    Skill* chooseSkill(Sentient* user);
    Skill* getChosenSkill() const { return m_chosenSkill; }
    void setChosenSkill(Skill* skill) { m_chosenSkill = skill; }

    // ---- Bonuses of the known skills
    // Phases 0 and 1: the "StatChange" entries of that stat.
    void sumStatChange(const Sentient* user, int stat, int phase, int& value) const;
    // The "StatMult" entries of that stat.
    float sumStatMult(const Sentient* user, int stat) const;
    // sumStatChange of every stat at once, added to values[stat], and
    // sumStatMult of every stat, added to mults[stat]. False, with nothing
    // added, when a skill that changes a stat is known through a stat the
    // recompute may change (the caller then asks stat by stat).
    bool addStatChanges(const Sentient* user, int phase, std::vector<int>& values) const;
    bool addStatMults(const Sentient* user, std::vector<float>& mults) const;
    // Phase 1: each passive skill's {MinDamage, MaxDamage} change as a
    // Physical entry.
    void applyPassiveStatChanges(const Sentient* user, int phase, StatChangeList& list) const;
    // Phase 0: the passive skills' "StatMult" of MaxDamage; else 0.
    float sumPassiveStatMult(const Sentient* user, int phase) const;
    // Phase 0: the passive skills' "DynamicStatChange" of the index, for the
    // passives that apply to the skill in use or the status effect; extra
    // damage also grows with the power above the used skill's cost.
    void addDynamicStatChanges(const Sentient* user, const SkillBase* skillInUse, const DatabaseEntry* effect,
                               int phase, int index, float& value) const;
    float sumDynamicStatMult(const Sentient* user, const SkillBase* skillInUse, const DatabaseEntry* effect,
                             int index) const;
    // Phase 0: the "DefendingDynamicStatChange" entries of the index.
    void sumDefendingStatChange(const Sentient* user, int index, int phase, float& value) const;
    float sumDefendingStatMult(const Sentient* user, int index) const;
    // A known skill lets its owner use items of that requirement.
    bool grantsItemRequirement(const Sentient* user, int requirement) const;

private:
    // The common filter of the sums.
    bool counts(const SkillBase* skill, const Sentient* user, bool passiveOnly) const;

    Skill* m_chosenSkill = nullptr;
};
