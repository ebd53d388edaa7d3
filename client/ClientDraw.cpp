// The client's per-entity passes of the frame.
#include "client/Client.h"

#include "client/GameClient.h"

namespace {

constexpr int kEntityNumbers = 1000;

} // namespace

void Client::drawEntities()
{
    const GameClient* game = GameClient::instance();
    if (!game) {
        return;
    }
    const int own = getPlayerSlot();
    if (EntityClient* player = own >= 0 ? game->getEntity(own) : nullptr) {
        player->drawAtOwnPlace();
    }
    for (int number = 0; number < kEntityNumbers; ++number) {
        if (number == own) {
            continue;
        }
        if (EntityClient* entity = game->getEntity(number)) {
            entity->drawAtOwnPlace();
        }
    }
}

void Client::drawOverheadTexts()
{
    const GameClient* game = GameClient::instance();
    if (!game || !m_joined || m_ui.mouseOverMenu()) {
        return;
    }
    const int own = getPlayerSlot();
    if (EntityClient* player = own >= 0 ? game->getEntity(own) : nullptr) {
        player->drawOverheadText();
    }
    for (int number = 0; number < kEntityNumbers; ++number) {
        if (number == own) {
            continue;
        }
        if (EntityClient* entity = game->getEntity(number)) {
            entity->drawOverheadText();
        }
    }
}
