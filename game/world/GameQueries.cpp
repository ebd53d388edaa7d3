#include "game/world/Game.h"

#include "engine/core/Direction.h"
#include "engine/core/ZoneTopology.h"
#include "engine/object/Event.h"
#include "engine/object/EventSystem.h"
#include "game/entities/Chest.h"
#include "game/entities/Entity.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Projectile.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/FactionSystem.h"
#include "game/world/World.h"

#include <algorithm>

namespace {

// Entity radii are at most this much when a query counts them.
constexpr float kEntityRadiusAllowance = 64.0f;
// Two dropped items lie at least this far apart.
constexpr float kItemSpacing = 0.05f;

bool inTable(int number)
{
    return number >= 0 && number < Game::kMaxEntities;
}

} // namespace

// ---- Index upkeep ----------------------------------------------------------------

void Game::insertIntoSpatialIndex(const Entity* entity)
{
    int number = entity->getEntityNumber();
    if (!inTable(number)) {
        return;
    }
    removeFromSpatialIndex(number);
    const ZonePosition& position = entity->getPosition();
    if (position.zone < 0 || position.zone >= static_cast<int>(m_levels.size()) ||
        !m_levels[position.zone].index) {
        return;
    }
    m_levels[position.zone].index->insertEntity(number, position.x, position.y);
    m_indexed[number] = IndexedPoint{position.zone, position.x, position.y};
}

void Game::removeFromSpatialIndex(int number)
{
    IndexedPoint& stored = m_indexed[number];
    if (stored.level >= 0 && stored.level < static_cast<int>(m_levels.size()) &&
        m_levels[stored.level].index) {
        m_levels[stored.level].index->removeEntity(number, stored.x, stored.y);
    }
    stored = IndexedPoint();
}

void Game::moveEntityInSpatialIndex(const Entity* entity, const ZonePosition& position)
{
    // Only the table's own entity is indexed: one placed before it is added
    // gets its item from addEntity.
    int number = entity ? entity->getEntityNumber() : -1;
    if (!inTable(number) || m_entities[number].entity != entity) {
        return;
    }
    IndexedPoint& stored = m_indexed[number];
    bool hasRecord = position.zone >= 0 && position.zone < static_cast<int>(m_levels.size()) &&
                     m_levels[position.zone].index;
    if (hasRecord && stored.level == position.zone) {
        m_levels[position.zone].index->moveEntity(number, stored.x, stored.y, position.x, position.y);
        stored.x = position.x;
        stored.y = position.y;
        return;
    }
    removeFromSpatialIndex(number);
    if (hasRecord) {
        m_levels[position.zone].index->insertEntity(number, position.x, position.y);
        stored = IndexedPoint{position.zone, position.x, position.y};
    }
}

const LevelIndex* Game::getLevelIndex(int zone) const
{
    if (zone < 0 || zone >= static_cast<int>(m_levels.size())) {
        return nullptr;
    }
    return m_levels[zone].index.get();
}

// ---- Queries -----------------------------------------------------------------------

void Game::querySpatialIndex(const ZonePosition& centre, float radius, bool addEntityRadius,
                             std::vector<int>& out) const
{
    if (!getLevelIndex(centre.zone)) {
        return;
    }
    if (addEntityRadius) {
        radius += kEntityRadiusAllowance;
    }
    const ZoneTopology& topology = ZoneTopology::current();
    // A small world may name one level as several neighbours: each is asked once.
    std::array<int, 9> visited{};
    int visitedCount = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int zone = (dx == 0 && dy == 0) ? centre.zone : topology.neighbour(centre.zone, dx, dy);
            const LevelIndex* index = getLevelIndex(zone);
            if (!index || std::find(visited.begin(), visited.begin() + visitedCount, zone) !=
                              visited.begin() + visitedCount) {
                continue;
            }
            visited[visitedCount++] = zone;
            index->query(centre, radius, out);
        }
    }
}

