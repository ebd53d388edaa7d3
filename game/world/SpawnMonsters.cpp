#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Vendor.h"
#include "game/world/AreaDefinition.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <vector>

namespace {

const AreaDefinition* areaOfLevel(int levelIndex)
{
    const World* world = World::instance();
    const Level* level = world ? world->getLevel(levelIndex) : nullptr;
    return level ? level->definition : nullptr;
}

bool isNight()
{
    const Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!game || !data) {
        return false;
    }
    const double hour = game->getTimeOfDay();
    return hour < data->rules().sunriseStart || hour > data->rules().sunsetEnd;
}

// Random enhancements of a rarity.
int enhancementCount(MonsterRarity rarity, bool npc)
{
    switch (rarity) {
    case MonsterRarity::Common:
        return 1;
    case MonsterRarity::Uncommon:
        return 2;
    case MonsterRarity::Rare:
        return npc ? 3 : 1;
    case MonsterRarity::VeryRare:
        return npc ? 4 : 2;
    default:
        return 0;
    }
}

const DatabaseEntry* findEntry(const std::string& name)
{
    const Database* db = Database::instance();
    return db ? db->findEntry(name) : nullptr;
}

} // namespace

MonsterRarity SpawnSystem::rollRarity(MonsterRarity start, const MonsterType* type, int levelIndex) const
{
    const bool night = isNight();
    // Quests hunting this type in this level make its rarer kinds likelier.
    const Game* game = Game::instance();
    const float f = type && game ? game->getQuestRarityMultiplier(levelIndex, type) : 1.0f;
    const AreaDefinition* area = areaOfLevel(levelIndex);
    int rarity = std::clamp(static_cast<int>(start), 0, kMonsterRarityCount - 1);
    for (int k = rarity + 1; k < kMonsterRarityCount; ++k) {
        const int r = rollPercent();
        const float c = area ? area->getRarityChance(k, night) : 0.0f;
        if (!(c * f > static_cast<float>(r))) {
            break;
        }
        rarity = k;
    }
    return static_cast<MonsterRarity>(rarity);
}

const DatabaseEntry* SpawnSystem::pickEnhancement(const Actor* actor, MonsterRarity rarity, int level) const
{
    Table table = MajorEnhancements;
    if (actor && actor->isNpc()) {
        table = NpcOnlyEnhancements;
    } else if (rarity == MonsterRarity::Common || rarity == MonsterRarity::Uncommon) {
        table = MinorEnhancements;
    } else if (rollPercent() < m_enchantmentNormalChance) {
        table = MinorEnhancements;
    } else if (rollPercent() < m_enchantmentMajorChance) {
        table = OrdinaryEnhancements;
    }
    const LevelEntry* row = getLevelEntry(table, level);
    return row ? row->entry : nullptr;
}

Actor* SpawnSystem::spawnMonster(const MonsterType* type, int levelIndex, MonsterRarity rarity, int level,
                                 bool noEnhancements) const
{
    (void)levelIndex;
    if (!type) {
        return nullptr;
    }
    if (rarity == MonsterRarity::Legend && !type->legend) {
        if (type->legendVersion) {
            type = type->legendVersion;
        } else {
            rarity = MonsterRarity::Unique;
        }
    }
    if (rarity == MonsterRarity::Unique && !type->unique) {
        if (const MonsterType* version = type->pickRandomUniqueVersion()) {
            type = version;
        } else {
            rarity = MonsterRarity::VeryRare;
        }
    }
    // A type whose entry sets "Vendor" keeps a shop.
    const DatabaseEntry* entry = type->getEntry();
    const Database* db = Database::instance();
    Actor* actor = db && entry && db->getInt(entry, "Vendor") != 0 ? new Vendor() : new Actor();
    actor->initFromMonsterType(type, level);
    actor->setEnhancementRarity(static_cast<int>(rarity));

    const bool npc = actor->isNpc();
    const int wanted = noEnhancements ? 0 : enhancementCount(rarity, npc);
    if (!npc && rarity != MonsterRarity::Normal) {
        if (const DatabaseEntry* mark =
                findEntry("EnhancementRarity" + getMonsterRarityName(static_cast<int>(rarity)))) {
            actor->addStatusEffect(mark, nullptr, level);
        }
    }
    const int actorLevel = actor->getStat(static_cast<int>(CharacterStat::Level));
    int added = 0;
    for (int attempt = 0; attempt < 2 * wanted && added < wanted; ++attempt) {
        if (const DatabaseEntry* enhancement = pickEnhancement(actor, rarity, actorLevel)) {
            actor->addStatusEffect(enhancement, nullptr, actorLevel);
            ++added;
        }
    }
    actor->updateStats(true);
    return actor;
}

Actor* SpawnSystem::spawnMonster(int levelIndex, MonsterRarity minRarity, int level) const
{
    const GameData* data = GameData::instance();
    const int count = data ? data->countMonsterTypesAtLevel(level) : 0;
    if (count <= 0) {
        return nullptr;
    }
    const MonsterType* type = data->getMonsterTypeAtLevel(level, randomInt(count));
    if (!type) {
        return nullptr;
    }
    return spawnMonster(type, levelIndex, rollRarity(minRarity, type, levelIndex), level);
}

