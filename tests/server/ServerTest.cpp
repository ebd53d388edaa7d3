#include "server/Server.h"
#include "engine/console/CommandLine.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Entity.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"
#include "support/GridTopology.h"
#include "support/ScriptedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ServerTest : public ::testing::Test {
protected:
    // The tests count the lines of their own steps, not the new world's
    // (a test world has no spawn system for the covenants' recruits).
    void SetUp() override
    {
        world.server->start(false, 0, 1, 1, 0);
        world.log.clear();
    }

    // One frame of the main loop.
    void frame(uint32_t ms)
    {
        world.server->receiveMessages(ms, false);
        world.server->update();
    }

    TestWorld world;
};

TEST_F(ServerTest, FiftyMillisecondFramesRunOneStepEachAfterTheFirst)
{
    frame(50);
    EXPECT_EQ(world.server->getStepCount(), 0u);
    EXPECT_EQ(world.server->getAccumulator(), 50u);
    for (uint32_t i = 1; i <= 4; ++i) {
        frame(50);
        EXPECT_EQ(world.server->getStepCount(), i);
        EXPECT_EQ(world.server->getAccumulator(), 50u);
    }
    EXPECT_EQ(world.server->getElapsedMs(), 200u);
    EXPECT_FLOAT_EQ(world.server->getElapsedSeconds(), 0.2f);
}

TEST_F(ServerTest, SlowFrameRunsFiveStepsKeepsFiftyAndLosesTheRest)
{
    world.server->receiveMessages(400, false);
    EXPECT_EQ(world.server->getTimeToSimulate(), 250u);
    EXPECT_EQ(world.server->getAccumulator(), 50u);
    world.server->update();
    EXPECT_EQ(world.server->getStepCount(), 5u);
    EXPECT_EQ(world.server->getTimeToSimulate(), 0u);
    EXPECT_NEAR(world.game->getClock().toSeconds(), 0.25, 1e-5);
}

TEST_F(ServerTest, PausedRunsNoStepButStillSendsState)
{
    ScriptedClient client(5003);
    client.sendNewJoin();
    frame(16);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));

    for (const char* var : {"paused", "pausedAuto"}) {
        world.vars.setVar(var, "1");
        EXPECT_TRUE(world.server->isPaused());
        uint32_t steps = world.server->getStepCount();
        uint32_t acc = world.server->getAccumulator();
        frame(100);
        frame(100);
        EXPECT_EQ(world.server->getStepCount(), steps);
        EXPECT_EQ(world.server->getAccumulator(), acc);
        EXPECT_EQ(client.pending(), 2u);
        ASSERT_TRUE(client.readState(state));
        ASSERT_TRUE(client.readState(state));
        world.vars.setVar(var, "0");
    }
    // The client reporting itself paused holds the clock too.
    world.server->receiveMessages(500, true);
    EXPECT_EQ(world.server->getTimeToSimulate(), 0u);
}

TEST_F(ServerTest, InactiveServerDoesNothing)
{
    world.server->setActive(false);
    ScriptedClient client(5003);
    client.sendHello();
    frame(100);
    EXPECT_EQ(world.server->getStepCount(), 0u);
    EXPECT_EQ(client.pending(), 0u);
    EXPECT_FALSE(world.server->isPaused());
}

TEST_F(ServerTest, HelloGetsTwelveByteWorldInformation)
{
    ScriptedClient client(5003);
    client.sendHello();
    frame(16);
    ByteBuffer raw;
    ASSERT_TRUE(client.next(raw));
    EXPECT_EQ(raw.size(), 12u);
    EXPECT_EQ(raw.readUInt(), 2u);
    EXPECT_EQ(world.server->getClientCount(), 0u);
}

TEST_F(ServerTest, JoinListsTheNameTableInIndexOrder)
{
    world.server->registerResourceName("Sounds/b.wav");
    world.server->registerResourceName("Models/BoxMan/boxman.mdl");
    world.server->registerResourceName("Sounds/a.wav");
    // An entry without a name is not listed.
    world.resources.findOrCreateIndex("Textures/unnamed.tga");
    world.server->registerResourceName("Sounds/c.wav");
    world.game->setStartLevel(3);

    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    EXPECT_EQ(joined.level, 3u);
    // The four names above and those the world's own objects use.
    ASSERT_GE(joined.names.size(), 4u);
    for (size_t i = 1; i < joined.names.size(); ++i) {
        EXPECT_LT(joined.names[i - 1].first, joined.names[i].first);
    }
    for (const auto& [index, name] : joined.names) {
        EXPECT_EQ(world.resources.getFileName(static_cast<int>(index)), name);
    }
    EXPECT_EQ(world.server->getClientCount(), 1u);
}

