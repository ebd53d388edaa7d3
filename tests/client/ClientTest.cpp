#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/EngineCommands.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/MemorySystem.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/SystemInfo.h"
#include "support/ClientMessageBytes.h"
#include "support/TestEntityMirror.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace CMB = ClientMessageBytes;

namespace {
constexpr int kKeyX = 0x2D; // X
}

namespace {

// The engine systems the client talks to, a client with its commands and a
// client game state without game data.
class ClientTest : public ::testing::Test {
protected:
    ClientTest()
    {
        registerEngineCommands();
        client.registerCommands();
        commands.setForwarder([this](const std::string& line) { client.queueServerCommand(line); });
        GameClient::registerCommands();
    }
    ~ClientTest() override
    {
        GameClient::destroy();
        client.shutdown();
        MemorySystem::setThreshold(0);
    }

    void join()
    {
        NetAddress server;
        getLocalAddress(server, kServerPort);
        ByteBuffer joined = CMB::joined(0);
        client.dispatchMessage(joined, server);
        ASSERT_TRUE(client.isJoined());
    }
    void deliver(ByteBuffer message)
    {
        NetAddress server;
        getLocalAddress(server, kServerPort);
        client.dispatchMessage(message, server);
    }
    std::string var(const char* name) { return vars.findVar(name) ? vars.findVar(name)->getString() : ""; }

    LogCapture log;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Input input;
    SystemInfo info;
    VirtualKeys keys;
    DebugConsole console;
    Client client;
};

// Reads the messages waiting for a port.
std::vector<ByteBuffer> takeAll(int endpoint)
{
    std::vector<ByteBuffer> out;
    ByteBuffer message;
    NetAddress sender;
    while (receiveDatagram(endpoint, message, sender)) {
        out.push_back(message);
    }
    return out;
}

} // namespace

