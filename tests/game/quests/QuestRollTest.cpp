#include "QuestFixture.h"

#include "game/definitions/GameBase.h"
#include "game/quests/QuestDefinition.h"

#include <limits>

namespace {

class QuestRolls : public QuestFixture {};

// Level 10, seed 12345, start 0d 8h, a GoblinScout target (spawn chance 1.0),
// three town NPCs; KillMonsterGroup has a GoblinScout and a Grabnak target.
// Stream 3 from 12345 gives 0.27985, 0.25568, 0.97412, 0.17038, 0.24933.
// Worked by hand, e.g. KillMonsters: goal 4 + trunc(0.27985 × 5) = 5; XP
// 50 + trunc(0.25568 × 51) = 63; money trunc(80 + 80 × 0.97412) = 157;
// deadline 600 + 600 × 0.17038 = 702.23 s. Boss types: trunc(13 × 12) = 156.
struct GoldenRoll {
    QuestType type;
    int goal;
    int textVariant;
    int npcChoice;
    int xp;
    int money;
    int recruitLevel;
    uint32_t npcSeed;
    const char* npcName;
    int targetLevel;
    int secondTargetLevel;
    int deadlineMinutes; // past 0d 8h
    float deadlineSeconds;
};

const GoldenRoll kGolden[] = {
    {QuestType::BossKnight, 1, -1, 0, 156, 20, 0, 0u, "", 5, -1, 19, 44.47f},
    {QuestType::BossLord, 1, -1, 0, 156, 20, 0, 0u, "", 6, -1, 19, 44.47f},
    {QuestType::BossPrince, 1, -1, 0, 156, 20, 0, 0u, "", 7, -1, 19, 44.47f},
    {QuestType::BossKing, 1, -1, 0, 156, 20, 0, 0u, "", 8, -1, 19, 44.47f},
    {QuestType::KillMonsters, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::UniqueMonsterSpotted, 1, 0, 0, 65, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::Assassin, 1, 0, 0, 65, 20, 0, 0u, "", 0, 0, 19, 44.47f},
    {QuestType::MonsterQuestItem, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::LevelQuestItem, 3, 0, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::TownTraps, 3, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::Recruit, 5, -1, 0, 63, 157, 8, 549118299u, "Thermund", 3, -1, 11, 42.23f},
    {QuestType::KillMonsterGroup, 1, 0, 0, 33, 38, 0, 0u, "", 3, -1, 12, 29.60f},
    {QuestType::RescueNpc, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::ClearLevel, 3, 0, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::ScoutLocation, 1, 0, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::Delivery, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::CrystalGain, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::CrystalLoss, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::InfluenceGain, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::InfluenceLoss, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::Uprising, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::Renegade, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::RenegadeAttack, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::GhostRevenge, 1, 0, 0, 65, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::Revenge, 1, -1, 0, 65, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::War, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::Escort, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 3, 4, 19, 44.47f},
    {QuestType::TreasureMap, 1, 0, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::MonsterQuest, 1, 0, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::PoisonedSupply, 3, -1, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::DeadlyPoison, 5, -1, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::Petrify, 5, -1, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::Plague, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::NewNpc, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::TownAttack, 1, -1, 0, 0, 0, 0, 0u, "", 0, 0, 12, 47.91f},
    {QuestType::GuardBreaksFree, 1, -1, 0, 0, 0, 0, 0u, "", 3, -1, 12, 47.91f},
    {QuestType::TutorialEquipWeapon, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::TutorialUseSlot, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::TutorialInvestigateHouse, 1, -1, 0, 88, 132, 0, 0u, "", 3, -1, 16, 18.50f},
    {QuestType::TutorialTalkToQuestGivers, 1, -1, 0, 45, 55, 0, 0u, "", 3, -1, 13, 48.52f},
    {QuestType::TutorialTalkToVendors, 1, -1, 0, 74, 109, 0, 0u, "", 3, -1, 14, 13.42f},
    {QuestType::TutorialCovenantTrade, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::Thief, 1, 0, 0, 13, 20, 0, 549118299u, "Thermund", 0, 0, 19, 44.47f},
    {QuestType::Kidnapping, 1, 2, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::Siege, 3, 2, 0, 38, 60, 0, 0u, "", 1, -1, 19, 44.47f},
    {QuestType::WanderingVendor, 1, -1, 0, 0, 0, 0, 549118299u, "Thermund", 3, -1, 12, 47.91f},
    {QuestType::MonsterScout, 1, 0, 0, 13, 20, 0, 0u, "", 0, 0, 19, 44.47f},
    {QuestType::ArmorsmithMonsterQuestItem, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::WeaponsmithMonsterQuestItem, 5, 0, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::ArmorsmithLevelQuestItem, 3, 0, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::WeaponsmithLevelQuestItem, 3, 0, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::StoryKillTurenScout, 1, -1, 0, 65, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryTurenArmy, 5, -1, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::StoryTurenGraves, 3, -1, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::StoryShankarLuteKefah, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryKillShankarPartner, 1, -1, 0, 65, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryShankarRescue, 1, -1, 0, 13, 20, 0, 549118299u, "Thermund", 3, -1, 19, 44.47f},
    {QuestType::StoryCiglioFindItem, 3, -1, 0, 37, 94, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::StoryKillCiglioGuard, 1, -1, 0, 65, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryCiglioHorde, 5, -1, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::StoryKillDraaienMage, 1, -1, 0, 65, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryDraaienNullifier, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::StoryDraaienArmy, 5, -1, 0, 63, 157, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::WarAgainstBarbarians, 8, 0, 0, 13, 20, 0, 0u, "", 3, -1, 11, 42.23f},
    {QuestType::Meeting, 1, 0, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
    {QuestType::TutorialGetQuest, 1, -1, 0, 13, 20, 0, 0u, "", 3, -1, 19, 44.47f},
};

QuestDefinition* definitionOf(const GameData& data, QuestType type)
{
    return data.getQuestDefinition(toIndex(type));
}

} // namespace

TEST_F(QuestRolls, GoldenRollsForEveryType)
{
    ASSERT_TRUE(loaded);
    ASSERT_EQ(std::size(kGolden), 66u);
    for (const GoldenRoll& g : kGolden) {
        SCOPED_TRACE(getQuestTypeName(toIndex(g.type)));
        TestQuest q;
        q.npcs = {{"Mara", NpcType::Apothecary}, {"Jorn", NpcType::None}, {"Edda", NpcType::Steward}};
        q.setUpType = monster("GoblinScout");
        if (g.type == QuestType::KillMonsterGroup)
            q.setUpTargets = {monster("GoblinScout"), monster("GrabnakTheCruel")};
        roll(q, g.type);
        q.computeTargetLevels();
        EXPECT_EQ(q.goal, g.goal);
        EXPECT_EQ(q.textVariant, g.textVariant);
        EXPECT_EQ(q.npcChoice, g.npcChoice);
        EXPECT_EQ(q.xpReward, g.xp);
        EXPECT_EQ(q.moneyReward, g.money);
        EXPECT_EQ(q.recruitLevel, g.recruitLevel);
        EXPECT_EQ(q.npcSeed, g.npcSeed);
        EXPECT_EQ(q.npcName, g.npcName);
        EXPECT_EQ(q.targetLevel, g.targetLevel);
        EXPECT_EQ(q.secondTargetLevel, g.secondTargetLevel);
        EXPECT_EQ(q.deadline.days, 0);
        EXPECT_EQ(q.deadline.hours, 8);
        EXPECT_EQ(q.deadline.minutes, g.deadlineMinutes);
        EXPECT_NEAR(q.deadline.seconds, g.deadlineSeconds, 0.01f);
    }
}

TEST_F(QuestRolls, NpcClassNameAndTargetLevelsComeFromTheSeed)
{
    ASSERT_TRUE(loaded);
    TestQuest recruit;
    roll(recruit, QuestType::Recruit);
    EXPECT_EQ(recruit.rollNpcClass(), 3); // 0.97412 × 4 → Mage
    EXPECT_TRUE(recruit.isNpcMale());
    EXPECT_EQ(recruit.npcName, "Thermund");

    world.picks.clear();
    TestQuest escort;
    roll(escort, QuestType::Escort);
    escort.computeTargetLevels();
    ASSERT_EQ(world.picks.size(), 2u);
    EXPECT_EQ(world.picks[0].monsterLevel, 10);
    EXPECT_EQ(world.picks[1].monsterLevel, 11);
    for (const FakeQuestWorld::Pick& pick : world.picks) {
        EXPECT_NEAR(pick.roll, 0.27985f, 1e-5f);
        EXPECT_FALSE(pick.aboveGroundOnly);
    }

    // Without a world every pick is -1.
    setQuestWorld(nullptr);
    escort.computeTargetLevels();
    EXPECT_EQ(escort.targetLevel, -1);
    EXPECT_EQ(escort.secondTargetLevel, -1);
    setQuestWorld(&world);

    // StoryShankarRescue draws no class: its NPC is a warrior.
    TestQuest rescue;
    roll(rescue, QuestType::StoryShankarRescue);
    EXPECT_EQ(rescue.rollNpcClass(), 0);
}

TEST_F(QuestRolls, SameSetupRollsTheSameWhateverWasDrawnBetween)
{
    ASSERT_TRUE(loaded);
    for (QuestType type :
         {QuestType::Recruit, QuestType::KillMonsters, QuestType::Siege, QuestType::Escort}) {
        TestQuest a;
        TestQuest b;
        a.setUpType = b.setUpType = monster("GoblinScout");
        roll(a, type, 777, 12);
        for (int i = 0; i < 17; ++i)
            randomFloat(3);
        roll(b, type, 777, 12);
        EXPECT_EQ(a.goal, b.goal);
        EXPECT_EQ(a.xpReward, b.xpReward);
        EXPECT_EQ(a.moneyReward, b.moneyReward);
        EXPECT_EQ(a.npcName, b.npcName);
        EXPECT_EQ(a.npcSeed, b.npcSeed);
        EXPECT_EQ(a.textVariant, b.textVariant);
        EXPECT_EQ(a.recruitLevel, b.recruitLevel);
        EXPECT_EQ(a.deadline, b.deadline);
        EXPECT_EQ(a.placeRoll, b.placeRoll);
    }
}

TEST_F(QuestRolls, SetupKeepsAnUnchangedQuestAndEmptiesForLevelMinusOne)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    q.setUpType = monster("GoblinScout");
    roll(q, QuestType::KillMonsters);
    q.progress = 2;
    EXPECT_FALSE(q.setup(10, GameTime(), 12345, toIndex(QuestType::KillMonsters), 0));
    EXPECT_EQ(q.progress, 2);
    EXPECT_EQ(q.goal, 5);

