#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Sentient.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>

namespace {

// Tries of the Game's placement before a summon is given up.
constexpr int kPlacementTries = 7;
// Draws of a random summon until its type may be summoned.
constexpr int kRandomDraws = 3;

// One summon of the definition at the level, not placed yet; null when the
// definition names nothing that can be made.
Actor* makeSummon(const SpawnSystem& spawns, const SkillDefinition& definition, int levelIndex, int level)
{
    const GameData* data = GameData::instance();
    if (!data)
        return nullptr;
    if (definition.monsterArchetype) {
        const MonsterArchetype* archetype = data->findArchetypeByEntry(definition.monsterArchetype);
        const MonsterType* type = archetype ? archetype->pickTypeForLevel(level) : nullptr;
        // The type's own Unique or Legend, else a rarity rolled for the level.
        return spawns.createMonster(type, levelIndex, level);
    }
    if (definition.monsterType) {
        const MonsterType* type = data->findMonsterTypeByEntryId(definition.monsterType->getId());
        if (!type)
            return nullptr;
        const MonsterRarity rarity = type->unique   ? MonsterRarity::Unique
                                     : type->legend ? MonsterRarity::Legend
                                                    : MonsterRarity::Normal;
        return spawns.spawnMonster(type, levelIndex, rarity, level);
    }
    // A random monster of at least the skill's rarity; a draw whose type may
    // not be summoned (a unique version, say) is deleted and drawn again.
    const auto minRarity =
        static_cast<MonsterRarity>(std::clamp(definition.minMonsterRarity, 0, kMonsterRarityCount - 1));
    for (int draw = 0; draw < kRandomDraws; ++draw) {
        Actor* actor = spawns.spawnMonster(levelIndex, minRarity, level);
        if (!actor)
            return nullptr;
        const MonsterType* type = actor->getMonsterType();
        if (type && type->canBeSummoned)
            return actor;
        delete actor;
    }
    return nullptr;
}

} // namespace

int Skill::rollSummonCount() const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return 0;
    const int low = definition->minMonstersToSpawn;
    const int high = definition->maxMonstersToSpawn;
    const int count =
        low < 1 && high < 1 ? definition->monstersToSpawn : randomIntInclusive(low, std::max(low, high));
    // No use can place more summons than the world holds; a huge count from
    // the data would otherwise spin through failed draws for a long time.
    return std::clamp(count, 0, Game::kMaxEntities);
}

int Skill::summonMonsters(Sentient* user, Entity* target)
{
    const SkillDefinition* definition = getDefinition();
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!user || !definition || !spawns)
        return 0;
    const int count = rollSummonCount();
    const ZonePosition position = user->getPosition();
    const int level = user->getStat(toIndex(CharacterStat::Level));
    int placed = 0;
    for (int i = 0; i < count; ++i) {
        Actor* summon = makeSummon(*spawns, *definition, position.zone, level);
        if (!summon)
            continue;
        bool stands = false;
        for (int tries = 0; tries < kPlacementTries && !stands; ++tries)
            stands = spawns->placeMonster(summon, position, nullptr);
        if (!stands) {
            // Nowhere to stand: nothing is left in a wall and no more are made.
            delete summon;
            break;
        }
        ++placed;
        summon->setSummoner(user);
        if (target)
            summon->updateTargetEntry(target, 1.0f, 0);
        summon->setFlags(summon->getFlags() & ~Actor::kFlagHidden);
    }
    return placed;
}
