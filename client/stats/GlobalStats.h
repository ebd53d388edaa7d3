#pragma once

#include "game/skills/CounterList.h"

#include <cstddef>
#include <string>
#include <vector>

class ByteBuffer;
class PlayerClient;
class PlayerCovenantClient;

// The statistics of every character played on this installation, kept in
// "chars/global.sts" across worlds. One process-wide list: loaded at
// start-up, the current character's record refreshed by each player update,
// saved with the game state, cleared at shut-down.
class GlobalStats {
public:
    static constexpr int kVersion = 39;
    static constexpr int kStatCount = 112;
    static constexpr int kFunStatCount = 25;
    static constexpr int kOtherStatCount = 13;
    static constexpr const char* kFile = "chars/global.sts";
    // Other stats a player update fills.
    static constexpr int kOtherMaxHealth = 1;
    static constexpr int kOtherDps = 8;
    static constexpr int kOtherEquipmentWorth = 9;
    static constexpr int kOtherInventoryWorth = 10;

    struct Record {
        std::string name;
        std::string covenant;
        CounterList stats{kStatCount};
        CounterList funStats{kFunStatCount};
        // Kept in memory only.
        CounterList otherStats{kOtherStatCount};
    };

    // Reads the file; a damaged one keeps its complete records, is logged
    // with the byte and copied to "<file>.damaged" first.
    static void load();
    // False (with a level-3 line, the old file kept) when it cannot be written.
    static bool save();
    static void clear();
    // Parses file bytes into records; false with the field and the offset
    // where the damaged part starts (the complete records before it are kept).
    static bool parse(ByteBuffer& in, std::vector<Record>& out, std::string& field, size_t& offset);
    static void write(ByteBuffer& out);

    // The record of that character and covenant, appended with their values when new.
    static Record& findOrAddRecord(const PlayerClient& player, const PlayerCovenantClient& covenant);
    // Other stat `index` of the current character's record; nothing without both mirrors.
    static void setOtherStat(int index, int value);
    // The record holder of a statistic: type 5 the stats, 6 the fun stats,
    // any other the other stats. "-" and 0 without records or for an index
    // outside the list.
    static void findRecordHolder(int statType, int index, std::string& text, int& value);

    static std::vector<Record>& records() { return s_records; }

private:
    static inline std::vector<Record> s_records;
};
