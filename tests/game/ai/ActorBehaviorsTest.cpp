#include "game/ai/BehaviorBase.h"
#include "game/ai/BehaviorMelee.h"
#include "game/ai/BehaviorStack.h"
#include "game/entities/ActorFixture.h"
#include "support/ScriptedBehavior.h"

#include <gtest/gtest.h>

namespace {

// The selection and notification rules, driven by scripted behaviours.
class ActorBehaviorsTest : public ActorFixture {
protected:
    ActorBehaviorsTest()
    {
        actor = spawn(findType("GoblinWarrior"), 5, 10, 10);
        actor->clearBehaviors();
    }

    ScriptedBehavior* add(const std::string& name, bool startable = false)
    {
        auto behavior = std::make_unique<ScriptedBehavior>(name, &journal);
        behavior->setOwner(actor);
        behavior->startable = startable;
        ScriptedBehavior* raw = behavior.get();
        actor->getBehaviorList().push_back(std::move(behavior));
        return raw;
    }
    void think()
    {
        journal.clear();
        actor->thinkBehaviors(0.05f);
    }
    bool logged(const std::string& call) const
    {
        return std::find(journal.begin(), journal.end(), call) != journal.end();
    }

    Actor* actor = nullptr;
    std::vector<std::string> journal;
};

TEST_F(ActorBehaviorsTest, StoppedBehaviourIsReplacedInTheSameStep)
{
    ScriptedBehavior* melee = add("melee", true);
    ScriptedBehavior* idle = add("idle", false);
    ScriptedBehavior* sleep = add("sleep", true);
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), melee);
    EXPECT_EQ(journal, (std::vector<std::string>{"melee.canStart", "melee.start", "melee.update"}));

    melee->continuable = false;
    melee->startable = false;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), sleep);
    EXPECT_EQ(journal,
              (std::vector<std::string>{"melee.canContinue", "melee.stop", "melee.canStart", "idle.canStart",
                                        "sleep.canStart", "sleep.start", "sleep.update"}));

    // Idle, able now, pre-empts Sleep at once.
    idle->startable = true;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), idle);
    EXPECT_EQ(journal, (std::vector<std::string>{"sleep.canContinue", "melee.canStart", "idle.canStart",
                                                 "sleep.stop", "idle.start", "idle.update"}));
}

TEST_F(ActorBehaviorsTest, EarlierBehaviourPreemptsAndLaterOnesAreNotAsked)
{
    ScriptedBehavior* melee = add("melee", false);
    ScriptedBehavior* idle = add("idle", true);
    add("sleep", true);
    think();
    ASSERT_EQ(actor->getCurrentBehavior(), idle);
    think();
    // The current one stays without a restart; Sleep is never asked.
    EXPECT_EQ(journal, (std::vector<std::string>{"idle.canContinue", "melee.canStart", "idle.update"}));

    melee->startable = true;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), melee);
    EXPECT_EQ(journal, (std::vector<std::string>{"idle.canContinue", "melee.canStart", "idle.stop",
                                                 "melee.start", "melee.update"}));
}

TEST_F(ActorBehaviorsTest, UninterruptibleBehaviourStaysWhateverElseHolds)
{
    ScriptedBehavior* melee = add("melee", false);
    ScriptedBehavior* idle = add("idle", true);
    think();
    ASSERT_EQ(actor->getCurrentBehavior(), idle);
    idle->uninterruptible = true;
    idle->continuable = false;
    melee->startable = true;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), idle);
    EXPECT_EQ(journal, (std::vector<std::string>{"idle.update"}));

    idle->uninterruptible = false;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), melee);
}

TEST_F(ActorBehaviorsTest, StartClearsFinishedAndNothingMatchingLeavesNoneCurrent)
{
    ScriptedBehavior* only = add("only", true);
    only->setFinished(true);
    think();
    EXPECT_FALSE(only->isFinished());
    EXPECT_EQ(actor->getCurrentBehaviorType(), only->getType());

    only->continuable = false;
    only->startable = false;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_EQ(actor->getCurrentBehaviorType(), -1);
    EXPECT_EQ(journal, (std::vector<std::string>{"only.canContinue", "only.stop", "only.canStart"}));

    // An empty list: no current behaviour and no calls.
    actor->clearBehaviors();
    think();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
}

TEST_F(ActorBehaviorsTest, TimersOfEveryBehaviourRunAndUpdateNeedsALivingOwner)
{
    ScriptedBehavior* first = add("first", true);
    ScriptedBehavior* second = add("second", false);
    first->timer.min = first->timer.max = 1.0f;
    second->timer.min = second->timer.max = 1.0f;
    first->timer.startRandom();
    second->timer.startRandom();
    think();
    EXPECT_FLOAT_EQ(first->timer.remaining, 0.95f);
    EXPECT_FLOAT_EQ(second->timer.remaining, 0.95f);
    EXPECT_TRUE(first->timer.listed);

    // A start that kills the owner: no update in that step.
    first->continuable = false;
    first->startable = false;
    second->startable = true;
    second->onStart = [this] { actor->setHealth(0); };
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), second);
    EXPECT_FALSE(logged("second.update"));
}

