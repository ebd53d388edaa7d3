#include "game/entities/Player.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Item.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/ServerLink.h"
#include "game/world/World.h"

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
    queueClientCommand(formatString("warp %d %.1f %.1f", position.zone, position.x, position.y));
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
    queueClientCommand(formatString("warpDir %d", m_direction));
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
    queueClientCommand(formatString("itemTimer %d %.1f", index, seconds));
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
