#pragma once

#include "client/ServerMessages.h"
#include "client/StateSectionScanner.h"
#include "client/mirrors/CovenantSection.h"
#include "client/mirrors/EntityTypeSection.h"
#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ByteBuffer;

// Message 3 read whole into a record before anything of it is applied.
//
// This reader is kept apart from the scripted test client's: the two are
// written independently so that the cross-test between them means something.

// The common section of one entity record.
struct EntityUpdateRecord {
    uint32_t number = 0;
    uint32_t entryId = kMessageEndMark;
    uint32_t flags = 0;
    uint32_t solid = 0;
    int32_t covenant = -1;
    ZonePosition position;
    ZonePosition secondaryPosition;
    int32_t parent = -1;
    int32_t attachPoint = -1;
    float light[3] = {0.0f, 0.0f, 0.0f};
    float falloff = 0.0f;
    float lightOffset[2] = {0.0f, 0.0f};
    uint32_t model = kMessageEndMark;
    int32_t health = 0;
    int32_t maxHealth = 0;
    int32_t animation = -1;
    int32_t animationMode = 0;
    int32_t direction = 0;
    float scale = 1.0f;
    float fade = 1.0f;
    std::vector<bool> visualFlags;
    uint32_t alwaysRelevant = 0;
    // Kept status effects: entry index and level.
    std::vector<std::pair<uint32_t, int32_t>> effects;
    // The type-dependent section, parsed by the entity mirror's rules.
    EntityTypeSection typeSection;
};

struct QuestSlotRecord {
    bool present = false;
    // The quest's bytes in its index form, checked by the quest's own reader.
    std::vector<uint8_t> image;
};

// The game section of Part of the state message: values the client game
// state stores, and the ranges of the covenant and quest mirrors.
struct GameSectionRecord {
    GameTime time;
    uint32_t valueV3 = 0;
    std::vector<CovenantSection> covenants;
    float valueV4 = 0.0f;
    std::vector<std::pair<uint32_t, std::string>> namedValues;
    std::vector<QuestSlotRecord> quests;
    float valueV1 = 0.0f;
    float valueV2 = 0.0f;
    float weatherIntensity = 0.0f;
    float windX = 0.0f;
    float windY = 0.0f;
    bool alliedVictory = false;
};

struct PositionalSoundRecord {
    uint32_t nameIndex = kMessageEndMark;
    uint32_t owner = kMessageEndMark;
    ZonePosition position;
    // The server's sound parameter: the minimum-distance override (0 keeps the sound's own).
    float minimumDistance = 0.0f;
};

struct StateMessage {
    // The player's level, or the end mark when the client has no player yet.
    uint32_t playerLevel = kMessageEndMark;
    std::vector<ResourceNameEntry> names;
    std::vector<std::string> lines;
    std::vector<EntityUpdateRecord> entities;
    GameSectionRecord game;
    bool hasPlayerSections = false;
    ByteRange covenantSection;
    ByteRange playerSection;
    std::vector<PositionalSoundRecord> sounds;
};

// Reads the body after the type word; false with the field and offset when
// the message does not fit its fields, breaks a bound or has trailing bytes.
// The player section's gate flags count `gateFlags` records; the client gives
// its player mirror's level gate list, which is built at the same world
// change as the server player's. Without a count the running world's gates
// are counted.
bool readStateMessage(ByteBuffer& in, StateMessage& out, MessageError& error,
                      std::optional<size_t> gateFlags = std::nullopt);
