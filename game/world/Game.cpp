#include "game/world/Game.h"

#include "game/world/World.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/ServerLink.h"
#include "game/world/Weather.h"
#include "game/world/WorldNavigation.h"
#include "game/world/WorldPathNavigation.h"

#include <algorithm>

Game::Game()
    : m_entities(kMaxEntities), m_indexed(kMaxEntities),
      m_worldNavigation(std::make_unique<WorldPathNavigation>()), m_navigation(m_worldNavigation.get()),
      m_weather(std::make_unique<Weather>())
{
    s_instance = this;
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_aiNumActive = vars->getVar("ai_numActive", "0", 1);
        m_aiCovenants = vars->getVar("ai_covenants", "1", 1);
    }
    setServerGameBase(this);
    loadSettings();
    m_covenantPositionsAtLoad = m_settings.covenantPositions;
    clear();
    installQuestHooks();
    // The levels the World builds and drops become active and inactive here.
    if (World* world = World::instance()) {
        m_levelListeners[0] =
            world->addLevelListener(World::kFirstBuilt, [this](int level) { onLevelActivated(level); });
        m_levelListeners[1] =
            world->addLevelListener(World::kFirstReleased, [this](int level) { onLevelReleased(level); });
    }
}

Game::~Game()
{
    if (World* world = World::instance()) {
        for (int id : m_levelListeners) {
            world->removeLevelListener(id);
        }
    }
    clear();
    if (getServerGameBase() == this) {
        setServerGameBase(nullptr);
    }
    if (s_instance == this) {
        s_instance = nullptr;
    }
}

void Game::clear()
{
    clearQuests();
    m_dynamicChats.clear();
    m_clock.clear();
    m_worldGenerated = false;
    if (World* world = World::instance()) {
        world->setBuildsWaitForFiles(false);
    }
    m_startLevel = -1;
    m_aiCovenantCount = 0;
    m_secretLevelCursor = -1;
    m_soundEvents.clear();
    m_activeLevels.clear();
    clearEvents();
    m_levels.clear();
    m_levelFlags1.clear();
    m_levelFlags2.clear();
    // A parent's destructor removes its children, so each slot is read afresh.
    for (int i = 0; i < kMaxEntities; ++i) {
        Entity* entity = m_entities[i].entity;
        if (entity) {
            removeEntity(entity);
            delete entity;
        }
    }
    for (EntitySlot& slot : m_entities) {
        slot = EntitySlot();
    }
    for (IndexedPoint& point : m_indexed) {
        point = IndexedPoint();
    }
    m_players.clear();
    m_townNpcs.clear();
    m_tutor = nullptr;
    // After the entities: no covenant hears of a deletion in a cleared Game.
    m_covenants.clear();
    m_parked = ParkedRelations();
    m_weather->clear();
    // Each world draws from every start position again, in the order read.
    m_settings.covenantPositions = m_covenantPositionsAtLoad;
    m_settings.covenantPositionCount = static_cast<int>(m_covenantPositionsAtLoad.size());
    // The quest timers start again with the next world's first quest update,
    // so a world plays the same whether or not another ran before it.
    for (Timer* timer :
         {&m_settings.newQuestTimer, &m_settings.newEventTimer, &m_settings.deleteOldQuestsTimer}) {
        timer->running = false;
        timer->duration = 0.0f;
        timer->remaining = 0.0f;
    }
    m_playerDiplomacy = false;
    m_lastStep = 0.0f;
    m_countdowns = {};
    m_timeOfDay = 0.0;
    m_leftTown = false;
    m_worldEnded = false;
    m_alliedVictoryOffered = false;
}

// ---- Entity table ------------------------------------------------------------

bool Game::isCovenantAiOn() const
{
    return !m_aiCovenants.isValid() || m_aiCovenants.getBool();
}

int Game::addEntity(Entity* entity)
{
    if (!entity) {
        return -1;
    }
    int taken = -1;
    int oldest = -1;
    double oldestAge = -1.0;
    for (int i = 0; i < kMaxEntities; ++i) {
        if (m_entities[i].entity) {
            continue;
        }
        double age = (m_clock - m_entities[i].freedAt).toSeconds();
        if (age >= 1.0) {
            taken = i;
            break;
        }
        if (age > oldestAge) {
            oldestAge = age;
            oldest = i;
        }
    }
    if (taken < 0) {
        taken = oldest;
    }
    if (taken < 0) {
        return -1;
    }
    m_entities[taken].entity = entity;
    if (auto* player = dynamic_cast<Player*>(entity)) {
        auto free = std::find(m_players.begin(), m_players.end(), nullptr);
        if (free != m_players.end()) {
            *free = player;
        } else {
            m_players.push_back(player);
        }
    }
    entity->setEntityNumber(taken);
    insertIntoSpatialIndex(entity);
    entity->addedToWorld();
    return taken;
}

