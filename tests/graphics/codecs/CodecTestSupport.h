#pragma once

#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A file system over a fresh game-data and user directory.
struct CodecFiles {
    CodecFiles()
    {
        std::filesystem::create_directories(dir.path() / "data");
        std::filesystem::create_directories(dir.path() / "user");
        files = std::make_unique<FileSystem>(dir.file("data"), dir.file("user"), false);
    }
    void writeData(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        dir.write("data/" + name, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> readUser(const std::string& name) const
    {
        auto data = files->readFile(name, true);
        return data ? *data : std::vector<uint8_t>();
    }
    TempDir dir;
    LogCapture log;
    std::unique_ptr<FileSystem> files;
};

// A made-up image whose bytes all differ a little.
inline std::vector<uint8_t> patternPixels(int width, int height, int bytesPerPixel, int seed = 0)
{
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * bytesPerPixel);
    for (size_t i = 0; i < p.size(); ++i) {
        p[i] = static_cast<uint8_t>((i * 37 + seed * 11 + (i / 7) * 3) & 0xFF);
    }
    return p;
}
