#pragma once

// The game the whole-game and frame benchmarks play: the headless program,
// a new world of the bench seed on the largest world size the data defines,
// played by the tests' self-playing player (which starts it with the New Game
// options at their busiest: the most computer covenants the rules allow,
// "Hard"). Header-only: every bench_*.cpp is a program of its own.
#include "bench/BenchProgram.h"
#include "engine/data/Database.h"
#include "engine/platform/LaunchOptions.h"
#include "game/world/World.h"
#include "tests/support/PlayedGame.h"
#include "tests/support/selfplay/SelfPlayer.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Every random stream of the game starts from this seed.
constexpr uint32_t kBenchSeed = 7;

// The next new world is of the largest size; null (with a line) when the
// data has none.
inline const DatabaseEntry* requestLargestWorld()
{
    Database& db = Database::get();
    const DatabaseEntry* largest = largestWorldSize(db);
    if (!largest) {
        std::printf("the data has no world size\n");
        return nullptr;
    }
    World::get().setRequestedWorldSize(largest->getId());
    return largest;
}

// A fault of the self-playing player is printed and counted.
struct PlayFaults {
    int count = 0;
    SelfPlayer::FaultSink sink()
    {
        return [this](const std::string& fault) {
            ++count;
            std::printf("the self-playing player: %s\n", fault.c_str());
        };
    }
};

// The files of a save under the user directory, by their relative names
// (the log and the settings are the program's, not the game's).
inline std::map<std::string, std::vector<char>> savedGameFiles(const std::filesystem::path& user)
{
    std::map<std::string, std::vector<char>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(user)) {
        const std::string name = std::filesystem::relative(entry.path(), user).generic_string();
        if (!entry.is_regular_file() || name == "log.txt" || name == "user.cfg") {
            continue;
        }
        std::vector<char>& bytes = files[name];
        bytes.resize(static_cast<size_t>(entry.file_size()));
        if (FILE* file = std::fopen(entry.path().c_str(), "rb")) {
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
            std::fclose(file);
        }
    }
    return files;
}
