// The real client's readers and writers against the scripted test client's,
// which were written apart from them: both must read every datagram the
// server sends to its last byte and agree on every field both read, and the
// messages both write must be the same bytes.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/ServerMessages.h"
#include "client/StateMessage.h"
#include "game/entities/Entity.h"
#include "game/quests/QuestBase.h"
#include "game/world/Game.h"
#include "support/ScriptedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

constexpr uint16_t kScriptedPort = 5004;
constexpr uint16_t kRelayPort = 5005;

// Sends bytes to a port from an endpoint of its own.
class Relay {
public:
    Relay()
    {
        getLocalAddress(m_address, kRelayPort);
        m_endpoint = openUdpSocket(m_address);
    }
    ~Relay() { closeUdpSocket(m_endpoint); }
    void send(const ByteBuffer& bytes, uint16_t port)
    {
        NetAddress to;
        getLocalAddress(to, port);
        sendDatagram(m_endpoint, bytes, to);
    }
    const NetAddress& address() const { return m_address; }

private:
    NetAddress m_address;
    int m_endpoint = -1;
};

void compare(const StateMessage& real, const ScriptedClient::State& scripted)
{
    EXPECT_EQ(real.playerLevel, scripted.level);
    ASSERT_EQ(real.names.size(), scripted.newNames.size());
    for (size_t i = 0; i < real.names.size(); ++i) {
        EXPECT_EQ(real.names[i].index, scripted.newNames[i].first);
        EXPECT_EQ(real.names[i].name, scripted.newNames[i].second);
    }
    EXPECT_EQ(real.lines, scripted.lines);
    ASSERT_EQ(real.entities.size(), scripted.entities.size());
    for (size_t i = 0; i < real.entities.size(); ++i) {
        const EntityUpdateRecord& a = real.entities[i];
        const ScriptedClient::EntityRecord& b = scripted.entities[i];
        EXPECT_EQ(a.number, b.number);
        EXPECT_EQ(a.entryId, b.entryId);
        EXPECT_EQ(a.flags, b.flags);
        EXPECT_EQ(a.covenant, b.covenant);
        EXPECT_EQ(a.position, b.position);
        EXPECT_EQ(a.model, b.model);
        EXPECT_EQ(a.health, b.health);
        EXPECT_EQ(a.maxHealth, b.maxHealth);
        EXPECT_EQ(a.visualFlags, b.visualFlags);
        EXPECT_EQ(a.effects.size(), b.effects.size());
    }
    EXPECT_EQ(real.game.time.toSeconds(), scripted.game.clock.toSeconds());
    EXPECT_EQ(static_cast<int32_t>(real.game.valueV3), scripted.game.difficulty);
    EXPECT_EQ(static_cast<int32_t>(real.game.covenants.size()), scripted.game.covenantCount);
    EXPECT_EQ(real.game.valueV4, scripted.game.timeOfDay);
    EXPECT_EQ(static_cast<int32_t>(real.game.namedValues.size()), scripted.game.npcCount);
    EXPECT_EQ(static_cast<int32_t>(real.game.quests.size()), scripted.game.questCount);
    EXPECT_EQ(real.game.valueV1, scripted.game.scale1);
    EXPECT_EQ(real.game.valueV2, scripted.game.scale2);
    EXPECT_EQ(real.game.weatherIntensity, scripted.game.rain);
    EXPECT_EQ(real.game.alliedVictory, scripted.game.alliedVictory);
    ASSERT_EQ(real.sounds.size(), scripted.sounds.size());
    for (size_t i = 0; i < real.sounds.size(); ++i) {
        EXPECT_EQ(static_cast<int32_t>(real.sounds[i].nameIndex), scripted.sounds[i].nameIndex);
        EXPECT_EQ(static_cast<int32_t>(real.sounds[i].owner), scripted.sounds[i].entity);
        EXPECT_EQ(real.sounds[i].minimumDistance, scripted.sounds[i].parameter);
    }
}