TEST_F(ServerTest, JoinedPlayerGetsItsLevelAndOwnSectionsAndSeesItself)
{
    ScriptedClient client(5003);
    client.sendNewJoin();
    frame(16);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    ASSERT_EQ(world.server->getClientCount(), 1u);
    const int number = world.server->getClient(0)->playerNumber;
    ASSERT_GE(number, 0);
    EXPECT_EQ(world.server->getFirstClientPlayer(), number);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            frame(16);
        }
        ScriptedClient::State state;
        ASSERT_TRUE(client.readState(state));
        // The player's level, then its covenant's section and its own.
        EXPECT_EQ(state.level, joined.level);
        ByteBuffer covenant(state.covenantSection.data(), state.covenantSection.size());
        covenant.readString();
        covenant.readZonePosition();
        EXPECT_EQ(covenant.readInt(), world.game->getPlayerCovenant()->index);
        ByteBuffer player(state.playerSection.data(), state.playerSection.size());
        EXPECT_EQ(player.readInt(), number);
        const auto own = std::find_if(state.entities.begin(), state.entities.end(), [&](const auto& e) {
            return e.number == static_cast<uint32_t>(number);
        });
        EXPECT_NE(own, state.entities.end());
        EXPECT_EQ(client.pending(), 0u);
    }
}

TEST_F(ServerTest, BadMessagesAreDroppedWhole)
{
    ScriptedClient client(5003);
    client.sendNewJoin();
    frame(16);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    world.log.clear();

    // Input ending inside its second position.
    ByteBuffer shortInput;
    shortInput.writeInt(uint32_t(1));
    shortInput.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    shortInput.writeInt(uint32_t(0));
    client.sendRaw(shortInput);
    // A line count beyond the bytes left.
    ByteBuffer hugeCount;
    hugeCount.writeInt(uint32_t(1));
    hugeCount.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    hugeCount.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    hugeCount.writeInt(uint32_t(0));
    hugeCount.writeInt(uint32_t(0));
    hugeCount.writeInt(uint32_t(1000000));
    client.sendRaw(hugeCount);
    // A line without its zero byte.
    ByteBuffer open = hugeCount;
    open.clear();
    open.writeInt(uint32_t(1));
    open.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    open.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    open.writeInt(uint32_t(0));
    open.writeInt(uint32_t(0));
    open.writeInt(uint32_t(1));
    open.reserve("entityInfo 0", 12);
    client.sendRaw(open);
    // Unknown type and an empty datagram: silent.
    ByteBuffer unknown;
    unknown.writeInt(uint32_t(77));
    client.sendRaw(unknown);
    client.sendRaw(ByteBuffer());
    world.server->receiveMessages(16, false);
    EXPECT_EQ(world.log.count(2), 3u);
    EXPECT_TRUE(world.log.contains("message 1 from port 5003 dropped: positions missing", 2));
    EXPECT_TRUE(world.log.contains("line count missing", 2));
    EXPECT_TRUE(world.log.contains("command line missing", 2));
    EXPECT_EQ(world.server->getClientCount(), 1u);
    EXPECT_EQ(client.pending(), 0u);
}

TEST_F(ServerTest, InputFromUnknownAddressIsIgnored)
{
    // The world's own start-up lines come first.
    frame(16);
    world.log.clear();
    ScriptedClient stranger(5004);
    stranger.sendInput(ZonePosition(0, 1, 1), ZonePosition(0, 1, 1), 0, 0xFFFFFFFFu, {"entityInfo 0"});
    frame(16);
    EXPECT_EQ(world.log.count(2), 0u);
    EXPECT_EQ(world.server->getClientCount(), 0u);
    EXPECT_EQ(stranger.pending(), 0u);
}

TEST_F(ServerTest, InputParserFlagsUnusablePositions)
{
    ClientInput input;
    std::string field;
    ByteBuffer m;
    m.writeZonePosition(ZonePosition(0, std::numeric_limits<float>::quiet_NaN(), 1.0f));
    m.writeZonePosition(ZonePosition(0, 1.0f, 1.0f));
    m.writeInt(uint32_t(3));
    m.writeInt(uint32_t(7));
    m.writeInt(uint32_t(2));
    m.writeString("a");
    m.writeString("b c");
    ASSERT_TRUE(input.read(m, field));
    EXPECT_FALSE(input.positionsValid);
    EXPECT_EQ(input.action, 3u);
    EXPECT_EQ(input.target, 7u);
    EXPECT_EQ(input.lines, (std::vector<std::string>{"a", "b c"}));

    ByteBuffer below;
    below.writeZonePosition(ZonePosition(-2, 1.0f, 1.0f));
    below.writeZonePosition(ZonePosition(-1, 1.0f, 1.0f));
    below.writeInt(uint32_t(0));
    below.writeInt(uint32_t(0));
    below.writeInt(uint32_t(0));
    ASSERT_TRUE(input.read(below, field));
    EXPECT_FALSE(input.positionsValid);
}

