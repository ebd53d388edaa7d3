#pragma once

#include "game/world/GameSystem.h"

// The game system that keeps the kill and death statistics of the
// characters that keep statistics (players). One exists at a time.
class StatSystem : public GameSystem {
public:
    static constexpr int kKills = 0;
    static constexpr int kDeaths = 1;

    StatSystem();
    ~StatSystem() override;

    static StatSystem* instance() { return s_instance; }

    // flag 0 only: the killer's kills and the victim's deaths grow by one.
    void onKill(Entity* killer, Entity* victim, int flag) override;

private:
    static inline StatSystem* s_instance = nullptr;
};

// Makes the one StatSystem (registered with the game systems); a second
// call does nothing.
void createStatSystem();
void destroyStatSystem();
