#include "engine/net/SocketLayer.h"
#include "engine/core/ByteBuffer.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
struct SocketLayerTest : ::testing::Test {
    LogCapture log;
    SocketLayer layer;
    NetAddress serverAddress;
    NetAddress clientAddress;
    int server = -1;
    int client = -1;

    void SetUp() override
    {
        getLocalAddress(serverAddress, kServerPort);
        getLocalAddress(clientAddress, kClientPort);
        server = openUdpSocket(serverAddress);
        client = openUdpSocket(clientAddress);
        ASSERT_GE(server, 0);
        ASSERT_GE(client, 0);
    }

    static ByteBuffer message(int type, int value)
    {
        ByteBuffer b;
        b.writeInt(type);
        b.writeInt(value);
        return b;
    }
};
} // namespace

TEST(NetAddressTest, LocalAddressRecord)
{
    NetAddress a;
    getLocalAddress(a, kServerPort);
    EXPECT_EQ(a.family, 2);
    EXPECT_EQ(a.port, 5002);
    const uint8_t expected[16] = {0, 0, 0, 0, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    uint8_t raw[16];
    std::memcpy(raw, &a, 16);
    EXPECT_EQ(std::memcmp(raw + 4, expected + 4, 12), 0);

    NetAddress b = a;
    b.zero[3] = 9;
    EXPECT_TRUE(sameAddress(a, b));
    b.port = 5003;
    EXPECT_FALSE(sameAddress(a, b));
    b = a;
    b.host = makeHostAddress(127, 0, 0, 2);
    EXPECT_FALSE(sameAddress(a, b));
}

TEST_F(SocketLayerTest, PacketsArriveInOrderWithTheSenderAddress)
{
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(sendDatagram(client, message(1, i), serverAddress));
    }
    EXPECT_FALSE(socketReadable(client));
    ByteBuffer in;
    NetAddress from;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(socketReadable(server));
        ASSERT_TRUE(receiveDatagram(server, in, from));
        EXPECT_TRUE(sameAddress(from, clientAddress));
        EXPECT_EQ(in.getReadPos(), 0u);
        EXPECT_EQ(in.readInt(), 1);
        EXPECT_EQ(in.readInt(), i);
        EXPECT_TRUE(in.atEnd());
    }
    EXPECT_FALSE(socketReadable(server));
    EXPECT_FALSE(receiveDatagram(server, in, from));
    EXPECT_EQ(layer.getStats(kServerPort).packetsSent, 1000u);
    EXPECT_EQ(layer.getStats(kServerPort).packetsReceived, 1000u);
    EXPECT_EQ(layer.getStats(kServerPort).bytesSent, 8000u);
}

TEST_F(SocketLayerTest, EachPortGetsOnlyItsOwnPackets)
{
    sendDatagram(client, message(0, 10), serverAddress);
    sendDatagram(server, message(3, 20), clientAddress);
    sendDatagram(client, message(4, 11), serverAddress);
    sendDatagram(server, message(3, 21), clientAddress);

    ByteBuffer in;
    NetAddress from;
    ASSERT_TRUE(receiveDatagram(client, in, from));
    EXPECT_TRUE(sameAddress(from, serverAddress));
    EXPECT_EQ(in.readInt(), 3);
    EXPECT_EQ(in.readInt(), 20);
    ASSERT_TRUE(receiveDatagram(server, in, from));
    EXPECT_EQ(in.readInt(), 0);
    EXPECT_EQ(in.readInt(), 10);
    ASSERT_TRUE(receiveDatagram(server, in, from));
    EXPECT_EQ(in.readInt(), 4);
    ASSERT_TRUE(receiveDatagram(client, in, from));
    EXPECT_EQ(in.readInt(), 3);
    EXPECT_EQ(in.readInt(), 21);
    EXPECT_FALSE(socketReadable(server) || socketReadable(client));
}

TEST_F(SocketLayerTest, SendQueuesACopy)
{
    ByteBuffer out = message(1, 5);
    sendDatagram(client, out, serverAddress);
    out.clear();
    out.writeInt(99);
    ByteBuffer in;
    NetAddress from;
    ASSERT_TRUE(receiveDatagram(server, in, from));
    EXPECT_EQ(in.size(), 8u);
    EXPECT_EQ(in.readInt(), 1);
    // An empty datagram is still one packet.
    sendDatagram(client, ByteBuffer(), serverAddress);
    ASSERT_TRUE(receiveDatagram(server, in, from));
    EXPECT_EQ(in.size(), 0u);
}

TEST_F(SocketLayerTest, PortsAreExclusiveAndClosedEndpointsRefuse)
{
    EXPECT_EQ(openUdpSocket(serverAddress), -1);
    EXPECT_TRUE(log.contains("Port 5002 is already open", 3));
    // Packets for a port nobody has opened yet wait for it.
    NetAddress other;
    getLocalAddress(other, 6000);
    sendDatagram(client, message(7, 7), other);
    EXPECT_EQ(layer.getQueuedCount(6000), 1u);
    int late = openUdpSocket(other);
    ASSERT_GE(late, 0);
    EXPECT_TRUE(socketReadable(late));

    closeUdpSocket(server);
    EXPECT_FALSE(sendDatagram(server, message(1, 1), clientAddress));
    EXPECT_FALSE(socketReadable(server));
    ByteBuffer in;
    NetAddress from;
    EXPECT_FALSE(receiveDatagram(-1, in, from));
    EXPECT_FALSE(receiveDatagram(42, in, from));
    // The port can be opened again.
    EXPECT_GE(openUdpSocket(serverAddress), 0);
}

TEST(SocketLayerNoSystemTest, WithoutASocketLayerNothingOpens)
{
    LogCapture log;
    NetAddress a;
    getLocalAddress(a, kServerPort);
    EXPECT_EQ(openUdpSocket(a), -1);
    EXPECT_FALSE(socketReadable(0));
    EXPECT_FALSE(sendDatagram(0, ByteBuffer(), a));
}
