#pragma once

#include <string>
#include <string_view>
#include <vector>

class DatabaseEntry;

// Typed reads of one database entry for the definition loaders; every value
// follows the entry's "Base" chain. A null entry reads as empty.
class DefinitionReader {
public:
    explicit DefinitionReader(const DatabaseEntry* entry) : m_entry(entry) {}

    // The running database: whether one is loaded, an entry by name (case-
    // insensitive, null when absent) and every entry of a DatabaseEntryType
    // in load order (templates marked BaseOnly skipped).
    static bool hasDatabase();
    static const DatabaseEntry* findEntry(std::string_view name);
    static std::vector<const DatabaseEntry*> entriesOfType(int entryType);

    const DatabaseEntry* entry() const { return m_entry; }
    std::string entryName() const;
    int entryId() const;
    // The entry's DatabaseEntryType, inherited along the Base chain; 0 without an entry.
    int entryType() const;
    // Name of the entry its "Base" names; "" without one.
    std::string baseEntryName() const;

    // "file:line" of the key's line (along the Base chain) or, without the
    // key, of the entry itself; for messages about bad values.
    std::string where(std::string_view key = {}) const;

    bool has(std::string_view key) const;
    int getInt(std::string_view key, int defaultValue = 0) const;
    float getFloat(std::string_view key, float defaultValue = 0.0f) const;
    bool getFlag(std::string_view key, bool defaultValue = false) const;
    std::string getString(std::string_view key) const;
    std::vector<std::string> getStringList(std::string_view key) const;
    std::vector<float> getFloatList(std::string_view key) const;
    std::vector<int> getIntList(std::string_view key) const;
    // Fills `out` from the field's items; missing items keep their values.
    template <class Array> void getFloats(std::string_view key, Array& out) const
    {
        copyLeading(getFloatList(key), out);
    }

    // Copies the leading items that fit into `out`; the rest keep their values.
    template <class List, class Array> static void copyLeading(const List& from, Array& out)
    {
        for (size_t i = 0; i < from.size() && i < out.size(); ++i)
            out[i] = from[i];
    }

private:
    const DatabaseEntry* m_entry;
};
