#pragma once

// The covenant benchmarks' ground: the shipped skills and covenants, the
// server's commands and fighting services, one open zone of flat ground
// with the spawn tables loaded, and the draws from a known state.
// Header-only: every bench_*.cpp is a program of its own.
#include "bench/BenchWorld.h"
#include "engine/core/Random.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/SpawnSystem.h"
#include "tests/support/FlatNavigation.h"

#include <string>

struct BenchFightWorld : BenchWorld {
    explicit BenchFightWorld(const std::string& userDirName) : BenchWorld(userDirName)
    {
        resources.setBaseDirectory(GLOAM_DATA_DIR);
        registerSkillLoaders();
        registerCovenantLoaders();
        start(true);
        registerFightingServices();
        game->resizeForWorld(1);
        game->loadSettings();
        field.openZone(0);
        game->setNavigation(&field);
        spawns.load();
        Random::setState(0, 777u);
    }
    ~BenchFightWorld() { game->setNavigation(nullptr); }

    FlatNavigation field;
    SpawnSystem spawns;
};