// Both readers on the same bytes of a message 3.
void readWithBoth(const ByteBuffer& message, Relay& relay, ScriptedClient& scripted)
{
    ByteBuffer in(message.bytes());
    ASSERT_EQ(in.readUInt(), 3u);
    StateMessage real;
    MessageError error;
    ASSERT_TRUE(readStateMessage(in, real, error)) << error.field << " at " << error.offset;
    EXPECT_TRUE(in.atEnd());
    relay.send(message, kScriptedPort);
    ScriptedClient::State other;
    ASSERT_TRUE(scripted.readState(other));
    EXPECT_EQ(other.size, message.size());
    compare(real, other);
}

} // namespace

TEST(CrossReaders, ServerStateMessagesReadAlikeByBoth)
{
    TestWorld world;
    world.server->start(false, 0, 1, 1, 0);
    ScriptedClient scripted(kScriptedPort);
    ScriptedClient watcher(5006);
    Relay relay;
    watcher.sendNewJoin();
    world.server->receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(watcher.readJoined(joined));

    std::vector<Entity*> spawned;
    for (const char* name : {"TrainingDummy", "TownLantern"}) {
        Entity* entity = world.game->spawnEntity(name, ZonePosition(0, 1944.0f, 2016.0f), 0.0f);
        ASSERT_NE(entity, nullptr) << name;
        spawned.push_back(entity);
    }
    ServerLink::queueClientCommand("set clientProbe 7");
    ServerLink::queueClientCommand("msg 1 \"hello\"");
    for (int frame = 0; frame < 3; ++frame) {
        world.server->receiveMessages(50, false);
        world.server->update();
        ByteBuffer message;
        ASSERT_TRUE(watcher.next(message));
        readWithBoth(message, relay, scripted);
    }

    // The entity sections as the server's entities write them.
    for (Entity* entity : spawned) {
        ByteBuffer message;
        message.writeInt(uint32_t(3));
        message.writeInt(kMessageEndMark);
        message.writeInt(kMessageEndMark);
        message.writeInt(uint32_t(0));
        entity->writeUpdate(message);
        entity->writeSnapshot(message);
        message.writeInt(kMessageEndMark);
        world.game->writeUpdate(message, nullptr);
        message.writeInt(uint32_t(0));
        readWithBoth(message, relay, scripted);
    }
}

// Messages 2, 5 and 6 as the server sends them, read to their end by the
// client's readers, which agree with the scripted client's on every field.
TEST(CrossReaders, ServerWorldMessagesReadAlikeByBoth)
{
    TestWorld world;
    world.server->start(false, 0, 1, 1, 0);
    ScriptedClient watcher(5006);
    auto nextMessage = [&](uint32_t type, ByteBuffer& body) {
        ASSERT_TRUE(watcher.next(body));
        ASSERT_EQ(body.readUInt(), type);
    };

    watcher.sendHello();
    world.server->receiveMessages(16, false);
    ByteBuffer info;
    nextMessage(MessageType::WorldInfo, info);
    WorldInfoMessage realInfo;
    MessageError error;
    ASSERT_TRUE(readWorldInfoMessage(info, realInfo, error)) << error.field;

    watcher.sendNewJoin();
    world.server->receiveMessages(16, false);
    ByteBuffer joined;
    nextMessage(MessageType::Joined, joined);
    JoinAcceptedMessage realJoined;
    ASSERT_TRUE(readJoinAcceptedMessage(joined, realJoined, error)) << error.field;
    EXPECT_EQ(realJoined.worldSize, realInfo.worldSize);
    EXPECT_EQ(realJoined.layoutSeed, realInfo.layoutSeed);

    ASSERT_TRUE(world.server->newWorld({"1", "Average", "Normal", "2"}));
    ByteBuffer fresh;
    nextMessage(MessageType::NewWorld, fresh);
    NewWorldMessage realWorld;
    ASSERT_TRUE(readNewWorldMessage(fresh, realWorld, error)) << error.field;

    // The scripted client reads the same datagrams again.
    ScriptedClient second(kScriptedPort);
    for (const ByteBuffer* message : {&info, &joined, &fresh}) {
        Relay relay;
        relay.send(*message, kScriptedPort);
    }
    ScriptedClient::WorldInfo scriptedInfo;
    ASSERT_TRUE(second.readWorldInfo(scriptedInfo));
    EXPECT_EQ(scriptedInfo.worldSize, realInfo.worldSize);
    EXPECT_EQ(scriptedInfo.seed, realInfo.layoutSeed);
    ScriptedClient::Joined scriptedJoined;
    ASSERT_TRUE(second.readJoined(scriptedJoined));
    EXPECT_EQ(scriptedJoined.secretSeed, realJoined.secretSeed);
    EXPECT_EQ(scriptedJoined.names.size(), realJoined.names.size());
    ScriptedClient::WorldInfo scriptedWorld;
    uint32_t secret = 0;
    ASSERT_TRUE(second.readNewWorld(scriptedWorld, secret));
    EXPECT_EQ(scriptedWorld.seed, realWorld.layoutSeed);
    EXPECT_EQ(secret, realWorld.secretSeed);

    // The state messages of the new world, its quests and the player
    // sections among them, read to their end by both.
    second.setQuestBodyReader([](ByteBuffer& in, std::vector<uint8_t>&) {
        const bool present = in.readBool();
        return in.ok() && (!present || QuestBase::skip(in, false, Game::kWorldSaveVersion));
    });
    Relay relay;
    for (int frame = 0; frame < 3; ++frame) {
        world.server->receiveMessages(50, false);
        world.server->update();
        ByteBuffer message;
        ASSERT_TRUE(watcher.next(message));
        readWithBoth(message, relay, second);
        ByteBuffer in(message.bytes());
        in.readUInt();
        StateMessage state;
        ASSERT_TRUE(readStateMessage(in, state, error));
        EXPECT_TRUE(state.hasPlayerSections) << "the level is never the end mark while a player is sent";
    }
}

