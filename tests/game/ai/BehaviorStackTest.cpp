#include "game/ai/BehaviorStack.h"

#include "engine/resources/ModelAnimation.h"
#include "game/ai/BehaviorApproach.h"
#include "game/ai/BehaviorBase.h"
#include "game/ai/BehaviorFactory.h"
#include "game/ai/BehaviorSuicide.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Entity.h"
#include "support/ScriptedBehavior.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const char* const kMonsters = R"(
StackPlain {
    Type BehaviorStack
    Behavior Sleep Bogus sleep
}
StackEmpty {
    Type BehaviorStack
}
BehaviorDataDefaultIdle {
    Type BehaviorData
}
IdleCustom {
    Type BehaviorData
}
ClassBase {
    Type MonsterArchetype
    BaseOnly 1
    BehaviorStack StackPlain
}
Plain {
    Base ClassBase
}
Custom {
    Base ClassBase
    IdleData IdleCustom
}
Broken {
    Base ClassBase
    IdleData IdleGone
}
Bare {
    Type MonsterArchetype
}
Missing {
    Type MonsterArchetype
    BehaviorStack StackGone
}
)";

// A database of a few monster classes without the shipped data.
class BehaviorStackTest : public ::testing::Test {
protected:
    BehaviorStackTest() : world(false, false)
    {
        world.database.addSubDatabase("Monster", "monsters.dbl", kMonsters);
        world.database.resolveBases();
        world.data = std::make_unique<GameData>();
        for (const char* name : {"Plain", "Custom", "Broken", "Bare", "Missing"}) {
            world.data->addMonsterArchetype().load(world.database.findEntry(name), 0);
        }
        world.log.clear();
    }
    const MonsterArchetype* archetype(const char* name) const
    {
        return world.data->findDefinitionByName(name);
    }

    TestWorld world;
    std::vector<std::string> journal;
};

TEST_F(BehaviorStackTest, FactoryMakesSleepAndNamesOutOfRangeIdsByNumber)
{
    std::unique_ptr<BehaviorBase> sleep = createBehavior(0);
    ASSERT_TRUE(sleep);
    EXPECT_EQ(sleep->getType(), 0);
    EXPECT_EQ(sleep->getOwner(), nullptr);
    EXPECT_TRUE(sleep->canStart());
    EXPECT_TRUE(sleep->canContinue());
    EXPECT_EQ(world.log.count(3), 0u);

    for (int id : {22, -1, 1000}) {
        world.log.clear();
        std::unique_ptr<BehaviorBase> fallback = createBehavior(id);
        ASSERT_TRUE(fallback);
        EXPECT_EQ(fallback->getType(), 0);
        EXPECT_TRUE(world.log.contains("Could not create behavior " + std::to_string(id), 3)) << id;
    }
    // Every id in range makes its own kind.
    world.log.clear();
    for (int id = 0; id < kActorBehaviorCount; ++id) {
        EXPECT_EQ(createBehavior(id)->getType(), id) << id;
    }
    EXPECT_FALSE(world.log.contains("Could not create behavior"));
}

TEST_F(BehaviorStackTest, LoadKeepsListOrderAndTurnsUnknownNamesIntoSleep)
{
    BehaviorStack stack;
    stack.load(archetype("Plain"), "StackPlain");
    EXPECT_EQ(stack.getMonsterClass(), archetype("Plain"));
    ASSERT_EQ(stack.getBehaviors().size(), 3u);
    for (const auto& behavior : stack.getBehaviors()) {
        EXPECT_EQ(behavior->getType(), 0);
        EXPECT_EQ(behavior->getOwner(), nullptr);
    }
    EXPECT_TRUE(world.log.contains("Unknown ActorBehavior name Bogus", 3));
    EXPECT_EQ(world.log.count(3), 1u);
}

TEST_F(BehaviorStackTest, MissingOrEmptyStackEntryGivesAnEmptyStackSilently)
{
    BehaviorStack missing;
    missing.load(archetype("Missing"), "StackGone");
    EXPECT_TRUE(missing.getBehaviors().empty());
    EXPECT_EQ(missing.getMonsterClass(), archetype("Missing"));
    BehaviorStack empty;
    empty.load(archetype("Plain"), "StackEmpty");
    EXPECT_TRUE(empty.getBehaviors().empty());
    EXPECT_EQ(world.log.count(2) + world.log.count(3), 0u);
}