void Game::queryEntitiesInRadius(const ZonePosition& centre, float radius, bool subtractRadius,
                                 std::vector<Entity*>& out) const
{
    thread_local std::vector<int> candidates;
    candidates.clear();
    querySpatialIndex(centre, radius, subtractRadius, candidates);
    for (int number : candidates) {
        Entity* entity = getEntity(number);
        if (!entity) {
            continue;
        }
        float distance = ZonePosition::distanceTo(entity->getPosition(), centre);
        if (subtractRadius) {
            distance -= entity->getRadius();
        }
        if (distance <= radius) {
            out.push_back(entity);
        }
    }
}

namespace {

bool matchesMask(const Game& game, const Entity* self, const Entity* e, uint32_t mask)
{
    using namespace EntityQueryMask;
    if ((mask & kNotSelf) && e == self) {
        return false;
    }
    if ((mask & kNotDead) && (e->getMaxHealth() < 1 || e->getHealth() < 1)) {
        return false;
    }
    if ((mask & kNotFriendly) && self && self->isFriendlyTo(e)) {
        return false;
    }
    if ((mask & kNotInCovenant) && game.getCovenant(e->getCovenantIndex())) {
        return false;
    }
    if (mask & kAny) {
        return true;
    }
    if ((mask & kFriendly) && self && self->isFriendlyTo(e)) {
        return true;
    }
    if ((mask & kHostile) && self && self->isHostileTo(e)) {
        return true;
    }
    if ((mask & (kAttitudeLike | kAttitudeNeutral)) && self) {
        // e's attitude toward self; neutral without a faction system.
        const FactionSystem* factions = FactionSystem::instance();
        int attitude = factions ? factions->getRelation(e, self) : FactionSystem::kNeutral;
        if (((mask & kAttitudeLike) && attitude >= FactionSystem::kLike) ||
            ((mask & kAttitudeNeutral) && attitude >= FactionSystem::kNeutral)) {
            return true;
        }
    }
    if ((mask & kDeadBody) && e->getMaxHealth() >= 1 && e->getHealth() <= 0) {
        return true;
    }
    if ((mask & kProjectile) && dynamic_cast<const Projectile*>(e)) {
        return true;
    }
    return false;
}

} // namespace

void Game::getEntitiesInRange(bool addRadius, const ZonePosition& centre, const Entity* self, float radius,
                              uint32_t mask, std::vector<Entity*>& out) const
{
    if (addRadius && self) {
        radius += self->getRadius();
    }
    thread_local std::vector<Entity*> found;
    found.clear();
    queryEntitiesInRadius(centre, radius, addRadius, found);
    for (Entity* entity : found) {
        if (matchesMask(*this, self, entity, mask)) {
            out.push_back(entity);
        }
    }
}

Entity* Game::findNearestEntityInRange(const Entity* self, float radius) const
{
    if (!self) {
        return nullptr;
    }
    std::vector<Entity*> found;
    getEntitiesInRange(false, self->getPosition(), self, radius, EntityQueryMask::kFreeDeadBodies, found);
    Entity* nearest = nullptr;
    float best = 0.0f;
    for (Entity* entity : found) {
        float distance = ZonePosition::distanceTo(entity->getPosition(), self->getPosition());
        if (!nearest || distance < best) {
            nearest = entity;
            best = distance;
        }
    }
    return nearest;
}

bool Game::isPlaceFree(const ZonePosition& position, const Entity* entity, uint32_t blockingMask) const
{
    if (!entity || position.zone < 0) {
        return false;
    }
    if (entity->hasFlag(EntityBase::kFlagNoCollision)) {
        return true;
    }
    // The whole body must clear the walls, not only its centre.
    if (World* world = World::instance(); world && world->isCircleBlocked(position, entity->getRadius())) {
        return false;
    }
    if (blockingMask == 0) {
        blockingMask = 1;
    }
    // Bodies that touch or overlap: the two radii, each counted once (the
    // same room the path finder's clearance keeps).
    // Kept between calls: a search for free ground asks many places.
    thread_local std::vector<Entity*> near;
    near.clear();
    getEntitiesInRange(true, position, entity, 0.0f, EntityQueryMask::kAnyButSelf, near);
    for (const Entity* other : near) {
        int solidType = other->getSolidType();
        if (other->isSolid() && solidType >= 0 && solidType < 32 && (blockingMask & (1u << solidType))) {
            return false;
        }
    }
    return true;
}

