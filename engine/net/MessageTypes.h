#pragma once

#include <cstdint>

// Message types and bounds shared by the client's and the server's readers
// and writers. A message that breaks a bound is malformed and dropped whole.
namespace MessageType {
enum : uint32_t {
    Hello = 0,
    Input = 1,
    WorldInfo = 2,
    State = 3,
    Join = 4,
    Joined = 5,
    NewWorld = 6,
};
} // namespace MessageType

// Ends the resource-name and entity lists; "none" for indices and numbers.
constexpr uint32_t kMessageEndMark = 0xFFFFFFFFu;
// Entity numbers run from 0 to 999.
constexpr uint32_t kMaxEntityNumbers = 1000;
// Resource-name indices run from 0 to 65,535 on both sides.
constexpr uint32_t kMaxResourceNames = 65536;
