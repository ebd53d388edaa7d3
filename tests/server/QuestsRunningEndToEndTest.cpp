// Quests running through the program's own start-up on the shipped data,
// with a scripted client in the player's place: the initial quests of a new
// world, a kill quest taken, done and solved at the Warmaster, his chat, and
// the world kept through a save. Then twenty game minutes from one stream-0
// state, whose "msg" lines and quest table are kept in
// testdata/quests/running.txt (GLOAM_UPDATE_GOLDEN=1 rewrites it). The two
// runs that must match it are two suites, each a long run and a process of
// its own in ctest.
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Localization.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/quests/NpcChat.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "support/KeptText.h"
#include "support/ProgramRunner.h"
#include "support/QuestRun.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

constexpr uint32_t kNoTarget = 0xFFFFFFFFu;
constexpr int kLevelStat = toIndex(CharacterStat::Level);
constexpr int kMoneyStat = toIndex(CharacterStat::Money);

std::vector<uint8_t> chatBytes(const Game& game)
{
    ByteBuffer out;
    game.writeDynamicChats(out);
    return out.bytes();
}

// The new world, its first step taken, and the player once out of town and
// back: from then on quests and events may come.
void startAndLeaveTown(HeadlessServer& program, QuestRun& run)
{
    ASSERT_TRUE(run.join());
    run.frame({"newWorld 1 Average Normal 3"}, kNoTarget, true);
    ASSERT_TRUE(program.game->isWorldGenerated());
    ASSERT_TRUE(run.findPlayer());
    ASSERT_TRUE(run.waitForTown());
    Level* wild = program.world->getLevel(1);
    ASSERT_NE(wild, nullptr);
    const ZonePosition home = run.player()->getPosition();
    run.player()->warp(wild->randomPositionInArea());
    run.frame();
    ASSERT_TRUE(waitForLevels(program.app->getHooks(), [&] {
        return program.world->isLevelLoaded(1) && !program.world->hasPendingBuilds();
    }));
    run.frame();
    ASSERT_TRUE(program.game->hasLeftTown());
    run.player()->warp(home);
    run.frame();
}

std::string describeQuests(Game& game)
{
    std::ostringstream out;
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        const Quest* quest = game.getQuest(i);
        if (quest) {
            out << "  quest " << i << ' ' << getQuestTypeName(quest->type) << " level " << quest->level
                << " progress " << quest->progress << '/' << quest->goal << (quest->failed ? " failed" : "")
                << '\n';
        }
    }
    return out.str();
}

// Twenty game minutes in frames of five steps; per minute the "msg" lines the
// client received, then the quest table.
std::string twentyMinutes()
{
    HeadlessServer program;
    Random::setState(0, 86420);
    QuestRun run(program, 5011);
    startAndLeaveTown(program, run);
    if (::testing::Test::HasFatalFailure()) {
        return {};
    }
    std::ostringstream out;
    size_t seen = run.lines().size();
    for (int minute = 1; minute <= 20; ++minute) {
        for (int frame = 0; frame < 240; ++frame) {
            run.frame({}, kNoTarget, false, 250.0);
        }
        out << "minute " << minute << '\n';
        for (; seen < run.lines().size(); ++seen) {
            if (run.lines()[seen].rfind("msg ", 0) == 0) {
                out << "  " << run.lines()[seen] << '\n';
            }
        }
        out << describeQuests(*program.game);
    }
    return out.str();
}

void compareWithKept(const std::string& transcript)
{
    ASSERT_FALSE(transcript.empty());
    expectKeptText("quests/running.txt", transcript);
}

