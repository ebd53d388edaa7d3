#pragma once

#include "game/definitions/GameEnums.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <string>
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

// The marks of one key family over several entries (a record and its
// per-level record, …): count flags, one per name of the table.
std::vector<bool> familyKeys(std::initializer_list<const DatabaseEntry*> entries, std::string_view prefix,
                             const EnumNameTable& table, int count);

using DynamicStatValues = std::array<float, kDynamicStatCount>;

// Reads the four dynamic-stat families of a skill or effect record. A member
// none of the entries holds a key of is 0; the others are value(prefix + the
// stat's name).
void readDynamicStatFamilies(std::initializer_list<const DatabaseEntry*> entries,
                             const std::function<float(const std::string&)>& value, DynamicStatValues& change,
                             DynamicStatValues& mult, DynamicStatValues& defendingChange,
                             DynamicStatValues& defendingMult);
