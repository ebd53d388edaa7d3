#include "ui/LiveClientView.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"

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
    entity->getTooltipText(text, false, true, true);
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
