#include "game/skills/SkillListBase.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/CharacterClass.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTree.h"

SkillListBase::~SkillListBase()
{
    clear();
}

SkillBase* SkillListBase::createSkill()
{
    return new SkillBase();
}

SkillBase* SkillListBase::addSkill(const SkillDefinition* definition, SkillEntity* owner, int tree, int slot)
{
    if (!definition)
        return nullptr;
    SkillBase* skill = findByDefinition(definition);
    if (!skill) {
        skill = createSkill();
        m_skills.push_back(skill);
    }
    skill->setDefinition(definition);
    skill->setPlace(tree, slot);
    skill->init();
    skill->setOwner(owner);
    return skill;
}

bool SkillListBase::update(const CharacterClass* characterClass, float seconds, SkillEntity* owner)
{
    if (!characterClass)
        return false;
    bool rebuilt = false;
    if (!m_fixed && characterClass != m_currentClass) {
        rebuild(owner, characterClass);
        rebuilt = true;
    }
    for (SkillBase* skill : m_skills)
        skill->updateTimer(seconds);
    return rebuilt;
}

void SkillListBase::rebuild(SkillEntity* owner, const CharacterClass* characterClass)
{
    if (characterClass != m_currentClass)
        clear();
    if (characterClass) {
        for (int t = 0; t < characterClass->getSkillTreeCount(); ++t) {
            const SkillTree* tree = characterClass->skillTrees[static_cast<size_t>(t)].tree;
            if (!tree)
                continue;
            for (int s = 0; s < tree->getSkillCount(); ++s)
                addSkill(tree->getSkill(s), owner, t, s);
        }
    }
    for (SkillBase* skill : m_skills) {
        const SkillDefinition* definition = skill->getDefinition();
        if (definition && !definition->linked.empty()) {
            const SkillBase* linked = findByName(definition->linked);
            skill->setLinked(linked);
            // The level walk is bounded; a cycle is still worth one line.
            if (linked && linked->getDefinition() &&
                linked->getDefinition()->linked == definition->getEntryName() && linked != skill)
                debugPrint(2, "Skills %s and %s are linked to each other\n", definition->name.c_str(),
                           definition->linked.c_str());
        }
    }
    onRebuilt();
    m_currentClass = characterClass;
}

void SkillListBase::clear()
{
    onCleared();
    for (SkillBase* skill : m_skills)
        delete skill;
    m_skills.clear();
}

SkillBase* SkillListBase::findByDefinition(const SkillDefinition* definition) const
{
    for (SkillBase* skill : m_skills)
        if (skill->getDefinition() == definition)
            return skill;
    return nullptr;
}

SkillBase* SkillListBase::findByTreeSlot(int tree, int slot) const
{
    for (SkillBase* skill : m_skills)
        if (skill->getTree() == tree && skill->getSlot() == slot)
            return skill;
    return nullptr;
}

SkillBase* SkillListBase::findById(int id) const
{
    for (SkillBase* skill : m_skills) {
        const SkillDefinition* definition = skill->getDefinition();
        const DatabaseEntry* entry = definition ? definition->getEntry() : nullptr;
        if ((entry ? entry->getId() : -1) == id)
            return skill;
    }
    return nullptr;
}

SkillBase* SkillListBase::findByName(std::string_view name) const
{
    for (SkillBase* skill : m_skills) {
        const SkillDefinition* definition = skill->getDefinition();
        if (definition && definition->getEntryName() == name)
            return skill;
    }
    return nullptr;
}

SkillBase* SkillListBase::findSkillNeedingPoints(const CounterList& stats, int stat) const
{
    for (SkillBase* skill : m_skills) {
        const SkillDefinition* definition = skill->getDefinition();
        if (definition && definition->statReq == stat &&
            definition->getPointsStillNeeded(skill->getLevel(), stats) > 0)
            return skill;
    }
    return nullptr;
}
