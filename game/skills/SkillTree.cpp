#include "game/skills/SkillTree.h"

#include "engine/core/DebugSystem.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"

void SkillTree::loadFromDatabase()
{
    DefinitionReader r(getEntry());
    name = r.getString("Name");
    skills.clear();
    const GameData* data = GameData::instance();
    std::vector<SkillDefinition*> definitions;
    if (data)
        definitions = data->getSkillDefinitionList();
    for (const std::string& skillName : r.getStringList("Skill")) {
        int index = data ? data->findSkillIndex(skillName) : -1;
        const SkillDefinition* definition = nullptr;
        if (index >= 0 && index < static_cast<int>(definitions.size()))
            definition = definitions[static_cast<size_t>(index)];
        skills.push_back(definition);
    }
    // Slot 16 and later have no points stat: their skills stay at level 0.
    if (getSkillCount() > kMaxSlots)
        debugPrint(2, "%s: skill tree %s lists %d skills; slots past %d have no points stat\n",
                   r.where("Skill").c_str(), getEntryName().c_str(), getSkillCount(), kMaxSlots);
    // Our data names the skills a new character starts with.
    startingSkillNames = r.getStringList("StartingSkills");
    startingSkills = static_cast<int>(startingSkillNames.size());
}
