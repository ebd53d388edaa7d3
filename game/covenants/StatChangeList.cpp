#include "game/covenants/StatChangeList.h"
#include "game/skills/Saturate.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

void orderedRange(const StatChange& e, int& lo, int& hi)
{
    lo = saturate(e.min);
    hi = saturate(e.max);
    if (lo > hi)
        std::swap(lo, hi);
}

int roll(const StatChange& e)
{
    float lo = std::min(e.min, e.max);
    float hi = std::max(e.min, e.max);
    float value = lo + randomFloat(0) * (hi - lo);
    // A whole value needs no rounding chance, so it costs no second draw.
    if (value == std::floor(value))
        return saturate(value);
    return randomRound(value);
}

} // namespace

StatChange* StatChangeList::find(int stat, bool create)
{
    for (StatChange& e : m_entries)
        if (e.stat == stat)
            return &e;
    if (!create)
        return nullptr;
    m_entries.push_back({0.0f, 0.0f, stat});
    return &m_entries.back();
}

const StatChange* StatChangeList::find(int stat) const
{
    for (const StatChange& e : m_entries)
        if (e.stat == stat)
            return &e;
    return nullptr;
}

void StatChangeList::add(int stat, int min, int max)
{
    if (min == 0 && max == 0)
        return;
    StatChange* e = find(stat, true);
    e->min += static_cast<float>(min);
    e->max += static_cast<float>(max);
    if (e->max < e->min)
        e->max = e->min;
}

void StatChangeList::scale(float factor)
{
    if (factor == 1.0f)
        return;
    for (StatChange& e : m_entries) {
        e.min *= factor;
        e.max *= factor;
    }
}

StatChangeList& StatChangeList::copyTo(StatChangeList& destination) const
{
    if (&destination != this)
        destination.m_entries = m_entries;
    return destination;
}

void StatChangeList::getEntryRange(int index, int& min, int& max, int& stat) const
{
    if (index < 0 || index >= getCount()) {
        debugPrint(2, "StatChangeList::getEntryRange: index %d outside the list of %d\n", index, getCount());
        min = max = stat = 0;
        return;
    }
    const StatChange& e = m_entries[static_cast<size_t>(index)];
    orderedRange(e, min, max);
    stat = e.stat;
}

int StatChangeList::rollEntry(int index, int& stat) const
{
    if (index < 0 || index >= getCount()) {
        debugPrint(2, "StatChangeList::rollEntry: index %d outside the list of %d\n", index, getCount());
        stat = 0;
        return 0;
    }
    const StatChange& e = m_entries[static_cast<size_t>(index)];
    stat = e.stat;
    return roll(e);
}

void StatChangeList::sumRanges(int& totalMin, int& totalMax) const
{
    int64_t lo = 0;
    int64_t hi = 0;
    for (const StatChange& e : m_entries) {
        int a = 0;
        int b = 0;
        orderedRange(e, a, b);
        lo += a;
        hi += b;
    }
    totalMin = saturateWide(lo);
    totalMax = saturateWide(hi);
}

void StatChangeList::getStatRange(int& min, int& max) const
{
    const StatChange* e = find(0);
    if (!e) {
        min = max = 0;
        return;
    }
    orderedRange(*e, min, max);
}

bool StatChangeList::hasPositiveMax() const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [](const StatChange& e) { return e.max > 0.0f; });
}

int StatChangeList::rollTotal() const
{
    int64_t total = 0;
    for (const StatChange& e : m_entries)
        total += roll(e);
    return saturateWide(total);
}
