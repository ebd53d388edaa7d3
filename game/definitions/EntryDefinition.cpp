#include "game/definitions/EntryDefinition.h"

#include "game/definitions/DefinitionReader.h"

bool EntryDefinition::bindEntry(const DatabaseEntry* entry, int index)
{
    m_entry = entry;
    m_index = index;
    m_entryName = DefinitionReader(entry).entryName(); // "" for a null entry
    return entry != nullptr;
}
