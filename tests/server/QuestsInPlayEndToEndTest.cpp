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
#include "support/QuestRun.h"
#include "support/ScriptedClient.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

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
        // A character of the first wild level whose monsters are above level
        // 1, so its quests find levels of their own (a level-1 one has none
        // beyond the town).
        int wildLevel = 1;
        for (int i = 1; i < program.world->getLevelCount() && wildLevel < 2; ++i) {
            wildLevel = program.world->getLevelMonsterLevel(i);
        }
        run.player()->setStat(toIndex(CharacterStat::Level), wildLevel);
        Quest* rescue = game.generateQuests(toIndex(QuestType::RescueNpc), nullptr, wildLevel);
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
        ASSERT_NO_FATAL_FAILURE(saveCharacterTo(program, kept.path()));
    }

    HeadlessServer fresh;
    ASSERT_NO_FATAL_FAILURE(loadCharacterFrom(fresh, kept.path()));
    const Kept after = keep(*fresh.game);
    EXPECT_EQ(after.questList, before.questList);
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(after.npcs, before.npcs);
    EXPECT_FALSE(before.npcs.empty());
}

} // namespace
