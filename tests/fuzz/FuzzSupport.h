#pragma once

// Shared by the fuzz targets that check what they read.
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Stops the run with the failed condition and where it stands, so the fuzzer
// keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

// The shipped database with its log and file system, made once per process
// (they live as long as the fuzzer); the user directory is a temporary one.
inline void loadShippedDatabase(const std::string& userDirName)
{
    static DebugSystem* debug = new DebugSystem();
    std::filesystem::path user = std::filesystem::temp_directory_path() / userDirName;
    std::filesystem::create_directories(user);
    static FileSystem* files = new FileSystem(GLOAM_DATA_DIR, user.string());
    static Database* database = new Database();
    database->load(Database::kMasterFile, false);
    (void)debug;
    (void)files;
}
