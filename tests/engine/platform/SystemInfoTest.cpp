#include "engine/platform/SystemInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(SystemInfo, ParsesTheFirstProcessor)
{
    const char* cpuinfo = "processor\t: 0\n"
                          "vendor_id\t: GenuineIntel\n"
                          "model name\t: Example CPU @ 3.20GHz\n"
                          "cpu MHz\t\t: 3199.612\n"
                          "\n"
                          "processor\t: 1\n"
                          "model name\t: Other\n"
                          "cpu MHz\t\t: 800.000\n";
    SystemInfo::Cpu cpu = SystemInfo::parseCpuInfo(cpuinfo);
    EXPECT_EQ(cpu.model, "Example CPU @ 3.20GHz");
    EXPECT_EQ(cpu.mhz, 3200);

    // ARM boards often list neither; nonsense stays 0.
    cpu = SystemInfo::parseCpuInfo("processor : 0\nBogoMIPS : 50.00\ncpu MHz : -5\n");
    EXPECT_EQ(cpu.model, "");
    EXPECT_EQ(cpu.mhz, 0);
    cpu = SystemInfo::parseCpuInfo("");
    EXPECT_EQ(cpu.mhz, 0);
}

TEST(SystemInfo, ParsesOsReleaseNames)
{
    EXPECT_EQ(SystemInfo::parseOsRelease(
                  "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(SystemInfo::parseOsRelease("PRETTY_NAME=Plain\r\n"), "Plain");
    EXPECT_EQ(SystemInfo::parseOsRelease("PRETTY_NAME='Single quoted'\n"), "Single quoted");
    EXPECT_EQ(SystemInfo::parseOsRelease("PRETTY_NAME=\"Unbalanced\n"), "\"Unbalanced");
    EXPECT_EQ(SystemInfo::parseOsRelease("NAME=Only\n"), "");
    // A key that merely contains the name does not count.
    EXPECT_EQ(SystemInfo::parseOsRelease("X_PRETTY_NAME=no\n"), "");
}

TEST(SystemInfo, ParsesMemInfo)
{
    SystemInfo::MemoryInfo m = SystemInfo::parseMemInfo("MemTotal:       16318480 kB\n"
                                                        "MemFree:          512000 kB\n"
                                                        "MemAvailable:    8159240 kB\n");
    EXPECT_EQ(m.totalMb, 15936);
    EXPECT_EQ(m.freeMb, 7968); // available counts, not just free
    m = SystemInfo::parseMemInfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n");
    EXPECT_EQ(m.totalMb, 2);
    EXPECT_EQ(m.freeMb, 1);
    m = SystemInfo::parseMemInfo("garbage\n:\nMemTotal: lots\n");
    EXPECT_EQ(m.totalMb, 0);
    EXPECT_EQ(m.freeMb, 0);
}

TEST(SystemInfo, DescribesAndLogsTheMachine)
{
    SystemInfo info;
    info.gather();
    EXPECT_FALSE(info.getOs().empty());
    EXPECT_FALSE(info.getCpu().model.empty());
    EXPECT_GT(info.getCpu().cores, 0);
    EXPECT_GT(info.getMemory().totalMb, 0);

    std::vector<std::string> lines = info.describe();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("CPU: ", 0), 0u);
    EXPECT_EQ(lines[1], "OS: " + info.getOs());
    EXPECT_EQ(lines[2].rfind("Memory: ", 0), 0u);
    EXPECT_EQ(lines[3], "Audio devices: unknown");
    info.setAudioDeviceCount(2);
    EXPECT_EQ(info.describe()[3], "Audio devices: 2");

    LogCapture capture;
    info.logInfo();
    EXPECT_EQ(capture.count(0), 4u);
    EXPECT_TRUE(capture.contains("Audio devices: 2\n", 0));
}

TEST(SystemInfo, WindowFlags)
{
    SystemInfo info;
    EXPECT_TRUE(info.isActive());
    EXPECT_FALSE(info.isMinimised());
    info.setActive(false);
    info.setMinimised(true);
    EXPECT_FALSE(SystemInfo::get().isActive());
    EXPECT_TRUE(SystemInfo::get().isMinimised());
}
