// The client's per-entity passes of the frame.
#include "client/Client.h"

#include "client/GameClient.h"
#include "client/player/PlayerClient.h"

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
    if (m_player) {
        m_player->drawIndicators();
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
    // The local player draws its server mirror's text and its use hints.
    const int own = getPlayerSlot();
    if (m_player && m_player->getServerMirror()) {
        m_player->drawOverheadText();
    } else if (EntityClient* player = own >= 0 ? game->getEntity(own) : nullptr) {
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
