#include "game/world/GameSystem.h"

#include <algorithm>

GameSystem::GameSystem()
{
    if (GameSystemRegistry* registry = GameSystemRegistry::instance()) {
        registry->add(this);
    }
}

GameSystem::~GameSystem()
{
    if (GameSystemRegistry* registry = GameSystemRegistry::instance()) {
        registry->remove(this);
    }
}

GameSystemRegistry::GameSystemRegistry()
{
    s_instance = this;
}

GameSystemRegistry::~GameSystemRegistry()
{
    if (s_instance == this) {
        s_instance = nullptr;
    }
}

void GameSystemRegistry::add(GameSystem* system)
{
    if (system && std::find(m_systems.begin(), m_systems.end(), system) == m_systems.end()) {
        m_systems.push_back(system);
    }
}

void GameSystemRegistry::remove(GameSystem* system)
{
    std::replace(m_systems.begin(), m_systems.end(), system, static_cast<GameSystem*>(nullptr));
}

void notifyGameSystemsOfKill(Entity* killer, Entity* victim)
{
    GameSystemRegistry* registry = GameSystemRegistry::instance();
    if (!registry) {
        return;
    }
    // A copy: a system may register another while being told.
    std::vector<GameSystem*> systems = registry->getSystems();
    for (GameSystem* system : systems) {
        if (system) {
            system->onKill(killer, victim, 0);
        }
    }
}
