#pragma once

#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "game/world/WorldGateSource.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

inline int statOf(const Player& p, CharacterStat s)
{
    return p.getStat(toIndex(s));
}

// The headless program on data/ with a loaded world and one player at the
// start position.
class PlayerWorld : public ::testing::Test {
protected:
    static constexpr int kViewKey = 12;

    void SetUp() override
    {
        ASSERT_NE(server.world, nullptr);
        server.world->setWorldSeed(4242);
        server.world->load();
        server.game->resizeForWorld(server.world->getLevelCount());
        GateList::setWorldSource(&WorldGateSource::instance());
        // The town is built: things may stand and lie on it.
        server.world->getLevel(0)->acquire(kViewKey);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!server.world->isLevelLoaded(0) && std::chrono::steady_clock::now() < deadline) {
            server.app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(server.world->isLevelLoaded(0));
        player = addPlayer();
        ASSERT_NE(player, nullptr);
    }
    void TearDown() override
    {
        server.game->clear();
        if (server.world->isLevelLoaded(0))
            server.world->getLevel(0)->release(kViewKey);
        GateList::setWorldSource(nullptr);
    }

    Player* addPlayer()
    {
        auto* p = new Player();
        if (server.game->addEntity(p) < 0) {
            delete p;
            return nullptr;
        }
        p->buildForWorld();
        p->setPosition(GameData::get().getStartPosition());
        // The first step builds the class's skill list.
        p->update(0.0f);
        return p;
    }
    template <class T> T* add(T* entity, const ZonePosition& at)
    {
        entity->setPosition(at);
        server.game->addEntity(entity);
        return entity;
    }
    const std::vector<std::string>& lines() const { return Server::get().getQueuedCommands(); }
    bool queued(const std::string& line) const
    {
        return std::find(lines().begin(), lines().end(), line) != lines().end();
    }
    ZonePosition besidePlayer(float dx) const
    {
        ZonePosition p = player->getPosition();
        p.x += dx;
        return p;
    }
    Actor* monsterAt(const ZonePosition& at, int level)
    {
        const MonsterType* type = GameData::get().getMonsterTypeAtLevel(level, 0);
        if (!type)
            return nullptr;
        Actor* actor = server.spawns->spawnMonster(type, at.zone, MonsterRarity::Normal, level);
        return actor ? add(actor, at) : nullptr;
    }

    // Runs the line as the client's request from the player.
    void run(const std::string& line) { Server::get().runClientCommands({line}, player); }

    HeadlessServer server;
    Player* player = nullptr;
};