TEST_F(ActorBehaviorsTest, NotificationsAndEventsReachTheRightBehaviours)
{
    add("first", false);
    add("second", true);
    add("third", false);
    think();
    journal.clear();
    actor->fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), 7);
    EXPECT_EQ(journal,
              (std::vector<std::string>{"first.inactive 4 7", "second.notify 4 7", "third.inactive 4 7"}));

    // "PassToBehavior" goes to the current one only; the on-hit event to
    // all, each reading the arguments from the first.
    const EventType* pass = Actor::getEventType(Actor::PassToBehaviorEvent);
    ASSERT_NE(pass, nullptr);
    Event* event = world.events.newEventOfType(*pass);
    event->writeInt(0);
    event->writeInt(42);
    journal.clear();
    deliverEvent(*event, *actor);
    EXPECT_EQ(journal, (std::vector<std::string>{"second.event PassToBehavior 0"}));

    journal.clear();
    actor->passEventToBehaviors(*event);
    EXPECT_EQ(journal,
              (std::vector<std::string>{"first.event PassToBehavior 0", "second.event PassToBehavior 0",
                                        "third.event PassToBehavior 0"}));
    EXPECT_EQ(event->readInt(), 0);
    world.events.releaseEvent(event);
}

TEST_F(ActorBehaviorsTest, StopThatFiresANotificationIsSafe)
{
    ScriptedBehavior* first = add("first", false);
    ScriptedBehavior* second = add("second", true);
    think();
    second->onStop = [this] { actor->fireSimpleEvent(toIndex(SimpleEvent::Move), -1); };
    first->startable = true;
    think();
    EXPECT_EQ(actor->getCurrentBehavior(), first);
    // During its own stop the old behaviour is still the current one.
    EXPECT_TRUE(logged("second.notify 1 -1"));
    EXPECT_TRUE(logged("first.inactive 1 -1"));
}

TEST_F(ActorBehaviorsTest, PrintInfoNamesTheCurrentBehaviour)
{
    world.log.clear();
    actor->printBehaviorInfo();
    EXPECT_TRUE(world.log.contains("Current behavior: None"));
    add("idle", true);
    think();
    world.log.clear();
    actor->printBehaviorInfo();
    EXPECT_TRUE(world.log.contains("Current behavior: Idle"));
}

TEST_F(ActorBehaviorsTest, NewSetReplacesTheOldOneAndStopsItsCurrent)
{
    ScriptedBehavior* old = add("old", true);
    think();
    ASSERT_EQ(actor->getCurrentBehavior(), old);
    const BehaviorStack* stack = world.game->findBehaviorStack(actor->getMonsterClass());
    ASSERT_NE(stack, nullptr);
    journal.clear();
    actor->setBehaviors(*stack);
    EXPECT_EQ(journal, (std::vector<std::string>{"old.stop"}));
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_EQ(actor->getBehaviors().size(), stack->getBehaviors().size());
}

TEST_F(ActorBehaviorsTest, ActorsOfOneClassRunSeparateCopies)
{
    Actor* other = spawn(findType("GoblinWarrior"), 5, 20, 20);
    Actor* first = spawn(findType("GoblinScout"), 5, 30, 30);
    ASSERT_TRUE(other && first);
    const BehaviorStack* stack = world.game->findBehaviorStack(first->getMonsterClass());
    ASSERT_NE(stack, nullptr);
    ASSERT_EQ(first->getBehaviors().size(), stack->getBehaviors().size());
    ASSERT_EQ(other->getBehaviors().size(), stack->getBehaviors().size());
    for (size_t i = 0; i < stack->getBehaviors().size(); ++i) {
        EXPECT_NE(first->getBehaviors()[i].get(), other->getBehaviors()[i].get());
        EXPECT_EQ(first->getBehaviors()[i]->getOwner(), first);
        EXPECT_EQ(other->getBehaviors()[i]->getOwner(), other);
        EXPECT_EQ(first->getBehaviors()[i]->getType(), stack->getBehaviors()[i]->getType());
    }
    // Parameters are the prototype's; running state stays apart.
    for (size_t i = 0; i < stack->getBehaviors().size(); ++i) {
        auto* proto = dynamic_cast<const BehaviorMelee*>(stack->getBehaviors()[i].get());
        if (!proto) {
            continue;
        }
        auto* a = dynamic_cast<BehaviorMelee*>(first->getBehaviors()[i].get());
        auto* b = dynamic_cast<BehaviorMelee*>(other->getBehaviors()[i].get());
        EXPECT_EQ(a->chaseTime, proto->chaseTime);
        EXPECT_EQ(a->sprintChance, proto->sprintChance);
        a->chasing = true;
        a->gaveUp = true;
        EXPECT_FALSE(b->chasing);
        EXPECT_FALSE(b->gaveUp);
    }
}

} // namespace