    EXPECT_FALSE(q.setup(-1, GameTime(), 1, toIndex(QuestType::KillMonsters), 0));
    EXPECT_EQ(q.level, -1);
    EXPECT_EQ(q.goal, 0);
    EXPECT_EQ(q.monsterType, nullptr);

    // ForceLevel 0 keeps the level; above 0 replaces it.
    EXPECT_TRUE(q.setup(7, GameTime(), 1, toIndex(QuestType::Siege), 4));
    EXPECT_EQ(q.level, 7);
    EXPECT_EQ(q.progress, 4);
    definitionOf(*data, QuestType::Meeting)->forceLevel = 30;
    EXPECT_TRUE(q.setup(7, GameTime(), 1, toIndex(QuestType::Meeting), 0));
    EXPECT_EQ(q.level, 30);
}

TEST_F(QuestRolls, SetupWithoutGameDataFails)
{
    data.reset();
    TestQuest q;
    log.clear();
    EXPECT_FALSE(q.setup(10, GameTime(), 12345, toIndex(QuestType::KillMonsters), 0));
    EXPECT_EQ(q.level, -1);
    EXPECT_EQ(q.definition, nullptr);
    EXPECT_EQ(log.count(2), 1u);
    // Nothing to roll on an empty record.
    q.rollChoices(false);
    q.randomizeParameters();
    EXPECT_EQ(q.goal, 0);
}

