#include "client/ClientSoundQueries.h"

#include "client/Client.h"
#include "client/GameClient.h"

ZonePosition3 ClientSoundQueries::getListenerPosition() const
{
    const Client* client = Client::instance();
    if (!client) {
        return ZonePosition3(-1, 0.0f, 0.0f, 0.0f);
    }
    ZonePosition position = client->getPlayerPosition();
    return ZonePosition3(position.zone, position.x, position.y, 0.0f);
}

bool ClientSoundQueries::isPaused() const
{
    const Client* client = Client::instance();
    return client && client->isPaused();
}

bool ClientSoundQueries::findEntityPosition(int entity, ZonePosition3& out) const
{
    const GameClient* game = GameClient::instance();
    const EntityClient* mirror = game ? game->getEntity(entity) : nullptr;
    if (!mirror) {
        return false;
    }
    const ZonePosition& position = mirror->getPosition();
    out = ZonePosition3(position.zone, position.x, position.y, 0.0f);
    return true;
}

int ClientSoundQueries::getLocalPlayerEntity() const
{
    const Client* client = Client::instance();
    return client ? client->getPlayerSlot() : -1;
}
