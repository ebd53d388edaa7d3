#pragma once

#include <string_view>
#include <vector>

class DatabaseEntry;
struct EnumNameTable;

// Marks which members of a key family ("StatChange" + a stat name, …) an entry
// or its Base chain holds: present[i] is set for each field whose key is the
// prefix followed by name i of the table (i below present.size(); case is
// ignored). One pass over the fields instead of one look-up per name keeps
// loading records with large families cheap.
void markFamilyKeys(const DatabaseEntry* entry, std::string_view prefix, const EnumNameTable& table,
                    std::vector<bool>& present);
