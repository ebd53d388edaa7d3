#include "server/Server.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/net/SocketLayer.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"

#include <algorithm>
#include <memory>

void Server::refuseJoin(const NetAddress& sender, const std::string& field) const
{
    debugPrint(2, "Server: join from port %u refused: %s\n", static_cast<unsigned>(sender.port),
               field.c_str());
}

void Server::handlePlayerJoin(ByteBuffer& message, const NetAddress& sender)
{
    Game* game = Game::instance();
    if (!game) {
        refuseJoin(sender, "no game");
        return;
    }
    // The covenant section is read whole before anything is made; the
    // covenant joins the list once the character is accepted too.
    auto covenant = std::make_unique<PlayerCovenant>();
    if (covenant->definitionIndex < 0) {
        debugPrint(3, "Server: join from port %u refused: no covenant definition \"Human\"\n",
                   static_cast<unsigned>(sender.port));
        return;
    }
    // A client joining again hands its old covenant's place to the new one.
    auto old = std::find_if(m_clients.begin(), m_clients.end(),
                            [&](const auto& c) { return sameAddress(c->address, sender); });
    const Entity* previousPlayer = old != m_clients.end() ? (*old)->player.get() : nullptr;
    const auto* previousCovenant =
        previousPlayer ? dynamic_cast<const PlayerCovenant*>(previousPlayer->getCovenant()) : nullptr;
    const int reusedIndex = previousCovenant ? previousCovenant->index : -1;
    if (reusedIndex < 0 && game->getCovenantCount() >= CovenantBase::kMaxCovenants) {
        refuseJoin(sender, "covenant list full");
        return;
    }
    std::string field;
    if (!covenant->parseJoinSection(message, field)) {
        refuseJoin(sender, field);
        return;
    }

    auto player = std::make_unique<Player>();
    int number = game->addEntity(player.get());
    if (number < 0) {
        refuseJoin(sender, "entity table full");
        return;
    }
    World* world = World::instance();
    if (world) {
        world->addPlayerView(number, game->getStartLevel());
    }
    player->setPosition(GameData::instance() ? GameData::get().getStartPosition()
                                             : ZonePosition(0, 0.0f, 0.0f));
    if (!player->initNewCharacter(message, field)) {
        if (world) {
            world->removePlayerView(number);
        }
        game->removeEntity(player.get());
        refuseJoin(sender, "character " + field);
        return;
    }

    // A client that joins again replaces its old record and its old player.
    if (old != m_clients.end()) {
        Entity* previous = (*old)->player.get();
        if (previous && previous != player.get()) {
            if (world) {
                world->removePlayerView(previous->getEntityNumber());
            }
            game->removeEntity(previous);
            delete previous;
        }
    }
    auto record = std::make_unique<ClientRecord>();
    record->address = sender;
    record->playerNumber = number;
    Player* joined = player.release();
    record->player = joined;
    ClientRecord* placed = record.get();
    if (old != m_clients.end()) {
        *old = std::move(record);
    } else {
        m_clients.push_back(std::move(record));
    }

    PlayerCovenant* own = covenant.get();
    const int covenantIndex = reusedIndex >= 0 ? game->replaceCovenant(reusedIndex, std::move(covenant))
                                               : game->addCovenant(std::move(covenant));
    if (covenantIndex >= 0) {
        own->applyJoinSection();
        own->player = joined;
        joined->setCovenantIndex(covenantIndex);
        // The House read with the character gets its guards and relic
        // displays back before the step that would count them as lost.
        joined->restoreHouse();
        own->updateStats();
        // A new character, or a saved one from another world, starts its
        // covenant afresh too.
        joined->finishFreshStart();
        joined->restoreJoinParty();
    }

    // The saved gate pairs stand again where they stood (with a covenant).
    joined->restoreGatePairs();
    game->onPlayerJoined(joined);

    const CharacterClass* characterClass = joined->getCharacterClass();
    debugPrint(1, "%s joins as entity %d (%s, level %d)\n", joined->getName().c_str(), number,
               characterClass ? characterClass->name.c_str() : "no class",
               joined->getStat(toIndex(CharacterStat::Level)));

    ByteBuffer reply;
    reply.writeInt(static_cast<uint32_t>(kMsgJoined));
    reply.writeInt(
        static_cast<int32_t>(joined->getViewLevel() >= 0 ? joined->getViewLevel() : game->getStartLevel()));
    writeWorldIdentity(reply, true);
    writeNameTable(reply);
    if (m_socket >= 0) {
        sendDatagram(m_socket, reply, placed->address);
    }
}
