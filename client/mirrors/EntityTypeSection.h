#pragma once

#include "engine/core/ZonePosition.h"

#include <array>
#include <cstdint>
#include <vector>

// The type-dependent section of one entity record of message 3, parsed
// whole (EntityClient::parseTypeSection) before anything is applied.
struct EntityTypeSection {
    enum class Kind {
        None,       // no entry: the server writes nothing
        Equipped,   // a character class: the ten equipped entries
        Sentient,   // monsters and vendors: equipped entries and the sentient values
        Item,       // quality (rarity)
        Money,      // amount
        QuestItem,  // target entry
        Chest,      // closed flag
        Projectile, // beam ends or lob height
        Gate,       // target position
        Plain,      // any other type: nothing
    };
    static constexpr int kEquippedCount = 10;

    Kind kind = Kind::None;
    // Entry ids (-1 none), in the order of attachment slots 0, 2, 4, 5, 6, 7, 8, 9, 14, 15.
    std::array<int32_t, kEquippedCount> equipped{};
    int32_t power = 0;
    int32_t maxPower = 0;
    int32_t interaction = 0;
    bool sentient = false;
    int32_t rank = 0;
    std::vector<int32_t> quests;
    uint32_t seed = 0;
    int32_t level = 0;
    // Item quality, money amount or quest-item target entry (-1 none); the
    // chest's closed flag.
    int32_t value = 0;
    bool beam = false;
    int32_t beamStart = -1;
    int32_t beamStartPoint = -1;
    int32_t beamTarget = -1;
    int32_t beamTargetPoint = -1;
    bool hasHeight = false;
    float height = 0.0f;
    ZonePosition gateTarget;
};
