#pragma once

#include "engine/core/Singleton.h"

#include <cstdint>
#include <functional>
#include <string>

// Timing sections of the main loop. Sections may nest (a world step inside the
// server update); each section keeps its own start time, so only re-entering
// the same section is folded into its outermost pass. Main thread only.
class Profiler : public Singleton<Profiler> {
public:
    enum Section {
        ClientUpdate = 0,
        ClientThink = 1,
        ClientDraw = 2,
        ServerReceive = 3,
        ServerUpdate = 4,
        Unused5 = 5,
        Render = 6,
        WorldStep = 7,
    };
    static constexpr int kSectionCount = 8;

    struct SectionStats {
        uint64_t count = 0;
        double totalMs = 0.0;
        double maxMs = 0.0;
        double averageMs() const { return count ? totalMs / static_cast<double>(count) : 0.0; }
    };

    // Nanoseconds of a monotonic clock; replaceable for tests.
    using TimeSource = std::function<int64_t()>;

    Profiler();
    explicit Profiler(TimeSource clock);

    static const char* sectionName(int section);

    void startFrame();
    void endFrame();
    void startSection(int section);
    void stopSection(int section);

    SectionStats getSection(int section) const;
    // Frames ended so far, their total and longest duration.
    const SectionStats& getFrames() const { return m_frames; }
    bool isOpen(int section) const;
    void reset();

    // Frame and section statistics as text.
    std::string buildReport() const;
    // The `printprofile` command: the report on the console.
    void printReport() const;
    // Shut-down statistics, to the log.
    void logStatistics() const;

private:
    struct Open {
        int depth = 0;
        int64_t startNs = 0;
    };

    TimeSource m_clock;
    SectionStats m_sections[kSectionCount];
    Open m_open[kSectionCount];
    SectionStats m_frames;
    int64_t m_frameStartNs = 0;
    bool m_inFrame = false;
};
