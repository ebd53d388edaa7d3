#pragma once

#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

// A base directory holding the loose test files and the two packages built
// from their checked-in sources with the zip tool, plus an empty user
// directory.
struct PackageFixture {
    TempDir dir;
    std::string base;
    std::string user;

    PackageFixture()
    {
        base = dir.file("base");
        user = dir.file("user");
        std::filesystem::create_directories(user);
        std::filesystem::copy(testDataPath("files/base"), base, std::filesystem::copy_options::recursive);
        std::string command = "sh '" + testDataPath("files/make_packages.sh") + "' '" + base + "'";
        int rc = std::system(command.c_str());
        EXPECT_EQ(rc, 0) << command;
    }

    std::vector<char> readBytes(const std::string& relative) const
    {
        std::ifstream in(base + "/" + relative, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void writeBytes(const std::string& relative, const std::vector<char>& bytes) const
    {
        std::ofstream out(base + "/" + relative, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Flips one byte inside the stored contents of corrupt.txt.
    void corruptMember() const
    {
        std::vector<char> bytes = readBytes("assets001.zip");
        std::string text = "gets one byte flipped";
        auto it = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
        ASSERT_NE(it, bytes.end());
        *it ^= 0x20;
        writeBytes("assets001.zip", bytes);
    }
};

inline std::string asText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