void Game::removeEntity(Entity* entity)
{
    if (!entity) {
        return;
    }
    if (auto* player = dynamic_cast<Player*>(entity)) {
        std::replace(m_players.begin(), m_players.end(), player, static_cast<Player*>(nullptr));
    }
    int number = entity->getEntityNumber();
    if (number >= 0 && number < kMaxEntities && m_entities[number].entity == entity) {
        removeFromSpatialIndex(number);
        m_entities[number].entity = nullptr;
        m_entities[number].freedAt = m_clock;
    }
    cancelEventsFor(entity);
}

void Game::deleteEntity(Entity* entity, bool immediate)
{
    if (!entity) {
        return;
    }
    if (immediate) {
        removeEntity(entity);
        delete entity;
        return;
    }
    entity->scheduleDelete(0.0f);
}

Entity* Game::getEntity(int number) const
{
    if (number < 0 || number >= kMaxEntities) {
        return nullptr;
    }
    return m_entities[number].entity;
}

int Game::getEntityCount() const
{
    int count = 0;
    for (const EntitySlot& slot : m_entities) {
        count += slot.entity ? 1 : 0;
    }
    return count;
}

Entity* Game::spawnEntity(const std::string& entryName, const ZonePosition& position, float lifetime)
{
    const Database* database = Database::instance();
    const DatabaseEntry* entry = database ? database->findEntry(entryName) : nullptr;
    if (!entry) {
        debugPrint(2, "spawnEntity: no database entry %s\n", entryName.c_str());
        return nullptr;
    }
    Entity* entity = Entity::createEntity(entry, "", nullptr, "", 1.0f);
    if (!entity) {
        return nullptr;
    }
    entity->setPosition(position);
    entity->createAttachments("Attachment");
    if (lifetime > 0.0f) {
        entity->scheduleDelete(lifetime);
    }
    return entity;
}

Covenant* Game::getCovenant(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_covenants.size())) {
        return nullptr;
    }
    return m_covenants[index].get();
}

// ---- Navigation ----------------------------------------------------------------

void Game::setNavigation(WorldNavigation* navigation)
{
    m_navigation = navigation ? navigation : m_worldNavigation.get();
}

bool Game::findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                    GridPath& out) const
{
    if (!m_navigation) {
        out.clear();
        return false;
    }
    return m_navigation->findPath(mover, from, to, goal, out);
}

bool Game::isLevelLoaded(int level) const
{
    return m_navigation && m_navigation->isLevelLoaded(level);
}

bool Game::isBlockedForMovement(const ZonePosition& position) const
{
    return !m_navigation || m_navigation->isBlockedForMovement(position);
}

bool Game::isBlockedForSight(const ZonePosition& position) const
{
    return !m_navigation || m_navigation->isBlockedForSight(position);
}

// ---- Sounds ------------------------------------------------------------------

Player* Game::getFirstPlayer() const
{
    for (Player* player : m_players) {
        if (player) {
            return player;
        }
    }
    return nullptr;
}

Player* Game::findNearestPlayer(const ZonePosition& position) const
{
    Player* nearest = nullptr;
    float best = 0.0f;
    for (Player* player : m_players) {
        if (!player) {
            continue;
        }
        float d = ZonePosition::distanceTo(player->getPosition(), position);
        if (!nearest || d < best) {
            nearest = player;
            best = d;
        }
    }
    return nearest;
}

void Game::playSoundAtPlayer(const std::string& fileName, float radius, float parameter)
{
    if (Player* player = getFirstPlayer()) {
        playSound(fileName, player->getPosition(), player->getEntityNumber(), radius, parameter);
    }
}

void Game::playSound(const std::string& fileName, const ZonePosition& position, int entityNumber,
                     float radius, float parameter)
{
    // A headless server has no sound type: it names the sound and loads nothing.
    ResourceSystem* resources = ResourceSystem::instance();
    bool hold = resources && resources->hasType(ResourceSystem::extensionOf(fileName));
    uint32_t index = ServerLink::registerResourceName(fileName, hold);
    SoundEvent sound;
    sound.nameIndex = static_cast<int32_t>(index);
    sound.entityNumber = entityNumber;
    sound.position = position;
    sound.parameter = parameter;
    sound.radius = radius;
    m_soundEvents.push_back(sound);
}