bool Game::isItemSpotFree(const ZonePosition& position) const
{
    // No item drops onto another item or into a chest.
    if (position.zone < 0) {
        return false;
    }
    if (World* world = World::instance(); world && world->isBlockedForMovement(position)) {
        return false;
    }
    thread_local std::vector<Entity*> near;
    near.clear();
    queryEntitiesInRadius(position, kItemSpacing, false, near);
    for (const Entity* entity : near) {
        if (dynamic_cast<const ItemGround*>(entity) || dynamic_cast<const Chest*>(entity)) {
            return false;
        }
    }
    return true;
}

bool Game::findFreeSpotOnRing(const ZonePosition& centre, int ring, ZonePosition& out, const Entity* entity,
                              bool itemSpot, bool allowOtherZone, uint32_t blockingMask) const
{
    if (ring < 0) {
        return false;
    }
    Vec2 across = directionToVector2Scaled(South);
    Vec2 along = directionToVector2Scaled(East);
    for (int i = -ring; i <= ring; ++i) {
        for (int j = -ring; j <= ring; ++j) {
            if (i != -ring && i != ring && j != -ring && j != ring) {
                continue;
            }
            float fi = static_cast<float>(i);
            float fj = static_cast<float>(j);
            ZonePosition candidate =
                centre.offset(Vec2(fi * across.x + fj * along.x, fi * across.y + fj * along.y));
            if (candidate.zone < 0 || (!allowOtherZone && candidate.zone != centre.zone)) {
                continue;
            }
            if (itemSpot ? isItemSpotFree(candidate) : isPlaceFree(candidate, entity, blockingMask)) {
                out = candidate;
                return true;
            }
        }
    }
    return false;
}

bool Game::findFreeSpotNear(const ZonePosition& centre, int maxRing, ZonePosition& out, const Entity* entity,
                            bool fallBackToCentre, uint32_t blockingMask, bool itemSpot) const
{
    for (int ring = 0; ring <= maxRing; ++ring) {
        if (findFreeSpotOnRing(centre, ring, out, entity, itemSpot, false, blockingMask)) {
            return true;
        }
    }
    if (fallBackToCentre) {
        out = centre;
        return true;
    }
    return false;
}

// ---- Event fan-out -------------------------------------------------------------------

void Game::sendEventToEntitiesInRange(Entity* centreEntity, Event* event, float radius, uint32_t mask)
{
    if (!event) {
        return;
    }
    if (centreEntity) {
        std::vector<Entity*> found;
        getEntitiesInRange(false, centreEntity->getPosition(), centreEntity, radius, mask, found);
        // A handler may delete entities further down the list.
        std::vector<SafePtr<Entity>> targets(found.begin(), found.end());
        for (const SafePtr<Entity>& target : targets) {
            if (Entity* entity = target.get()) {
                event->setHandled(0);
                deliverEvent(*event, *entity);
            }
        }
    }
    if (EventSystem* events = EventSystem::instance()) {
        events->releaseEvent(event);
    }
}

void Game::emitHeardSound(Entity* source, Entity* object, float radius)
{
    EventSystem* events = EventSystem::instance();
    if (!events) {
        return;
    }
    const EventType* type = events->createEvent("HeardSound");
    Event* event = events->allocEvent();
    event->clear();
    event->setType(*type);
    event->setKeep(false);
    event->writeObject(object);
    sendEventToEntitiesInRange(source, event, radius, EntityQueryMask::kLivingButSelf);
}
