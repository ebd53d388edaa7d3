#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"

#include "game/covenants/PlayerCovenant.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The block of a point, or -1 outside the level's blocks.
int blockIndexOf(const ZonePosition& p)
{
    const GameRules& rules = worldRules();
    const float width = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const float height = static_cast<float>(rules.blockTileHeight) * rules.tileSize;
    if (p.zone < 0 || width <= 0.0f || height <= 0.0f) {
        return -1;
    }
    const int column = static_cast<int>(std::floor(p.x / width));
    const int row = static_cast<int>(std::floor(p.y / height));
    if (column < 0 || row < 0 || column >= rules.blocksAcross || row >= rules.blocksDown) {
        return -1;
    }
    return row * rules.blocksAcross + column;
}

} // namespace

bool Game::populateAreaBlockOnce(int level, int block)
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (level < 0 || block < 0 || !spawns) {
        return false;
    }
    if (isBlockPopulated(level, block)) {
        return true;
    }
    if (spawns->populateBlock(level, block) == 0) {
        return false;
    }
    markBlockPopulated(level, block);
    return true;
}

int Game::populateAroundPosition(const ZonePosition& position)
{
    const int steps = m_settings.spawnSteps;
    const float distance = m_settings.spawnStepDistance;
    int examined = 0;
    for (int dy = -steps; dy <= steps; ++dy) {
        for (int dx = -steps; dx <= steps; ++dx) {
            ZonePosition point(position.zone, position.x + static_cast<float>(dx) * distance,
                               position.y + static_cast<float>(dy) * distance);
            point.normalize();
            const int block = blockIndexOf(point);
            if (block < 0) {
                continue;
            }
            ++examined;
            if (!isBlockPopulated(point.zone, block)) {
                populateAreaBlockOnce(point.zone, block);
            }
        }
    }
    return examined;
}

void Game::updatePopulation()
{
    if (!m_worldGenerated) {
        return;
    }
    for (size_t i = 0; i < m_players.size(); ++i) {
        if (const Player* player = m_players[i]) {
            populateAroundPosition(player->getPosition());
            // One tutor, outside the town-NPC slots, while someone learns; it
            // takes the first NPC stand after the slots'.
            // Without its type (a data fault, named by the data tests) no
            // tutor comes, rather than a line every step.
            const GameData* data = GameData::instance();
            if (!m_tutor && !player->isTutorialDone() && data && data->findMonsterType("NpcTutor")) {
                m_tutor = makeTownNpc(static_cast<int>(NpcType::Tutor),
                                      static_cast<int>(m_settings.npcTypes.size()));
            }
        }
    }
}

void Game::takeRandomCovenantPosition(ZonePosition& out)
{
    out = ZonePosition(-1, 0.0f, 0.0f);
    Settings& s = m_settings;
    const int n = std::min(s.covenantPositionCount, static_cast<int>(s.covenantPositions.size()));
    if (n <= 0) {
        return;
    }
    int r = static_cast<int>(randomFloat(0) * static_cast<float>(n));
    r = std::clamp(r, 0, n - 1);
    out = ZonePosition(0, s.covenantPositions[static_cast<size_t>(r)].x,
                       s.covenantPositions[static_cast<size_t>(r)].y);
    std::swap(s.covenantPositions[static_cast<size_t>(r)], s.covenantPositions[static_cast<size_t>(n - 1)]);
    s.covenantPositionCount = n - 1;
}

bool Game::allAiCovenantsDestroyed() const
{
    // A world without computer-run covenants is never won this way.
    if (!m_worldGenerated || m_aiCovenantCount <= 0) {
        return false;
    }
    const int n = std::min(m_aiCovenantCount, getCovenantCount());
    int counted = 0;
    for (int i = 0; i < n; ++i) {
        const Covenant* covenant = getCovenant(i);
        // Every covenant but the player's counts as computer-run.
        if (!covenant || covenant->isPlayerCovenant()) {
            continue;
        }
        ++counted;
        if (!covenant->destroyed) {
            return false;
        }
    }
    return counted > 0;
}

bool Game::isPlayerCovenantDestroyed() const
{
    const Player* player = getFirstPlayer();
    const Covenant* covenant = player ? player->getCovenant() : nullptr;
    return covenant && covenant->destroyed;
}

void Game::offerRewardChest(bool large)
{
    m_worldEnded = true;
    Player* player = getFirstPlayer();
    Covenant* own = player ? player->getCovenant() : nullptr;
    const SpawnSystem* spawns = SpawnSystem::instance();
    const Database* db = Database::instance();
    if (!own)
        return;
    endAllCovenants();
    if (auto* playerCovenant = dynamic_cast<PlayerCovenant*>(own))
        playerCovenant->funStats.add(
            large ? PlayerCovenant::kWorldsConquered : PlayerCovenant::kWorldsAllyWin, 1);
    if (!spawns || !db)
        return;
    int highest = 0;
    for (const auto& covenant : m_covenants)
        if (covenant && covenant.get() != own)
            highest = std::max(highest, covenant->level);
    const GameRules& rules = worldRules();
    const int level = std::max(1, highest + rules.rewardChestLevelBonus);
    Chest* chest =
        spawns->createChest(0, db->findEntry(large ? "ChestRewardLarge" : "ChestRewardMedium"), level);
    if (!chest)
        return;
    chest->setWorldRewardChest(true);
    const ZonePosition centre = rules.townCenterPosition;
    ZonePosition spot = centre;
    for (int ring = 0; ring <= rules.rewardChestRingLimit; ++ring)
        if (findFreeSpotOnRing(centre, ring, spot, chest))
            break;
    if (!isPlaceFree(spot, chest))
        spot = centre;
    chest->setPosition(spot);
    chest->setSecondaryPosition(spot);
    chest->setDirection(SouthWest);
    if (addEntity(chest) < 0) {
        delete chest;
        return;
    }
    sendGameMessage("You have conquered this world!", 2);
    sendGameMessage(formatString("Reward chest (lvl %d) now available in town center!", level), 3);
}

Actor* Game::spawnMonsterAtFreeBlock(int level, int& block, const MonsterType* type, int monsterLevel)
{
    const GameRules& rules = worldRules();
    const int columns = std::max(1, rules.blocksAcross);
    const int blocks = columns * std::max(1, rules.blocksDown);
    World* world = World::instance();
    Level* where = world ? world->getLevel(level) : nullptr;
    if (block == -1) {
        // A built level's blocks of solid rock hold nobody: only blocks with
        // ground count as free there.
        const LevelLayout* layout = where && world->isLevelLoaded(level) ? where->getLayout() : nullptr;
        auto hasGround = [layout](int b) {
            const size_t at = static_cast<size_t>(b);
            return !layout || (at < layout->places.size() && layout->places[at] >= 0 &&
                               (layout->reached.empty() || layout->reached[at]));
        };
        std::vector<int> clear;
        for (int b = 0; b < blocks; ++b)
            if (!isBlockPopulated(level, b) && hasGround(b))
                clear.push_back(b);
        const int n = clear.empty() ? blocks : static_cast<int>(clear.size());
        const int r = std::min(static_cast<int>(randomFloat(0) * static_cast<float>(n)), n - 1);
        block = clear.empty() ? r : clear[static_cast<size_t>(r)];
    }
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!spawns || !where || block < 0 || block >= blocks)
        return nullptr;
    const ZonePosition point = where->randomPositionInBlock(block % columns, block / columns);
    if (point.zone < 0)
        return nullptr;
    return spawns->spawnMonsterAt(monsterLevel, type, point, level);
}
