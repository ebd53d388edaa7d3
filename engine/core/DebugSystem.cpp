#include "engine/core/DebugSystem.h"

#include "engine/core/ColorCodes.h"

#include <cstdarg>

namespace {
const char* levelPrefix(int level)
{
    switch (level) {
    case 2:
        return "^c005";
    case 3:
        return "^c001";
    default:
        return "";
    }
}
} // namespace

namespace {
thread_local DebugLineHold* t_hold = nullptr;
} // namespace

DebugLineHold::DebugLineHold() : m_outer(t_hold)
{
    t_hold = this;
}

DebugLineHold::~DebugLineHold()
{
    t_hold = m_outer;
    DebugSystem* debug = DebugSystem::instance();
    for (const auto& [level, text] : m_lines) {
        if (debug) {
            debug->print(level, text);
        }
    }
}

std::vector<std::string> DebugLineHold::take()
{
    std::vector<std::string> texts;
    for (auto& line : m_lines) {
        texts.push_back(std::move(line.second));
    }
    m_lines.clear();
    return texts;
}

bool DebugLineHold::keep(int level, const std::string& text)
{
    if (!t_hold || level < 2) {
        return false;
    }
    t_hold->m_lines.emplace_back(level, text);
    return true;
}

DebugSystem::DebugSystem() = default;

DebugSystem::~DebugSystem()
{
    closeLog();
}

void DebugSystem::print(int level, const std::string& text)
{
    if (level < 1) {
        level = 1;
    }
    if (level > 3) {
        level = 3;
    }
    if (level == 1 && !isDeveloper()) {
        return;
    }
    if (DebugLineHold::keep(level, text)) {
        return;
    }
    emit(level, std::string(levelPrefix(level)) + text);
}

void DebugSystem::printFatal(const std::string& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    emit(3, std::string(levelPrefix(3)) + text, false);
    if (m_log) {
        std::fflush(m_log);
    }
}

void DebugSystem::printRaw(const std::string& text)
{
    emit(0, text);
}

void DebugSystem::emit(int level, std::string text, bool echo)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ++m_counts[level];

    // The ring holds one entry per line, colour codes kept.
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size()) {
                m_ring.emplace_back(text.substr(start));
            }
            break;
        }
        m_ring.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    while (m_ring.size() > kRingSize) {
        m_ring.pop_front();
    }

    std::string plain = stripColorCodesCopy(text);
    if (plain.empty() || plain.back() != '\n') {
        plain.push_back('\n');
    }
    if (m_log && m_logMode > 0) {
        std::fwrite(plain.data(), 1, plain.size(), m_log);
        if (m_logMode >= 2) {
            std::fflush(m_log);
        }
    }
    if (m_echo && echo) {
        std::fwrite(plain.data(), 1, plain.size(), stdout);
        std::fflush(stdout);
    }
    for (auto& [id, sink] : m_sinks) {
        sink(level, text);
    }
}

bool DebugSystem::openLog(const std::string& path, int mode)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    closeLog();
    m_logMode = mode;
    m_logPath = path;
    if (mode <= 0) {
        return true;
    }
    m_log = std::fopen(path.c_str(), "wb");
    return m_log != nullptr;
}

void DebugSystem::closeLog()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_log) {
        std::fclose(m_log);
        m_log = nullptr;
    }
}

void DebugSystem::setLogMode(int mode)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (mode > 0 && !m_log && !m_logPath.empty()) {
        // Turned on after start-up: append to what the log already holds.
        m_log = std::fopen(m_logPath.c_str(), "ab");
    }
    m_logMode = mode;
    if (m_log) {
        std::fflush(m_log);
    }
}

int DebugSystem::getLogMode() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_logMode;
}

void DebugSystem::setDeveloper(bool on)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_developer = on;
}

bool DebugSystem::isDeveloper() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_developer;
}

void DebugSystem::setEchoToStdout(bool on)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_echo = on;
}

int DebugSystem::addSink(Sink sink)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    int id = m_nextSinkId++;
    m_sinks.emplace_back(id, std::move(sink));
    return id;
}

void DebugSystem::removeSink(int id)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::erase_if(m_sinks, [id](const auto& s) { return s.first == id; });
}

std::vector<std::string> DebugSystem::recentLines() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return {m_ring.begin(), m_ring.end()};
}

void DebugSystem::clearRecentLines()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_ring.clear();
}

unsigned long long DebugSystem::getLineCount(int level) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return (level >= 0 && level <= 3) ? m_counts[level] : 0;
}

void DebugSystem::logStatistics()
{
    unsigned long long c[4];
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        for (int i = 0; i < 4; ++i) {
            c[i] = m_counts[i];
        }
    }
    printRaw(formatString("Debug: %llu raw lines, %llu info, %llu warnings, %llu errors\n", c[0], c[1], c[2],
                          c[3]));
}

void DebugSystem::setConsoleDrawer(std::function<void()> drawer)
{
    m_consoleDrawer = std::move(drawer);
}

void DebugSystem::drawConsole()
{
    if (m_consoleDrawer) {
        m_consoleDrawer();
    }
}

void DebugSystem::playDebugBeep()
{
    ++m_beeps;
    // No sound device is assumed here; the terminal bell stands in.
    if (m_echo) {
        std::fputc('\a', stdout);
        std::fflush(stdout);
    }
}

void debugPrint(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatStringV(format, args);
    va_end(args);
    if (auto* d = DebugSystem::instance()) {
        d->print(level, text);
    } else if (level > 1) {
        std::fputs(stripColorCodesCopy(text).c_str(), stderr);
        if (text.empty() || text.back() != '\n') {
            std::fputc('\n', stderr);
        }
    }
}

void debugPrintRaw(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatStringV(format, args);
    va_end(args);
    if (auto* d = DebugSystem::instance()) {
        d->printRaw(text);
    } else {
        std::fputs(stripColorCodesCopy(text).c_str(), stderr);
    }
}

void playDebugBeep()
{
    if (auto* d = DebugSystem::instance()) {
        d->playDebugBeep();
    }
}
