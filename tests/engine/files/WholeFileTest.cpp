#include "engine/files/WholeFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(WholeFileTest, ReadsRegularFilesAndRefusesEverythingElseWithALine)
{
    LogCapture log;
    TempDir dir;
    dir.write("text.cfg", std::string("a\0b\n", 4));
    std::string text;
    EXPECT_EQ(readWholeFile(dir.file("text.cfg"), text), WholeFileResult::Read);
    EXPECT_EQ(text, std::string("a\0b\n", 4));
    dir.write("empty.cfg", "");
    std::vector<uint8_t> bytes{1, 2};
    EXPECT_EQ(readWholeFile(dir.file("empty.cfg"), bytes), WholeFileResult::Read);
    EXPECT_TRUE(bytes.empty());

    // Missing is the caller's business: no line.
    EXPECT_EQ(readWholeFile(dir.file("none.cfg"), text), WholeFileResult::Missing);
    EXPECT_EQ(readWholeFile(dir.file("text.cfg/below"), text), WholeFileResult::Missing);
    EXPECT_EQ(log.count(2), 0u);

    std::filesystem::create_directories(dir.file("folder.cfg"));
    text = "old";
    EXPECT_EQ(readWholeFile(dir.file("folder.cfg"), text), WholeFileResult::Failed);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(log.contains("Cannot read " + dir.file("folder.cfg") + ": it is a directory", 2));

    // A FIFO without a writer must not block.
    ASSERT_EQ(mkfifo(dir.file("pipe.cfg").c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(dir.file("pipe.cfg"), text), WholeFileResult::Failed);
    EXPECT_TRUE(log.contains("Cannot read " + dir.file("pipe.cfg") + ": it is a pipe", 2));

    // Files of the proc file system report size 0 and still read whole.
    EXPECT_EQ(readWholeFile("/proc/self/status", text), WholeFileResult::Read);
    EXPECT_NE(text.find("Pid:"), std::string::npos);
}

} // namespace