TEST(CrossReaders, RealAndScriptedClientsWriteTheSameBytes)
{
    LogCapture log;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Client client;
    client.registerCommands();
    vars.setVar("PlayerName", "Aldric");
    vars.setVar("CovenantName", "Red Hand");
    NetAddress serverAddress;
    getLocalAddress(serverAddress, kServerPort);
    int server = openUdpSocket(serverAddress);
    ScriptedClient scripted(kScriptedPort);

    auto take = [&] {
        ByteBuffer message;
        NetAddress from;
        EXPECT_TRUE(receiveDatagram(server, message, from));
        return message;
    };

    ASSERT_TRUE(client.connect());
    scripted.sendHello();
    EXPECT_EQ(take().bytes(), take().bytes());

    ByteBuffer info;
    info.writeInt(uint32_t(2));
    info.writeInt(uint32_t(0));
    info.writeInt(uint32_t(0));
    client.dispatchMessage(info, serverAddress);
    ByteBuffer covenant;
    covenant.writeInt(uint32_t(0));
    covenant.writeString("Red Hand");
    ByteBuffer character;
    character.writeInt(uint32_t(0));
    character.writeString("Aldric");
    character.writeInt(uint32_t(0)); // no class database here
    scripted.sendJoin(covenant.bytes(), character.bytes());
    EXPECT_EQ(take().bytes(), take().bytes());

    ByteBuffer joined;
    joined.writeInt(uint32_t(5));
    for (int i = 0; i < 4; ++i) {
        joined.writeInt(uint32_t(0));
    }
    joined.writeInt(kMessageEndMark);
    client.dispatchMessage(joined, serverAddress);
    ASSERT_TRUE(client.isJoined());
    client.queueServerCommand("useSkill 0 0 -1 0 0.5 1.5");
    client.queueServerCommand("lineTwo");
    client.sendInput();
    scripted.sendInput(ZonePosition(-1, 0.0f, 0.0f), ZonePosition(-1, 0.0f, 0.0f), 0, kMessageEndMark,
                       {"useSkill 0 0 -1 0 0.5 1.5", "lineTwo"});
    EXPECT_EQ(take().bytes(), take().bytes());
    client.shutdown();
    closeUdpSocket(server);
}
