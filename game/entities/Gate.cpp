#include "game/entities/Gate.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GateList.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"
#include "game/world/World.h"

namespace {

// Rings searched around a linked gate for a free spot.
constexpr int kLinkedRings = 4;

void travel(Player* player, const ZonePosition& spot)
{
    if (spot.zone < 0) {
        return;
    }
    player->cancelTimedActions();
    const ZonePosition from = player->getPosition();
    player->warp(spot);
    // An escorted NPC goes through with the player.
    if (Game* game = Game::instance()) {
        game->onGateUsed(player, from, player->getPosition());
    }
}

ZonePosition freeSpotNear(const Entity* target, const Player* player)
{
    ZonePosition spot = target->getPosition();
    if (Game* game = Game::instance()) {
        game->findFreeSpotNear(target->getPosition(), kLinkedRings, spot, player, true);
    }
    return spot;
}

} // namespace

Gate::Gate() = default;

Gate::~Gate() = default;

int Gate::getLinkedKind() const
{
    const auto* gate = dynamic_cast<const Gate*>(m_linked.get());
    return gate ? gate->m_kind : -1;
}

void Gate::writeSnapshot(ByteBuffer& out) const
{
    const Entity* linked = m_linked.get();
    const ZonePosition at = linked ? linked->getPosition() : ZonePosition(-1, 0.0f, 0.0f);
    out.writeInt(static_cast<int32_t>(at.zone));
    out.writeFloat(at.x);
    out.writeFloat(at.y);
}

void Gate::beginUse(Entity* user)
{
    auto* player = dynamic_cast<Player*>(user);
    Covenant* covenant = player ? player->getCovenant() : nullptr;
    if (!covenant) {
        return;
    }
    Entity* linked = m_linked.get();
    switch (m_kind) {
    case kLevelGate: {
        World* world = World::instance();
        const WorldSize* size = world ? world->getWorldSize() : nullptr;
        const GateRecord* record = player->getGates().find(size ? size->entryId : -1, m_position.zone);
        if (record && record->activated) {
            travel(player, covenant->getSpotNearGate(player));
            return;
        }
        player->activateGate(m_position.zone);
        const std::string name = world ? world->getLevelName(m_position.zone) : std::string();
        sendGameMessage(formatString("%s Gate activated!", name.c_str()), 2);
        return;
    }
    case kLinked:
        if (linked) {
            travel(player, freeSpotNear(linked, player));
        }
        return;
    case kConnection:
        // Onto the other end itself; the quests hear of the move.
        if (linked) {
            travel(player, linked->getPosition());
        }
        return;
    case kSecret: {
        if (!linked) {
            return;
        }
        const ZonePosition spot = freeSpotNear(linked, player);
        SafePtr<Gate> self(this);
        if (!m_found) {
            m_found = true;
            if (auto* partner = dynamic_cast<Gate*>(linked)) {
                partner->m_found = true;
            }
            if (Game* game = Game::instance()) {
                game->onSecretFound(m_position.zone);
            }
        }
        if (self.get()) {
            travel(player, spot);
        }
        return;
    }
    case kTown:
        travel(player, covenant->getSpotNearGate(player));
        return;
    default:
        return;
    }
}
