// Runs the program itself: start-up, console lines from standard input, the
// statistics at shut-down, the critical-error path and the signals.
#include "engine/app/Application.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// User plus system processor time of a process, in clock ticks.
long cpuTicks(pid_t pid)
{
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    // Fields 3 … 13, then utime (14) and stime (15).
    for (int i = 3; i <= 13; ++i) {
        fields >> field;
    }
    fields >> utime >> stime;
    return utime + stime;
}

// Each fragment must appear after the one before it.
void expectInOrder(const std::string& text, const std::vector<std::string>& fragments)
{
    size_t pos = 0;
    for (const auto& f : fragments) {
        size_t found = text.find(f, pos);
        ASSERT_NE(found, std::string::npos) << "\"" << f << "\" missing after position " << pos << " in:\n"
                                            << text;
        pos = found + f.size();
    }
}

TEST(ApplicationTest, HeadlessRunsStandardInputAndLogsStatisticsAtExit)
{
    TempDir user;
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "printmem\nquit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"Gloamreach ", "CPU:", "User directory: " + user.path().string(), "] printmem",
                        "Total", "] quit", "FileSystem:", "Memory:", "Total",
                        "Debug:", "User variables:", "Profile:", "Resources:"});
    // Headless, the console's lines also go to standard output.
    EXPECT_NE(r.out.find("] printmem"), std::string::npos);
    // The input ended with its quit: the program does not say it runs on.
    EXPECT_EQ(r.out.find("Standard input ended"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Critical Error"), std::string::npos);
}

// The counts of the debug system's shut-down line "Debug: N raw lines, N info,
// N warnings, N errors"; the log itself has its level prefixes stripped.
bool debugLineCounts(const std::string& log, unsigned long long counts[4])
{
    size_t at = log.rfind("Debug: ");
    return at != std::string::npos &&
           std::sscanf(log.c_str() + at, "Debug: %llu raw lines, %llu info, %llu warnings, %llu errors",
                       &counts[0], &counts[1], &counts[2], &counts[3]) == 4;
}

TEST(ApplicationTest, HeadlessLoadsTheShippedGameDataWithoutWarningOrErrorLines)
{
    TempDir user;
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "quit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    // The log starts with the program's name and version; the game data's
    // version follows once the database is loaded.
    EXPECT_EQ(log.rfind("Gloamreach ", 0), 0u) << log.substr(0, 200);
    expectInOrder(log, {"Gloamreach ", "Game data version ", "] quit", "Debug: "});
    EXPECT_EQ(log.find("GameSystem database entry not found!"), std::string::npos);
    unsigned long long counts[4] = {};
    ASSERT_TRUE(debugLineCounts(log, counts)) << log;
    // A clean start on the shipped data shows no warning and no error.
    EXPECT_EQ(counts[2], 0u) << log;
    EXPECT_EQ(counts[3], 0u) << log;
    // Missing packages are normal for loose files: no warning about them.
    EXPECT_EQ(log.find("assets00"), std::string::npos) << log;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(ApplicationTest, DeveloperVariableGatesInfoLinesOfTheRunningProgram)
{
    // A line typed at the console that names an internal-only command is
    // refused with a warning, which shows whether or not developer is set.
    const std::string refused = "keyPress can only be issued by the program";
    TempDir user;
    RunResult r =
        runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                   "keyPress 30 1 0\nset developer 1\nkeyPress 31 1 0\nset developer 0\nquit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"] keyPress 30 1 0", refused, "] set developer 1", "] keyPress 31 1 0", refused,
                        "] set developer 0", "] quit"});
    unsigned long long counts[4] = {};
    ASSERT_TRUE(debugLineCounts(log, counts)) << log;
    EXPECT_EQ(counts[2], 2u) << log;

    // Set in user.cfg, the variable is in force from the moment it is read:
    // the game definitions' info line during start-up shows.
    TempDir dev;
    std::ofstream(dev.file("user.cfg")) << "developer 1\n";
    RunResult withCfg = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", dev.path().string()}, "quit\n", true);
    EXPECT_EQ(withCfg.exitCode, 0) << withCfg.err;
    EXPECT_NE(readFile(dev.file("log.txt")).find("GameData: "), std::string::npos);
    EXPECT_EQ(log.find("GameData: "), std::string::npos);
}

