#include "game/entities/Player.h"

#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Gate.h"
#include "game/entities/Item.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/ServerLink.h"
#include "game/world/World.h"

#include <memory>

namespace {
constexpr float kWarpConfirmDistance = 0.5f;
} // namespace

// ---- Travel -----------------------------------------------------------------------------

void Player::travelToGate(int gateIndex)
{
    const std::vector<GateRecord>& records = m_gates->getRecords();
    ZonePosition destination(-1, 0.0f, 0.0f);
    World* world = World::instance();
    if (gateIndex >= 0 && gateIndex < static_cast<int>(records.size()) && world) {
        if (const Level* level = world->getLevel(records[static_cast<size_t>(gateIndex)].zone))
            destination = level->gateSpot;
    }
    if (destination.zone == -1) {
        Covenant* covenant = getCovenant();
        if (covenant)
            destination = covenant->getSpotNearGate(this);
    }
    if (destination.zone == -1)
        return;
    cancelTimedActions();
    warp(destination);
}

void Player::travelToCovenant(int covenantIndex)
{
    Game* game = Game::instance();
    if (!game || covenantIndex < 0 || covenantIndex >= game->getCovenantCount())
        return;
    Covenant* covenant = game->getCovenant(covenantIndex);
    if (!covenant)
        return;
    ZonePosition destination = covenant->getPositionNearLifestone();
    if (destination.zone == -1)
        return;
    cancelTimedActions();
    warp(destination);
}

void Player::travelToTownGate(int index)
{
    const GameData* data = GameData::instance();
    // An index past the town's gates names none (the data's town-centre
    // fallback is not taken).
    if (!data || index < 0 || index >= static_cast<int>(data->rules().townGatePositions.size()))
        return;
    cancelTimedActions();
    warp(data->getTownGatePosition(index));
}

void Player::activateGate(int zone)
{
    World* world = World::instance();
    const WorldSize* size = world ? world->getWorldSize() : nullptr;
    const int levelId = size ? size->entryId : -1;
    if (GateRecord* record = m_gates->find(levelId, zone))
        record->activated = 1;
    // The covenant list keeps one record per world gate, in the same order.
    const std::vector<GateRecord>& records = m_gates->getRecords();
    std::vector<GateRecord>& copies = m_gatesCopy->getRecords();
    for (size_t i = 0; i < records.size() && i < copies.size(); ++i)
        if (records[i].levelId == levelId && records[i].zone == zone)
            copies[i].activated = 1;
}

// ---- Warps --------------------------------------------------------------------------------

void Player::sendWarp(const ZonePosition& position)
{
    queueServerLine(ServerLine::Warp, "%d %.1f %.1f", position.zone, position.x, position.y);
    m_pendingWarp = position;
    m_warpPending = true;
}

void Player::confirmWarp(const ZonePosition& position)
{
    if (m_warpPending && ZonePosition::isWithinSquare(position, m_pendingWarp, kWarpConfirmDistance))
        m_warpPending = false;
}

void Player::sendWarpDirection()
{
    queueServerLine(ServerLine::WarpDir, "%d", m_direction);
}

// ---- Resurrection --------------------------------------------------------------------------

void Player::requestResurrect()
{
    // A living player has nothing to wait for.
    if (!isDead())
        return;
    Covenant* covenant = getCovenant();
    if (covenant && (covenant->isRaiding() || covenant->isBeingRaided())) {
        startTimedEvent(ResurrectEvent, covenant->getResurrectTime(this), nullptr);
        return;
    }
    resurrect(true);
}

// ---- Item timers ---------------------------------------------------------------------------

void Player::sendItemTimer(int index, float seconds)
{
    if (index <= 0 || index >= kItemTimers)
        return;
    Timer& timer = m_itemTimers[static_cast<size_t>(index)];
    timer.min = seconds;
    timer.max = seconds;
    timer.start(seconds);
    queueServerLine(ServerLine::ItemTimer, "%d %.1f", index, seconds);
}

bool Player::isItemTimerReady(int index) const
{
    if (index <= 0 || index >= kItemTimers)
        return true;
    const Timer& timer = m_itemTimers[static_cast<size_t>(index)];
    return !timer.running || timer.remaining <= 0.0f;
}

