// Quests through the program's own start-up on the shipped data, with a
// scripted client in the player's place: a new world, three quests generated,
// their lines, traps and NPCs, a quest accepted, a tutorial step completed and
// solved at the Tutor; then the world saved and loaded into a fresh program.
// A level to clear, taken from the Warmaster, counts down in the client's
// quest list and is solved back at the Warmaster.
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/TrapGround.h"
#include "game/quests/Quest.h"
#include "game/world/AreaDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
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
#include <memory>
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

// The quest as the client read it from the game section's quest list.
std::unique_ptr<Quest> asTheClientReadIt(const QuestRun& run, int number)
{
    ByteBuffer in(run.clientQuestBytes());
    while (!in.failed() && in.getReadPos() < in.size()) {
        if (!in.readBool())
            continue;
        auto quest = std::make_unique<Quest>();
        if (!quest->QuestBase::read(in, true, false, Game::kWorldSaveVersion))
            return nullptr;
        if (quest->id == number)
            return quest;
    }
    return nullptr;
}

TEST(QuestsInPlayEndToEnd, ALevelToClearFromTheWarmasterCountsItsKillsAndIsSolvedThere)
{
    HeadlessServer program;
    Game& game = *program.game;
    Random::setState(0, 4242);
    QuestRun run(program);
    ASSERT_TRUE(run.join());
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        game.deleteQuest(i);
    }
    int wildLevel = 1;
    for (int i = 1; i < program.world->getLevelCount() && wildLevel < 2; ++i) {
        wildLevel = program.world->getLevelMonsterLevel(i);
    }
    Player& player = *run.player();
    player.setStat(toIndex(CharacterStat::Level), wildLevel);
    Quest* made = game.generateQuests(toIndex(QuestType::ClearLevel), nullptr, wildLevel);
    ASSERT_NE(made, nullptr);
    const int number = made->id;

    // Offered by the Warmaster and taken through its window's "Accept".
    Actor* warmaster = run.townNpc(NpcType::Warmaster);
    ASSERT_NE(warmaster, nullptr);
    run.standBeside(warmaster);
    run.frame();
    const std::vector<int32_t> offered = run.offeredBy(warmaster);
    ASSERT_NE(std::find(offered.begin(), offered.end(), number), offered.end());
    run.frame({"acceptQuest " + std::to_string(number)});
    Quest* held = game.getQuest(number);
    ASSERT_NE(held, nullptr);
    ASSERT_NE(player.getQuest(0), nullptr);
    EXPECT_EQ(player.getQuest(0)->id, number);
    const std::unique_ptr<Quest> taken = asTheClientReadIt(run, number);
    ASSERT_NE(taken, nullptr);
    EXPECT_NE(taken->getTitle(false, -1), "$$QuestSlotEmpty$$");

    // To its level, where every kill counts.
    const int target = held->getTargetLevel();
    ASSERT_GT(target, 0);
    const Level& level = *program.world->getLevel(target);
    ASSERT_FALSE(level.connections.empty());
    player.warp(level.connections.front().position);
    ASSERT_TRUE(waitForLevels(program.app->getHooks(), [&] {
        run.frame();
        return program.world->isLevelLoaded(target);
    }));
    ASSERT_FALSE(level.definition->getActiveTypes().empty());
    const MonsterType* type = level.definition->getActiveTypes().front();
    auto killOne = [&] {
        Actor* monster =
            program.spawns->spawnMonster(type, target, MonsterRarity::Normal, level.monsterLevel, true);
        ASSERT_NE(monster, nullptr);
        ZonePosition at = player.getPosition();
        at.x += 48.0f;
        ASSERT_TRUE(program.spawns->placeMonster(monster, at, nullptr));
        // The player's blow, as the fight resolves it.
        ASSERT_NE(CombatSystem::instance(), nullptr);
        CombatSystem::instance()->dealDamage(monster, monster->getHealth() + 5, &player, false, false, false);
        ASSERT_TRUE(monster->isDead());
    };
    const int goal = held->goal;
    ASSERT_GT(goal, 1);
    // The quest log shows the player's copy, which the player section carries.
    Quest& logged = *player.getQuest(0);
    ASSERT_NO_FATAL_FAILURE(killOne());
    run.frame();
    EXPECT_EQ(logged.progress, 1);
    const int left = goal - 1;
    EXPECT_EQ(logged.getProgressText(true),
              formatString("%d monster%s left to kill\n", left, left == 1 ? "" : "s"));
    for (int kill = 1; kill < goal; ++kill) {
        ASSERT_NO_FATAL_FAILURE(killOne());
    }
    run.frame();
    EXPECT_TRUE(logged.isComplete());

    // "Complete quest" back at the Warmaster.
    run.standBeside(warmaster);
    run.frame();
    run.frame({"solveQuest"}, static_cast<uint32_t>(warmaster->getEntityNumber()));
    EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestSolved~<"));
    EXPECT_EQ(player.getStatistics()[Player::QuestsSolved], 1);
}

} // namespace
