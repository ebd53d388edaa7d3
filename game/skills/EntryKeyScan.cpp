#include "game/skills/EntryKeyScan.h"

#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/EnumNameTable.h"

void markFamilyKeys(const DatabaseEntry* entry, std::string_view prefix, const EnumNameTable& table,
                    std::vector<bool>& present)
{
    // The Base chain is cut of cycles and bounded by the loader.
    for (int depth = 0; entry && depth <= Database::kMaxBaseDepth; entry = entry->getBase(), ++depth) {
        for (const DatabaseField& field : entry->getFields()) {
            std::string_view key = field.key;
            if (key.size() <= prefix.size() || !equalsNoCase(key.substr(0, prefix.size()), prefix))
                continue;
            int index = table.find(key.substr(prefix.size()));
            if (index >= 0 && index < static_cast<int>(present.size()))
                present[static_cast<size_t>(index)] = true;
        }
    }
}

std::vector<bool> familyKeys(std::initializer_list<const DatabaseEntry*> entries, std::string_view prefix,
                             const EnumNameTable& table, int count)
{
    std::vector<bool> present(static_cast<size_t>(count), false);
    for (const DatabaseEntry* entry : entries)
        markFamilyKeys(entry, prefix, table, present);
    return present;
}

void readDynamicStatFamilies(std::initializer_list<const DatabaseEntry*> entries,
                             const std::function<float(const std::string&)>& value, DynamicStatValues& change,
                             DynamicStatValues& mult, DynamicStatValues& defendingChange,
                             DynamicStatValues& defendingMult)
{
    const EnumNameTable& dynamics = getGameEnumTable(GameEnum::DynamicStat);
    struct DynamicFamily {
        const char* prefix;
        DynamicStatValues* values;
    };
    for (const DynamicFamily& family :
         {DynamicFamily{"DynamicStatChange", &change}, DynamicFamily{"DynamicStatMult", &mult},
          DynamicFamily{"DefendingDynamicStatChange", &defendingChange},
          DynamicFamily{"DefendingDynamicStatMult", &defendingMult}}) {
        std::vector<bool> marks = familyKeys(entries, family.prefix, dynamics, kDynamicStatCount);
        for (int j = 0; j < kDynamicStatCount; ++j)
            (*family.values)[static_cast<size_t>(j)] =
                marks[static_cast<size_t>(j)] ? value(family.prefix + dynamics.nameOf(j)) : 0.0f;
    }
}