TEST(QuestsRunningEndToEnd, AKillQuestIsTakenDoneSolvedAndKeptThroughASave)
{
    TempDir kept;
    Kept before;
    std::vector<uint8_t> chatsBefore;
    {
        HeadlessServer program;
        Game& game = *program.game;
        Random::setState(0, 13579);
        QuestRun run(program);
        startAndLeaveTown(program, run);
        ASSERT_FALSE(::testing::Test::HasFatalFailure());

        // The first step made the initial quests: the story's first, the
        // tutorial's, and those the definitions announce were heard.
        EXPECT_TRUE(game.hasOpenQuestOfType(toIndex(QuestType::StoryKillTurenScout)));
        EXPECT_TRUE(game.hasOpenQuestOfType(toIndex(QuestType::TutorialEquipWeapon)));
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            Quest* quest = game.getQuest(i);
            if (!quest || !quest->definition || !quest->definition->announce || quest->definition->boss) {
                continue;
            }
            const std::string name = getQuestTypeName(quest->type);
            EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestAnnounce" + name) ||
                        run.saw("msg 3 \"" + quest->getTitle(false, -1) + "\""))
                << name;
        }
        ByteBuffer list;
        game.writeQuestList(list);
        EXPECT_EQ(run.clientQuestBytes(), std::vector<uint8_t>(list.data() + 4, list.data() + list.size()));

        // A kill quest at the first wild level's monsters, taken by the client.
        run.player()->setStat(kLevelStat, program.world->getLevelMonsterLevel(1));
        // An initial kill quest at that level would refuse it as a duplicate.
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            if (const Quest* initial = game.getQuest(i);
                initial && initial->type == toIndex(QuestType::KillMonsters)) {
                game.deleteQuest(i);
            }
        }
        Quest* hunt = game.generateQuests(toIndex(QuestType::KillMonsters), nullptr, -1);
        ASSERT_NE(hunt, nullptr);
        const int number = hunt->id;
        run.frame({"acceptQuest " + std::to_string(number)});
        EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestAccepted~<"));
        ASSERT_TRUE(run.player()->hasQuest(number));

        // Its goal in monsters of its type, in its level, killed by the player.
        const MonsterType* type = hunt->getMonsterType(0);
        const int level = hunt->getTargetLevel();
        ASSERT_NE(type, nullptr);
        ASSERT_GE(level, 1);
        run.player()->warp(program.world->getLevel(level)->randomPositionInArea());
        run.frame();
        ASSERT_TRUE(waitForLevels(program.app->getHooks(), [&] {
            return program.world->isLevelLoaded(level) && !program.world->hasPendingBuilds();
        }));
        for (int k = 0; k < hunt->goal; ++k) {
            Actor* victim =
                program.spawns->spawnMonster(type, level, MonsterRarity::Normal, type->getMinLevel());
            ASSERT_NE(victim, nullptr);
            ZonePosition at = run.player()->getPosition();
            at.x += 64.0f;
            victim->setPosition(at);
            ASSERT_GE(game.addEntity(victim), 0);
            CombatSystem::instance()->dealDamage(victim, victim->getMaxHealth() * 10, run.player(), false,
                                                 false, false);
        }
        run.frame();
        run.frame();
        const int slot = run.player()->findQuestSlot(number);
        ASSERT_GE(slot, 0);
        const Quest* copy = run.player()->getQuest(slot);
        ASSERT_TRUE(copy->isComplete())
            << copy->progress << "/" << copy->goal << " of " << type->getEntryName() << " in " << level
            << ", copy of " << getQuestTypeName(copy->type) << " targets " << copy->targets.size();
        // The client's player section carries the completed copy.
        run.frame();
        ByteBuffer record;
        copy->write(record, false);
        const std::vector<uint8_t>& section = run.state().playerSection;
        EXPECT_NE(std::search(section.begin(), section.end(), record.data(), record.data() + record.size()),
                  section.end());

        // Solved at the Warmaster: the line, the experience for the player's
        // level, the money and the count of solved quests.
        Actor* warmaster = run.townNpc(NpcType::Warmaster);
        ASSERT_NE(warmaster, nullptr);
        run.standBeside(warmaster);
        const int money = run.player()->getStat(kMoneyStat);
        const int xp = static_cast<int>(
            std::floor(experienceMultiplierBetweenLevels(hunt->level, run.player()->getStat(kLevelStat)) *
                       static_cast<float>(hunt->xpReward)));
        const int reward = hunt->moneyReward;
        const auto target = static_cast<uint32_t>(warmaster->getEntityNumber());
        run.frame({"solveQuest"}, target);
        EXPECT_TRUE(run.sawStarting("msg 3 \"$$QuestSolved~<"));
        EXPECT_TRUE(run.saw("dmg " + std::to_string(run.player()->getEntityNumber()) + " +" +
                            std::to_string(xp) + "xp"))
            << xp;
        EXPECT_EQ(run.player()->getStat(kMoneyStat), money + reward);
        EXPECT_EQ(run.player()->getStatistics()[Player::QuestsSolved], 1);
        EXPECT_EQ(game.getQuest(number), nullptr);

        // His introduction once, then a line of his chat for the player's level.
        while (game.hasDynamicChat(toIndex(NpcType::Warmaster))) {
            game.takeDynamicChat(toIndex(NpcType::Warmaster));
        }
        run.frame({"getNpcChat"}, target);
        EXPECT_EQ(run.lines().back(), "npcChat \"$$NpcIntroWarmaster~<Aldric@@>~$$\"");
        std::set<std::string> band;
        const float playerLevel = static_cast<float>(run.player()->getStat(kLevelStat));
        for (const std::string& name : warmaster->getMonsterType()->archetype->npcChats) {
            const NpcChat* chat = GameData::get().findNpcChat(name);
            if (chat && chat->dialogType == 0 && chat->minLevel <= playerLevel &&
                playerLevel <= chat->maxLevel) {
                for (const std::string& text : chat->chatTexts) {
                    band.insert("npcChat \"" + wrapText(text.c_str(), "%s", "Aldric") + "\"");
                }
            }
        }
        ASSERT_FALSE(band.empty());
        run.frame({"getNpcChat"}, target);
        EXPECT_EQ(band.count(run.lines().back()), 1u) << run.lines().back();

        // Kept: the quest table and an event line of the town.
        game.addDynamicChat(toIndex(NpcType::Warmaster), "ChatGuardRain", 300.5f);
        run.frame();
        before = keep(game);
        chatsBefore = chatBytes(game);
        ASSERT_NO_FATAL_FAILURE(saveCharacterTo(program, kept.path()));
    }

    HeadlessServer fresh;
    ASSERT_NO_FATAL_FAILURE(loadCharacterFrom(fresh, kept.path()));
    const Kept after = keep(*fresh.game);
    EXPECT_EQ(after.questList, before.questList);
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(chatBytes(*fresh.game), chatsBefore);
    EXPECT_GT(chatsBefore.size(), 4u);
}

TEST(QuestsRunningTranscript, TwentyMinutesGiveTheKeptTranscript)
{
    compareWithKept(twentyMinutes());
}

// The same in a second process: each of the two suites is a long run of its
// own in ctest.
TEST(QuestsRunningTranscriptAgain, TwentyMinutesInAnotherProcessGiveTheSameTranscript)
{
    if (std::getenv("GLOAM_UPDATE_GOLDEN")) {
        GTEST_SKIP() << "the first case writes the file";
    }
    compareWithKept(twentyMinutes());
}

} // namespace
