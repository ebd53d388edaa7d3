#include "engine/object/ClassRecord.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/world/Game.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A listener whose "ping" handler records the event's first int argument and
// may run a hook (to schedule from inside a handler).
class Probe : public Listener {
public:
    explicit Probe(ClassRecord* record) : Listener(record) {}
    std::vector<int> seen;
    std::function<void(Event&)> hook;
};

class GameEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClassRecord* record = classes.registerClass(
            "Probe", "Listener", [this](ClassRecord&) { ping = events.createEvent("ping"); },
            [this](ClassRecord& r) {
                r.addEventHandler(ping->id, [](Listener& l, Event& e) {
                    Probe& p = static_cast<Probe&>(l);
                    p.seen.push_back(e.readInt());
                    if (p.hook) {
                        p.hook(e);
                    }
                });
            });
        pong = events.createEvent("pong");
        classes.declareAllEvents();
        classes.bindAllHandlers();
        probeClass = record;
        game = std::make_unique<Game>();
    }

    Event* make(const EventType* type, int value)
    {
        Event* e = events.newEventOfType(*type);
        e->writeInt(value);
        return e;
    }

    LogCapture log;
    EventSystem events;
    ClassRegistry classes;
    ClassRecord* probeClass = nullptr;
    const EventType* ping = nullptr;
    const EventType* pong = nullptr;
    std::unique_ptr<Game> game;
};

TEST_F(GameEventsTest, EqualDelaysFireInSchedulingOrderAndInstancesReturnToPool)
{
    Probe probe(probeClass);
    game->scheduleEvent(&probe, make(ping, 1), 0.1f);
    game->scheduleEvent(&probe, make(ping, 2), 0.1f);
    size_t freeBefore = events.getFreeCount();
    game->updateEvents(0.05f);
    EXPECT_TRUE(probe.seen.empty());
    game->updateEvents(0.05f);
    EXPECT_EQ(probe.seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(game->getPendingEventCount(), 0u);
    EXPECT_EQ(events.getFreeCount(), freeBefore + 2);
}

TEST_F(GameEventsTest, DelayZeroFromHandlerWaitsForNextUpdateButFromOutsideFiresNow)
{
    Probe probe(probeClass);
    probe.hook = [&](Event& e) {
        if (probe.seen.size() == 1) {
            game->scheduleEvent(&probe, make(ping, 2), 0.0f);
        }
    };
    game->scheduleEvent(&probe, make(ping, 1), 0.0f);
    game->updateEvents(0.05f);
    EXPECT_EQ(probe.seen, (std::vector<int>{1}));
    game->updateEvents(0.05f);
    EXPECT_EQ(probe.seen, (std::vector<int>{1, 2}));
}

TEST_F(GameEventsTest, CancelByTypeAndTargetLeavesOthers)
{
    Probe a(probeClass);
    Probe b(probeClass);
    game->scheduleEvent(&a, make(ping, 1), 0.0f);
    game->scheduleEvent(&a, make(pong, 2), 0.0f);
    game->scheduleEvent(&b, make(ping, 3), 0.0f);
    EXPECT_TRUE(game->cancelEvents(ping, &a));
    EXPECT_FALSE(game->cancelEvents(nullptr, &a));
    EXPECT_EQ(game->findEvent(pong, &a)->getTypeId(), pong->id);
    EXPECT_EQ(game->findEvent(ping, &a)->isCancelled(), true);
    game->updateEvents(0.05f);
    EXPECT_TRUE(a.seen.empty()); // "pong" has no handler; "ping" was cancelled
    EXPECT_EQ(b.seen, (std::vector<int>{3}));
    EXPECT_EQ(game->getPendingEventCount(), 0u);

    game->scheduleEvent(&a, make(ping, 4), 0.0f);
    game->scheduleEvent(&b, make(ping, 5), 0.0f);
    game->cancelEventsFor(&a);
    game->updateEvents(0.05f);
    EXPECT_TRUE(a.seen.empty());
    EXPECT_EQ(b.seen, (std::vector<int>{3, 5}));
}

TEST_F(GameEventsTest, DestroyedTargetIsReleasedWithoutCall)
{
    auto probe = std::make_unique<Probe>(probeClass);
    game->scheduleEvent(probe.get(), make(ping, 1), 0.0f);
    size_t freeBefore = events.getFreeCount();
    probe.reset();
    game->updateEvents(0.05f);
    EXPECT_EQ(game->getPendingEventCount(), 0u);
    EXPECT_EQ(events.getFreeCount(), freeBefore + 1);
}

TEST_F(GameEventsTest, KeptInstanceSurvivesFiring)
{
    Probe probe(probeClass);
    Event* kept = make(ping, 7);
    kept->setKeep(true);
    size_t freeBefore = events.getFreeCount();
    game->scheduleEvent(&probe, kept, 0.0f);
    game->updateEvents(0.05f);
    EXPECT_EQ(probe.seen, (std::vector<int>{7}));
    EXPECT_EQ(events.getFreeCount(), freeBefore);
    EXPECT_TRUE(kept->isInUse());
    // Still usable: scheduled again it fires again.
    game->scheduleEvent(&probe, kept, 0.0f);
    game->updateEvents(0.05f);
    EXPECT_EQ(probe.seen, (std::vector<int>{7, 7}));
    kept->setKeep(false);
    events.releaseEvent(kept);
}

TEST_F(GameEventsTest, PendingInstanceCannotBeScheduledTwice)
{
    Probe probe(probeClass);
    Event* e = make(ping, 1);
    EXPECT_TRUE(game->scheduleEvent(&probe, e, 0.5f));
    EXPECT_FALSE(game->scheduleEvent(&probe, e, 0.0f));
    EXPECT_TRUE(log.contains("already pending", 3));
    EXPECT_EQ(game->getPendingEventCount(), 1u);
}

TEST_F(GameEventsTest, HandlerReschedulingItsOwnInstanceKeepsItOutOfThePool)
{
    Probe probe(probeClass);
    probe.hook = [&](Event& e) {
        if (probe.seen.size() < 3) {
            EXPECT_TRUE(game->scheduleEvent(&probe, &e, 0.0f));
        }
    };
    Event* e = make(ping, 9);
    size_t freeBefore = events.getFreeCount();
    game->scheduleEvent(&probe, e, 0.0f);
    for (int i = 0; i < 3; ++i) {
        game->updateEvents(0.05f);
        // While pending again it is not on the free list.
        EXPECT_EQ(events.getFreeCount(), game->isPending(e) ? freeBefore : freeBefore + 1);
    }
    EXPECT_EQ(probe.seen.size(), 3u);
    EXPECT_FALSE(game->isPending(e));
    // One new instance is not the pooled one handed out twice.
    Event* a = events.allocEvent();
    Event* b = events.allocEvent();
    EXPECT_NE(a, b);
    events.releaseEvent(a);
    events.releaseEvent(b);
}

TEST_F(GameEventsTest, ClearReleasesEverything)
{
    Probe probe(probeClass);
    size_t freeBefore = events.getFreeCount();
    game->scheduleEvent(&probe, make(ping, 1), 5.0f);
    game->scheduleEvent(&probe, make(ping, 2), 5.0f);
    game->clear();
    EXPECT_EQ(game->getPendingEventCount(), 0u);
    EXPECT_EQ(events.getFreeCount(), freeBefore + 2);
}

} // namespace
