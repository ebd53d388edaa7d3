#include "engine/object/EventSystem.h"
#include "engine/data/Database.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/SimpleData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace {
struct Creature : Listener {
    std::vector<std::string> seen;
    void onHit(Event& e)
    {
        int amount = e.readInt();
        seen.push_back("hit " + std::to_string(amount));
    }
};

struct EventTest : ::testing::Test {
    LogCapture log;
    EventSystem events;
    ClassRegistry registry;
    const EventType* hit = nullptr;
    const EventType* heard = nullptr;
    const EventType* deleted = nullptr;
    ClassRecord* entity = nullptr;
    ClassRecord* actor = nullptr;
    ClassRecord* sentient = nullptr;

    void SetUp() override
    {
        entity = registry.registerClass(
            "Entity", "Listener",
            [this](ClassRecord&) {
                deleted = events.createEvent("delete");
                hit = events.createEvent("WhenHit");
            },
            [this](ClassRecord& c) {
                c.addEventHandler(deleted->id, [](Listener& l, Event&) {
                    static_cast<Creature&>(l).seen.push_back("entity delete");
                });
                c.addEventHandler(hit->id, &Creature::onHit);
            });
        sentient = registry.registerClass("Sentient", "Entity", nullptr, nullptr);
        actor = registry.registerClass(
            "Actor", "Sentient", [this](ClassRecord&) { heard = events.createEvent("HeardSound"); },
            [this](ClassRecord& c) {
                c.addEventHandler(deleted->id, [](Listener& l, Event&) {
                    static_cast<Creature&>(l).seen.push_back("actor delete");
                });
            });
        registry.declareAllEvents();
        registry.bindAllHandlers();
    }
};
} // namespace

TEST_F(EventTest, TypesAreCreatedOncePerNameWithDenseIds)
{
    EXPECT_EQ(events.getEventTypeCount(), 3u);
    EXPECT_EQ(events.createEvent("WHENHIT"), hit);
    EXPECT_EQ(events.findEvent("heardsound"), heard);
    EXPECT_EQ(events.findEvent("nothing"), nullptr);
    EXPECT_EQ(deleted->id, 0);
    EXPECT_EQ(hit->id, 1);
    EXPECT_EQ(heard->id, 2);
    EXPECT_EQ(events.getEventType(2), heard);
    EXPECT_EQ(events.getEventType(3), nullptr);
}

TEST_F(EventTest, HandlerOfTheClassOrItsNearestAncestorRuns)
{
    Creature plainEntity, someSentient, someActor;
    plainEntity.setClassRecord(entity);
    someSentient.setClassRecord(sentient);
    someActor.setClassRecord(actor);
    Event* e = events.newEventOfType(*deleted);
    std::vector<Listener*> all = {&plainEntity, &someSentient, nullptr, &someActor};
    EXPECT_EQ(broadcastEvent(*e, all), 3);
    EXPECT_EQ(plainEntity.seen, std::vector<std::string>{"entity delete"});
    EXPECT_EQ(someSentient.seen, std::vector<std::string>{"entity delete"});
    EXPECT_EQ(someActor.seen, std::vector<std::string>{"actor delete"});
    // Nobody binds HeardSound.
    Event* sound = events.newEventOfType(*heard);
    EXPECT_EQ(broadcastEvent(*sound, all), 0);
    // A listener without a class receives nothing.
    Creature loner;
    EXPECT_FALSE(deliverEvent(*e, loner));
    events.releaseEvent(e);
    events.releaseEvent(sound);
}

TEST_F(EventTest, EveryReceiverReadsTheArgumentsFromTheStart)
{
    std::vector<std::unique_ptr<Creature>> crowd;
    std::vector<SafePtr<Listener>> list;
    for (int i = 0; i < 3; ++i) {
        crowd.push_back(std::make_unique<Creature>());
        crowd.back()->setClassRecord(actor);
        list.emplace_back(crowd.back().get());
    }
    Event* e = events.newEventOfType(*hit);
    e->writeInt(42);
    EXPECT_EQ(broadcastEvent(*e, list), 3);
    for (const auto& c : crowd) {
        EXPECT_EQ(c->seen, std::vector<std::string>{"hit 42"});
    }
    // A destroyed listener is skipped.
    crowd[1].reset();
    EXPECT_EQ(broadcastEvent(*e, list), 2);
    events.releaseEvent(e);
}

TEST_F(EventTest, ObjectArgumentsReadBackNullOnceDestroyedOrOutOfRange)
{
    auto victim = std::make_unique<Creature>();
    auto attacker = std::make_unique<Creature>();
    Event* e = events.newEventOfType(*hit);
    e->writeObject(victim.get());
    e->writeFloat(2.5f);
    e->writeObject(attacker.get());
    e->writeBool(true);
    e->writeInt(9); // no object 9
    EXPECT_EQ(e->getObjectCount(), 2u);

    attacker.reset();
    e->rewind();
    EXPECT_EQ(e->readObjectAs<Creature>(), victim.get());
    EXPECT_FLOAT_EQ(e->readFloat(), 2.5f);
    EXPECT_EQ(e->readObject(), nullptr);
    EXPECT_TRUE(e->readBool());
    EXPECT_EQ(e->readObject(), nullptr);
    EXPECT_EQ(e->readObject(), nullptr); // past the end
    events.releaseEvent(e);
}

