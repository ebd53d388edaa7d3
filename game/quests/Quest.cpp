#include "game/quests/Quest.h"

#include "game/world/Game.h"

Quest::Quest(bool playerCopy) : m_playerCopy(playerCopy)
{
    reset();
}

Quest::~Quest() = default;

void Quest::onReset()
{
    questNpc = nullptr;
    multiplier = 1.0f;
    successCount = 0;
    gateHealth = 1.0f;
    carriersPending = false;
    spawnedCount = 0;
    hidden = false;
    itemsPending = false;
    pendingBlock = -1;
    fromSourceQuest = false;
    thiefEffect = nullptr;
    meetingDisturbed = false;
}

GameBase* Quest::getGameBase() const
{
    return Game::instance();
}