TEST_F(BehaviorStackTest, FindDataPrefersTheClassEntryThenTheDefaultAndAlwaysReadsTheClass)
{
    ScriptedBehavior custom("b", &journal);
    custom.findData(archetype("Custom"));
    EXPECT_EQ(journal, (std::vector<std::string>{"b.loadData IdleCustom", "b.loadStrings Custom"}));

    journal.clear();
    ScriptedBehavior plain("b", &journal);
    plain.findData(archetype("Plain"));
    EXPECT_EQ(journal,
              (std::vector<std::string>{"b.loadData BehaviorDataDefaultIdle", "b.loadStrings Plain"}));
    EXPECT_EQ(world.log.count(3), 0u);

    journal.clear();
    ScriptedBehavior broken("b", &journal);
    broken.findData(archetype("Broken"));
    EXPECT_TRUE(world.log.contains("Couldn't find behavior data IdleGone", 3));
    EXPECT_EQ(journal,
              (std::vector<std::string>{"b.loadData BehaviorDataDefaultIdle", "b.loadStrings Broken"}));

    // Without a default entry the construction values stand; the class entry
    // is still read.
    journal.clear();
    ScriptedBehavior melee("b", &journal, static_cast<int>(ActorBehavior::Melee));
    melee.findData(archetype("Plain"));
    EXPECT_EQ(journal, (std::vector<std::string>{"b.loadStrings Plain"}));

    journal.clear();
    ScriptedBehavior none("b", &journal);
    none.findData(nullptr);
    EXPECT_TRUE(journal.empty());
}

TEST_F(BehaviorStackTest, InstancesAreFreshCopiesOwnedByTheirList)
{
    BehaviorStack stack;
    stack.load(archetype("Plain"), "StackPlain");
    BehaviorList first;
    BehaviorList second;
    auto* owner = reinterpret_cast<Actor*>(&journal); // only compared
    stack.createInstances(owner, first);
    stack.createInstances(nullptr, second);
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_NE(first[i].get(), stack.getBehaviors()[i].get());
        EXPECT_NE(first[i].get(), second[i].get());
        EXPECT_EQ(first[i]->getOwner(), owner);
        EXPECT_EQ(first[i]->getType(), stack.getBehaviors()[i]->getType());
    }
    // Appends to what the list holds.
    stack.createInstances(owner, first);
    EXPECT_EQ(first.size(), 6u);
}

TEST_F(BehaviorStackTest, GameBuildsOneTemplatePerClassThatNamesAStack)
{
    world.game = std::make_unique<Game>();
    world.game->createBehaviorStacks();
    // Plain, Custom, Broken and Missing name a stack; Bare does not.
    ASSERT_EQ(world.game->getBehaviorStacks().size(), 4u);
    EXPECT_EQ(world.game->getBehaviorStacks()[0]->getMonsterClass(), archetype("Plain"));
    EXPECT_EQ(world.game->findBehaviorStack(archetype("Bare")), nullptr);
    const BehaviorStack* missing = world.game->findBehaviorStack(archetype("Missing"));
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->getBehaviors().empty());

    BehaviorList list;
    world.game->copyBehaviorStack(archetype("Bare"), nullptr, list);
    EXPECT_TRUE(list.empty());
    world.game->copyBehaviorStack(archetype("Custom"), nullptr, list);
    EXPECT_EQ(list.size(), 3u);

    // Building again replaces rather than appends.
    world.game->createBehaviorStacks();
    EXPECT_EQ(world.game->getBehaviorStacks().size(), 4u);
}

} // namespace