TEST_F(ServerTest, SecondJoinFromOneAddressReplacesTheRecord)
{
    ScriptedClient client(5003);
    ScriptedClient other(5004);
    client.sendNewJoin();
    other.sendNewJoin();
    world.server->receiveMessages(16, false);
    const int covenants = world.game->getCovenantCount();
    const int entities = world.game->getEntityCount();
    const int firstIndex =
        world.game->getEntity(world.server->getClient(0)->playerNumber)->getCovenantIndex();
    // Joining again, many times, takes the old covenant's place and its house
    // leaves the world with it.
    for (int i = 0; i < 40; ++i) {
        client.sendNewJoin();
        world.server->receiveMessages(16, false);
    }
    EXPECT_EQ(world.server->getClientCount(), 2u);
    EXPECT_TRUE(sameAddress(world.server->getClient(0)->address, client.address()));
    EXPECT_TRUE(sameAddress(world.server->getClient(1)->address, other.address()));
    EXPECT_EQ(world.game->getCovenantCount(), covenants);
    EXPECT_EQ(world.game->getEntityCount(), entities);
    const Entity* rejoined = world.game->getEntity(world.server->getClient(0)->playerNumber);
    ASSERT_NE(rejoined, nullptr);
    EXPECT_EQ(rejoined->getCovenantIndex(), firstIndex);
    EXPECT_EQ(static_cast<const Entity*>(world.game->getCovenant(firstIndex)->getLeader()), rejoined);
}

TEST_F(ServerTest, LinesReachEveryClientOnceInOrderAndSoundsOnlyTheFirst)
{
    GridTopology grid(4096.0f, 4096.0f);
    ScriptedClient first(5003);
    ScriptedClient second(5004);
    first.sendNewJoin();
    second.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(first.readJoined(joined));
    ASSERT_TRUE(second.readJoined(joined));

    // Both viewers stand beside the noise.
    Entity* a = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    Entity* b = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    a->setPosition(ZonePosition(4, 100.0f, 100.0f));
    b->setPosition(ZonePosition(4, 110.0f, 100.0f));
    world.server->getClient(0)->player = a;
    world.server->getClient(1)->player = b;

    ServerLink::queueClientCommand("one");
    ServerLink::queueClientCommand("two");
    a->playSound("Sounds/hit.wav", 400.0f);
    world.server->update();
    for (ScriptedClient* c : {&first, &second}) {
        ScriptedClient::State state;
        ASSERT_TRUE(c->readState(state));
        EXPECT_EQ(state.lines, (std::vector<std::string>{"one", "two"}));
        EXPECT_EQ(state.entities.size(), 2u);
        if (c == &first) {
            ASSERT_EQ(state.sounds.size(), 1u);
            EXPECT_EQ(state.sounds[0].entity, a->getEntityNumber());
            ASSERT_FALSE(state.newNames.empty());
            EXPECT_EQ(state.newNames.back().second, "Sounds/hit.wav");
            EXPECT_EQ(state.sounds[0].nameIndex, static_cast<int32_t>(state.newNames.back().first));
        } else {
            EXPECT_TRUE(state.sounds.empty());
            ASSERT_FALSE(state.newNames.empty()); // names go to every client
            EXPECT_EQ(state.newNames.back().second, "Sounds/hit.wav");
        }
    }
    world.server->update();
    ScriptedClient::State later;
    ASSERT_TRUE(first.readState(later));
    EXPECT_TRUE(later.lines.empty());
    EXPECT_TRUE(later.newNames.empty());
}

TEST_F(ServerTest, SoundsOfAFrameWithoutClientsAreDroppedAfterTheSend)
{
    GridTopology grid(4096.0f, 4096.0f);
    Entity* noise = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    noise->setPosition(ZonePosition(4, 100.0f, 100.0f));
    size_t most = 0;
    for (int step = 0; step < 10000; ++step) {
        noise->playSound("Sounds/hit.wav", 400.0f);
        frame(50);
        most = std::max(most, world.game->getSoundEvents().size());
    }
    EXPECT_EQ(most, 0u);
    EXPECT_EQ(world.server->getStepCount(), 9999u);

    // A client that joins then hears the sounds of its own frames only.
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    world.server->getClient(0)->player = noise;
    noise->playSound("Sounds/hit.wav", 400.0f);
    world.server->update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    EXPECT_EQ(state.sounds.size(), 1u);
}