bool Player::isItemTimerReady(const ItemBase* item) const
{
    return !item || isItemTimerReady(item->getInt("ItemTimer"));
}

void Player::sendItemTimer(const ItemBase* item)
{
    if (item)
        sendItemTimer(item->getInt("ItemTimer"), item->getFloat("ItemTimerTime"));
}

// ---- Gate pairs ---------------------------------------------------------------------------

namespace {
constexpr int kGatePairRings = 8;

// The first free spot on rings 0 … 8 around the centre; false when none.
bool findGateSpot(const Game& game, const ZonePosition& centre, const Entity* gate, ZonePosition& out)
{
    if (centre.zone < 0)
        return false;
    for (int ring = 0; ring <= kGatePairRings; ++ring)
        if (game.findFreeSpotOnRing(centre, ring, out, gate))
            return true;
    return false;
}

Gate* makeGate(const char* entryName)
{
    auto* gate = new Gate();
    if (const Database* db = Database::instance())
        if (const DatabaseEntry* entry = db->findEntry(entryName)) {
            gate->setEntry(entry, entryName);
            gate->loadFromDatabase();
        }
    gate->setKind(Gate::kLinked);
    return gate;
}
} // namespace

void Player::createGate(const ZonePosition& position, int kind, bool restoring)
{
    Game* game = Game::instance();
    if (!game || (kind != 0 && kind != 1))
        return;
    if (kind == 0) {
        World* world = World::instance();
        const Level* level = world ? world->getLevel(position.zone) : nullptr;
        if (!level || !level->definition || !level->definition->playerCanCreateGate) {
            sendMessage(4, "Can't create gate here!");
            return;
        }
    }
    Covenant* covenant = getCovenant();
    if (!covenant)
        return;
    const char* entry = kind == 0 ? "ObjectPlayerGate" : "ObjectRaidGate";
    std::unique_ptr<Gate> near(makeGate(entry));
    std::unique_ptr<Gate> home(makeGate(entry));
    ZonePosition nearSpot;
    bool placed = findGateSpot(*game, position, near.get(), nearSpot);
    if (!placed && restoring && position.zone >= 0) {
        nearSpot = position;
        placed = true;
    }
    ZonePosition homeSpot;
    placed = placed && findGateSpot(*game, covenant->getSpotNearGate(this), home.get(), homeSpot);
    if (!placed)
        return; // both new gates go; the old pair stays
    deleteGatePair(kind);
    near->setPosition(nearSpot);
    near->setSecondaryPosition(nearSpot);
    home->setPosition(homeSpot);
    home->setSecondaryPosition(homeSpot);
    near->setLinked(home.get());
    home->setLinked(near.get());
    if (game->addEntity(near.get()) < 0)
        return;
    Gate* first = near.release();
    if (game->addEntity(home.get()) < 0) {
        game->deleteEntity(first, true);
        return;
    }
    Gate* second = home.release();
    GatePair& pair = kind == 0 ? m_playerGatePair : m_raidGatePair;
    pair[0] = first;
    pair[1] = second;
    (kind == 0 ? m_playerGatePosition : m_raidGatePosition) = position;
}

void Player::deleteGatePair(int kind)
{
    Game* game = Game::instance();
    GatePair& pair = kind == 0 ? m_playerGatePair : m_raidGatePair;
    for (SafePtr<Entity>& gate : pair) {
        if (game && gate.get())
            game->deleteEntity(gate.get(), true);
        gate = nullptr;
    }
}

Entity* Player::getGate(int kind, int end) const
{
    const GatePair& pair = kind == 0 ? m_playerGatePair : m_raidGatePair;
    return end == 0 || end == 1 ? pair[static_cast<size_t>(end)].get() : nullptr;
}

void Player::restoreGatePairs()
{
    if (m_playerGatePosition.zone >= 0)
        createGate(m_playerGatePosition, 0, true);
    if (m_raidGatePosition.zone >= 0)
        createGate(m_raidGatePosition, 1, true);
}

void Player::startCreateGate()
{
    const Game* game = Game::instance();
    const float seconds = game ? game->settings().gateCreateTime : 0.0f;
    startTimedEvent(CreateGateEvent, seconds, nullptr);
}

void Player::onCreateGateEvent(Event&)
{
    createGate(getPosition(), 0, false);
}
