#include "game/skills/StatSystem.h"

#include "game/entities/Sentient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

// Stands in for a player: a sentient that keeps statistics.
class Counting : public Sentient {
public:
    std::vector<int32_t>* getFunStats() override { return &stats; }
    std::vector<int32_t> stats = std::vector<int32_t>(4, 0);
};

void tellSystems(Entity* killer, Entity* victim, int flag)
{
    for (GameSystem* system : GameSystemRegistry::instance()->getSystems())
        if (system)
            system->onKill(killer, victim, flag);
}

TEST(StatSystemTest, CountsKillsAndDeathsOfThoseWhoKeepStatistics)
{
    TestWorld world(false);
    GameSystemRegistry registry;
    createStatSystem();
    StatSystem* first = StatSystem::instance();
    createStatSystem();
    EXPECT_EQ(StatSystem::instance(), first);
    EXPECT_EQ(registry.getSystems().size(), 1u);

    Counting a;
    Counting b;
    Sentient monster;
    tellSystems(&a, &b, 0);
    EXPECT_EQ(a.stats[StatSystem::kKills], 1);
    EXPECT_EQ(a.stats[StatSystem::kDeaths], 0);
    EXPECT_EQ(b.stats[StatSystem::kDeaths], 1);
    EXPECT_EQ(b.stats[StatSystem::kKills], 0);
    tellSystems(&monster, &a, 0);
    EXPECT_EQ(a.stats[StatSystem::kDeaths], 1);
    tellSystems(&a, &monster, 1);
    EXPECT_EQ(a.stats[StatSystem::kKills], 1);
    tellSystems(nullptr, &b, 0);
    EXPECT_EQ(b.stats[StatSystem::kDeaths], 2);

    destroyStatSystem();
    EXPECT_EQ(StatSystem::instance(), nullptr);
}

} // namespace