TEST_F(QuestRolls, SpawnScaledGoalsStayWithinOneAndAHundred)
{
    ASSERT_TRUE(loaded);
    TestQuest none;
    none.setUpType = monster("Ghost"); // spawn chance 0
    roll(none, QuestType::KillMonsters);
    EXPECT_EQ(none.goal, 1);
    TestQuest crowd;
    crowd.setUpType = monster("Rat"); // spawn chance 40: 160 … 320
    roll(crowd, QuestType::KillMonsters);
    EXPECT_EQ(crowd.goal, 100);
    // A non-finite spawn chance never reaches an int conversion.
    monster("Rat")->archetype->spawnChance = std::numeric_limits<float>::infinity();
    TestQuest huge;
    huge.setUpType = monster("Rat");
    roll(huge, QuestType::MonsterQuestItem);
    EXPECT_EQ(huge.goal, 100);
    monster("Rat")->archetype->spawnChance = std::numeric_limits<float>::quiet_NaN();
    TestQuest nan;
    nan.setUpType = monster("Rat");
    roll(nan, QuestType::KillMonsters);
    EXPECT_EQ(nan.goal, 1);
}

TEST_F(QuestRolls, AnEmptyTextListDrawsOnceAndLeavesMinusOne)
{
    ASSERT_TRUE(loaded);
    QuestDefinition* definition = definitionOf(*data, QuestType::KillMonsters);
    definition->textList.clear();
    TestQuest empty;
    ASSERT_TRUE(empty.setup(10, GameTime(), 12345, toIndex(QuestType::KillMonsters), 0));
    empty.rollChoices(false);
    EXPECT_EQ(empty.textVariant, -1);
    uint32_t afterEmpty = Random::getState(3);

    definition->textList = {"QuestOnlyText"};
    TestQuest one;
    ASSERT_TRUE(one.setup(10, GameTime(), 12345, toIndex(QuestType::KillMonsters), 0));
    one.rollChoices(false);
    EXPECT_EQ(one.textVariant, 0);
    EXPECT_EQ(Random::getState(3), afterEmpty);

    // No town NPCs: a DeadlyPoison choice of -1 names nobody.
    TestQuest poison;
    poison.setUpType = monster("GoblinScout");
    roll(poison, QuestType::DeadlyPoison);
    EXPECT_EQ(poison.npcChoice, -1);
    EXPECT_EQ(poison.getNpcName(), "");
}

