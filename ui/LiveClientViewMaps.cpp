#include "ui/LiveClientView.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "game/definitions/GateList.h"
#include "graphics/GraphicsSystem.h"
#include "ui/maps/WorldMap.h"

// The live answers of the help topics, the entity labels and the cursor.

namespace {

PlayerClient* localPlayer()
{
    const Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
}

} // namespace

void LiveClientView::setHelpTopicRead(int index)
{
    if (PlayerClient* p = localPlayer()) {
        p->setHelpTopicRead(index);
    }
}

void LiveClientView::setAllHelpTopicsRead()
{
    if (PlayerClient* p = localPlayer()) {
        p->setAllHelpTopicsRead();
    }
}

void LiveClientView::resetHelpTopics()
{
    if (PlayerClient* p = localPlayer()) {
        p->resetHelpTopics();
    }
}

int LiveClientView::getHoverMouseAction() const
{
    const Client* client = Client::instance();
    const EntityClient* entity = client ? client->getHoverEntity() : nullptr;
    return entity ? entity->getMouseAction(true, false) : 0;
}

bool LiveClientView::getEntityLabel(int number, std::string& text, Vec2& screen) const
{
    const Client* client = Client::instance();
    const GameClient* game = GameClient::instance();
    const EntityClient* entity = game ? game->getEntity(number) : nullptr;
    if (!client || !entity || !entity->isHintTarget(true) || entity->getPosition().zone < 0) {
        return false;
    }
    // The name line only: the hover hints ("Left click to pick up", "Hold
    // down Alt to see all items on ground") would repeat in every label
    // while Alt is already held, and stack the labels three lines high.
    entity->getTooltipText(text, true, true, true);
    screen = client->worldToScreen(entity->getPosition(), true);
    return true;
}

void LiveClientView::selectEntity(int number)
{
    const GameClient* game = GameClient::instance();
    PlayerClient* p = localPlayer();
    EntityClient* entity = game ? game->getEntity(number) : nullptr;
    if (p && entity) {
        p->selectEntity(entity);
    }
}

bool LiveClientView::isStartupDone() const
{
    const Client* client = Client::instance();
    return client && client->isStartupDone();
}

ZonePosition LiveClientView::getPlayerPosition() const
{
    const Client* client = Client::instance();
    const EntityClient* player = client ? client->getLocalPlayer() : nullptr;
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!player || (graphics && graphics->getFrameHooks().areaEditorActive())) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    return player->getPosition();
}

int LiveClientView::getPlayerAction() const
{
    const PlayerClient* p = localPlayer();
    return p ? p->getCurrentAction() : 0;
}

ZonePosition LiveClientView::getReturnPosition() const
{
    const PlayerClient* p = localPlayer();
    return p ? p->returnPosition : ZonePosition(-1, 0.0f, 0.0f);
}

std::vector<int> LiveClientView::getActivatedGateLevels() const
{
    std::vector<int> levels;
    if (const PlayerClient* p = localPlayer()) {
        for (const GateRecord& gate : p->levelGates.getRecords()) {
            levels.push_back(gate.activated ? gate.zone : -1);
        }
    }
    return levels;
}

bool LiveClientView::getMapEntity(int number, bool worldMap, ZonePosition& at, std::string& text,
                                  int& colour) const
{
    const GameClient* game = GameClient::instance();
    const Client* client = Client::instance();
    // -1 is the local player, which the map always shows.
    const EntityClient* entity = number == -1 ? (client ? client->getLocalPlayer() : nullptr)
                                              : (game ? game->getEntity(number) : nullptr);
    if (!entity || (number != -1 && !entity->isShownOnMap(worldMap))) {
        return false;
    }
    at = entity->getPosition();
    entity->getTooltipText(text, false, true, true);
    colour = entity->getMapColorCode();
    return true;
}

Vec2 LiveClientView::worldToScreen(const ZonePosition& position) const
{
    const Client* client = Client::instance();
    return client ? client->worldToScreen(position, true) : Vec2(-1.0f, -1.0f);
}

ZonePosition LiveClientView::screenToWorld(float x, float y) const
{
    const Client* client = Client::instance();
    return client ? client->screenToWorld(x, y) : ZonePosition(-1, 0.0f, 0.0f);
}

void LiveClientView::setMapCapture(bool on)
{
    if (!on) {
        Client::captureButtons(nullptr);
        return;
    }
    Client::captureButtons([](int button, bool down, int x, int y) {
        if (WorldMap* map = WorldMap::instance()) {
            map->onClick(button, down, x, y);
        }
    });
}