TEST(ApplicationTest, LogfileVariableSwitchesAndFlushesTheLogOfTheRunningProgram)
{
    TempDir user;
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "echo before-off\nset logfile 0\necho while-off\nset logfile 1\n"
                             "echo after-on\nquit\n",
                             true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"before-off", "] set logfile 0", "after-on", "] quit", "Profile:"});
    EXPECT_EQ(log.find("while-off"), std::string::npos) << log;
    // The console still shows what the log left out.
    EXPECT_NE(r.out.find("while-off"), std::string::npos);

    // With 2 every line reaches the file at once: it is there while the
    // program still runs (standard input stays open, so only SIGTERM ends it).
    TempDir flushed;
    std::string seen;
    RunResult running =
        runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", flushed.path().string()},
                   "set logfile 2\necho flushed-at-once\n", false, [&](const RunResult&) {
                       seen = readFile(flushed.file("log.txt"));
                       return seen.find("flushed-at-once") != std::string::npos;
                   });
    EXPECT_EQ(running.exitCode, 0) << running.err;
    EXPECT_NE(seen.find("flushed-at-once"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("Profile:"), std::string::npos) << "read only after the shut-down";
}

// With the shipped settings every printed line reaches the log at once, so a
// run killed outright leaves them all.
TEST(ApplicationTest, AHeadlessRunKilledAfterStartUpLeavesEveryPrintedLineInTheLog)
{
    TempDir user;
    RunResult r = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
        "echo started-and-waiting\n", false,
        [](const RunResult& so) { return so.out.find("started-and-waiting\n") != std::string::npos; },
        SIGKILL);
    EXPECT_EQ(r.exitCode, 128 + SIGKILL) << r.err;
    const std::string log = readFile(user.file("log.txt"));
    std::istringstream printed(r.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(printed, line);) {
        if (!line.empty()) {
            lines.push_back(line + "\n");
        }
    }
    EXPECT_GT(lines.size(), 9u) << r.out;
    expectInOrder(log, lines);
    expectInOrder(log, {"Gloamreach ", "Game data version ", "User directory: ", "started-and-waiting"});
}

TEST(ApplicationTest, MissingDataDirectoryIsACriticalError)
{
    TempDir user;
    RunResult r = runProgram(
        {"--headless", "--data-dir", user.file("no-such-dir"), "--user-dir", user.path().string()}, "", true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Critical Error: The game data directory"), std::string::npos) << r.err;
}

TEST(ApplicationTest, BadArgumentsAreNamed)
{
    RunResult r = runProgram({"--windowed"}, "", true);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("argument 1: unknown option \"--windowed\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: gloamreach"), std::string::npos);
}

TEST(ApplicationTest, SigtermEndsTheLoopAndShutsDownCleanly)
{
    TempDir user;
    RunResult r = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
        [](const RunResult& so) { return so.out.find("User directory:") != std::string::npos; });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"User directory:", "FileSystem:", "Profile:"});
}

// The sanitizer build runs our code several times slower, so its limits on
// an idle program's share of a core are higher. A headless server idle at the
// end of its input wakes ten times a second and must not spin: the release
// build measures under 1 % of a core (a clock tick is a third of one in
// three seconds), the sanitizer build beside other tests 1.3 %.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLOAM_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLOAM_TEST_SANITIZED 1
#endif
#ifdef GLOAM_TEST_SANITIZED
constexpr double kHeadlessIdleShareLimit = 0.05;
#else
constexpr double kHeadlessIdleShareLimit = 0.02;
#endif

