#pragma once

#include <array>
#include <memory>
#include <vector>

class DatabaseEntry;

// One row of a level table: a database entry that may appear from its
// minimum to its maximum level with a weight.
struct LevelEntry {
    const DatabaseEntry* entry = nullptr;
    float weight = 0.0f;
    int minLevel = 0;
    int maxLevel = 0;
};

// Weighted rows by level, with the sum of the weights of every level kept so
// that a pick walks the rows once. Levels run 1 … 105.
class LevelTable {
public:
    static constexpr int kMinLevel = 1;
    static constexpr int kMaxLevel = 105;

    // Clamps the row's levels into 1 … 105 (the minimum not above the
    // maximum), adds its weight to the totals of its levels and appends it.
    const LevelEntry& addEntry(const LevelEntry& row);
    // The row that `roll` in [0, 1) falls on among the rows holding the
    // level (clamped into 1 … 105); null for none.
    const LevelEntry* pick(int level, float roll) const;

    void clear();
    bool empty() const { return m_rows.empty(); }
    int size() const { return static_cast<int>(m_rows.size()); }
    const LevelEntry& row(int index) const { return *m_rows[static_cast<size_t>(index)]; }
    float total(int level) const;

    static int clampLevel(int level);

private:
    std::vector<std::unique_ptr<LevelEntry>> m_rows;
    std::array<float, kMaxLevel + 1> m_totals{};
};