TEST_F(ServerTest, SoundsBeyondTheirRadiusAreNotSent)
{
    GridTopology grid(4096.0f, 4096.0f);
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    Entity* viewer = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    viewer->setPosition(ZonePosition(4, 100.0f, 100.0f));
    world.server->getClient(0)->player = viewer;
    world.game->playSound("Sounds/far.wav", ZonePosition(4, 600.0f, 100.0f), -1, 500.0f, 0.0f);
    world.game->playSound("Sounds/near.wav", ZonePosition(4, 599.0f, 100.0f), -1, 500.0f, 0.0f);
    world.game->playSound("Sounds/own.wav", ZonePosition(4, 4000.0f, 100.0f), viewer->getEntityNumber(), 1.0f,
                          0.0f);
    world.server->update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    ASSERT_EQ(state.sounds.size(), 2u);
    EXPECT_EQ(state.sounds[0].position.x, 599.0f);
    EXPECT_EQ(state.sounds[1].entity, viewer->getEntityNumber());
}

TEST_F(ServerTest, HealArrivesOnceInTheNextStateMessage)
{
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    Entity* e = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    e->setMaxHealth(100);
    e->setHealth(90);
    EXPECT_EQ(e->heal(50), 10);
    world.server->update();
    world.server->update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    EXPECT_EQ(state.lines,
              (std::vector<std::string>{"dmg " + std::to_string(e->getEntityNumber()) + " +10"}));
    ScriptedClient::State second;
    ASSERT_TRUE(client.readState(second));
    EXPECT_TRUE(second.lines.empty());
}

TEST_F(ServerTest, GameMessageQuotesStayOneArgument)
{
    sendGameMessage("The \"Iron\" Hand fell", 4);
    ASSERT_EQ(world.server->getQueuedCommands().size(), 1u);
    const std::string& line = world.server->getQueuedCommands()[0];
    EXPECT_EQ(line, "msg 4 \"The 'Iron' Hand fell\"");
    std::vector<std::string> words;
    splitCommandLine(line, words);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[2], "The 'Iron' Hand fell");
}

TEST_F(ServerTest, ResourceNamesAreSentOnceEach)
{
    uint32_t first = world.server->registerResourceName("Sounds/x.wav");
    uint32_t again = world.server->registerResourceName("Sounds/x.wav");
    EXPECT_EQ(first, again);
    EXPECT_EQ(world.server->registerResourceName(""), Server::kNoIndex);
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    world.server->update();
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    // Registered twice, named once (beside the world's own names).
    EXPECT_EQ(std::count_if(state.newNames.begin(), state.newNames.end(),
                            [](const auto& entry) { return entry.second == "Sounds/x.wav"; }),
              1);
}

TEST_F(ServerTest, ShutdownDropsClientsAndNames)
{
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    world.server->registerResourceName("Sounds/x.wav");
    world.server->shutdown();
    EXPECT_EQ(world.server->getClientCount(), 0u);
    EXPECT_TRUE(world.server->getResourceNames().empty());
    EXPECT_EQ(world.server->getSocket(), -1);
}

} // namespace

namespace {

TEST_F(ServerTest, ModelIndexArrivesWithItsNameInTheSameMessage)
{
    GridTopology grid(4096.0f, 4096.0f);
    ScriptedClient client(5003);
    client.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    Entity* viewer = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    viewer->setPosition(ZonePosition(4, 100.0f, 100.0f));
    world.server->getClient(0)->player = viewer;
    Entity* dummy = world.game->spawnEntity("TrainingDummy", ZonePosition(4, 200.0f, 100.0f), 0.0f);
    ASSERT_NE(dummy, nullptr);
    world.server->update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    const ScriptedClient::EntityRecord* record = nullptr;
    for (const auto& e : state.entities) {
        if (e.number == static_cast<uint32_t>(dummy->getEntityNumber())) {
            record = &e;
        }
    }
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->entryId, static_cast<uint32_t>(dummy->getEntry()->getId()));
    EXPECT_EQ(record->health, 0);
    EXPECT_EQ(record->fade, 1.0f);
    EXPECT_EQ(record->visualFlags.size(), 8u);
    bool named = false;
    for (const auto& [index, name] : state.newNames) {
        named = named || (index == record->model && name == "Models/BoxMan/boxman.mdl");
    }
    EXPECT_TRUE(named);
    // The halo child is sent too: it stands in the square.
    EXPECT_EQ(state.entities.size(), 3u);
}

} // namespace
