#include "game/entities/TrapGround.h"
#include "engine/data/Database.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/entities/Trap.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"

#include <vector>

TrapGround::TrapGround()
{
    m_level = 1;
    m_solid = false;
    m_timers.add(&m_thinkTimer);
    m_thinkTimer.listed = true;
}

TrapGround::~TrapGround() = default;

void TrapGround::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = getEntry();
    if (!db || !entry) {
        return;
    }
    m_maxTouchTime = db->getFloat(entry, "MaxTouchTime");
    m_triggerDistance = db->getFloat(entry, "TriggerDistance");
    const float think = db->getFloat(entry, "ThinkTime");
    m_thinkTimer.min = 0.9f * think;
    m_thinkTimer.max = 1.1f * think;
}

void TrapGround::onPlaced()
{
    // The entry that made the ground trap carries the trap keys too.
    m_trap = std::make_unique<Trap>();
    m_trap->setOwner(this);
    m_trap->setOnGround(true);
    m_trap->loadFrom(getEntry());
}

bool TrapGround::isHostileTo(const Entity* other) const
{
    return other != this && dynamic_cast<const Sentient*>(other) != nullptr;
}

void TrapGround::trigger(Entity* victim)
{
    const bool setOff = m_trap && m_trap->tryTrigger(victim, m_maxTouchTime);
    // A town trap a quest waits for keeps watching until an attempt sets it
    // off; a trap in a level has the one attempt.
    if (setOff || !m_townTrap) {
        m_triggered = true;
    }
}

void TrapGround::update(float dt)
{
    Entity::update(dt);
    if (m_removing) {
        return;
    }
    if (!m_trap || m_trap->isSpent()) {
        // Once, before the delete: a town traps quest counts the trap as cleared.
        m_removing = true;
        if (m_townTrap) {
            if (Game* game = Game::instance()) {
                game->onTownTrapRemoved(this);
            }
        }
        scheduleDelete(0.0f);
        return;
    }
    if (!m_triggered && (!m_thinkTimer.running || m_thinkTimer.isExpired())) {
        m_thinkTimer.startRandom();
        watch();
    }
}

void TrapGround::watch()
{
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    if (m_hitsAnyone) {
        std::vector<Entity*> found;
        game->queryEntitiesInRadius(m_position, m_triggerDistance, false, found);
        for (Entity* entity : found) {
            if (entity != this && entity->isAlive() && dynamic_cast<Sentient*>(entity)) {
                trigger(entity);
                return;
            }
        }
        return;
    }
    Player* player = game->findNearestPlayer(m_position);
    if (player && distanceToEntity(player, false) < m_triggerDistance) {
        trigger(player);
    }
}
