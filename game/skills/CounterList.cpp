#include "game/skills/CounterList.h"
#include "game/skills/Saturate.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

#include <algorithm>
#include <cstdint>

CounterList::CounterList(int count, int size)
{
    resize(count, size);
}

void CounterList::resize(int count, int size)
{
    m_count = std::max(count, 0);
    m_values.resize(static_cast<size_t>(std::max(m_count, size)), 0);
}

bool CounterList::inside(int index, const char* operation) const
{
    if (index >= 0 && index < static_cast<int>(m_values.size()))
        return true;
    debugPrint(2, "CounterList::%s: index %d outside the list of %zu values\n", operation, index,
               m_values.size());
    return false;
}

int CounterList::get(int index) const
{
    return inside(index, "get") ? m_values[static_cast<size_t>(index)] : 0;
}

void CounterList::set(int index, int value)
{
    if (inside(index, "set"))
        m_values[static_cast<size_t>(index)] = value;
}

void CounterList::add(int index, int delta)
{
    if (inside(index, "add")) {
        int32_t& v = m_values[static_cast<size_t>(index)];
        v = saturateWide(static_cast<int64_t>(v) + delta);
    }
}

void CounterList::addCapped(int index, int delta, int max)
{
    if (!inside(index, "addCapped"))
        return;
    int32_t& v = m_values[static_cast<size_t>(index)];
    int64_t sum = static_cast<int64_t>(v) + delta;
    if (max > 0 && sum > max)
        sum = max;
    v = saturateWide(sum);
}

void CounterList::subtractFloored(int index, int delta)
{
    if (!inside(index, "subtractFloored"))
        return;
    int32_t& v = m_values[static_cast<size_t>(index)];
    v = saturateWide(std::max<int64_t>(static_cast<int64_t>(v) - delta, 0));
}

void CounterList::copyFrom(const CounterList& source)
{
    size_t n = std::min({static_cast<size_t>(m_count), m_values.size(), source.m_values.size()});
    std::copy_n(source.m_values.begin(), n, m_values.begin());
}

void CounterList::reset()
{
    std::fill_n(m_values.begin(), std::min(static_cast<size_t>(m_count), m_values.size()), 0);
}

void CounterList::write(ByteBuffer& out) const
{
    size_t n = std::min(static_cast<size_t>(m_count), m_values.size());
    for (size_t i = 0; i < n; ++i)
        out.writeInt(m_values[i]);
}

bool CounterList::read(ByteBuffer& in, int n)
{
    if (n == 0)
        n = m_count;
    if (n < 0 || n > static_cast<int>(m_values.size())) {
        debugPrint(2, "CounterList::read: %d values asked of a list of %zu\n", n, m_values.size());
        return false;
    }
    // The whole run must be there: a short stream changes nothing.
    if (in.remaining() < static_cast<size_t>(n) * 4) {
        in.setReadPos(in.size() + 1);
        return false;
    }
    for (int i = 0; i < n; ++i)
        m_values[static_cast<size_t>(i)] = in.readInt();
    return in.ok();
}
