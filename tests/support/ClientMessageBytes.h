#pragma once

#include "engine/core/ByteBuffer.h"
#include "game/definitions/InventoryBase.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Hand-built server messages for the client's tests.
namespace ClientMessageBytes {

constexpr uint32_t kEnd = 0xFFFFFFFFu;

// When set, the byte offset of every count word written goes here.
inline std::vector<size_t>* countOffsets = nullptr;

inline void writeCount(ByteBuffer& out, size_t count)
{
    if (countOffsets) {
        countOffsets->push_back(out.size());
    }
    out.writeInt(static_cast<uint32_t>(count));
}

inline void writeNames(ByteBuffer& out, const std::vector<std::pair<uint32_t, std::string>>& names)
{
    for (const auto& [index, name] : names) {
        out.writeInt(index);
        out.writeString(name);
    }
    out.writeInt(kEnd);
}

inline ByteBuffer joined(uint32_t level, const std::vector<std::pair<uint32_t, std::string>>& names = {})
{
    ByteBuffer out;
    out.writeInt(uint32_t(5));
    out.writeInt(level);
    out.writeInt(uint32_t(2));
    out.writeInt(uint32_t(77));
    out.writeInt(uint32_t(99));
    writeNames(out, names);
    return out;
}

// The common section of an entity as the server writes it: 8 visual flags,
// so 152 bytes with the number and no kept effects.
inline void writeEntity(ByteBuffer& out, uint32_t number, uint32_t entryId = kEnd,
                        const std::vector<std::pair<uint32_t, int32_t>>& effects = {})
{
    out.writeInt(number);
    out.writeInt(entryId);
    out.writeInt(uint32_t(0)); // flags
    out.writeInt(uint32_t(1)); // solid
    out.writeInt(int32_t(-1)); // covenant
    out.writeZonePosition(ZonePosition(0, 100.0f + number, 200.0f));
    out.writeZonePosition(ZonePosition(0, 0.0f, 0.0f));
    out.writeInt(int32_t(-1));
    out.writeInt(int32_t(-1));
    for (int i = 0; i < 6; ++i) {
        out.writeFloat(0.5f);
    }
    out.writeInt(kEnd); // model
    out.writeInt(int32_t(60));
    out.writeInt(int32_t(100));
    out.writeInt(int32_t(-1));
    out.writeInt(int32_t(0));
    out.writeInt(int32_t(2));
    out.writeFloat(1.0f);
    out.writeFloat(1.0f);
    writeCount(out, 8);
    for (int i = 0; i < 8; ++i) {
        out.writeInt(uint32_t(0));
    }
    out.writeInt(uint32_t(0));
    writeCount(out, effects.size());
    for (const auto& [id, level] : effects) {
        out.writeInt(id);
        out.writeInt(level);
    }
}

// One covenant of the game section with covenantCount relation records.
inline void writeCovenant(ByteBuffer& out, uint32_t index, uint32_t covenantCount)
{
    out.writeInt(index);
    out.writeString("Covenant " + std::to_string(index));
    out.writeZonePosition(ZonePosition(0, 10.0f, 20.0f));
    // Destroyed, four influence counters, six stats, level, life stone pair.
    for (int i = 0; i < 1 + 4 + 6 + 1 + 2; ++i) {
        out.writeInt(uint32_t(i == 0 ? 0 : i));
    }
    // Relation entries: relation, treaty, trade route, route start.
    for (uint32_t i = 0; i < covenantCount; ++i) {
        out.writeFloat(25.0f);
        out.writeInt(uint32_t(1));
        out.writeInt(uint32_t(0));
        out.writeGameTime(GameTime());
    }
    out.writeInt(uint32_t(7)); // quest state
    writeCount(out, 0);        // traits: none without a trait list
    out.writeInt(uint32_t(0)); // leader's gold
    out.writeInt(uint32_t(1)); // being raided
    out.writeInt(kEnd);        // raid target
}

// A quest in its index form with the given number of targets.
inline void writeQuest(ByteBuffer& out, uint32_t targets)
{
    out.writeInt(int32_t(5));   // level
    out.writeInt(uint32_t(42)); // seed
    out.writeInt(int32_t(0));   // progress
    out.writeInt(int32_t(1));   // type
    out.writeGameTime(GameTime());
    out.writeInt(int32_t(3)); // id
    out.writeInt(int32_t(0)); // failed
    out.writeInt(int32_t(1)); // has monster type
    out.writeInt(int32_t(0));
    writeCount(out, targets);
    for (uint32_t i = 0; i < targets; ++i) {
        out.writeInt(int32_t(0));
        out.writeInt(int32_t(4));
    }
}

struct GameValues {
    GameTime time;
    uint32_t v3 = 1;
    uint32_t covenants = 0;
    float v4 = 12.0f;
    std::vector<std::pair<uint32_t, std::string>> named;
    // -1 absent, otherwise the target count of a present quest.
    std::vector<int> quests;
    float v1 = 1.0f;
    float v2 = 1.0f;
    bool allied = false;
};

inline void writeGameSection(ByteBuffer& out, const GameValues& g)
{
    out.writeGameTime(g.time);
    out.writeInt(g.v3);
    writeCount(out, g.covenants);
    for (uint32_t i = 0; i < g.covenants; ++i) {
        writeCovenant(out, i, g.covenants);
    }
    out.writeFloat(g.v4);
    writeCount(out, g.named.size());
    for (const auto& [number, name] : g.named) {
        out.writeInt(number);
        out.writeString(name);
    }
    writeCount(out, g.quests.size());
    for (int q : g.quests) {
        out.writeInt(uint32_t(q >= 0 ? 1 : 0));
        if (q >= 0) {
            writeQuest(out, static_cast<uint32_t>(q));
        }
    }
    out.writeFloat(g.v1);
    out.writeFloat(g.v2);
    out.writeFloat(0.3f);
    out.writeFloat(1.5f);
    out.writeFloat(-2.0f);
    out.writeBool(g.allied);
}

struct SoundValues {
    uint32_t index;
    uint32_t owner;
    float minimumDistance;
};

// The player covenant's and the player's sections, written when the message
// carries a player level.
struct PlayerValues {
    uint32_t level = 4;
    uint32_t recruits = 0;
    bool candidate = false;
    std::vector<uint32_t> party;
    // One flag per record of the world's gate list.
    uint32_t gateFlags = 0;
    uint32_t explored = 3;
    uint32_t hints = 2;
};

inline void writeEmptyInventory(ByteBuffer& out)
{
    InventoryBase inventory;
    inventory.write(out, false);
}

inline void writeRecruit(ByteBuffer& out, uint32_t entryId)
{
    out.writeInt(entryId);
    for (int i = 0; i < 112; ++i) {
        out.writeInt(uint32_t(i));
    }
    writeEmptyInventory(out);
    out.writeInt(uint32_t(40)); // entity number
    writeCount(out, 2);         // status effects
    out.writeInt(uint32_t(7));
    out.writeInt(uint32_t(8));
    out.writeInt(uint32_t(90)); // value
    writeCount(out, 1);         // skills
    out.writeInt(uint32_t(3));
}

inline void writePlayerSections(ByteBuffer& out, const PlayerValues& p)
{
    out.writeString("Emberhold");
    out.writeZonePosition(ZonePosition(0, 64.0f, 96.0f));
    out.writeInt(uint32_t(0));
    writeEmptyInventory(out);
    writeCount(out, p.recruits);
    for (uint32_t i = 0; i < p.recruits; ++i) {
        out.writeInt(i * 2); // slot
        writeRecruit(out, 10 + i);
    }
    for (int i = 0; i < 14; ++i) {
        out.writeInt(uint32_t(i));
    }
    out.writeInt(uint32_t(p.candidate ? 1 : 0));
    if (p.candidate) {
        writeRecruit(out, 30);
    }

    for (int i = 0; i < 1 + 3 + 10 + 9 + 1 + 6 + 1 + 7; ++i) {
        out.writeInt(uint32_t(i));
    }
    out.writeZonePosition(ZonePosition(0, 1.0f, 2.0f));
    out.writeZonePosition(ZonePosition(1, 3.0f, 4.0f));
    for (int i = 0; i < 61; ++i) {
        out.writeInt(uint32_t(i));
    }
    writeEmptyInventory(out);
    out.writeString("Aldra");
    writeCount(out, p.party.size());
    for (uint32_t member : p.party) {
        out.writeInt(member);
    }
    for (int i = 0; i < 26; ++i) {
        out.writeInt(uint32_t(i));
    }
    for (uint32_t slot = 0; slot < 6; ++slot) {
        writeQuest(out, slot % 3);
    }
    for (uint32_t i = 0; i < p.gateFlags; ++i) {
        out.writeInt(i % 2);
    }
    out.writeInt(kEnd); // auto-attack entity
    writeCount(out, p.explored);
    for (uint32_t i = 0; i < p.explored; ++i) {
        out.writeBool(true);
    }
    writeCount(out, p.hints);
    for (uint32_t i = 0; i < p.hints; ++i) {
        out.writeBool(false);
    }
}

struct StateValues {
    std::vector<std::pair<uint32_t, std::string>> names;
    std::vector<std::string> lines;
    std::vector<uint32_t> entities;
    GameValues game;
    std::vector<SoundValues> sounds;
    // Absent: no player level, no player sections.
    std::optional<PlayerValues> player;
};

inline ByteBuffer state(const StateValues& s)
{
    ByteBuffer out;
    out.writeInt(uint32_t(3));
    out.writeInt(s.player ? s.player->level : kEnd);
    writeNames(out, s.names);
    writeCount(out, s.lines.size());
    for (const std::string& line : s.lines) {
        out.writeString(line);
    }
    for (uint32_t number : s.entities) {
        writeEntity(out, number);
    }
    out.writeInt(kEnd);
    writeGameSection(out, s.game);
    if (s.player) {
        writePlayerSections(out, *s.player);
    }
    writeCount(out, s.sounds.size());
    for (const SoundValues& sound : s.sounds) {
        out.writeInt(sound.index);
        out.writeInt(sound.owner);
        out.writeZonePosition(ZonePosition(0, 5.0f, 6.0f));
        out.writeFloat(sound.minimumDistance);
    }
    return out;
}

} // namespace ClientMessageBytes
