#include "engine/data/EnumNameTable.h"

#include "engine/data/Database.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <algorithm>

EnumNameTable::EnumNameTable(std::string table, const char* const* entries, int count, int defaultIndex)
    : tableName(std::move(table)), defaultValue(defaultIndex)
{
    names.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        names.emplace_back(entries[i] != nullptr ? entries[i] : "");
    }
}

int EnumNameTable::find(std::string_view name) const
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (equalsNoCase(names[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int EnumNameTable::lookup(std::string_view name) const
{
    return lookupEnumName(*this, count(), name, defaultValue);
}

const std::string& EnumNameTable::nameOf(int index) const
{
    static const std::string empty;
    return index >= 0 && index < count() ? names[static_cast<size_t>(index)] : empty;
}

int lookupEnumName(const EnumNameTable& table, std::string_view name)
{
    return lookupEnumName(table, table.count(), name, table.defaultValue);
}

int lookupEnumName(const EnumNameTable& table, std::string_view name, int defaultValue)
{
    return lookupEnumName(table, table.count(), name, defaultValue);
}

int lookupEnumName(const EnumNameTable& table, int count, std::string_view name, int defaultValue)
{
    if (name.empty()) {
        return defaultValue;
    }
    int limit = std::min(count, table.count());
    for (int i = 0; i < limit; ++i) {
        if (equalsNoCase(table.names[static_cast<size_t>(i)], name)) {
            return i;
        }
    }
    // A name just read from the database is reported where it stands.
    std::string where = Database::describeLastRead(name);
    debugPrint(3, "%sUnknown %s name %.*s\n", where.c_str(), table.tableName.c_str(),
               static_cast<int>(name.size()), name.data());
    return defaultValue;
}