TEST_F(EventTest, PoolReusesReleasedEventsButNotKeptOnes)
{
    Event* a = events.allocEvent();
    EXPECT_TRUE(a->isInUse());
    EXPECT_EQ(a->getTypeId(), -1);
    a->setType(*hit);
    a->writeInt(5);
    a->setKeep(true);
    events.releaseEvent(a);
    EXPECT_TRUE(a->isInUse());
    EXPECT_EQ(events.getFreeCount(), 0u);
    Event* b = events.allocEvent();
    EXPECT_NE(a, b);

    a->setKeep(false);
    events.releaseEvent(a);
    EXPECT_FALSE(a->isInUse());
    EXPECT_EQ(events.getFreeCount(), 1u);
    Event* c = events.newEventOfType(*heard);
    EXPECT_EQ(c, a);
    EXPECT_EQ(c->getName(), "HeardSound");
    EXPECT_EQ(c->args().size(), 0u);
    EXPECT_EQ(c->getObjectCount(), 0u);
    EXPECT_FALSE(c->isKept());
    EXPECT_EQ(events.getInstanceCount(), 2u);

    events.releaseEvent(c);
    events.releaseEvent(c);
    EXPECT_TRUE(log.contains("released twice", 2));
    EXPECT_EQ(events.getFreeCount(), 1u);
    events.releaseEvent(b);
}

TEST_F(EventTest, DelayedEventTargetIsASafePointer)
{
    auto target = std::make_unique<Creature>();
    Event* e = events.newEventOfType(*deleted);
    e->setTarget(target.get());
    e->setDelay(1.5f);
    EXPECT_EQ(e->getTarget(), target.get());
    target.reset();
    EXPECT_EQ(e->getTarget(), nullptr);
    events.releaseEvent(e);
}

TEST(ClassRegistryTest, ParentsOperationsAndUnknownNames)
{
    LogCapture log;
    ClassRegistry registry;
    std::vector<std::string> order;
    ClassRecord* listener = registry.findClass("listener");
    ASSERT_NE(listener, nullptr);
    ClassRecord* entity = registry.registerClass(
        "Entity", "Listener", [&](ClassRecord&) { order.push_back("declare Entity"); },
        [&](ClassRecord&) { order.push_back("bind Entity"); });
    ClassRecord* client = registry.registerClass(
        "EntityClient", "Listener", [&](ClassRecord&) { order.push_back("declare EntityClient"); },
        [&](ClassRecord&) { order.push_back("bind EntityClient"); });
    EXPECT_EQ(registry.registerClass("Listener", "", nullptr, nullptr), listener);
    EXPECT_EQ(entity->getParent(), listener);
    EXPECT_TRUE(client->isA(listener));
    EXPECT_FALSE(client->isA(entity));

    ClassRecord* orphan = registry.registerClass("Orphan", "NoSuchParent", nullptr, nullptr);
    EXPECT_EQ(orphan->getParent(), nullptr);
    EXPECT_TRUE(log.contains("Class Orphan: unknown parent class NoSuchParent", 3));
    // A loop is refused.
    registry.registerClass("Listener", "Entity", nullptr, nullptr);
    EXPECT_EQ(listener->getParent(), nullptr);

    registry.declareAllEvents();
    registry.bindAllHandlers();
    EXPECT_EQ(order, (std::vector<std::string>{"declare Entity", "declare EntityClient", "bind Entity",
                                               "bind EntityClient"}));
}

TEST(SimpleDataTest, WithoutAnEntryFieldsReadAsZero)
{
    struct Definition : SimpleData {
        int loads = 0;
        void loadFromDatabase() override { ++loads; }
    } def;
    EXPECT_EQ(def.getEntry(), nullptr);
    EXPECT_EQ(def.getInt("MaxLevel"), 0);
    EXPECT_FALSE(def.getBool("BaseOnly"));
    EXPECT_EQ(def.getFloat("Speed"), 0.0f);
    def.setEntryByName("NoSuchEntryAnywhere");
    EXPECT_EQ(def.loads, 0);
    EXPECT_EQ(def.getEntry(), nullptr);
}

TEST(SimpleDataTest, FieldsComeFromTheEntryAndItsBase)
{
    LogCapture log;
    Database db;
    db.addSubDatabase("Test", "Test.dbl",
                      "Monster {\n    MaxLevel 12\n    Speed 2.5\n    Flying 1\n}\n"
                      "FastMonster {\n    Base Monster\n    Speed 4.0\n}\n");
    db.resolveBases();
    struct Definition : SimpleData {
        int loads = 0;
        int levelAtLoad = 0;
        void loadFromDatabase() override
        {
            ++loads;
            levelAtLoad = getInt("MaxLevel");
        }
    } def;
    def.setEntryByName("fastmonster");
    ASSERT_NE(def.getEntry(), nullptr);
    EXPECT_EQ(def.getEntryName(), "fastmonster");
    EXPECT_EQ(def.loads, 1);
    EXPECT_EQ(def.levelAtLoad, 12);
    EXPECT_FLOAT_EQ(def.getFloat("Speed"), 4.0f);
    EXPECT_TRUE(def.getBool("Flying"));
    EXPECT_EQ(def.getInt("Missing"), 0);
    // The same entry again, or a missing one, changes nothing.
    def.setEntryByName("FastMonster");
    def.setEntryByName("Nowhere");
    EXPECT_EQ(def.loads, 1);
    def.setEntryByName("Monster");
    EXPECT_EQ(def.loads, 2);
    EXPECT_FLOAT_EQ(def.getFloat("Speed"), 2.5f);
}
