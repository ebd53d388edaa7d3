#include "game/skills/SkillLoaders.h"

#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTree.h"
#include "game/skills/StatusEffectBase.h"

namespace {

SkillDefinition* createSkill()
{
    return new SkillDefinition();
}

bool loadSkill(SkillDefinition* definition, const DatabaseEntry* entry)
{
    definition->SimpleData::setEntry(entry, entry ? entry->getName() : std::string());
    definition->loadFromDatabase();
    return true;
}

void destroySkill(SkillDefinition* definition)
{
    delete definition;
}

void linkSkill(SkillDefinition* definition)
{
    definition->link();
}

SkillTree* createTree()
{
    return new SkillTree();
}

bool loadTree(SkillTree* tree, const DatabaseEntry* entry)
{
    tree->SimpleData::setEntry(entry, entry ? entry->getName() : std::string());
    tree->loadFromDatabase();
    return true;
}

void destroyTree(SkillTree* tree)
{
    delete tree;
}

// Items describe a set bonus as the effect at level 1, without growth,
// against no enemy level and without a class.
std::string describeEffect(const DatabaseEntry* entry)
{
    StatusEffectBase effect;
    effect.setEntry(entry, 1, nullptr);
    std::string text;
    effect.getDescription(text, nullptr, 1, 0, nullptr);
    return text;
}

float effectWorth(const DatabaseEntry* entry)
{
    StatusEffectBase effect;
    effect.setEntry(entry, 1, nullptr);
    return effect.getWorth();
}

} // namespace

void registerSkillLoaders()
{
    DefinitionLoader<SkillDefinition>& loader = GameData::loaders().skillDefinitions;
    loader.create = createSkill;
    loader.load = loadSkill;
    loader.destroy = destroySkill;
    loader.link = linkSkill;
    DefinitionLoader<SkillTree>& trees = GameData::loaders().skillTrees;
    trees.create = createTree;
    trees.load = loadTree;
    trees.destroy = destroyTree;
    ItemBase::setStatusEffectHooks({describeEffect, effectWorth});
}
