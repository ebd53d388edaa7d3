#include "engine/net/NetAddress.h"

#include <cstring>

uint32_t makeHostAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t host = 0;
    std::memcpy(&host, bytes, 4);
    return host;
}

NetAddress makeAddress(uint16_t family, uint16_t port, uint32_t host)
{
    NetAddress address;
    address.family = family;
    address.port = port;
    address.host = host;
    return address;
}

bool sameAddress(const NetAddress& a, const NetAddress& b)
{
    return a.family == b.family && a.port == b.port && a.host == b.host;
}
