#include "engine/files/AtomicWrite.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(AtomicWrite, CreatesAndReplacesWithoutLeavingTheTemporary)
{
    TempDir dir;
    LogCapture capture;
    std::string path = dir.file("user.cfg");
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    EXPECT_EQ(readText(path), "first");
    ASSERT_TRUE(writeFileAtomically(path, std::string_view("se\0cond", 7)));
    EXPECT_EQ(readText(path), std::string("se\0cond", 7));
    ASSERT_TRUE(writeFileAtomically(path, ""));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_EQ(capture.count(3), 0u);
}

TEST(AtomicWrite, FailuresKeepTheOldTargetAndRemoveTheTemporary)
{
    TempDir dir;
    LogCapture capture;
    // A rename cannot replace a directory that holds a file.
    std::string blocked = dir.file("blocked");
    dir.write("blocked/inside.txt", "keep");
    EXPECT_FALSE(writeFileAtomically(blocked, "new"));
    EXPECT_EQ(readText(blocked + "/inside.txt"), "keep");
    EXPECT_FALSE(fs::exists(blocked + ".tmp"));
    EXPECT_TRUE(capture.contains("previous file is kept", 3));

    // A commit told that an earlier write failed discards the temporary.
    std::string path = dir.file("save.wld");
    dir.write("save.wld", "old");
    std::FILE* handle = std::fopen((path + ".tmp").c_str(), "wb");
    ASSERT_NE(handle, nullptr);
    std::fputs("half", handle);
    capture.clear();
    EXPECT_FALSE(commitAtomicWrite(handle, path + ".tmp", path, false));
    EXPECT_EQ(readText(path), "old");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_TRUE(capture.contains("Cannot write " + path, 3));

    // No temporary file can be made in a missing directory.
    capture.clear();
    EXPECT_FALSE(writeFileAtomically(dir.file("missing/file.txt"), "x"));
    EXPECT_TRUE(capture.contains("Cannot write", 3));
}

TEST(FileSystemWrite, FailedCommitKeepsTheOldTarget)
{
    TempDir dir;
    LogCapture capture;
    dir.write("user/save.wld/inside.txt", "keep");
    FileSystem files(dir.file("base"), dir.file("user"));
    File* file = files.open("save.wld", true, false, true, false);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(files.write(file, std::string("new contents")));
    EXPECT_FALSE(files.close(file));
    EXPECT_EQ(readText(dir.file("user/save.wld/inside.txt")), "keep");
    EXPECT_FALSE(fs::exists(dir.file("user/save.wld.tmp")));
    EXPECT_TRUE(capture.contains("previous file is kept", 3));
}
