#include "game/definitions/DefinitionReader.h"

#include "engine/data/Database.h"

bool DefinitionReader::hasDatabase()
{
    return Database::instance() != nullptr;
}

const DatabaseEntry* DefinitionReader::findEntry(std::string_view name)
{
    Database* db = Database::instance();
    return db && !name.empty() ? db->findEntry(name) : nullptr;
}

std::vector<const DatabaseEntry*> DefinitionReader::entriesOfType(int entryType)
{
    std::vector<const DatabaseEntry*> out;
    Database* db = Database::instance();
    if (!db)
        return out;
    for (const DatabaseEntry* e = db->findFirstEntryOfType(entryType); e; e = db->findNextEntryOfType(e))
        out.push_back(e);
    return out;
}

std::string DefinitionReader::entryName() const
{
    return m_entry ? m_entry->getName() : std::string();
}

int DefinitionReader::entryId() const
{
    return m_entry ? m_entry->getId() : -1;
}

int DefinitionReader::entryType() const
{
    return m_entry ? m_entry->getTypeInherited() : 0;
}

std::string DefinitionReader::baseEntryName() const
{
    return m_entry && m_entry->getBase() ? m_entry->getBase()->getName() : std::string();
}

std::string DefinitionReader::where(std::string_view key) const
{
    if (!m_entry)
        return "(no entry)";
    if (!key.empty())
        for (const DatabaseEntry* e = m_entry; e; e = e->getBase())
            if (const DatabaseField* field = e->findOwnField(key))
                return e->getFileName() + ":" + std::to_string(field->line);
    return m_entry->getFileName() + ":" + std::to_string(m_entry->getLine());
}

bool DefinitionReader::has(std::string_view key) const
{
    Database* db = Database::instance();
    return db && m_entry && db->findField(m_entry, key) != nullptr;
}

int DefinitionReader::getInt(std::string_view key, int defaultValue) const
{
    Database* db = Database::instance();
    return db && m_entry ? db->getInt(m_entry, key, defaultValue) : defaultValue;
}

float DefinitionReader::getFloat(std::string_view key, float defaultValue) const
{
    Database* db = Database::instance();
    return db && m_entry ? db->getFloat(m_entry, key, defaultValue) : defaultValue;
}

bool DefinitionReader::getFlag(std::string_view key, bool defaultValue) const
{
    return getInt(key, defaultValue ? 1 : 0) != 0;
}

std::string DefinitionReader::getString(std::string_view key) const
{
    Database* db = Database::instance();
    return db && m_entry ? db->getString(m_entry, key) : std::string();
}

std::vector<std::string> DefinitionReader::getStringList(std::string_view key) const
{
    std::vector<std::string> out;
    if (Database* db = Database::instance(); db && m_entry)
        db->getStringList(m_entry, key, out, true);
    return out;
}

std::vector<float> DefinitionReader::getFloatList(std::string_view key) const
{
    std::vector<float> out;
    if (Database* db = Database::instance(); db && m_entry)
        db->getFloatList(m_entry, key, out, true);
    return out;
}

std::vector<int> DefinitionReader::getIntList(std::string_view key) const
{
    std::vector<int> out;
    if (Database* db = Database::instance(); db && m_entry)
        db->getIntList(m_entry, key, out, true);
    return out;
}