TEST_F(QuestRolls, DeadlineScalesWithTheDifficultyWhenAsked)
{
    ASSERT_TRUE(loaded);
    GameBase game;
    game.setDifficulty(1); // Champion: 0.5 in the fixture
    definitionOf(*data, QuestType::KillMonsters)->useDifficultyTimeMult = true;
    TestQuest q;
    q.game = &game;
    q.setUpType = monster("GoblinScout");
    roll(q, QuestType::KillMonsters);
    EXPECT_EQ(q.deadline.minutes, 5); // 702.23 × 0.5 = 351.11 s
    EXPECT_NEAR(q.deadline.seconds, 51.11f, 0.01f);
    // Out of range or no game: factor 1.
    game.setDifficulty(9);
    TestQuest r;
    r.game = &game;
    r.setUpType = monster("GoblinScout");
    roll(r, QuestType::KillMonsters);
    EXPECT_EQ(r.deadline.minutes, 11);
}

TEST_F(QuestRolls, KillsProgressAndCompletion)
{
    ASSERT_TRUE(loaded);
    MonsterType* scout = monster("GoblinScout");
    MonsterType* rat = monster("Rat");
    TestQuest kill;
    kill.setUpType = scout;
    roll(kill, QuestType::KillMonsters);
    kill.recordKill(rat, 3);
    EXPECT_EQ(kill.progress, 0);
    EXPECT_FALSE(kill.hasProgress());
    for (int i = 0; i < 7; ++i)
        kill.recordKill(scout, 0);
    EXPECT_EQ(kill.progress, 5); // never past the goal
    EXPECT_TRUE(kill.isComplete());
    kill.fail();
    EXPECT_FALSE(kill.isComplete());
    EXPECT_TRUE(kill.hasProgress());
    int before = kill.progress;
    kill.progress = 0;
    kill.recordKill(scout, 0); // a failed quest counts nothing
    EXPECT_EQ(kill.progress, 0);
    kill.progress = before;

    // Level-bound kills: ClearLevel counts any kill in its level.
    TestQuest clear;
    clear.setUpType = scout;
    roll(clear, QuestType::ClearLevel);
    clear.recordKill(rat, 9);
    EXPECT_EQ(clear.progress, 0);
    clear.recordKill(rat, clear.getTargetLevel());
    EXPECT_EQ(clear.progress, 1);
    clear.recordKill(scout, clear.getTargetLevel()); // the kind it names as well
    EXPECT_EQ(clear.progress, 2);
    TestQuest uprising;
    uprising.setUpType = scout;
    roll(uprising, QuestType::Uprising);
    uprising.recordKill(scout, 9);
    uprising.recordKill(scout, uprising.getTargetLevel());
    EXPECT_EQ(uprising.progress, 1);

    // Target lists: each target below its need counts once per kill.
    TestQuest group;
    group.setUpTargets = {scout, scout, rat};
    roll(group, QuestType::KillMonsterGroup);
    group.goal = 10;
    group.recordKill(scout, 0);
    EXPECT_EQ(group.targets[0].count, 1);
    EXPECT_EQ(group.targets[1].count, 1);
    EXPECT_EQ(group.progress, 2);
    group.recordKill(scout, 0);
    EXPECT_EQ(group.targets[0].count, 1);
    EXPECT_EQ(group.progress, 2);
    EXPECT_FALSE(group.isComplete());
    group.recordKill(rat, 0);
    EXPECT_TRUE(group.isComplete());

    TestQuest war;
    war.setUpType = scout;
    roll(war, QuestType::WarAgainstBarbarians);
    war.progress = 3;
    EXPECT_FALSE(war.hasProgress());

    // No deadline: no time left.
    TestQuest none;
    EXPECT_EQ(none.getTimeLeft(GameTime(0, 8, 0, 0.0f)), 0.0);
    EXPECT_NEAR(kill.getTimeLeft(GameTime(0, 8, 0, 0.0f)), 702.23, 0.01);
    EXPECT_EQ(kill.getTimeLeft(GameTime(1, 0, 0, 0.0f)), 0.0);
}

