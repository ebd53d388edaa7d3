#pragma once

// A scripted client playing quests through the program's own start-up: it
// joins, steps the server a frame at a time and keeps every line it hears
// and the game section's quest list as it read it.
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/ScriptedClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Saves the program's character and copies its "chars" folder into the folder.
inline void saveCharacterTo(HeadlessServer& program, const std::filesystem::path& folder)
{
    ASSERT_TRUE(program.game->saveCharacter());
    FileSystem::get().finishWrites();
    std::filesystem::copy(program.user.path() / "chars", folder / "chars");
}

// "Aldric" as kept in the folder, loaded into a fresh program.
inline void loadCharacterFrom(HeadlessServer& fresh, const std::filesystem::path& folder)
{
    std::filesystem::copy(folder / "chars", fresh.user.path() / "chars");
    setUserVar("PlayerName", "Aldric");
    std::string error;
    ASSERT_TRUE(fresh.game->loadCharacter(error)) << error;
}

// What must come back after a save and a load.
struct Kept {
    std::vector<uint8_t> questList;
    std::vector<std::vector<uint8_t>> records;             // per table entry, empty for none
    std::vector<std::pair<std::string, std::string>> npcs; // entry, name
};

inline Kept keep(Game& game)
{
    Kept kept;
    ByteBuffer list;
    game.writeQuestList(list);
    kept.questList = list.bytes();
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        ByteBuffer record;
        const Quest* quest = game.getQuest(i);
        if (quest) {
            quest->write(record);
        }
        kept.records.push_back(record.bytes());
        const auto* npc = quest ? dynamic_cast<const Actor*>(quest->questNpc.get()) : nullptr;
        if (npc && npc->getMonsterType()) {
            kept.npcs.emplace_back(npc->getMonsterType()->getEntryName(), npc->getName());
        }
    }
    return kept;
}

class QuestRun {
public:
    explicit QuestRun(HeadlessServer& program, uint16_t port = 5007) : m_program(program), m_client(port)
    {
        // The game section's quest list: present flag and record, bytes kept.
        m_client.setQuestBodyReader([this](ByteBuffer& in, std::vector<uint8_t>&) {
            const size_t at = in.getReadPos();
            const bool present = in.readBool();
            if (in.failed() || (present && !QuestBase::skip(in, false, Game::kWorldSaveVersion))) {
                return false;
            }
            m_questBytes.insert(m_questBytes.end(), in.data() + at, in.data() + in.getReadPos());
            return true;
        });
    }

    bool join()
    {
        Server::get().start(false, 0, 1, 1, 0);
        m_client.sendNewJoin();
        m_program.app->getHooks().serverReceive(16.0, false);
        ScriptedClient::Joined joined;
        if (!m_client.readJoined(joined)) {
            return false;
        }
        return findPlayer() && waitForTown();
    }
    bool findPlayer()
    {
        const ClientRecord* record = Server::get().findClient(m_client.address());
        m_player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
        return m_player != nullptr;
    }
    bool waitForTown()
    {
        return waitForLevels(m_program.app->getHooks(), [&] { return m_program.world->isLevelLoaded(0); });
    }

    // One frame: the client's input, one server step, the state read.
    // A frame of more than 50 ms runs several steps (at most five).
    void frame(const std::vector<std::string>& lines = {}, uint32_t target = 0xFFFFFFFFu,
               bool newWorld = false, double ms = 50.0, uint32_t action = 0)
    {
        const ZonePosition at = m_player->getPosition();
        m_client.sendInput(at, at, action, target, lines);
        m_program.app->getHooks().serverReceive(ms, false);
        if (newWorld) {
            ScriptedClient::WorldInfo info;
            uint32_t secret = 0;
            ASSERT_TRUE(m_client.readNewWorld(info, secret));
        }
        m_program.app->getHooks().serverUpdate();
        // Every state waiting, the last one kept.
        do {
            m_questBytes.clear();
            m_state = ScriptedClient::State();
            ASSERT_TRUE(m_client.readState(m_state));
            m_lines.insert(m_lines.end(), m_state.lines.begin(), m_state.lines.end());
        } while (m_client.pending() > 0);
    }
    bool saw(const std::string& line) const
    {
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }
    bool sawStarting(const std::string& start) const
    {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    }
    // The quests an NPC's actor section offers, as the client reads them:
    // after fifteen words, a count and the numbers.
    std::vector<int32_t> offeredBy(const Entity* npc) const
    {
        for (const ScriptedClient::EntityRecord& record : m_state.entities) {
            if (record.number != static_cast<uint32_t>(npc->getEntityNumber())) {
                continue;
            }
            ByteBuffer in(record.classSection);
            for (int i = 0; i < 15; ++i) {
                in.readUInt();
            }
            std::vector<int32_t> numbers;
            const uint32_t count = in.readCount(4);
            for (uint32_t i = 0; i < count && !in.failed(); ++i) {
                numbers.push_back(in.readInt());
            }
            return numbers;
        }
        ADD_FAILURE() << "the client does not see NPC " << npc->getEntityNumber();
        return {};
    }
    Actor* townNpc(NpcType type) const
    {
        for (int s = 0; s < m_program.game->getTownNpcCount(); ++s) {
            Actor* npc = m_program.game->getTownNpcAt(s);
            if (npc && static_cast<NpcType>(npc->getNpcType()) == type) {
                return npc;
            }
        }
        return nullptr;
    }
    void standBeside(const Entity* npc)
    {
        ZonePosition at = npc->getPosition();
        at.x += 48.0f;
        m_player->warp(at);
    }

    Player* player() const { return m_player; }
    const std::vector<std::string>& lines() const { return m_lines; }
    const ScriptedClient::State& state() const { return m_state; }
    const std::vector<uint8_t>& clientQuestBytes() const { return m_questBytes; }

private:
    HeadlessServer& m_program;
    ScriptedClient m_client;
    Player* m_player = nullptr;
    ScriptedClient::State m_state;
    std::vector<std::string> m_lines;
    std::vector<uint8_t> m_questBytes;
};
