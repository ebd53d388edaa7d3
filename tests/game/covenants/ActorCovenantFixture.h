#pragma once

#include "engine/core/Random.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/entities/ActorFixture.h"
#include "game/world/SpawnSystem.h"
#include "support/TestCovenant.h"

#include <memory>
#include <string>

// Computer-run covenants in a Game on the shipped data, random stream 0
// seeded so that every run draws the same.
class ActorCovenantFixture : public ActorFixture {
protected:
    ActorCovenantFixture()
    {
        spawns.load();
        world.game->loadSettings();
        Random::setState(0, 12345u);
    }

    // A new computer covenant on the definition, owned by the game; not set up.
    ActorCovenant& addActorCovenant(const std::string& definition)
    {
        auto covenant = std::make_unique<ActorCovenant>();
        ActorCovenant& added = *covenant;
        added.setDefinitionByName(definition);
        world.game->addCovenant(std::move(covenant));
        return added;
    }

    // Set up at a house position of its own, level and difficulty as given.
    ActorCovenant& setUpCovenant(const std::string& definition, int level, int difficulty = 1)
    {
        ActorCovenant& c = addActorCovenant(definition);
        c.initNew(nav.tileCentre(0, 20 + 20 * c.index, 60), level, difficulty);
        return c;
    }

    SpawnSystem spawns;
};