TEST_F(ClientTest, StateMessageAppliesNamesLinesThenGameSection)
{
    join();
    float v4SeenByLine = -1.0f;
    commands.registerCommand([&](const CommandArgs&) { v4SeenByLine = GameClient::get().getValueV4(); },
                             "probeLine", "", "", "", false, 0);
    CMB::StateValues s;
    s.names = {{70, "Models/none.mdl"}};
    // A line the client does not know is named, and the rest still run.
    s.lines = {"noSuchLine 4", "set clientProbe 5", "probeLine", "dmg 3 +10"};
    s.game.v4 = 3.5f;
    s.game.v1 = 2.0f;
    s.game.v2 = 0.5f;
    s.game.v3 = 4;
    s.game.time.minutes = 9;
    s.game.named = {{1, "One"}, {2, "Two"}};
    s.game.quests = {1, -1, 2};
    s.game.covenants = 2;
    deliver(CMB::state(s));

    ASSERT_EQ(client.getResourceNames().size(), 71u);
    for (size_t i = 0; i < 70; ++i) {
        EXPECT_TRUE(client.getResourceNames()[i].name.empty());
        EXPECT_EQ(client.getResourceNames()[i].handle.getIndex(), -1);
    }
    EXPECT_EQ(client.getResourceName(70), "Models/none.mdl");
    EXPECT_EQ(client.getResourceName(71), "");
    EXPECT_EQ(client.getResourceName(-1), "");
    EXPECT_EQ(var("clientProbe"), "5");
    // The line ran before the game section of its own message was stored.
    EXPECT_FLOAT_EQ(v4SeenByLine, 12.0f);
    GameClient& game = GameClient::get();
    EXPECT_FLOAT_EQ(game.getValueV4(), 3.5f);
    EXPECT_FLOAT_EQ(game.getScaleFactor1(), 2.0f);
    EXPECT_FLOAT_EQ(game.getScaleFactor2(), 0.5f);
    EXPECT_EQ(game.getDifficulty(), 4);
    EXPECT_EQ(game.getGameTime().minutes, 9);
    EXPECT_EQ(game.getCovenantCount(), 2u);
    EXPECT_EQ(game.getNamedNames(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(game.getNamedNumbers(), (std::vector<uint32_t>{1, 2}));
    EXPECT_FLOAT_EQ(game.getWindX(), 1.5f);
    EXPECT_TRUE(game.isLoaded());

    size_t unknown = 0;
    for (const auto& line : log.lines()) {
        unknown += line.text.find("Unknown command - dmg") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(unknown, 0u);
    EXPECT_TRUE(log.contains("Unknown command - noSuchLine 4\n"));
    EXPECT_FALSE(log.contains("cmdlist"));
}

TEST_F(ClientTest, DroppedMessageChangesNothing)
{
    join();
    CMB::StateValues first;
    first.names = {{2, "Models/a.mdl"}};
    first.game.v4 = 5.0f;
    deliver(CMB::state(first));
    client.queueServerCommand("waiting");
    vars.setVar("clientProbe", "1");

    CMB::StateValues s;
    s.names = {{9, "Models/b.mdl"}};
    s.lines = {"set clientProbe 5"};
    s.game.v4 = 9.0f;
    s.game.named = {{1, "x"}};
    ByteBuffer whole = CMB::state(s);
    std::vector<ByteBuffer> bad;
    for (size_t length = 4; length < whole.size(); ++length) {
        bad.emplace_back(whole.data(), length);
    }
    CMB::StateValues farName;
    farName.names = {{65536, "Models/c.mdl"}};
    bad.push_back(CMB::state(farName));
    CMB::StateValues farEntity;
    farEntity.lines = {"set clientProbe 7"};
    farEntity.entities = {1000};
    bad.push_back(CMB::state(farEntity));

    for (ByteBuffer& message : bad) {
        log.clear();
        deliver(message);
        EXPECT_EQ(log.count(2), 1u) << message.size();
        EXPECT_TRUE(log.contains("Client: message 3 dropped"));
    }
    EXPECT_EQ(client.getResourceNames().size(), 3u);
    EXPECT_EQ(client.getQueuedCommands(), (std::vector<std::string>{"waiting"}));
    EXPECT_EQ(var("clientProbe"), "1");
    EXPECT_FLOAT_EQ(GameClient::get().getValueV4(), 5.0f);
    EXPECT_TRUE(GameClient::get().getNamedNames().empty());
}

TEST_F(ClientTest, ResourceNameTableIsBoundedByItsBytes)
{
    join();
    const size_t big = Client::kMaxResourceNameBytes / 64;
    CMB::StateValues s;
    for (uint32_t i = 0; i < 66; ++i) {
        s.names.push_back({i, std::string(big, 'a')});
    }
    log.clear();
    deliver(CMB::state(s));
    // Exactly full after 64 names; the two after are refused, one line each.
    EXPECT_EQ(client.getResourceName(63).size(), big);
    EXPECT_EQ(client.getResourceName(64), "");
    EXPECT_EQ(client.getResourceName(65), "");
    EXPECT_EQ(log.count(2), 2u);
    EXPECT_TRUE(log.contains("resource name 65"));
    EXPECT_FALSE(client.getDroppedCount() > 0);

    // A replaced name gives its bytes back, to the byte.
    CMB::StateValues more;
    more.names = {{0, "Models/a.mdl"}, {64, std::string(big - 12, 'b')}, {65, "c"}, {0, ""}, {65, "c"}};
    log.clear();
    deliver(CMB::state(more));
    EXPECT_EQ(client.getResourceName(64).size(), big - 12);
    EXPECT_EQ(client.getResourceName(0), "");
    EXPECT_EQ(client.getResourceName(65), "c");
    EXPECT_EQ(log.count(2), 1u);

    // Leaving the game empties the table and its count.
    client.shutdown();
    join();
    CMB::StateValues again;
    for (uint32_t i = 0; i < 64; ++i) {
        again.names.push_back({i, std::string(big, 'd')});
    }
    log.clear();
    deliver(CMB::state(again));
    EXPECT_EQ(client.getResourceName(63).size(), big);
    EXPECT_EQ(log.count(2), 0u);
}

TEST_F(ClientTest, StateBeforeJoiningChangesNothing)
{
    CMB::StateValues s;
    s.names = {{4, "Models/a.mdl"}};
    s.lines = {"set clientProbe 5"};
    deliver(CMB::state(s));
    EXPECT_TRUE(client.getResourceNames().empty());
    EXPECT_EQ(var("clientProbe"), "");
    EXPECT_FALSE(GameClient::get().isLoaded());
}

TEST_F(ClientTest, StaleMirrorsGoAtTheEndOfTheMessage)
{
    join();
    GameClient& game = GameClient::get();
    game.setEntity(4, std::make_unique<TestEntityMirror>());
    game.setEntity(5, std::make_unique<TestEntityMirror>());
    CMB::StateValues s;
    s.entities = {4};
    deliver(CMB::state(s));
    EXPECT_NE(game.getEntity(4), nullptr);
    EXPECT_EQ(game.getEntity(5), nullptr);
    EXPECT_EQ(game.getEntity(-1), nullptr);
    EXPECT_EQ(game.getEntity(1000), nullptr);
    deliver(CMB::state({}));
    EXPECT_EQ(game.getEntity(4), nullptr);
}

TEST_F(ClientTest, InputMessageCarriesQueuedLinesOldestFirst)
{
    ASSERT_TRUE(client.connect());
    NetAddress serverAddress;
    getLocalAddress(serverAddress, kServerPort);
    int server = openUdpSocket(serverAddress);
    ASSERT_GE(server, 0);
    std::vector<ByteBuffer> hello = takeAll(server);
    ASSERT_EQ(hello.size(), 1u);
    EXPECT_EQ(hello[0].size(), 4u);
    join();

    client.think(0.05);
    std::vector<ByteBuffer> sent = takeAll(server);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 40u);
    EXPECT_EQ(sent[0].readUInt(), 1u);
    EXPECT_EQ(sent[0].readInt(), -1);

    client.queueServerCommand("useSkill 0 0 -1 0 0.5 1.5");
    client.think(0.05);
    sent = takeAll(server);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 66u);

    executeCommandLine("serverCommand a b c");
    executeCommandLine("serverCommand \"useItem 3 4\"");
    EXPECT_EQ(client.getQueuedCommands(), (std::vector<std::string>{"a b c", "useItem 3 4"}));
    client.think(0.05);
    sent = takeAll(server);
    ASSERT_EQ(sent.size(), 1u);
    ByteBuffer& m = sent[0];
    m.setReadPos(36);
    EXPECT_EQ(m.readUInt(), 2u);
    EXPECT_EQ(m.readString(), "a b c");
    EXPECT_EQ(m.readString(), "useItem 3 4");
    EXPECT_TRUE(client.getQueuedCommands().empty());

    // A typed command with only a server handler goes to the queue.
    commands.registerServerCommand([](const CommandArgs&, Player*) {}, "i", "acceptQuestProbe", "quest", "",
                                   false, false, 0);
    commands.execute("acceptQuestProbe 3", nullptr, false, false);
    EXPECT_EQ(client.getQueuedCommands(), (std::vector<std::string>{"acceptQuestProbe 3"}));

    // Paused: still one message per frame, same positions.
    vars.setVar("paused", "1");
    EXPECT_TRUE(client.isPaused());
    client.think(0.05);
    client.think(0.05);
    sent = takeAll(server);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].size(), 40u + 19u);
    EXPECT_EQ(sent[1].size(), 40u);
    closeUdpSocket(server);
}

