#include "game/ai/BehaviorSpawner.h"

#include "engine/core/Direction.h"
#include "engine/data/Database.h"
#include "game/ai/BehaviorTeleport.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"

BehaviorSpawner::BehaviorSpawner()
{
    addTimer(spawnTimer);
}

int BehaviorSpawner::getType() const
{
    return static_cast<int>(ActorBehavior::Spawner);
}

void BehaviorSpawner::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorSpawner>(prototype)) {
        maxRange = other->maxRange;
        spawnType = other->spawnType;
        spawnTimer.min = other->spawnTimer.min;
        spawnTimer.max = other->spawnTimer.max;
    }
}

void BehaviorSpawner::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    maxRange = db.getFloat(entry, "MaxRange");
    const float time = db.getFloat(entry, "SpawnTime");
    spawnTimer.min = time;
    spawnTimer.max = 1.1f * time;
    // The entry names a monster type, not a bare "Actor" entry: every actor
    // of ours is built from a monster type (level, stats, skills, behaviour
    // stack), and one loaded from an entry of its own alone would stand
    // there without any of them. So the spawn goes through the spawn system.
    const GameData* data = GameData::instance();
    spawnType = data ? data->findMonsterType(db.getString(entry, "SpawnEntity")) : nullptr;
}

bool BehaviorSpawner::canStart()
{
    return enemyNearerThan(m_owner, spawnTimer, maxRange);
}

void BehaviorSpawner::start()
{
    Game* game = Game::instance();
    const SpawnSystem* spawns = SpawnSystem::instance();
    const ZonePosition at = m_owner->getPosition();
    Actor* spawned = spawnType && spawns && game
                         ? spawns->spawnMonster(spawnType, at.zone, MonsterRarity::Normal,
                                                m_owner->getStat(toIndex(CharacterStat::Level)))
                         : nullptr;
    if (spawned) {
        bool placed = false;
        for (int d = 0; d < kDirectionCount && !placed; ++d) {
            const Vec2 step = directionToVector2Scaled(d);
            ZonePosition spot(at.zone, at.x + step.x, at.y + step.y);
            spot.normalize();
            if (!game->isPlaceFree(spot, spawned))
                continue;
            spawned->setPosition(spot);
            spawned->setSecondaryPosition(spot);
            placed = game->addEntity(spawned) >= 0;
        }
        // Walled in, or a full table: the new monster goes again.
        if (!placed)
            delete spawned;
    }
    spawnTimer.startRandom();
}
