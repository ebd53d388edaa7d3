#include "game/quests/QuestLoaders.h"

#include "game/definitions/GameData.h"
#include "game/definitions/SimpleDataLoader.h"
#include "game/quests/NpcChat.h"
#include "game/quests/QuestDefinition.h"

void registerQuestLoaders()
{
    DefinitionLoaders& loaders = GameData::loaders();
    loaders.questDefinitions = simpleDataLoader<QuestDefinition>();
    loaders.npcChats = simpleDataLoader<NpcChat>();
}
