#pragma once

#include "engine/object/SimpleData.h"

#include <string>
#include <vector>

class SkillDefinition;

// One skill tree of a class: a row of up to fifteen skill definitions. A
// name the game data does not hold keeps its slot as null, so the skills
// after it keep their slot numbers.
class SkillTree : public SimpleData {
public:
    static constexpr int kMaxSlots = 15;

    void loadFromDatabase() override;

    int getSkillCount() const { return static_cast<int>(skills.size()); }
    const SkillDefinition* getSkill(int slot) const
    {
        return slot >= 0 && slot < getSkillCount() ? skills[static_cast<size_t>(slot)] : nullptr;
    }

    std::string name;
    int startingSkills = 0;
    std::vector<std::string> startingSkillNames;
    std::vector<const SkillDefinition*> skills;
};