TEST(ApplicationTest, HeadlessAtTheEndOfInputIdlesAsAServerUntilASignal)
{
    TempDir user;
    // Once the end of input is logged and start-up's tail has settled (two
    // seconds), the processor time of three seconds.
    long endTicks = -1;
    bool seen = false;
    std::chrono::steady_clock::time_point seenAt, endAt;
    double idleShare = -1.0;
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "printmem\n", true, [&](const RunResult& so) {
                                 auto now = std::chrono::steady_clock::now();
                                 if (endTicks < 0) {
                                     if (!seen && so.out.find("Standard input ended") != std::string::npos) {
                                         seen = true;
                                         seenAt = now;
                                     }
                                     if (seen && now - seenAt >= std::chrono::seconds(2)) {
                                         endTicks = cpuTicks(so.pid);
                                         endAt = now;
                                     }
                                     return false;
                                 }
                                 if (now - endAt < std::chrono::seconds(3)) {
                                     return false;
                                 }
                                 double seconds = std::chrono::duration<double>(now - endAt).count();
                                 idleShare = static_cast<double>(cpuTicks(so.pid) - endTicks) /
                                             sysconf(_SC_CLK_TCK) / seconds;
                                 return true;
                             });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GE(idleShare, 0.0) << r.out;
    EXPECT_LT(idleShare, kHeadlessIdleShareLimit) << "share of a core while idle";
    std::printf("headless after the end of input: %.2f%% of a core\n", idleShare * 100.0);
    // The signal ended it with the usual shut-down.
    expectInOrder(readFile(user.file("log.txt")), {"] printmem", "Standard input ended", "Profile:"});
}

// An idle window's share of a core: under a fifth in the main menu, where a
// frame that would show what the screen shows is neither drawn nor swapped.
// The frame rate is shown as each frame's own figure, which changes with
// every sleep's lateness: a quiet menu redraws it four times a second.
#ifdef GLOAM_TEST_SANITIZED
constexpr double kIdleShareLimit = 0.5;
#else
constexpr double kIdleShareLimit = 0.2;
#endif

// The windows on the X display, as xwininfo lists them.
std::string listWindows()
{
    std::string windows;
    if (FILE* p = popen("xwininfo -root -tree 2>/dev/null", "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) {
            windows.append(buffer, n);
        }
        pclose(p);
    }
    return windows;
}

