#pragma once

#include <vector>

class Entity;

// A server rule system that hears of every kill. Systems add themselves to
// the registry when made and take themselves out when destroyed.
class GameSystem {
public:
    GameSystem();
    virtual ~GameSystem();
    GameSystem(const GameSystem&) = delete;
    GameSystem& operator=(const GameSystem&) = delete;

    virtual void onKill(Entity* killer, Entity* victim, int flag) {}
};

// The registered game systems, in registration order (null entries are
// left by systems that went away).
class GameSystemRegistry {
public:
    GameSystemRegistry();
    ~GameSystemRegistry();
    GameSystemRegistry(const GameSystemRegistry&) = delete;
    GameSystemRegistry& operator=(const GameSystemRegistry&) = delete;

    static GameSystemRegistry* instance() { return s_instance; }

    void add(GameSystem* system);
    void remove(GameSystem* system);
    const std::vector<GameSystem*>& getSystems() const { return m_systems; }

private:
    std::vector<GameSystem*> m_systems;
    static inline GameSystemRegistry* s_instance = nullptr;
};

// GameSystem::onKill (killer, victim, 0) on every registered game system.
void notifyGameSystemsOfKill(Entity* killer, Entity* victim);
