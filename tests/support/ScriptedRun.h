#pragma once

// A scripted client playing "Aldric" through the program's own start-up on
// world seed 4242: each frame first waits for what the last one asked the
// loader for, so a run's lines are the same every time, and every line the
// client hears is kept.
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/resources/ResourceSystem.h"
#include "game/entities/Player.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/ScriptedClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

class ScriptedRun {
public:
    explicit ScriptedRun(HeadlessServer& program) : m_program(program), m_client(5003) {}

    // Joins with the draws from the given state; true once the player is
    // there and the town is built (before anything stands on it).
    bool join(uint32_t randomState)
    {
        Random::setState(0, randomState);
        m_program.world->setWorldSeed(4242);
        Server::get().start(false, 0, 1, 1, 0);
        m_client.sendNewJoin();
        m_program.app->getHooks().serverReceive(16.0, false);
        ScriptedClient::Joined joined;
        if (!m_client.readJoined(joined))
            return false;
        const ClientRecord* record = Server::get().findClient(m_client.address());
        m_player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
        waitForLevels(m_program.app->getHooks(), [&] { return m_program.world->isLevelLoaded(0); });
        return m_player && m_program.world->isLevelLoaded(0);
    }
    // What the last step asked the loader for (levels, models) is there
    // before the next, as fast or slow as the loader is: installing a level
    // or starting an animation draws from the random streams.
    void settle()
    {
        ResourceSystem::get().waitForQueueEmpty();
        waitForLevels(m_program.app->getHooks(), [&] { return !m_program.world->hasPendingBuilds(); });
        ResourceSystem::get().waitForQueueEmpty();
    }
    // One frame from the given position: the client's input, one server
    // step, the state read.
    void frame(const ZonePosition& at, int action, int target, const std::vector<std::string>& lines = {})
    {
        settle();
        m_client.sendInput(at, at, static_cast<uint32_t>(action), static_cast<uint32_t>(target), lines);
        m_program.app->getHooks().serverReceive(50.0, false);
        m_program.app->getHooks().serverUpdate();
        ScriptedClient::State state;
        ASSERT_TRUE(m_client.readState(state));
        m_lines.insert(m_lines.end(), state.lines.begin(), state.lines.end());
    }
    void frame(int action, int target, const std::vector<std::string>& lines = {})
    {
        frame(m_player->getPosition(), action, target, lines);
    }
    void frames(int n, int action, int target)
    {
        for (int i = 0; i < n; ++i)
            frame(action, target);
    }
    // Every line the client received, one a line.
    std::string transcript() const
    {
        std::string out;
        for (const std::string& line : m_lines)
            out += line + '\n';
        return out;
    }
    bool saw(const std::string& line) const
    {
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }
    bool sawPrefix(const std::string& prefix) const
    {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; });
    }
    Player* player() const { return m_player; }

private:
    HeadlessServer& m_program;
    ScriptedClient m_client;
    Player* m_player = nullptr;
    std::vector<std::string> m_lines;
};
