#include "game/world/GameClasses.h"

#include "engine/object/ClassRecord.h"
#include "engine/object/ClassRegistry.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/entities/Trap.h"

ClassRecord* g_listenerClass = nullptr;
ClassRecord* g_entityClass = nullptr;
ClassRecord* g_sentientClass = nullptr;
ClassRecord* g_actorClass = nullptr;
ClassRecord* g_playerClass = nullptr;
ClassRecord* g_trapClass = nullptr;

void registerGameClasses()
{
    ClassRegistry* registry = ClassRegistry::instance();
    if (!registry) {
        return;
    }
    g_listenerClass = registry->findClass("Listener");
    if (!g_listenerClass) {
        g_listenerClass = registry->registerClass("Listener", "", nullptr, nullptr);
    }
    g_entityClass =
        registry->registerClass("Entity", "Listener", &Entity::declareEvents, &Entity::bindHandlers);
    Entity::setClassRecordOf(g_entityClass);
    // Their classes fill the operations when they arrive.
    g_sentientClass =
        registry->registerClass("Sentient", "Entity", &Sentient::declareEvents, &Sentient::bindHandlers);
    g_actorClass = registry->registerClass("Actor", "Sentient", &Actor::declareEvents, &Actor::bindHandlers);
    g_playerClass =
        registry->registerClass("Player", "Sentient", &Player::declareEvents, &Player::bindHandlers);
    g_trapClass = registry->registerClass("Trap", "Listener", &Trap::declareEvents, &Trap::bindHandlers);
}
