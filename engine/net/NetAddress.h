#pragma once

#include <cstdint>

// The 16-byte IPv4 address record of the socket layer: a 16-bit family, a
// 16-bit port and a 32-bit host address (then eight zero bytes). Ports are
// stored as plain integers, without byte-order conversion; the host is in
// network byte order (127.0.0.1 is the bytes 127 0 0 1).
struct NetAddress {
    uint16_t family = 0;
    uint16_t port = 0;
    uint32_t host = 0;
    uint8_t zero[8] = {};
};
static_assert(sizeof(NetAddress) == 16, "the address record is 16 bytes");

constexpr uint16_t kAddressFamilyInet = 2;
constexpr uint16_t kServerPort = 5002;
constexpr uint16_t kClientPort = 5003;

// The host address of a.b.c.d as the record stores it.
uint32_t makeHostAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
NetAddress makeAddress(uint16_t family, uint16_t port, uint32_t host);
// Family, port and host compared (the padding is not).
bool sameAddress(const NetAddress& a, const NetAddress& b);
