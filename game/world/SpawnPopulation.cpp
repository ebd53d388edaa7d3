#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>

Actor* SpawnSystem::spawnMonsterForLevel(int levelIndex, float recruitMultiplier) const
{
    const World* world = World::instance();
    if (!world) {
        return nullptr;
    }
    const AreaDefinition* area = world->getLevelDefinition(levelIndex);
    const float chance = (area ? area->npcSpawnChance : 0.0f) * recruitMultiplier;
    if (chance <= randomFloat(0)) {
        int baseLevel = 1;
        const MonsterType* type = world->pickMonsterToSpawn(levelIndex, baseLevel);
        if (!type) {
            return nullptr;
        }
        const int lo = type->getMinLevel();
        const int hi = std::max(lo, type->getMaxLevel());
        int level = lo;
        if (lo != hi) {
            int offset = 0;
            if (area) {
                const int a = std::min(area->minMonsterLevelOffset, area->maxMonsterLevelOffset);
                const int b = std::max(area->minMonsterLevelOffset, area->maxMonsterLevelOffset);
                offset = randomIntInclusive(0, a, b);
            }
            level = std::clamp(baseLevel + offset, lo, hi);
        }
        return createMonster(type, levelIndex, std::max(1, level));
    }
    const Level* level = world->getLevel(levelIndex);
    return spawnPotentialRecruit(levelIndex, level ? level->monsterLevel : 1);
}

Actor* SpawnSystem::spawnAndPlaceMonster(int levelIndex, const ZonePosition& position) const
{
    Actor* actor = spawnMonsterForLevel(levelIndex, 1.0f);
    if (actor && (!canPlaceMonster(actor, position) || !placeMonster(actor, position, nullptr))) {
        delete actor;
        return nullptr;
    }
    // A level's own monster comes back where it stood once killed, so a
    // quest's level does not run out of what the quest hunts.
    if (actor) {
        actor->respawn = true;
        actor->spawnPosition = actor->getPosition();
    }
    return actor;
}

ZonePosition SpawnSystem::randomPositionInBlock(const ZonePosition& origin)
{
    const GameRules& rules = worldRules();
    ZonePosition p = origin;
    p.x += randomFloat(0) * static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    p.y += randomFloat(0) * static_cast<float>(rules.blockTileHeight) * rules.tileSize;
    return p;
}

int SpawnSystem::populateBlock(int levelIndex, int block) const
{
    World* world = World::instance();
    Game* game = Game::instance();
    const GameRules& rules = worldRules();
    Level* level = world ? world->getLevel(levelIndex) : nullptr;
    const int columns = std::max(1, rules.blocksAcross);
    // Nothing is placed before a player has joined.
    if (!level || !game || !game->getFirstPlayer() || block < 0 ||
        block >= columns * std::max(1, rules.blocksDown)) {
        return 0;
    }
    // Blocks count along a row first: the column is the remainder.
    const int column = block % columns;
    const int row = block / columns;
    if (game->isBlockPopulated(levelIndex, block)) {
        return 1;
    }
    if (!world->isLevelLoaded(levelIndex)) {
        return 0;
    }
    const LevelLayout* layout = level->getLayout();
    const int place = row * rules.blocksAcross + column;
    if (!layout || place >= static_cast<int>(layout->places.size()) ||
        layout->places[static_cast<size_t>(place)] < 0 ||
        (!layout->reached.empty() && !layout->reached[static_cast<size_t>(place)])) {
        return 1;
    }
    game->markBlockPopulated(levelIndex, block);

    const ZonePosition origin(levelIndex, static_cast<float>(column * rules.blockTileWidth) * rules.tileSize,
                              static_cast<float>(row * rules.blockTileHeight) * rules.tileSize);
    const int monsters = world->rollMonsterCountAt(levelIndex, place);
    const int chests = world->rollChestCountAt(levelIndex, place);
    const int traps = level->definition ? level->definition->rollTrapCount() : 0;
    createBlockObjects(levelIndex, column * rules.blockTileWidth, row * rules.blockTileHeight);
    for (int i = 0; i < monsters; ++i) {
        spawnAndPlaceMonster(levelIndex, randomPositionInBlock(origin));
    }
    for (int i = 0; i < chests; ++i) {
        placeChest(randomPositionInBlock(origin));
    }
    for (int i = 0; i < traps; ++i) {
        placeTrap(randomPositionInBlock(origin), levelIndex);
    }
    return 1;
}
