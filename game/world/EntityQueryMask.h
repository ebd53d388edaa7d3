#pragma once

#include <cstdint>

// Bits of the relation mask of Game::getEntitiesInRange. The exclusions are
// applied first; a candidate is then taken when any acceptance bit holds.
// Without a reference entity (a query around a position) the relation bits
// answer false.
namespace EntityQueryMask {

// Acceptance.
constexpr uint32_t kAny = 1;
constexpr uint32_t kFriendly = 2;
constexpr uint32_t kHostile = 4;
constexpr uint32_t kAttitudeLike = 8; // faction attitude toward self >= 3
constexpr uint32_t kDeadBody = 32;
constexpr uint32_t kProjectile = 128;
constexpr uint32_t kAttitudeNeutral = 512; // faction attitude toward self >= 2

// Exclusion.
constexpr uint32_t kNotSelf = 16;
constexpr uint32_t kNotDead = 64;
constexpr uint32_t kNotFriendly = 256;
constexpr uint32_t kNotInCovenant = 1024;

// Sums the callers use.
constexpr uint32_t kAnyButSelf = kAny | kNotSelf;                // 17
constexpr uint32_t kLivingButSelf = kAny | kNotSelf | kNotDead;  // 81
constexpr uint32_t kFreeDeadBodies = kDeadBody | kNotInCovenant; // 1056

} // namespace EntityQueryMask
