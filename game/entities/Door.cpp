#include "game/entities/Door.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/resources/ModelAnimation.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Sentient.h"
#include "game/entities/Trap.h"
#include "game/world/Game.h"
#include "game/world/LevelTable.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>

namespace {

// The trap's longest delay when the door has no "opening" length.
constexpr float kDefaultOpenTime = 0.5f;

} // namespace

Door::Door() = default;

Door::~Door() = default;

void Door::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = getEntry();
    if (!db || !entry) {
        return;
    }
    m_doubleWide = db->getInt(entry, "DoubleWide") != 0;
    m_trapChance = db->getFloat(entry, "TrapChance");
}

int Door::getStat(int index) const
{
    if (index != 10) {
        return 0;
    }
    const World* world = World::instance();
    const int depth = world ? world->getLevelMonsterLevel(m_position.zone) : 0;
    return depth > 0 ? depth : 1;
}

bool Door::isHostileTo(const Entity* other) const
{
    return other != this && dynamic_cast<const Sentient*>(other) != nullptr;
}

void Door::setSolidBoth(bool solid)
{
    m_solid = solid;
    if (Door* twin = m_twin.get()) {
        twin->m_solid = solid;
    }
}

void Door::onPlaced()
{
    if (!m_primary) {
        return;
    }
    Game* game = Game::instance();
    if (m_doubleWide && game && !m_twin) {
        auto* leaf = new Door();
        leaf->m_primary = false;
        leaf->setEntry(getEntry(), getEntryName());
        leaf->loadFromDatabase();
        leaf->m_direction = m_direction;
        const float grid = worldRules().gridSize;
        ZonePosition at = m_position;
        if (m_direction == North || m_direction == South) {
            at.x += grid;
        } else {
            at.y += grid;
        }
        at.normalize();
        leaf->setPosition(at);
        leaf->setSecondaryPosition(at);
        if (game->addEntity(leaf) < 0) {
            delete leaf;
        } else {
            leaf->m_twin = this;
            m_twin = leaf;
            leaf->m_solid = m_solid;
            setParent(leaf->getEntityNumber(), -1);
        }
    }
    // A closed door blocks; one placed where someone already stands starts
    // open, as it would stay open when closed on them.
    if (game && m_state == Closed) {
        setSolidBoth(false); // the leaves do not block each other
        const Door* twin = m_twin.get();
        const bool taken =
            !game->isPlaceFree(m_position, this) || (twin && !game->isPlaceFree(twin->getPosition(), twin));
        if (taken) {
            m_state = Open;
        }
        setSolidBoth(!taken);
    }
    if (randomFloat(0) < m_trapChance) {
        const SpawnSystem* spawns = SpawnSystem::instance();
        const LevelEntry* row =
            spawns ? spawns->getLevelEntry(SpawnSystem::Traps, std::clamp(getStat(10), 1, 105)) : nullptr;
        if (row && row->entry) {
            m_trap = std::make_unique<Trap>();
            m_trap->setOwner(this);
            m_trap->loadFrom(row->entry);
        }
    }
}

void Door::use(Entity* user)
{
    if (!m_primary) {
        if (Door* primary = m_twin.get()) {
            primary->use(user);
        }
        return;
    }
    if (m_state == Closed) {
        playAnimation("opening", 5, 0, true);
        m_state = Opening;
        setSolidBoth(true);
        if (m_trap) {
            const ModelAnimation* opening = getAnimationByName("opening");
            const float length = opening ? opening->getDuration() : 0.0f;
            m_trap->tryTrigger(user, length > 0.0f ? length : kDefaultOpenTime);
        }
        return;
    }
    if (m_state == Open) {
        Game* game = Game::instance();
        if (!game || !game->isPlaceFree(m_position, this)) {
            return;
        }
        if (const Door* twin = m_twin.get(); twin && !game->isPlaceFree(twin->getPosition(), twin)) {
            return;
        }
        playAnimation("closing", 5, 0, true);
        m_state = Closing;
        setSolidBoth(true);
    }
}

void Door::update(float dt)
{
    Entity::update(dt);
    switch (m_state) {
    case Closed:
        playAnimation("closed", 2, 1, false);
        break;
    case Open:
        playAnimation("open", 2, 1, false);
        break;
    case Opening:
        if (playAnimation("open", 2, 1, false)) {
            m_state = Open;
            setSolidBoth(false);
        }
        break;
    case Closing:
        if (playAnimation("closed", 2, 1, false)) {
            m_state = Closed;
            setSolidBoth(true);
        }
        break;
    default:
        break;
    }
}
