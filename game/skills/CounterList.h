#pragma once

#include <cstdint>
#include <vector>

class ByteBuffer;

// A fixed-length table of signed 32-bit values: the stat tables of entities,
// covenants, recruits, skill definitions and status effects. The owner sets
// the count and sizes the vector (at least count values, all zero); nothing
// here changes either. Byte form: values 0 … count − 1 as little-endian i32,
// no count.
//
// Indices outside the vector are refused with a log line: get gives 0, the
// setters do nothing. Stat tables come from saves and messages, so no index
// is trusted.
class CounterList {
public:
    CounterList() = default;
    // count values, all zero, in a vector of max(count, size) values.
    explicit CounterList(int count, int size = 0);

    int getCount() const { return m_count; }
    int getSize() const { return static_cast<int>(m_values.size()); }
    // Sets the count and sizes the vector to at least that many values; new
    // values are zero.
    void resize(int count, int size = 0);

    int get(int index) const;
    void set(int index, int value);
    // value += delta, no bound.
    void add(int index, int delta);
    // value + delta, capped at max when max > 0.
    void addCapped(int index, int delta, int max);
    // value − delta, floored at 0.
    void subtractFloored(int index, int delta);

    // Copies values 0 … count − 1 of this list from the source, as far as
    // the source holds them.
    void copyFrom(const CounterList& source);
    // Values 0 … count − 1 become 0.
    void reset();

    // Appends values 0 … count − 1.
    void write(ByteBuffer& out) const;
    // Reads n values (n = 0: count) into values 0 … n − 1. False, with
    // nothing read, when n exceeds the vector; false when the buffer runs
    // short (the buffer's read then fails and the caller rejects the data).
    bool read(ByteBuffer& in, int n = 0);

    const std::vector<int32_t>& values() const { return m_values; }
    bool operator==(const CounterList& other) const = default;

private:
    bool inside(int index, const char* operation) const;

    int m_count = 0;
    std::vector<int32_t> m_values;
};
