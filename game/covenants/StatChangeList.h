#pragma once

#include "game/covenants/StatChange.h"

#include <vector>

// An ordered list of stat changes, in insertion order. Entries created here
// (find with create, add) have a stat not yet present, so lists built through
// add hold at most one entry per stat.
class StatChangeList {
public:
    int getCount() const { return static_cast<int>(m_entries.size()); }
    bool empty() const { return m_entries.empty(); }
    const std::vector<StatChange>& entries() const { return m_entries; }
    std::vector<StatChange>& entries() { return m_entries; }
    void clear() { m_entries.clear(); }

    // The first entry of that stat; without one and with create set, a new
    // {0, 0, stat} at the end. Null otherwise. The pointer lives until the
    // list next grows.
    StatChange* find(int stat, bool create);
    const StatChange* find(int stat) const;
    // Adds (min, max) to the stat's entry, creating it; nothing when both are
    // 0. A maximum that ends below the minimum is raised to it.
    void add(int stat, int min, int max);
    // Multiplies every range by factor; nothing at exactly 1.0.
    void scale(float factor);
    // The destination gets exactly this list's entries.
    StatChangeList& copyTo(StatChangeList& destination) const;

    // Entry index's range truncated toward zero and ordered, and its stat.
    // An index outside the list gives 0, 0 and stat 0 with a log line.
    void getEntryRange(int index, int& min, int& max, int& stat) const;
    // A roll of entry index: randomRound(lo + r × (hi − lo)), r one draw of
    // random stream 0; a whole value is taken as it is (randomRound would
    // draw again). An index outside the list gives 0 without drawing.
    int rollEntry(int index, int& stat) const;
    // Sums of the ordered, truncated ranges of every entry.
    void sumRanges(int& totalMin, int& totalMax) const;
    // The ordered, truncated range of the stat-0 entry; 0 and 0 without one.
    void getStatRange(int& min, int& max) const;
    bool hasPositiveMax() const;
    // Sum of one roll per entry, in order.
    int rollTotal() const;

private:
    std::vector<StatChange> m_entries;
};
