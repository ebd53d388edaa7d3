// Quests through the program's own start-up on the shipped data, with a
// scripted client in the player's place: a new world, three quests generated,
// their lines, traps and NPCs, a quest accepted, a tutorial step completed and
// solved at the Tutor; then the world saved and loaded into a fresh program.
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/TrapGround.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/ScriptedClient.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const ByteBuffer& b)
{
    return std::vector<uint8_t>(b.data(), b.data() + b.size());
}

// What must come back after a save and a load.
struct Kept {
    std::vector<uint8_t> questList;
    std::vector<std::vector<uint8_t>> records;             // per table entry, empty for none
    std::vector<std::pair<std::string, std::string>> npcs; // entry, name
};

Kept keep(Game& game)
{
    Kept kept;
    ByteBuffer list;
    game.writeQuestList(list);
    kept.questList = bytesOf(list);
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        ByteBuffer record;
        const Quest* quest = game.getQuest(i);
        if (quest) {
            quest->write(record);
        }
        kept.records.push_back(bytesOf(record));
        const auto* npc = quest ? dynamic_cast<const Actor*>(quest->questNpc.get()) : nullptr;
        if (npc && npc->getMonsterType()) {
            kept.npcs.emplace_back(npc->getMonsterType()->getEntryName(), npc->getName());
        }
    }
    return kept;
}

class QuestRun {
public:
    explicit QuestRun(HeadlessServer& program) : m_program(program), m_client(5007)
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
    void frame(const std::vector<std::string>& lines = {}, uint32_t target = 0xFFFFFFFFu,
               bool newWorld = false)
    {
        const ZonePosition at = m_player->getPosition();
        m_client.sendInput(at, at, 0, target, lines);
        m_program.app->getHooks().serverReceive(50.0, false);
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
    const std::vector<uint8_t>& clientQuestBytes() const { return m_questBytes; }

private:
    HeadlessServer& m_program;
    ScriptedClient m_client;
    Player* m_player = nullptr;
    ScriptedClient::State m_state;
    std::vector<std::string> m_lines;
    std::vector<uint8_t> m_questBytes;
};

TEST(QuestsInPlayEndToEnd, QuestsAreAnnouncedOfferedTakenSolvedAndKeptThroughASave)
{
    TempDir kept;
    Kept before;
    {
        HeadlessServer program;
        Game& game = *program.game;
        Random::setState(0, 24680);
        QuestRun run(program);
        ASSERT_TRUE(run.join());
        run.frame({"newWorld 1 Average Normal 3"}, 0xFFFFFFFFu, true);
        ASSERT_TRUE(game.isWorldGenerated());
        ASSERT_TRUE(run.findPlayer());
        ASSERT_TRUE(run.waitForTown());

        // The new world's initial quests came with the first step; this run
        // follows quests of its own, which an initial one of a type would
        // refuse as a duplicate.
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            game.deleteQuest(i);
        }
        Quest* traps = game.generateQuests(toIndex(QuestType::TownTraps), nullptr, -1);
        // A character of the first wild level's monsters, whose quests find
        // levels of their own (a level-1 one has none beyond the town).
        run.player()->setStat(toIndex(CharacterStat::Level), program.world->getLevelMonsterLevel(1));
        Quest* rescue = game.generateQuests(toIndex(QuestType::RescueNpc), nullptr, -1);
        Quest* slot = game.generateQuests(toIndex(QuestType::TutorialUseSlot), nullptr, -1);
        ASSERT_NE(traps, nullptr);
        ASSERT_NE(rescue, nullptr);
        ASSERT_NE(slot, nullptr);
        const int trapsNumber = traps->id;
        const int rescueNumber = rescue->id;
        const int slotNumber = slot->id;

        Actor* steward = run.townNpc(NpcType::Steward);
        ASSERT_NE(steward, nullptr);
        run.standBeside(steward);
        run.frame();
        EXPECT_TRUE(run.saw("msg 3 \"$$QuestAnnounceTownTraps$$\""));
        int townTraps = 0;
        for (Entity* entity : game.collectEntitiesOnLevel(0)) {
            const auto* trap = dynamic_cast<const TrapGround*>(entity);
            townTraps += trap && trap->isTownTrap() ? 1 : 0;
        }
        EXPECT_EQ(townTraps, game.getQuest(trapsNumber)->goal);
        const std::vector<int32_t> offered = run.offeredBy(steward);
        EXPECT_NE(std::find(offered.begin(), offered.end(), rescueNumber), offered.end())
            << "the Steward offers " << offered.size() << " quests";

        // Taken: the line, the first slot, and the NPC waiting in its level.
        run.frame({"acceptQuest " + std::to_string(rescueNumber)});
        EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestAccepted~<"));
        ASSERT_NE(run.player()->getQuest(0), nullptr);
        EXPECT_EQ(run.player()->getQuest(0)->id, rescueNumber);
        Quest* held = game.getQuest(rescueNumber);
        ASSERT_NE(held, nullptr);
        const auto* npc = dynamic_cast<const Actor*>(held->questNpc.get());
        ASSERT_NE(npc, nullptr);
        EXPECT_EQ(npc->getMonsterType()->getEntryName().rfind("NpcRescue", 0), 0u);
        EXPECT_EQ(npc->getName(), held->getNpcName());
        EXPECT_EQ(npc->getPosition().zone, held->getTargetLevel());

        // The tutorial step: taken, completed by the client, solved at the Tutor.
        Actor* tutor = game.getTutor() ? game.getTutor() : run.townNpc(NpcType::Tutor);
        ASSERT_NE(tutor, nullptr);
        run.standBeside(tutor);
        run.frame(
            {"acceptQuest " + std::to_string(slotNumber), "completeQuest " + std::to_string(slotNumber)},
            static_cast<uint32_t>(tutor->getEntityNumber()));
        run.frame({"solveQuest"}, static_cast<uint32_t>(tutor->getEntityNumber()));
        EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestSolved~<"));
        EXPECT_EQ(run.player()->getStatistics()[Player::QuestsSolved], 1);
        EXPECT_TRUE(game.hasOpenQuestOfType(toIndex(QuestType::TutorialInvestigateHouse)));

        run.frame();
        before = keep(game);
        ByteBuffer list;
        game.writeQuestList(list);
        // The client's list is the Game's, after its count.
        EXPECT_EQ(run.clientQuestBytes(), std::vector<uint8_t>(list.data() + 4, list.data() + list.size()));
        ASSERT_TRUE(game.saveCharacter());
        FileSystem::get().finishWrites();
        std::filesystem::copy(program.user.path() / "chars", kept.path() / "chars");
    }

    HeadlessServer fresh;
    std::filesystem::copy(kept.path() / "chars", fresh.user.path() / "chars");
    setUserVar("PlayerName", "Aldric");
    std::string error;
    ASSERT_TRUE(fresh.game->loadCharacter(error)) << error;
    const Kept after = keep(*fresh.game);
    EXPECT_EQ(after.questList, before.questList);
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(after.npcs, before.npcs);
    EXPECT_FALSE(before.npcs.empty());
}

} // namespace
