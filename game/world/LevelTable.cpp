#include "game/world/LevelTable.h"

#include <algorithm>

int LevelTable::clampLevel(int level)
{
    return std::clamp(level, kMinLevel, kMaxLevel);
}

const LevelEntry& LevelTable::addEntry(const LevelEntry& row)
{
    auto stored = std::make_unique<LevelEntry>(row);
    stored->maxLevel = clampLevel(stored->maxLevel);
    stored->minLevel = std::clamp(stored->minLevel, kMinLevel, stored->maxLevel);
    for (int level = stored->minLevel; level <= stored->maxLevel; ++level) {
        m_totals[static_cast<size_t>(level)] += stored->weight;
    }
    m_rows.push_back(std::move(stored));
    return *m_rows.back();
}

const LevelEntry* LevelTable::pick(int level, float roll) const
{
    level = clampLevel(level);
    const float target = roll * m_totals[static_cast<size_t>(level)];
    float sum = 0.0f;
    for (const auto& row : m_rows) {
        if (level < row->minLevel || level > row->maxLevel) {
            continue;
        }
        sum += row->weight;
        if (sum >= target) {
            return row.get();
        }
    }
    return nullptr;
}

void LevelTable::clear()
{
    m_rows.clear();
    m_totals.fill(0.0f);
}

float LevelTable::total(int level) const
{
    return m_totals[static_cast<size_t>(clampLevel(level))];
}
