#pragma once

#include <string>

class DatabaseEntry;

// What a definition read from one database entry keeps of it: the entry, the
// entry's name and the definition's index in its list.
class EntryDefinition {
public:
    const DatabaseEntry* getEntry() const { return m_entry; }
    const std::string& getEntryName() const { return m_entryName; }
    int getIndex() const { return m_index; }

protected:
    // The start of every load: keeps the entry, its name and the index.
    // False for a null entry, which leaves nothing to read.
    bool bindEntry(const DatabaseEntry* entry, int index);

private:
    const DatabaseEntry* m_entry = nullptr;
    std::string m_entryName;
    int m_index = -1;
};
