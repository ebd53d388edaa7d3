#pragma once

#include "engine/core/Singleton.h"
#include "engine/net/NetAddress.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

class ByteBuffer;

// The packet transport between client and server. Both live in this
// process, so no system socket is ever made: a datagram is copied onto an
// in-memory list addressed by its destination port and taken off in order
// (first in, first out per port) by the endpoint bound to that port. Main
// thread only. The free functions below are the interface; they use the
// one SocketLayer object.
class SocketLayer : public Singleton<SocketLayer> {
public:
    // A port with this many packets waiting refuses more (nobody reads it).
    static constexpr size_t kMaxQueuedPerPort = 65536;

    struct PortStats {
        uint64_t packetsSent = 0; // addressed to this port
        uint64_t bytesSent = 0;
        uint64_t packetsReceived = 0; // taken by this port's endpoint
        uint64_t bytesReceived = 0;
        uint64_t packetsDropped = 0;
    };

    SocketLayer();
    ~SocketLayer();

    // An endpoint bound to the address's port; -1 when the port is taken.
    int open(const NetAddress& address);
    void close(int endpoint);
    bool isOpen(int endpoint) const;
    bool send(int endpoint, const void* data, size_t size, const NetAddress& destination);
    bool readable(int endpoint) const;
    bool receive(int endpoint, ByteBuffer& out, NetAddress& sender);

    size_t getQueuedCount(uint16_t port) const;
    PortStats getStats(uint16_t port) const;
    void logStatistics() const;

private:
    struct Packet {
        NetAddress sender;
        std::vector<uint8_t> bytes;
    };
    struct Endpoint {
        bool open = false;
        NetAddress address;
    };
    const Endpoint* findEndpoint(int endpoint) const;

    std::vector<Endpoint> m_endpoints;
    std::map<uint16_t, std::deque<Packet>> m_queues;
    std::map<uint16_t, PortStats> m_stats;
};

// Opens an endpoint for the address's port (no system socket is made); -1
// when it cannot.
int openUdpSocket(const NetAddress& address);
void closeUdpSocket(int endpoint);
// Fills the record with this host's address (127.0.0.1) and the port.
void getLocalAddress(NetAddress& out, uint16_t port);
// Queues a copy of the buffer's bytes for the destination port, with the
// endpoint's own address as the sender.
bool sendDatagram(int endpoint, const ByteBuffer& buffer, const NetAddress& destination);
// True when a packet for the endpoint's port waits.
bool socketReadable(int endpoint);
// Takes the oldest packet for the endpoint's port into the buffer (read
// cursor at 0) with the sender's address; false when none waits.
bool receiveDatagram(int endpoint, ByteBuffer& out, NetAddress& sender);