TEST_F(ClientTest, WorldInfoIsAnsweredWithTheJoinSections)
{
    vars.setVar("PlayerName", "Aldric");
    vars.setVar("CovenantName", "Red Hand");
    ASSERT_TRUE(client.connect());
    NetAddress serverAddress;
    getLocalAddress(serverAddress, 5010);
    int server = openUdpSocket(serverAddress);
    ByteBuffer info;
    info.writeInt(uint32_t(2));
    info.writeInt(uint32_t(0));
    info.writeInt(uint32_t(0));
    for (int round = 0; round < 2; ++round) {
        client.dispatchMessage(info, serverAddress);
        std::vector<ByteBuffer> sent = takeAll(server);
        ASSERT_EQ(sent.size(), 1u);
        ByteBuffer& join = sent[0];
        // No class database here: the class index is 0.
        EXPECT_EQ(join.size(), 32u);
        EXPECT_EQ(join.readUInt(), 4u);
        EXPECT_EQ(join.readUInt(), 0u);
        EXPECT_EQ(join.readString(), "Red Hand");
        EXPECT_EQ(join.readUInt(), 0u);
        EXPECT_EQ(join.readString(), "Aldric");
        EXPECT_EQ(join.readUInt(), 0u);
        EXPECT_EQ(client.getServerAddress().port, 5010);
    }
    closeUdpSocket(server);
}