TEST(ApplicationXvfbTest, WindowTitledGloamreachOpensOnAnXDisplay)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    std::string windows;
    bool canList = programOnPath("xwininfo");
    auto started = std::chrono::steady_clock::now();
    // Until the window shows in the server's window list (or, without
    // xwininfo, a few seconds have passed) and start-up has settled; then
    // the processor time (not the wall clock) of five idle seconds; then
    // SIGTERM.
    long shownTicks = -1, probeTicks = -1;
    std::chrono::steady_clock::time_point shownAt, probeAt, settleFrom;
    bool seen = false;
    std::chrono::steady_clock::time_point seenAt;
    double idleShare = -1.0;
    double idleSeconds = 0.0;
    // Each log line flushed, so the start-up report shows when it is made;
    // the frame rate drawn; the window of the default size.
    std::ofstream(user.file("user.cfg")) << "logfile 2\nfps 1\n";
    RunResult r =
        runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                   [&](const RunResult& so) {
                       auto now = std::chrono::steady_clock::now();
                       auto waited = now - started;
                       if (shownTicks >= 0) {
                           if (now - shownAt < std::chrono::seconds(5)) {
                               return false;
                           }
                           idleSeconds = std::chrono::duration<double>(now - shownAt).count();
                           idleShare = static_cast<double>(cpuTicks(so.pid) - shownTicks) /
                                       sysconf(_SC_CLK_TCK) / idleSeconds;
                           return true;
                       }
                       auto settle = [&] {
                           probeTicks = cpuTicks(so.pid);
                           probeAt = now;
                       };
                       if (probeTicks >= 0) {
                           // A second at a time until one stays under the
                           // limit (a slow machine may still be loading the
                           // menu's images), at most 20 seconds.
                           if (now - probeAt < std::chrono::seconds(1)) {
                               return false;
                           }
                           const double share = static_cast<double>(cpuTicks(so.pid) - probeTicks) /
                                                sysconf(_SC_CLK_TCK) /
                                                std::chrono::duration<double>(now - probeAt).count();
                           if (share < kIdleShareLimit || now - settleFrom > std::chrono::seconds(20)) {
                               shownTicks = cpuTicks(so.pid);
                               shownAt = now;
                           } else {
                               settle();
                           }
                           return false;
                       }
                       if (!canList) {
                           if (waited > std::chrono::seconds(5)) {
                               settleFrom = now;
                               settle();
                           }
                           return false;
                       }
                       windows = listWindows();
                       if (windows.find("\"Gloamreach\"") != std::string::npos) {
                           // The display set-up goes on after the window shows
                           // (texture caches, standard textures, sound, the
                           // menus' images on the loader thread): idle starts
                           // two seconds after the start-up report is in the log.
                           const bool started =
                               readFile(user.file("log.txt")).find("User directory:") != std::string::npos;
                           if (!seen || !started) {
                               seen = true;
                               seenAt = now;
                           }
                           if (now - seenAt >= std::chrono::seconds(2)) {
                               settleFrom = now;
                               settle();
                           }
                           return false;
                       }
                       return waited > std::chrono::seconds(seen ? 60 : 20);
                   });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    if (canList) {
        EXPECT_NE(windows.find("\"Gloamreach\""), std::string::npos) << windows;
    }
    EXPECT_GE(idleShare, 0.0);
    EXPECT_LT(idleShare, kIdleShareLimit) << "share of a core while idle";
    std::printf("idle window: %.1f%% of a core over %.1f s\n", idleShare * 100.0, idleSeconds);
    // The loop kept its pace, and the frame rate's changes were drawn: at
    // least once a second, far from every frame.
    const std::string log = readFile(user.file("log.txt"));
    unsigned long frames = 0, shown = 0, counted = 0;
    const size_t profile = log.find("Profile: ");
    ASSERT_NE(profile, std::string::npos) << log;
    ASSERT_EQ(std::sscanf(log.c_str() + profile, "Profile: %lu frames", &frames), 1);
    EXPECT_GE(static_cast<double>(frames), 5.0 * idleSeconds) << "passes of the loop in the whole run";
    const size_t drawn = log.find("Frames shown: ");
    ASSERT_NE(drawn, std::string::npos) << log;
    ASSERT_EQ(std::sscanf(log.c_str() + drawn, "Frames shown: %lu of %lu", &shown, &counted), 2);
    EXPECT_GE(static_cast<double>(shown), idleSeconds) << log.substr(drawn, 40);
    EXPECT_LT(shown, frames / 2) << log.substr(drawn, 40);
}

// Sets or removes environment variables for one test (each test runs in a
// process of its own under ctest).
void withoutDisplay()
{
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
}

size_t countOf(const std::string& text, const std::string& fragment)
{
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) {
        ++n;
    }
    return n;
}

TEST(ApplicationTest, WithoutAnyDisplayOneCriticalErrorNamesTheCause)
{
    withoutDisplay();
    TempDir user;
    auto started = std::chrono::steady_clock::now();
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(countOf(r.err, "Critical Error"), 1u) << r.err;
    EXPECT_EQ(countOf(r.err, "\n"), 1u) << r.err;
    EXPECT_NE(r.err.find("neither DISPLAY nor WAYLAND_DISPLAY is set"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--headless"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    // No words of another system's window layer, on screen or in the log.
    std::string log = readFile(user.file("log.txt"));
    for (const char* word : {"RegisterClass", "CreateWindow", "PixelFormat"}) {
        EXPECT_EQ(r.err.find(word), std::string::npos) << word;
        EXPECT_EQ(log.find(word), std::string::npos) << word;
    }

    // A display that names no server is a cause as well.
    setenv("DISPLAY", ":7919", 1);
    r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no X server is listening on DISPLAY \":7919\""), std::string::npos) << r.err;
}

TEST(ApplicationTest, AVideoDriverThatCannotStartIsReportedInSdlWords)
{
    withoutDisplay();
    setenv("SDL_VIDEODRIVER", "x11", 1);
    TempDir user;
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(countOf(r.err, "Critical Error: Cannot start the video system: "), 1u) << r.err;
    EXPECT_EQ(r.err.find("RegisterClass"), std::string::npos) << r.err;
    // The error is logged once as well.
    EXPECT_EQ(countOf(readFile(user.file("log.txt")), "Cannot start the video system"), 1u);
}

