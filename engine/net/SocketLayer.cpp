#include "engine/net/SocketLayer.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

SocketLayer::SocketLayer() = default;
SocketLayer::~SocketLayer() = default;

const SocketLayer::Endpoint* SocketLayer::findEndpoint(int endpoint) const
{
    if (endpoint < 0 || static_cast<size_t>(endpoint) >= m_endpoints.size()) {
        return nullptr;
    }
    const Endpoint& e = m_endpoints[static_cast<size_t>(endpoint)];
    return e.open ? &e : nullptr;
}

int SocketLayer::open(const NetAddress& address)
{
    for (const Endpoint& e : m_endpoints) {
        if (e.open && e.address.port == address.port) {
            debugPrint(3, "Port %u is already open\n", static_cast<unsigned>(address.port));
            return -1;
        }
    }
    for (size_t i = 0; i < m_endpoints.size(); ++i) {
        if (!m_endpoints[i].open) {
            m_endpoints[i] = Endpoint{true, address};
            return static_cast<int>(i);
        }
    }
    m_endpoints.push_back(Endpoint{true, address});
    return static_cast<int>(m_endpoints.size() - 1);
}

void SocketLayer::close(int endpoint)
{
    if (findEndpoint(endpoint)) {
        m_endpoints[static_cast<size_t>(endpoint)].open = false;
    }
}

bool SocketLayer::isOpen(int endpoint) const
{
    return findEndpoint(endpoint) != nullptr;
}

bool SocketLayer::send(int endpoint, const void* data, size_t size, const NetAddress& destination)
{
    const Endpoint* e = findEndpoint(endpoint);
    if (!e) {
        debugPrint(3, "sendDatagram on endpoint %d, which is not open\n", endpoint);
        return false;
    }
    PortStats& stats = m_stats[destination.port];
    std::deque<Packet>& queue = m_queues[destination.port];
    if (queue.size() >= kMaxQueuedPerPort) {
        if (stats.packetsDropped++ == 0) {
            debugPrint(2, "Nobody reads port %u: packets dropped\n", static_cast<unsigned>(destination.port));
        }
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    queue.push_back(Packet{e->address, std::vector<uint8_t>(bytes, bytes + size)});
    ++stats.packetsSent;
    stats.bytesSent += size;
    return true;
}

bool SocketLayer::readable(int endpoint) const
{
    const Endpoint* e = findEndpoint(endpoint);
    if (!e) {
        return false;
    }
    auto it = m_queues.find(e->address.port);
    return it != m_queues.end() && !it->second.empty();
}

bool SocketLayer::receive(int endpoint, ByteBuffer& out, NetAddress& sender)
{
    const Endpoint* e = findEndpoint(endpoint);
    if (!e) {
        return false;
    }
    auto it = m_queues.find(e->address.port);
    if (it == m_queues.end() || it->second.empty()) {
        return false;
    }
    Packet packet = std::move(it->second.front());
    it->second.pop_front();
    PortStats& stats = m_stats[e->address.port];
    ++stats.packetsReceived;
    stats.bytesReceived += packet.bytes.size();
    sender = packet.sender;
    out = ByteBuffer(std::move(packet.bytes));
    return true;
}

size_t SocketLayer::getQueuedCount(uint16_t port) const
{
    auto it = m_queues.find(port);
    return it == m_queues.end() ? 0 : it->second.size();
}

SocketLayer::PortStats SocketLayer::getStats(uint16_t port) const
{
    auto it = m_stats.find(port);
    return it == m_stats.end() ? PortStats() : it->second;
}

void SocketLayer::logStatistics() const
{
    for (const auto& [port, s] : m_stats) {
        debugPrintRaw("Port %u: %llu packets (%llu bytes) sent, %llu taken, %llu dropped\n",
                      static_cast<unsigned>(port), static_cast<unsigned long long>(s.packetsSent),
                      static_cast<unsigned long long>(s.bytesSent),
                      static_cast<unsigned long long>(s.packetsReceived),
                      static_cast<unsigned long long>(s.packetsDropped));
    }
}

int openUdpSocket(const NetAddress& address)
{
    SocketLayer* layer = SocketLayer::instance();
    if (!layer) {
        debugPrint(3, "openUdpSocket: no socket layer\n");
        return -1;
    }
    return layer->open(address);
}

void closeUdpSocket(int endpoint)
{
    if (SocketLayer* layer = SocketLayer::instance()) {
        layer->close(endpoint);
    }
}

void getLocalAddress(NetAddress& out, uint16_t port)
{
    out = makeAddress(kAddressFamilyInet, port, makeHostAddress(127, 0, 0, 1));
}

bool sendDatagram(int endpoint, const ByteBuffer& buffer, const NetAddress& destination)
{
    SocketLayer* layer = SocketLayer::instance();
    return layer && layer->send(endpoint, buffer.data(), buffer.size(), destination);
}

bool socketReadable(int endpoint)
{
    SocketLayer* layer = SocketLayer::instance();
    return layer && layer->readable(endpoint);
}

bool receiveDatagram(int endpoint, ByteBuffer& out, NetAddress& sender)
{
    SocketLayer* layer = SocketLayer::instance();
    return layer && layer->receive(endpoint, out, sender);
}
