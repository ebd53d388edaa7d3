#include "game/definitions/WorldRules.h"
#include "game/world/Game.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/world/FactionSystem.h"
#include "game/world/Weather.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

void Game::update(float dt)
{
    m_lastStep = dt;
    for (GameCountdown& countdown : m_countdowns) {
        if (countdown.active) {
            countdown.left = std::max(0.0f, countdown.left - dt);
        }
    }
    updateEvents(dt);
    flushDeletedQuests();
    // The world counts as left once a player stands outside the town.
    if (!m_leftTown) {
        for (const Player* player : m_players) {
            if (player && player->getPosition().zone != 0 && player->getPosition().zone != -1) {
                m_leftTown = true;
                break;
            }
        }
    }
    updatePopulation();
    runRespawnQueues(dt);
    stepEntities(dt);
    // A covenant added during the step (none today) waits for the next one.
    for (size_t i = 0; i < m_covenants.size(); ++i) {
        if (m_covenants[i])
            m_covenants[i]->update(dt);
    }
    updateQuests(dt);
    updateDynamicChats(dt);
    updateWeatherChat(dt);
    const GameRules& rules = worldRules();
    // Upkeep: the covenants pay when the timer has run out.
    GameCountdown& upkeep = m_countdowns[kUpkeepCountdown];
    if (!upkeep.active || upkeep.left <= 0.0f) {
        for (size_t i = 0; i < m_covenants.size(); ++i) {
            if (m_covenants[i])
                m_covenants[i]->payUpkeep();
        }
        upkeep.active = true;
        upkeep.left = rules.upkeepInterval;
        upkeep.reset = rules.upkeepInterval;
    }

    m_clock.addSeconds(dt);
    checkWorldEnd();

    // fmod keeps any rate inside [0, 24).
    m_timeOfDay = std::fmod(m_timeOfDay + static_cast<double>(rules.timeOfDayRate) * dt / 3600.0, 24.0);
    if (m_timeOfDay < 0.0) {
        m_timeOfDay += 24.0;
    }
    printActiveActors();
}

int Game::printActiveActors() const
{
    if (!m_aiNumActive.isValid() || !m_aiNumActive.getBool()) {
        return -1;
    }
    int count = 0;
    for (const EntitySlot& slot : m_entities) {
        const auto* actor = dynamic_cast<const Actor*>(slot.entity);
        if (actor && actor->isActiveNow()) {
            ++count;
        }
    }
    debugPrintRaw("Active actors = %d\n", count);
    return count;
}

void Game::stepEntities(float dt)
{
    // Each slot is read afresh: an entity made or destroyed by another one's
    // update is seen, or skipped, once.
    for (int i = 0; i < kMaxEntities; ++i) {
        Entity* entity = m_entities[i].entity;
        if (entity && entity->isActive()) {
            entity->update(dt);
        }
    }
}

void Game::resizeForWorld(int levelCount)
{
    levelCount = std::max(0, levelCount);
    const GameRules& rules = worldRules();
    m_levels.clear();
    m_levels.resize(static_cast<size_t>(levelCount));
    for (int i = 0; i < levelCount; ++i) {
        m_levels[i].index = std::make_unique<LevelIndex>(i, rules.levelWidth, rules.levelHeight);
    }
    // Entities already in the table follow into the new records.
    for (int i = 0; i < kMaxEntities; ++i) {
        m_indexed[i] = IndexedPoint();
        if (m_entities[i].entity) {
            insertIntoSpatialIndex(m_entities[i].entity);
        }
    }
    // The steps draw from the shared streams: from here on a level is built
    // at the first pass after its request, not when the loader is done.
    if (World* world = World::instance()) {
        world->setBuildsWaitForFiles(levelCount > 0);
    }
    m_levelFlags1.assign(static_cast<size_t>(levelCount), false);
    m_levelFlags2.assign(static_cast<size_t>(levelCount), false);
    if (FactionSystem* factions = FactionSystem::instance()) {
        factions->clear();
        factions->loadFactions();
    }
}

void Game::onLevelActivated(int level)
{
    if (!isLevelActive(level)) {
        m_activeLevels.push_back(level);
    }
    relocateBlockedEntities(level);
    settleGates(level);
    onQuestLevelActivated(level);
    placeBonusChest(level);
}

void Game::onLevelReleased(int level)
{
    m_activeLevels.erase(std::remove(m_activeLevels.begin(), m_activeLevels.end(), level),
                         m_activeLevels.end());
}

bool Game::isLevelActive(int level) const
{
    return std::find(m_activeLevels.begin(), m_activeLevels.end(), level) != m_activeLevels.end();
}

void Game::writeUpdate(ByteBuffer& out, const Entity* player) const
{
    out.writeGameTime(m_clock);
    out.writeInt(static_cast<int32_t>(getDifficulty()));
    out.writeInt(static_cast<int32_t>(m_covenants.size()));
    for (const std::unique_ptr<Covenant>& covenant : m_covenants)
        covenant->writeUpdate(out);
    out.writeFloat(static_cast<float>(m_timeOfDay));
    out.writeInt(static_cast<int32_t>(m_townNpcs.size()));
    for (const SafePtr<Actor>& npc : m_townNpcs) {
        out.writeInt(static_cast<int32_t>(npc ? npc->getNpcType() : 0));
        out.writeString(npc ? npc->getName() : std::string());
    }
    writeQuestList(out);
    out.writeFloat(getScaleFactor1());
    out.writeFloat(getScaleFactor2());
    m_weather->writeUpdate(out, player ? &player->getPosition() : nullptr);
    out.writeBool(m_alliedVictoryOffered);
}

namespace {
int blocksPerLevel()
{
    const GameRules& rules = worldRules();
    return std::max(0, rules.blocksAcross) * std::max(0, rules.blocksDown);
}
} // namespace

bool Game::isBlockPopulated(int level, int block) const
{
    if (level < 0 || level >= getLevelCount() || block < 0) {
        return false;
    }
    const std::vector<bool>& flags = m_levels[level].populatedBlocks;
    return block < static_cast<int>(flags.size()) && flags[block];
}

void Game::markBlockPopulated(int level, int block)
{
    if (level < 0 || level >= getLevelCount() || block < 0) {
        return;
    }
    LevelRecord& record = m_levels[level];
    if (record.populatedBlocks.empty()) {
        record.populatedBlocks.assign(static_cast<size_t>(blocksPerLevel()), false);
    }
    if (block >= static_cast<int>(record.populatedBlocks.size()) || record.populatedBlocks[block]) {
        return;
    }
    record.populatedBlocks[block] = true;
    ++record.populatedCount;
}

int Game::getPopulatedBlockCount(int level) const
{
    return level >= 0 && level < getLevelCount() ? m_levels[level].populatedCount : 0;
}