TEST(ApplicationTest, HelpAndVersionPrintAndExitWithZero)
{
    for (const char* option : {"--help", "-h"}) {
        RunResult r = runProgram({option}, "", true);
        EXPECT_EQ(r.exitCode, 0) << option;
        EXPECT_EQ(r.out.rfind("usage: gloamreach", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("--version"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
    RunResult v = runProgram({"--version"}, "", true);
    EXPECT_EQ(v.exitCode, 0);
    expectInOrder(v.out, {"Gloamreach 0.1.0\n", "Game data version 0.1.0 (first data)"});
    EXPECT_EQ(v.err, "");
    TempDir empty;
    v = runProgram({"--version", "--data-dir", empty.path().string()}, "", true);
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_NE(v.out.find("Game data version unknown"), std::string::npos) << v.out;
}

TEST(ApplicationTest, BuiltProgramFindsTheDataWithoutADataDirectoryArgument)
{
    TempDir user;
    RunResult r = runProgram({"--headless", "--user-dir", user.path().string()}, "quit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"Game data version ", "Data directory: " + gameDataPath() + "\n",
                        "Generated content: " + generatedDataPath() + "\n", "] quit"});
    unsigned long long counts[4] = {};
    ASSERT_TRUE(debugLineCounts(log, counts)) << log;
    EXPECT_EQ(counts[3], 0u) << log;
    EXPECT_EQ(log.find("assets00"), std::string::npos) << log;
}

} // namespace

namespace {

TEST(ApplicationTest, HeadlessShaderReloadAddsNoWarningOrError)
{
    TempDir plainUser, reloadUser;
    RunResult plain =
        runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", plainUser.path().string()},
                   "quit\n", true);
    RunResult reload =
        runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", reloadUser.path().string()},
                   "reloadShaders\nquit\n", true);
    EXPECT_EQ(reload.exitCode, 0) << reload.err;
    unsigned long long before[4], after[4];
    ASSERT_TRUE(debugLineCounts(readFile(plainUser.file("log.txt")), before));
    std::string log = readFile(reloadUser.file("log.txt"));
    ASSERT_TRUE(debugLineCounts(log, after));
    EXPECT_NE(log.find("] reloadShaders"), std::string::npos);
    EXPECT_EQ(log.find("Unknown command"), std::string::npos);
    EXPECT_EQ(after[2], before[2]) << log;
    EXPECT_EQ(after[2], 0u) << log;
    EXPECT_EQ(after[3], 0u) << log;
}

// Sound starts after the window: on OpenAL Soft's silent null device here.
TEST(ApplicationXvfbTest, WindowedRunStartsSoundOnTheNullDevice)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    std::ofstream(user.file("user.cfg")) << "logfile 2\n";
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                             untilLogShows(user.file("log.txt"), "User directory:"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"Opened OpenAL Soft Device", "Using 256 sound sources", "Sound system initialized",
                        "Audio devices: 1"});
    EXPECT_EQ(log.find("Failed"), std::string::npos) << log;
    std::string cfg = readFile(user.file("user.cfg"));
    for (const char* name : {"s_initSound", "s_volumeMaster", "s_volumeSfx", "s_volumeMusic", "s_soundDevice",
                             "s_speakerType"}) {
        EXPECT_NE(cfg.find(name), std::string::npos) << name << "\n" << cfg;
    }
}

TEST(ApplicationXvfbTest, WindowedRunWithoutASoundDeviceIsACriticalError)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    setenv("ALSOFT_DRIVERS", "none", 1);
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", true);
    unsetenv("ALSOFT_DRIVERS");
    EXPECT_EQ(r.exitCode, 1);
    // One critical error, naming the real log and both ways to play without
    // a device.
    std::string expected = "Critical Error: Sound system failed to initialize!  See " + user.file("log.txt") +
                           " for more info.  To play without sound, put \"s_initSound 0\" in " +
                           user.path().string() + "/user.cfg, or start with ALSOFT_DRIVERS=null";
    EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Critical Error"), r.err.rfind("Critical Error")) << r.err;
    EXPECT_NE(readFile(user.file("log.txt")).find("Failed to open sound device!"), std::string::npos);
}

