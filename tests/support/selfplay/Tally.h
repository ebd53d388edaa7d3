#pragma once

// Figures and progress: what the server did with the player's asks, counted
// each frame into the run's figures, and the stall check (thirty game
// minutes without progress are a fault).
#include "support/selfplay/Part.h"

#include <set>
#include <vector>

namespace selfplay {

class Tally : public Part {
public:
    explicit Tally(Bot& bot);

    // What the server did with the player's asks this frame.
    void count(Figures& figures);

    // A quest solved: progress.
    void noteProgress()
    {
        m_progressAt = frame();
        m_raidHeldFrames = 0;
    }

    // A frame's time in the program and the server's step in it.
    void recordFrame(double frameMs, double stepMs);

    // The figures of the whole run, at its end.
    void finish(Figures& figures);

private:
    // Thirty game minutes with no quest solved, no level gained and no gate
    // woken while the player's covenant stands are a stuck game: a fault,
    // with the trace that led there. Time the player spends home while a
    // raid on it lasts is not counted: it must stay by its stone until the
    // raiders are gone, however long they stand elsewhere.
    void checkProgress();

    void traceDeath() const;

    static constexpr int kStallMinutes = 30;

    bool m_wasAlive = true;
    bool m_wasWarping = false;
    int m_progressAt = 0;
    int m_raidHeldFrames = 0; // since m_progressAt, home while raided
    int m_progressLevel = 0;
    int m_progressGates = 0;
    std::set<int> m_levels;
    std::vector<double> m_stepMs;
    std::vector<double> m_frameMs;
};

} // namespace selfplay