Actor* SpawnSystem::createMonster(const MonsterType* type, int levelIndex, int level) const
{
    if (!type) {
        return nullptr;
    }
    MonsterRarity rarity = MonsterRarity::Normal;
    if (type->unique) {
        rarity = MonsterRarity::Unique;
    } else if (type->legend) {
        rarity = MonsterRarity::Legend;
    } else {
        rarity = rollRarity(MonsterRarity::Normal, type, levelIndex);
    }
    return spawnMonster(type, levelIndex, rarity, level);
}

Actor* SpawnSystem::createRecruitActor(int number, int level) const
{
    // Recruit numbers 8 … 11 name the four recruit types; any other reads
    // no slot at all.
    const GameData* data = GameData::instance();
    const int slot = number - 8;
    if (!data || slot < 0 || slot >= static_cast<int>(data->rules().recruitMonsterTypes.size())) {
        return nullptr;
    }
    const MonsterType* type =
        data->findMonsterType(data->rules().recruitMonsterTypes[static_cast<size_t>(slot)]);
    if (!type) {
        return nullptr;
    }
    auto* actor = new Actor();
    actor->initFromMonsterType(type, level);
    actor->updateStats(true);
    return actor;
}

Actor* SpawnSystem::spawnPotentialRecruit(int levelIndex, int level) const
{
    (void)levelIndex;
    const GameData* data = GameData::instance();
    if (!data) {
        return nullptr;
    }
    const auto& names = data->rules().recruitMonsterTypes;
    const int k = std::min(static_cast<int>(randomFloat(0) * 4.0f), 3);
    const MonsterType* type = data->findMonsterType(names[static_cast<size_t>(k)]);
    if (!type) {
        return nullptr;
    }
    MonsterRarity rarity = type->unique   ? MonsterRarity::Unique
                           : type->legend ? MonsterRarity::Legend
                                          : rollRarity(MonsterRarity::Normal, type, 0);
    Actor* actor = spawnMonster(type, levelIndex, rarity, level);
    if (actor) {
        if (const DatabaseEntry* recruit = findEntry("EnhancementRecruitBasic")) {
            actor->addStatusEffect(recruit, nullptr, level);
        }
    }
    return actor;
}

bool SpawnSystem::canPlaceMonster(const Actor* actor, const ZonePosition& position) const
{
    const GameData* data = GameData::instance();
    const Game* game = Game::instance();
    const MonsterType* type = actor ? actor->getMonsterType() : nullptr;
    if (!type || !type->archetype || !data || !game) {
        return true;
    }
    const float spacing = type->archetype->spacing;
    if (spacing < data->rules().monsterSpacing) {
        return true;
    }
    std::vector<Entity*> near;
    game->getEntitiesInRange(false, position, actor, spacing, EntityQueryMask::kAnyButSelf, near);
    for (const Entity* e : near) {
        const auto* other = dynamic_cast<const Actor*>(e);
        if (other && other != actor && other->getMonsterType() == type) {
            return false;
        }
    }
    return true;
}

bool SpawnSystem::placeMonster(Actor* actor, const ZonePosition& position, const MonsterType* previous) const
{
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!actor || !game) {
        return false;
    }
    ZonePosition spot;
    const int rings = data ? data->rules().freeSpotRingLimit : 0;
    // A level not built yet has no ground to test: when allowed, the monster
    // stands where it was put and finds free ground when the level is built.
    const World* world = World::instance();
    if (m_placeInUnbuiltLevels && world && position.zone >= 0 && world->getLevel(position.zone) &&
        !world->isLevelLoaded(position.zone)) {
        spot = position;
        actor->relocated = true;
    } else if (!game->findFreeSpotNear(position, rings, spot, actor, false)) {
        return false;
    }
    actor->setPosition(spot);
    actor->setSecondaryPosition(spot);
    if (game->addEntity(actor) < 0) {
        return false;
    }
    if (game->hooks().monsterSpawned) {
        game->hooks().monsterSpawned(actor, previous);
    }
    // The rarity's look: a model at the monster's origin.
    if (!actor->isNpc()) {
        const std::string& effect = getMonsterDrops(actor->getEnhancementRarity()).effectModel;
        if (!effect.empty()) {
            Entity::createEntity(nullptr, effect, actor, "origin", 1.0f);
        }
    }
    return true;
}

Actor* SpawnSystem::spawnMonsterAt(int level, const MonsterType* type, const ZonePosition& position,
                                   int levelIndex) const
{
    if (!type) {
        return nullptr;
    }
    if (level == -1) {
        level = type->getMinLevel();
    }
    Actor* actor = createMonster(type, levelIndex, level);
    if (actor && !placeMonster(actor, position, nullptr)) {
        delete actor;
        return nullptr;
    }
    return actor;
}

const MonsterType* SpawnSystem::pickGuardType(int level) const
{
    const GameData* data = GameData::instance();
    if (!data)
        return nullptr;
    std::vector<MonsterType*> types;
    data->collectMonsterTypes(MonsterType::kGuardCapable, level, level, types);
    types.erase(std::remove_if(types.begin(), types.end(),
                               [](const MonsterType* t) { return t->unique || t->legend; }),
                types.end());
    if (types.empty())
        return nullptr;
    const int n = static_cast<int>(types.size());
    return types[static_cast<size_t>(
        std::min(static_cast<int>(randomFloat(0) * static_cast<float>(n)), n - 1))];
}