// The sound's "Critical Error" offers the ways out that help: with no device,
// switching sound off or OpenAL Soft's silent device; when the failure lies
// beyond the device (a decoder library that cannot be loaded), its cause
// and switching sound off, never a device that would fail the same way.
TEST(ApplicationTest, SoundFailureNamesTheWaysOutThatHelp)
{
    const struct {
        const char* beyondDevice;
        bool silentDeviceHelps;
    } cases[] = {{"", true},
                 {"The Ogg Vorbis decoder libvorbisfile.so.3 cannot be loaded (not found); it comes with the "
                  "package libvorbisfile3.",
                  false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.beyondDevice);
        const std::string text = Application::soundFailureText("/u/log.txt", "/u", c.beyondDevice);
        EXPECT_EQ(text.rfind("Sound system failed to initialize!  See /u/log.txt for more info.", 0), 0u)
            << text;
        EXPECT_NE(text.find(c.beyondDevice), std::string::npos) << text;
        EXPECT_NE(text.find("put \"s_initSound 0\" in /u/user.cfg"), std::string::npos) << text;
        EXPECT_EQ(text.find("ALSOFT_DRIVERS=null") != std::string::npos, c.silentDeviceHelps) << text;
    }
}

// SIGTERM, SIGINT and SIGHUP end the program while its "Critical Error" box
// waits for a click (no sound device here): at once, with the error's exit
// code, and the box goes with it.
TEST(ApplicationXvfbTest, ASignalEndsTheProgramWhileTheCriticalErrorBoxIsUp)
{
#ifdef GLOAM_TEST_SANITIZED
    // SDL shows the box from a forked process. This compiler's address
    // sanitizer does not hold its allocator's locks across fork: when a
    // driver thread (Mesa's shader disk cache) allocates at that moment,
    // the box's process waits in its first malloc for good (a few times in
    // a thousand boxes on a loaded machine). glibc's malloc is fork-safe, so
    // the release build runs this test.
    GTEST_SKIP() << "the sanitizer's allocator can deadlock a forked process";
#endif
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    if (!programOnPath("xwininfo")) {
        GTEST_SKIP() << "no xwininfo to see the box";
    }
    setenv("ALSOFT_DRIVERS", "none", 1);
    // The box allowed for this program.
    setenv("GLOAM_NO_ERROR_BOX", "0", 1);
    TempDir user;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::chrono::steady_clock::time_point sent;
        bool boxSeen = false;
        RunResult r = runProgram(
            {"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", true,
            [&](const RunResult& so) {
                if (so.err.find("Critical Error") == std::string::npos ||
                    listWindows().find("\"Critical Error\"") == std::string::npos) {
                    return false;
                }
                boxSeen = true;
                sent = std::chrono::steady_clock::now();
                return true;
            },
            signal);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
        ASSERT_TRUE(boxSeen) << r.err;
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_LT(seconds, 10.0) << "the program stayed after the signal";
        EXPECT_EQ(listWindows().find("\"Critical Error\""), std::string::npos) << "the box stayed";
    }
    unsetenv("GLOAM_NO_ERROR_BOX");
    unsetenv("ALSOFT_DRIVERS");
}

TEST(ApplicationXvfbTest, AWindowedRunKilledAfterStartUpLeavesEveryPrintedLineInTheLog)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    // No user.cfg: the shipped settings. Once the start-up's report is in the
    // file (or after 80 seconds: a loaded machine compresses a fresh user directory's textures for tens of
    // seconds), SIGKILL.
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                             untilLogShows(user.file("log.txt"), "User directory:"), SIGKILL);
    EXPECT_EQ(r.exitCode, 128 + SIGKILL) << r.err;
    const std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"Gloamreach ", "Game data version ", "Sound system initialized",
                        "CPU:", "OS:", "Data directory: ", "User directory: " + user.path().string() + "\n"});
    // A fresh user directory has its textures compressed first, one line
    // each: hundreds of lines, more than a stdio buffer holds. Every file
    // made has its line.
    size_t made = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(user.path())) {
        if (entry.path().extension() == ".ctx") {
            ++made;
            const std::string line = "Created compressed texture " +
                                     std::filesystem::relative(entry.path(), user.path()).string() + "\n";
            EXPECT_NE(log.find(line), std::string::npos) << line;
        }
    }
    EXPECT_GT(made, 100u);
}

