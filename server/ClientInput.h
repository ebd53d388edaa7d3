#pragma once

#include "engine/core/ZonePosition.h"

#include <cstdint>
#include <string>
#include <vector>

class ByteBuffer;

// Message 1 as read from a client: positions, action, target and command lines.
struct ClientInput {
    ZonePosition position;
    ZonePosition secondaryPosition;
    uint32_t action = 0;
    uint32_t target = 0xFFFFFFFFu;
    std::vector<std::string> lines;
    // False when a position is not finite or its zone is below -1: such
    // positions are not adopted (the action and the lines still are).
    bool positionsValid = true;

    // Reads the body after the type word. False, with the failing field
    // named, when the message ends early or a string lacks its zero byte.
    bool read(ByteBuffer& in, std::string& failedField);
};
