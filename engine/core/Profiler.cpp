#include "engine/core/Profiler.h"

#include "engine/core/Clock.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <algorithm>

namespace {
const char* const kSectionNames[Profiler::kSectionCount] = {
    "ClientUpdate", "ClientThink", "ClientDraw", "ServerReceive",
    "ServerUpdate", "Unused5",     "Render",     "WorldStep",
};

void addSample(Profiler::SectionStats& stats, int64_t ns)
{
    double ms = static_cast<double>(ns) / 1e6;
    ++stats.count;
    stats.totalMs += ms;
    stats.maxMs = std::max(stats.maxMs, ms);
}

bool validSection(int section)
{
    if (section < 0 || section >= Profiler::kSectionCount) {
        debugPrint(2, "Profiler section %d out of range\n", section);
        return false;
    }
    return true;
}
} // namespace

Profiler::Profiler() : Profiler(TimeSource(&Clock::monotonicNanoseconds)) {}

Profiler::Profiler(TimeSource clock) : m_clock(std::move(clock)) {}

const char* Profiler::sectionName(int section)
{
    return (section >= 0 && section < kSectionCount) ? kSectionNames[section] : "Unknown";
}

void Profiler::startFrame()
{
    m_frameStartNs = m_clock();
    m_inFrame = true;
}

void Profiler::endFrame()
{
    if (!m_inFrame) {
        return;
    }
    addSample(m_frames, m_clock() - m_frameStartNs);
    m_inFrame = false;
}

void Profiler::startSection(int section)
{
    if (!validSection(section)) {
        return;
    }
    Open& open = m_open[section];
    if (open.depth++ == 0) {
        open.startNs = m_clock();
    }
}

void Profiler::stopSection(int section)
{
    if (!validSection(section)) {
        return;
    }
    Open& open = m_open[section];
    if (open.depth == 0) {
        debugPrint(2, "Profiler section %s stopped without start\n", kSectionNames[section]);
        return;
    }
    if (--open.depth == 0) {
        addSample(m_sections[section], m_clock() - open.startNs);
    }
}

Profiler::SectionStats Profiler::getSection(int section) const
{
    return (section >= 0 && section < kSectionCount) ? m_sections[section] : SectionStats();
}

bool Profiler::isOpen(int section) const
{
    return section >= 0 && section < kSectionCount && m_open[section].depth > 0;
}

void Profiler::reset()
{
    for (int i = 0; i < kSectionCount; ++i) {
        m_sections[i] = SectionStats();
        m_open[i] = Open();
    }
    m_frames = SectionStats();
    m_inFrame = false;
}

std::string Profiler::buildReport() const
{
    std::string text =
        formatString("Profile: %llu frames, average %.3f ms, max %.3f ms\n",
                     static_cast<unsigned long long>(m_frames.count), m_frames.averageMs(), m_frames.maxMs);
    text += "Section              calls     total ms   average ms       max ms  ms/frame\n";
    for (int i = 0; i < kSectionCount; ++i) {
        const SectionStats& s = m_sections[i];
        if (s.count == 0) {
            continue;
        }
        double perFrame = m_frames.count ? s.totalMs / static_cast<double>(m_frames.count) : 0.0;
        appendFormat(text, "%d %-14s %8llu %12.3f %12.3f %12.3f %9.3f\n", i, kSectionNames[i],
                     static_cast<unsigned long long>(s.count), s.totalMs, s.averageMs(), s.maxMs, perFrame);
    }
    return text;
}

void Profiler::printReport() const
{
    debugPrintRaw("%s", buildReport().c_str());
}

void Profiler::logStatistics() const
{
    debugPrintRaw("%s", buildReport().c_str());
}
