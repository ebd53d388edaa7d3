#include "game/quests/QuestLoaders.h"

#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/quests/NpcChat.h"
#include "game/quests/QuestDefinition.h"

namespace {

template <class T> DefinitionLoader<T> simpleDataLoader()
{
    DefinitionLoader<T> loader;
    loader.create = [] { return new T(); };
    loader.load = [](T* definition, const DatabaseEntry* entry) {
        definition->setEntry(entry, DefinitionReader(entry).entryName());
        definition->loadFromDatabase();
        return true;
    };
    loader.destroy = [](T* definition) { delete definition; };
    return loader;
}

} // namespace

void registerQuestLoaders()
{
    DefinitionLoaders& loaders = GameData::loaders();
    loaders.questDefinitions = simpleDataLoader<QuestDefinition>();
    loaders.npcChats = simpleDataLoader<NpcChat>();
}