TEST_F(ClientTest, NoAnswerIsLoggedOnceAfterFiveSeconds)
{
    ASSERT_TRUE(client.connect());
    for (int frame = 0; frame < 99; ++frame) {
        client.think(0.05);
    }
    EXPECT_FALSE(log.contains("No answer from a server on port 5002"));
    for (int frame = 0; frame < 101; ++frame) {
        client.think(0.05);
    }
    EXPECT_FALSE(client.isJoined());
    EXPECT_TRUE(client.isConnected());
    size_t lines = 0;
    for (const auto& line : log.lines()) {
        lines += line.text.find("No answer from a server on port 5002") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(sockets.getStats(kServerPort).packetsSent, 1u);
}

TEST_F(ClientTest, TakenPortConnectsNothingAndTriesAgain)
{
    NetAddress own;
    getLocalAddress(own, kClientPort);
    int taken = openUdpSocket(own);
    ASSERT_GE(taken, 0);
    EXPECT_FALSE(client.connect());
    EXPECT_FALSE(client.isConnected());
    EXPECT_TRUE(log.contains("cannot open port 5003", 3));
    EXPECT_EQ(sockets.getStats(kServerPort).packetsSent, 0u);
    closeUdpSocket(taken);
    EXPECT_TRUE(client.connect());
    EXPECT_TRUE(client.isConnected());
    EXPECT_EQ(sockets.getStats(kServerPort).packetsSent, 1u);
}

TEST_F(ClientTest, PausingRules)
{
    vars.setVar("paused", "1");
    EXPECT_FALSE(client.isPaused());
    client.setAutoPause();
    EXPECT_EQ(var("pausedAuto"), "0");
    join();
    EXPECT_TRUE(client.isPaused());
    vars.setVar("paused", "0");
    EXPECT_FALSE(client.isPaused());
    client.setAutoPause();
    EXPECT_TRUE(client.isPaused());
    vars.setVar("pausedAuto", "0");
    info.setActive(false);
    EXPECT_TRUE(client.isPaused());
    vars.setVar("pauseWhenInactive", "0");
    EXPECT_FALSE(client.isPaused());
}

TEST_F(ClientTest, PausedClientHoldsTheAutosave)
{
    join();
    deliver(CMB::state({}));
    vars.setVar("autoSaveTime", "1");
    vars.setVar("paused", "1");
    for (int frame = 0; frame < 20; ++frame) {
        client.think(0.25);
    }
    EXPECT_FALSE(GameClient::get().getAutoSave().active);
    EXPECT_EQ(GameClient::get().getAutomaticSaveCount(), 0u);
    vars.setVar("paused", "0");
    for (int frame = 0; frame < 5; ++frame) {
        client.think(0.25);
    }
    EXPECT_EQ(GameClient::get().getAutomaticSaveCount(), 1u);
}

TEST_F(ClientTest, KeyRouting)
{
    std::vector<std::string> bound;
    commands.registerCommand([&](const CommandArgs&) { bound.push_back("x"); }, "probeBinding", "", "", "",
                             false, 0);
    keys.declareAction("Probe", kKeyX, false, "probeBinding");
    std::vector<int> hooked;

    // A repeat never reaches a binding.
    client.onKeyPress(kKeyX, true, true);
    EXPECT_TRUE(bound.empty());
    client.onKeyPress(kKeyX, true, false);
    EXPECT_EQ(bound.size(), 1u);

    // Desktop chords reach neither the hook nor a binding.
    client.setKeyHook([&](int key, bool, bool) { hooked.push_back(key); });
    input.queueKey(DIK_LMENU, true, false);
    input.poll();
    client.onKeyPress(DIK_TAB, true, false);
    client.onKeyPress(DIK_RETURN, true, false);
    input.queueKey(DIK_LMENU, false, false);
    input.queueKey(DIK_RCONTROL, true, false);
    input.poll();
    client.onKeyPress(DIK_ESCAPE, true, false);
    EXPECT_TRUE(hooked.empty());
    client.onKeyPress(kKeyX, true, true);
    EXPECT_EQ(hooked, (std::vector<int>{kKeyX}));
    EXPECT_EQ(bound.size(), 1u);
    client.setKeyHook(nullptr);

    // The grave key opens the closed console, which then gets every key.
    console.setKeyHookSetter([this](bool install) {
        client.setKeyHook(install
                              ? Client::KeyHook([this](int k, bool d, bool r) { console.handleKey(k, d, r); })
                              : Client::KeyHook());
    });
    client.onKeyPress(DebugConsole::kToggleKey, true, false);
    EXPECT_TRUE(console.isOpen());
    EXPECT_TRUE(client.hasKeyHook());
    client.onKeyPress(kKeyX, true, false);
    EXPECT_EQ(bound.size(), 1u);
    client.onKeyPress(DebugConsole::kToggleKey, true, false);
    EXPECT_FALSE(console.isOpen());
    EXPECT_FALSE(client.hasKeyHook());
}

TEST_F(ClientTest, ButtonHookComesBeforeTheConsole)
{
    int consoleButtons = 0;
    console.setMouseHook([&](int, bool, int) {
        ++consoleButtons;
        return true;
    });
    console.open();
    int hookButtons = 0;
    client.setButtonHook([&](int, bool, int, int) { ++hookButtons; });
    client.onButtonPress(0, true, 10, 10);
    EXPECT_EQ(hookButtons, 1);
    client.setButtonHook(nullptr);
    client.onButtonPress(0, true, 10, 10);
    EXPECT_EQ(hookButtons, 1);
    EXPECT_EQ(consoleButtons, 1);
    console.close();
}

TEST_F(ClientTest, MemoryThresholdFromMegabytes)
{
    EXPECT_EQ(MemorySystem::getThreshold(), 134217728u);
    vars.setVar("m_maxThreshold", "5000");
    client.draw(0.05);
    EXPECT_EQ(MemorySystem::getThreshold(), 2097152000u);
    vars.setVar("m_maxThreshold", "-5");
    client.draw(0.05);
    EXPECT_EQ(MemorySystem::getThreshold(), 0u);
    vars.setVar("m_maxThreshold", "128");
    client.draw(0.05);
    EXPECT_EQ(MemorySystem::getThreshold(), 134217728u);
}

TEST_F(ClientTest, NewWorldKeepsTheClientJoinedAndResetsTheState)
{
    join();
    deliver(CMB::state({}));
    EXPECT_TRUE(GameClient::get().isLoaded());
    ByteBuffer world;
    world.writeInt(uint32_t(6));
    world.writeInt(uint32_t(1));
    world.writeInt(uint32_t(2));
    world.writeInt(uint32_t(3));
    deliver(world);
    EXPECT_TRUE(client.isJoined());
    EXPECT_EQ(client.getPlayerZone(), 0);
    EXPECT_FALSE(GameClient::get().isLoaded());
    deliver(CMB::state({}));
    EXPECT_TRUE(GameClient::get().isLoaded());
}
