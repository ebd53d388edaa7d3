#pragma once

#include "engine/core/Singleton.h"
#include "engine/core/StringUtil.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The one log call of the engine. Level 1 lines are shown only while
// `developer` is set; level 2 (warnings) are prefixed with the colour code of
// colour 5, level 3 (errors) with that of colour 1. Every printed line goes to
// the console ring, to the sinks and, with colour codes stripped, to "log.txt".
// Safe to call from any thread.
class DebugSystem : public Singleton<DebugSystem> {
public:
    static constexpr size_t kRingSize = 512;

    // A sink receives each printed text with its level (0 for raw prints),
    // colour codes kept, prefix included.
    using Sink = std::function<void(int level, const std::string& text)>;

    DebugSystem();
    ~DebugSystem();

    void print(int level, const std::string& text);
    void printRaw(const std::string& text);
    // An error line for a fatal error: logged and flushed at once, not
    // echoed (the critical-error report shows it).
    void printFatal(const std::string& text);

    // Opens (truncates) the log file; mode 0 none, 1 write, 2 flush each line.
    bool openLog(const std::string& path, int mode);
    void closeLog();
    void setLogMode(int mode);
    int getLogMode() const;
    const std::string& getLogPath() const { return m_logPath; }

    void setDeveloper(bool on);
    bool isDeveloper() const;

    // Also write every line to stdout (headless console).
    void setEchoToStdout(bool on);

    int addSink(Sink sink);
    void removeSink(int id);

    // Lines of the console ring, oldest first.
    std::vector<std::string> recentLines() const;
    void clearRecentLines();

    // Line counts per level (index 0 raw, 1..3 levels).
    unsigned long long getLineCount(int level) const;
    void logStatistics();

    // Draws the open debug console (called by the renderer in the 2D overlay);
    // the console installs the drawer.
    void setConsoleDrawer(std::function<void()> drawer);
    void drawConsole();

    // The console's debug beep (a cannot-die entity would have died).
    void playDebugBeep();
    unsigned getBeepCount() const { return m_beeps; }

private:
    void emit(int level, std::string text, bool echo = true);

    mutable std::recursive_mutex m_mutex;
    std::FILE* m_log = nullptr;
    std::string m_logPath;
    int m_logMode = 1;
    bool m_developer = false;
    bool m_echo = false;
    std::deque<std::string> m_ring;
    std::vector<std::pair<int, Sink>> m_sinks;
    int m_nextSinkId = 1;
    unsigned long long m_counts[4] = {0, 0, 0, 0};
    unsigned m_beeps = 0;
    std::function<void()> m_consoleDrawer;
};

// Holds the warning and error lines printed through the debug system on this
// thread while it lives, so that a reader refusing a whole file can fold the
// reasons of its parts into its own one line. Lines still held when it ends
// are printed then (to an enclosing hold, if any).
class DebugLineHold {
public:
    DebugLineHold();
    ~DebugLineHold();
    DebugLineHold(const DebugLineHold&) = delete;
    DebugLineHold& operator=(const DebugLineHold&) = delete;

    // The held texts, without their level prefix; they are not printed.
    std::vector<std::string> take();
    // Keeps the line when a hold is open on this thread.
    static bool keep(int level, const std::string& text);

private:
    std::vector<std::pair<int, std::string>> m_lines;
    DebugLineHold* m_outer = nullptr;
};

// Formats and prints through the debug system (to stderr when none exists).
void debugPrint(int level, const char* format, ...) GLOAM_PRINTF(2, 3);
void debugPrintRaw(const char* format, ...) GLOAM_PRINTF(1, 2);
void playDebugBeep();
