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
