#include "engine/data/DatabaseEntry.h"

#include "engine/core/StringUtil.h"

const std::string DatabaseEntry::kNoFileName;

int DatabaseEntry::getTypeInherited() const
{
    for (const DatabaseEntry* entry = this; entry != nullptr; entry = entry->m_base) {
        if (entry->m_type != 0) {
            return entry->m_type;
        }
    }
    return 0;
}

bool DatabaseEntry::isDerivedFrom(const DatabaseEntry* base) const
{
    if (base == nullptr) {
        return false;
    }
    for (const DatabaseEntry* entry = this; entry != nullptr; entry = entry->m_base) {
        if (entry == base) {
            return true;
        }
    }
    return false;
}

const DatabaseField* DatabaseEntry::findOwnField(std::string_view key) const
{
    for (const DatabaseField& field : m_fields) {
        if (equalsNoCase(field.key, key)) {
            return &field;
        }
    }
    return nullptr;
}
