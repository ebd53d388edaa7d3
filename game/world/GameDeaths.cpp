// What the Game does when things come into a level: actors placed before the
// level was built are moved off blocked ground once it is.
#include "engine/core/Random.h"
#include "engine/data/NameGenerator.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

std::vector<Entity*> Game::collectEntitiesOnLevel(int level) const
{
    std::vector<Entity*> out;
    for (int i = 0; i < kMaxEntities; ++i) {
        Entity* entity = getEntity(i);
        if (entity && entity->getPosition().zone == level) {
            out.push_back(entity);
        }
    }
    return out;
}

void Game::relocateBlockedEntities(int level)
{
    const GameData* data = GameData::instance();
    const int rings = data ? data->rules().freeSpotRingLimit : 0;
    constexpr uint32_t kSolidMask = 3;
    for (Entity* entity : collectEntitiesOnLevel(level)) {
        auto* actor = dynamic_cast<Actor*>(entity);
        if (!actor || !actor->relocated || isPlaceFree(actor->getPosition(), actor, kSolidMask)) {
            continue;
        }
        for (int ring = 0; ring <= rings; ++ring) {
            ZonePosition spot;
            if (findFreeSpotOnRing(actor->getPosition(), ring, spot, actor, false, false, kSolidMask)) {
                actor->warp(spot);
                break;
            }
        }
    }
}

std::string Game::randomNpcName() const
{
    const char* list = randomFloat() < 0.5f ? "npcsMale" : "npcsFemale";
    NameGenerator* names = NameGenerator::instance();
    const uint32_t seed = Random::next(0);
    return names ? names->generateName(list, seed) : std::string();
}
