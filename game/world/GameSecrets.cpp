#include "engine/core/StringUtil.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/ServerLink.h"
#include "game/world/World.h"

Level* Game::nextSecretLevel()
{
    World* world = World::instance();
    if (!world || world->getFirstSecretLevel() < 0) {
        return nullptr;
    }
    const int first = world->getFirstSecretLevel();
    const int candidate = m_secretLevelCursor < 0 ? first : m_secretLevelCursor + 1;
    if (candidate >= first + world->getNumSecretLevels()) {
        return nullptr;
    }
    m_secretLevelCursor = candidate;
    return world->getLevel(candidate);
}

void Game::onSecretFound(int level)
{
    Player* player = getFirstPlayer();
    if (!player) {
        return;
    }
    sendGameMessage("Secret found!", 2);
    playSound("Sounds/secretFound.ogg", player->getPosition(), player->getEntityNumber(), 100.0f, 0.0f);
    const int found = toIndex(CharacterStat::SecretsFound);
    player->setStat(found, player->getStat(found) + 1);
    World* world = World::instance();
    const Level* record = world ? world->getLevel(level) : nullptr;
    const int depth = record ? record->monsterLevel : 1;
    const int xp = player->awardExperience(depth, 1, 1.0f);
    queueServerLine(ServerLine::Damage, "%d +%dxp", player->getEntityNumber(), xp);
}