namespace {

TEST(ShippedBehaviorStacks, EveryClassStackResolvesCleanlyAndMeleeComesWithReturnHome)
{
    TestWorld world;
    EXPECT_FALSE(world.log.contains("Could not create behavior"));
    EXPECT_FALSE(world.log.contains("Couldn't find behavior data"));
    EXPECT_FALSE(world.log.contains("Unknown ActorBehavior name"));
    const Database& db = world.database;
    size_t named = 0;
    for (const auto& archetype : world.data->getMonsterArchetypes()) {
        if (db.getString(archetype->getEntry(), "BehaviorStack").empty()) {
            continue;
        }
        ++named;
        const BehaviorStack* stack = world.game->findBehaviorStack(archetype.get());
        ASSERT_NE(stack, nullptr) << archetype->getEntryName();
        EXPECT_FALSE(stack->getBehaviors().empty()) << archetype->getEntryName();
        bool melee = false;
        bool home = false;
        for (const auto& behavior : stack->getBehaviors()) {
            melee = melee || behavior->getType() == static_cast<int>(ActorBehavior::Melee);
            home = home || behavior->getType() == static_cast<int>(ActorBehavior::ReturnHome);
        }
        // A chase given up stops the target scan until ReturnHome stops.
        EXPECT_TRUE(!melee || home) << archetype->getEntryName();
    }
    EXPECT_EQ(world.game->getBehaviorStacks().size(), named);
}

} // namespace

namespace {

TEST(ShippedBehaviorStacks, BloaterWalksUpAndBurstsWithinSixty)
{
    TestWorld world;
    const MonsterArchetype* bloater = world.data->findDefinitionByName("Bloater");
    ASSERT_NE(bloater, nullptr);
    const BehaviorStack* stack = world.game->findBehaviorStack(bloater);
    ASSERT_NE(stack, nullptr);
    ASSERT_EQ(stack->getBehaviors().size(), 4u);
    const auto* suicide = dynamic_cast<const BehaviorSuicide*>(stack->getBehaviors()[0].get());
    const auto* approach = dynamic_cast<const BehaviorApproach*>(stack->getBehaviors()[1].get());
    ASSERT_TRUE(suicide && approach);
    EXPECT_FLOAT_EQ(suicide->maxSuicideRange, 60.0f);
    // It keeps walking until it is close enough to burst.
    EXPECT_LT(approach->maxOptimalRange, suicide->maxSuicideRange);
    EXPECT_FALSE(bloater->deathSkill.empty());
}

} // namespace

namespace {

TEST(ShippedBehaviorStacks, TogetherTheyHoldEveryMonsterBehaviourType)
{
    TestWorld world;
    std::set<int> held;
    for (const auto& stack : world.game->getBehaviorStacks()) {
        for (const auto& behavior : stack->getBehaviors()) {
            held.insert(behavior->getType());
        }
    }
    using B = ActorBehavior;
    for (B type : {B::Sleep,         B::Idle,      B::Melee,        B::ReturnHome,  B::Ranged,
                   B::Approach,      B::Retreat,   B::Suicide,      B::Teleport,    B::RaiseDead,
                   B::DestroyCorpse, B::EatCorpse, B::FollowLeader, B::AvoidLeader, B::TeleportToLeader,
                   B::TeleportRaid,  B::UseSkill,  B::Spawner,      B::Pray,        B::Adventure,
                   B::Jump}) {
        EXPECT_EQ(held.count(static_cast<int>(type)), 1u) << getActorBehaviorName(static_cast<int>(type));
    }
}

} // namespace

namespace {

// A leaper's model must say when it is airborne, or the jump never happens.
TEST(ShippedBehaviorStacks, EveryLeapersModelHasAJumpWithItsFlightMarkersInOrder)
{
    TestWorld world;
    int leapers = 0;
    for (const auto& archetype : world.data->getMonsterArchetypes()) {
        const BehaviorStack* stack = world.game->findBehaviorStack(archetype.get());
        bool jumps = false;
        for (size_t i = 0; stack && i < stack->getBehaviors().size(); ++i) {
            jumps = jumps || stack->getBehaviors()[i]->getType() == static_cast<int>(ActorBehavior::Jump);
        }
        if (!jumps) {
            continue;
        }
        ++leapers;
        Entity body;
        body.setModel(archetype->modelName);
        const ModelAnimation* jump = body.getAnimationByName("jump");
        ASSERT_NE(jump, nullptr) << archetype->getEntryName() << " " << archetype->modelName;
        EXPECT_LT(ModelAnimation::getEventFrame(jump, "startMarker"),
                  ModelAnimation::getEventFrame(jump, "endMarker"))
            << archetype->getEntryName();
    }
    EXPECT_GE(leapers, 2); // the spiders and their matriarch
}

} // namespace
