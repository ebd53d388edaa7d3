#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A name table of an enumeration: the names in index order, the name of the
// table (used in log lines) and the value a missing name gives.
struct EnumNameTable {
    std::string tableName;
    std::vector<std::string> names;
    int defaultValue = 0;

    EnumNameTable() = default;
    EnumNameTable(std::string table, std::vector<std::string> entries, int defaultIndex)
        : tableName(std::move(table)), names(std::move(entries)), defaultValue(defaultIndex)
    {
    }
    EnumNameTable(std::string table, const char* const* entries, int count, int defaultIndex);

    // Index of the name without regard to case; the default (and a logged
    // "Unknown %s name %s") when it is missing. An empty name gives the
    // default silently: optional fields are often absent.
    int lookup(std::string_view name) const;
    // Index of the name, -1 when missing; never logs.
    int find(std::string_view name) const;
    // The name of an index; "" out of range.
    const std::string& nameOf(int index) const;
    int count() const { return static_cast<int>(names.size()); }
};

// Name -> index of a table; see EnumNameTable::lookup.
int lookupEnumName(const EnumNameTable& table, std::string_view name);
int lookupEnumName(const EnumNameTable& table, std::string_view name, int defaultValue);
// Searches only the first `count` names of the table.
int lookupEnumName(const EnumNameTable& table, int count, std::string_view name, int defaultValue);