TEST(ApplicationXvfbTest, SoundSwitchedOffInUserConfig)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    std::ofstream(user.file("user.cfg")) << "s_initSound 0\nlogfile 2\n";
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                             untilLogShows(user.file("log.txt"), "User directory:"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string log = readFile(user.file("log.txt"));
    EXPECT_NE(log.find("Skipped sound system initialization"), std::string::npos) << log;
    EXPECT_EQ(log.find("Opened OpenAL Soft Device"), std::string::npos);
}

TEST(ApplicationTest, DirectoriesAndPipesReadAsFilesGiveALineAndTheProgramGoesOn)
{
    // A directory named user.cfg: one line at start-up, then a normal run.
    TempDir user;
    std::filesystem::create_directories(user.file("user.cfg"));
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "echo still-here\nquit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Cannot read " + user.file("user.cfg") + ": it is a directory"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("still-here"), std::string::npos);
    EXPECT_EQ(r.err.find("terminate"), std::string::npos) << r.err;

    // exec of a directory and of a FIFO: a line each, the session goes on and
    // the value set before them is saved at shut-down.
    TempDir other;
    std::filesystem::create_directories(other.file("Saves"));
    ASSERT_EQ(mkfifo(other.file("pipe.cfg").c_str(), 0600), 0);
    r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", other.path().string()},
                   "set logfile 2\nexec Saves\nexec pipe.cfg\necho still-here\nquit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Cannot read " + other.file("Saves") + ": it is a directory"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Cannot read " + other.file("pipe.cfg") + ": it is a pipe"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("still-here"), std::string::npos);
    EXPECT_NE(readFile(other.file("user.cfg")).find("logfile \"2\""), std::string::npos)
        << readFile(other.file("user.cfg"));
}

TEST(ApplicationTest, ALogThatCannotBeOpenedIsSaidOnceOnStandardError)
{
    TempDir user;
    std::filesystem::create_directories(user.file("log.txt"));
    RunResult r = runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                             "cmdlist\nquit\n", true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Cannot write the log " + user.file("log.txt") + ": Is a directory\n");
    // The console still shows everything; cmdlist gives each command's syntax.
    // The client registers its own button routing, with its own help text.
    EXPECT_NE(r.out.find("set <name> [value] - "), std::string::npos) << r.out;
    EXPECT_NE(
        r.out.find("buttonPress <button> <down> <posX> <posY> - Tells the client about a key press event"),
        std::string::npos)
        << r.out;
}

TEST(ApplicationTest, HangupEndsLikeTerminateAndSavesTheSettings)
{
    TempDir user;
    RunResult r = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "set logfile 2\n",
        false, [](const RunResult& so) { return so.out.find("] set logfile 2") != std::string::npos; },
        SIGHUP);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(readFile(user.file("user.cfg")).find("logfile \"2\""), std::string::npos);
    EXPECT_NE(readFile(user.file("log.txt")).find("Profile:"), std::string::npos);
}

TEST(ApplicationTest, AClosedStandardOutputDoesNotEndTheProgram)
{
    // The reader of standard output stops after one byte; the program goes on
    // with its input, logs, and saves at "quit".
    TempDir user;
    std::string command = "bash -c 'set -o pipefail; (printf \"set logfile 2\\n\"; sleep 1; "
                          "printf \"echo after-the-pipe\\nquit\\n\") | \"" +
                          std::string(GLOAM_BINARY_DIR) + "/gloamreach\" --headless --data-dir \"" +
                          gameDataPath() + "\" --user-dir \"" + user.path().string() +
                          "\" | head -c 1 >/dev/null; exit ${PIPESTATUS[1]}' 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string log = readFile(user.file("log.txt"));
    expectInOrder(log, {"] set logfile 2", "after-the-pipe", "] quit", "Profile:"});
    EXPECT_NE(readFile(user.file("user.cfg")).find("logfile \"2\""), std::string::npos);
}

} // namespace
