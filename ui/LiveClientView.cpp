#include "ui/LiveClientView.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Localization.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"

bool LiveClientView::isGameRunning() const
{
    const GameClient* game = GameClient::instance();
    return game && game->isLoaded();
}

bool LiveClientView::isInGame() const
{
    const Client* client = Client::instance();
    return client && client->isJoined();
}

bool LiveClientView::isPaused() const
{
    const Client* client = Client::instance();
    return client && client->isPaused();
}

void LiveClientView::setAutoPause(bool on)
{
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    if (on) {
        client->setAutoPause();
    } else if (client->isJoined() && userVarsReady()) {
        setUserVar("pausedAuto", "0");
    }
}

bool LiveClientView::hasLocalPlayer() const
{
    const Client* client = Client::instance();
    return client && client->hasLocalPlayer();
}

EntityClient* LiveClientView::getPlayerEntity() const
{
    // The server's mirror of the player's entity carries its health, effects
    // and timed actions; the local player mirror until it exists.
    const Client* client = Client::instance();
    if (!client) {
        return nullptr;
    }
    const PlayerClient* player = client->getLocalPlayer();
    EntityClient* mirror = player ? player->getServerMirror() : nullptr;
    return mirror ? mirror : client->getPlayerEntity();
}

EntityClient* LiveClientView::getLocalPlayer() const
{
    const Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
}

EntityClient* LiveClientView::getTargetEntity(bool fallback) const
{
    const Client* client = Client::instance();
    return client ? client->getTargetEntity() : nullptr;
}

EntityClient* LiveClientView::getPartyMember(int index) const
{
    const Client* client = Client::instance();
    return client ? client->getEntityByIndex(index) : nullptr;
}

CovenantBase* LiveClientView::getPlayerCovenant() const
{
    const Client* client = Client::instance();
    return client ? client->getPlayerCovenant() : nullptr;
}

int LiveClientView::getPlayerCovenantIndex() const
{
    const Client* client = Client::instance();
    return client ? client->getPlayerCovenantIndex() : -1;
}

int LiveClientView::getCovenantCount() const
{
    const GameClient* game = GameClient::instance();
    return game ? static_cast<int>(game->getCovenantCount()) : 0;
}

CovenantBase* LiveClientView::getCovenant(int index) const
{
    GameClient* game = GameClient::instance();
    if (!game || index < 0 || index >= static_cast<int>(game->getCovenantCount())) {
        return nullptr;
    }
    return game->getCovenant(index, false);
}

int LiveClientView::getCovenantIndexByPower(int place) const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getCovenantAtPowerRank(place) : -1;
}

int LiveClientView::getPlayerStat(int stat) const
{
    const Client* client = Client::instance();
    const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    return player ? player->getStat(stat) : 0;
}

int LiveClientView::getEntityLevel(const EntityClient* entity) const
{
    if (!entity) {
        return 0;
    }
    const auto* player = dynamic_cast<const PlayerClient*>(entity);
    if (!player && entity->isOwnCharacter()) {
        // The player's own entity in the table carries no level of its own.
        const Client* client = Client::instance();
        player = client ? client->getLocalPlayer() : nullptr;
    }
    if (player) {
        return player->getStat(PlayerClient::kStatLevel);
    }
    return entity->getLevel();
}

bool LiveClientView::getEntityClassColor(const EntityClient* entity, Color& out) const
{
    const auto* player = dynamic_cast<const PlayerClient*>(entity);
    const GameData* data = GameData::instance();
    if (!player || !data) {
        return false;
    }
    const CharacterClass* type = data->findCharacterClassById(player->getStat(PlayerClient::kStatClass));
    if (!type) {
        return false;
    }
    out =
        player->getStat(static_cast<int>(CharacterStat::PowerRising)) != 0 ? type->altColor : type->mainColor;
    return true;
}

int LiveClientView::getChosenClassIndex() const
{
    return static_cast<int>(Client::chosenClassIndex());
}

void LiveClientView::playInterfaceSound(const ResourceHandle& sound)
{
    if (const Client* client = Client::instance()) {
        client->playInterfaceSound(sound);
    }
}

bool LiveClientView::getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const
{
    const Client* client = Client::instance();
    const EntityClient* entity = client ? client->getHoverEntity() : nullptr;
    if (!entity) {
        return false;
    }
    entity->getTooltipText(text, false, true, true);
    screen = client->worldToScreen(entity->getPosition(), true);
    onScreen = screen.x >= 0.0f && screen.x <= 640.0f && screen.y >= 0.0f && screen.y <= 480.0f;
    return true;
}

std::string LiveClientView::getSelectedStoryFile() const
{
    const Client* client = Client::instance();
    const EntityClient* target = client ? client->getTargetEntity() : nullptr;
    return target ? target->getTextFile() : std::string();
}

void LiveClientView::showErrorMessage(const std::string& text)
{
    std::string shown = text;
    if (Localization* loc = Localization::instance()) {
        loc->translate(shown);
    }
    if (const GameClient* game = GameClient::instance()) {
        game->showErrorMessage(shown, false);
    }
}

bool LiveClientView::isPlayerCovenantBeingRaided() const
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant && covenant->beingRaided;
}

bool LiveClientView::isPlayerCovenantRaiding() const
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant && covenant->raiding;
}