TEST_F(QuestRolls, TargetListsOfAnyLengthAreSafe)
{
    ASSERT_TRUE(loaded);
    // MonsterQuest sets only the targets it has.
    TestQuest none;
    roll(none, QuestType::MonsterQuest);
    EXPECT_TRUE(none.targets.empty());
    EXPECT_EQ(none.getMonsterType(0), nullptr);
    EXPECT_EQ(none.getMonsterType(-1), nullptr);
    TestQuest one;
    one.setUpTargets = {monster("GoblinScout")};
    roll(one, QuestType::MonsterQuest);
    ASSERT_EQ(one.targets.size(), 1u);
    EXPECT_EQ(one.targets[0].needed, 5);
    EXPECT_EQ(one.getMonsterType(1), nullptr);
    TestQuest two;
    two.setUpTargets = {monster("GoblinScout"), monster("Rat")};
    roll(two, QuestType::MonsterQuest);
    EXPECT_EQ(two.targets[1].needed, 0);

    // The tutorial checklists size their own lists.
    TestQuest house;
    roll(house, QuestType::TutorialInvestigateHouse);
    EXPECT_EQ(house.targets.size(), 6u);
    EXPECT_EQ(house.targets[5].needed, 1);
}

TEST_F(QuestRolls, CopyFromRollsTheSourceAgain)
{
    ASSERT_TRUE(loaded);
    TestQuest source;
    source.setUpTargets = {monster("GoblinScout"), monster("GrabnakTheCruel")};
    roll(source, QuestType::KillMonsterGroup);
    source.id = 7;
    source.setCompleted();
    TestQuest copy;
    copy.copyFrom(&source);
    EXPECT_EQ(copy.id, 7);
    EXPECT_EQ(copy.xpReward, source.xpReward);
    EXPECT_EQ(copy.deadline, source.deadline);
    ASSERT_EQ(copy.targets.size(), 2u);
    EXPECT_TRUE(copy.isComplete());
    copy.copyFrom(nullptr);
    EXPECT_EQ(copy.id, 7);
}
